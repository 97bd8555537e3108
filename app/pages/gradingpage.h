#pragma once
// Page 5 "进行阅卷": the grading page. Panel1 holds the live picture
// ImageView (the frame loop draws on it; its size gives the preview
// rectangle) and the control panel Panel2 (grade and class selectors, "阅卷",
// the automatic-grading toggle, "语音提示" and the hint memo); below the
// splitter Splitter1 lies the grading grid SGridYJ with its pop-up menu.
// The page calls the cores: the frame loop reads and announces, the grid
// core fills, edits, rescores and deletes.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitter>

#include "grading/judgement.h"
#include "pages/wizardpage.h"
#include "widgets/gradinggridmodel.h"
#include "widgets/gradinggridview.h"
#include "widgets/liveview.h"

namespace tarvel::app {

inline constexpr int kPanel1Height = 409;
inline constexpr int kPanel1Cap = 482;

class GradingPage : public WizardPage {
    Q_OBJECT
public:
    explicit GradingPage(AppContext& context, QWidget* parent = nullptr);
    LiveView* view() const { return view_; }
    GradingGridModel& gridModel() { return model_; }
    GradingGridView* grid() const { return grid_; }
    QMenu* popupMenu() const { return popup_; }

    // PrepareGradingPage: selectors, columns, scores recalculated, grid filled.
    void prepare() override;
    void refresh() override;

    // The page's one card read ("阅卷", and the automatic grading through the
    // frame loop): the picture in the capture state's images is read, judged
    // and announced; grid, memo, caption and save button follow through
    // cardJudged() and the frame loop's calls below. A caller that puts a
    // picture there itself (batch grading) reads it with this too.
    void readCard();
    // After every judgement: an accepted card's row becomes current.
    void cardJudged(const Judgement& judgement);

    // What the frame loop changes on the page.
    void setAnswerButtonEnabled(bool on);
    void setAutoButtonCaption(const std::string& caption);
    void showMemo(const std::string& text);

private:
    void buildPanel2(QWidget* panel);
    void fillSelectors();
    // FillGradingGrid: rows from the records and the filter; with
    // `followCard` the row of the last card judged becomes current and the
    // grid takes the focus.
    void fillGrid(bool followCard);
    void gradeChosen(int index);
    void classChosen(int index);
    void openPopup(const QPoint& globalPosition);
    void deleteSelected();
    void deleteAllShown();
    void recalculate();
    void standardAnswerEdited();
    void splitterMoved();
    // The run changed here: BtnSave is enabled and the other pages refreshed.
    void changed();

    LiveView* view_;
    QSplitter* splitter_;
    GradingGridModel model_;
    GradingGridView* grid_;
    QMenu* popup_;
    QAction* deleteOne_;
    QAction* deleteAll_;
    QLabel* gradeLabel_ = nullptr;
    QComboBox* grades_ = nullptr;
    QLabel* classLabel_ = nullptr;
    QComboBox* classes_ = nullptr;
    QPushButton* answer_ = nullptr;
    QPushButton* auto_ = nullptr;
    QCheckBox* voice_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    std::string currentNumber_;  // admission number of the last card accepted
};

}  // namespace tarvel::app
