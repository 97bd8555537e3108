#pragma once
// MainForm: the one window that owns the grading run and the camera side for
// the whole life of the program, and leads through the six wizard pages.
// It moves between pages (running the check of the page it leaves and
// preparing the page a Next move enters), and holds the menus, the toolbar,
// help and the closing questions. What happens on a page is the page's.
#include <QMainWindow>
#include <QTabWidget>
#include <memory>

#include "capture/gradingread.h"
#include "capturestate.h"
#include "context.h"
#include "pages/wizardpage.h"

namespace tarvel::app {

class GradingPage;
class HelpWindow;

inline constexpr const char* kUseNextOrBack = "请点上一步或下一步进行换页";
inline constexpr const char* kSaveBeforeClosing = "是否要保存本次阅卷原始文件?";
inline constexpr const char* kConfirmClose = "确定要关闭本软件吗？";
inline constexpr int kPageCount = 6;

class MainWindow : public QMainWindow, private FrameLoopUi {
    Q_OBJECT
public:
    explicit MainWindow(Services& services, QWidget* parent = nullptr);
    ~MainWindow() override;

    GradingRun& run() { return *run_; }
    CaptureState& capture() { return *capture_; }
    WizardPage* page(int number) const;  // 1-6
    int currentPage() const;             // 1-6
    HelpWindow* helpWindow() const { return help_; }

    // Help topic 0-6 after the click or key press has been handled; any other
    // topic does nothing.
    void requestHelp(int topic);
    void showHelp(int topic);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What the frame loop changes on the window (and on the grading page).
    void setCaption(const std::string& caption) override;
    void setAnswerButtonEnabled(bool on) override;
    void setAutoButtonCaption(const std::string& caption) override;
    void showMemo(const std::string& text) override;

    void buildMenus();
    void buildToolBar();
    void addPage(WizardPage* page);
    void showPage(int number);
    void next(int from);
    void back(int from);
    void save();
    void runChanged();
    void syncSaveButton();
    void openFolder(const char* relative);

    Services& services_;
    std::unique_ptr<GradingRun> run_;
    GradingCardReader reader_;  // the card read of the grading page, over run_
    std::unique_ptr<CaptureState> capture_;
    AppContext context_;
    QTabWidget* pages_;
    GradingPage* grading_ = nullptr;
    QAction* save_ = nullptr;      // BtnSave
    QAction* saveMenu_ = nullptr;  // N15
    HelpWindow* help_ = nullptr;
};

}  // namespace tarvel::app
