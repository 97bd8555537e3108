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

#include "capture/gradingread.h"
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
    // `reader` stores a card for a suggested student as a read stores it.
    GradingPage(AppContext& context, GradingCardReader& reader, QWidget* parent = nullptr);
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
    // cardJudged() and the frame loop's calls below.
    void readCard();
    // After every judgement: an accepted card's row becomes current; a card
    // refused as unknown with roster suggestions offers them (PanelSuggest),
    // any other judgement takes the offer away.
    void cardJudged(const Judgement& judgement);
    // "批量阅卷…" over these pictures (in name order): the progress window,
    // then the list of outcomes (dialogs/batchresults.h).
    void gradePictures(std::vector<std::string> files);

    // What the frame loop changes on the page.
    // "阅卷" and "批量阅卷…" (both are off during automatic grading).
    void setAnswerButtonEnabled(bool on);
    void setAutoButtonCaption(const std::string& caption);
    void showMemo(const std::string& text);

private:
    void buildPanel2(QWidget* panel);
    void buildSuggestions(QWidget* panel);
    void offerSuggestions(const std::optional<UnknownCard>& card);
    // The click on suggestion `index`: the card is stored for that student.
    void storeForSuggested(size_t index);
    void gradeFolder();
    void gradeFiles();
    // False, told, when the grade or class a batch needs is not chosen.
    bool batchMayStart();
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
    QPushButton* batch_ = nullptr;
    QWidget* suggestPanel_ = nullptr;
    std::vector<QPushButton*> suggestButtons_;
    QCheckBox* voice_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    std::string currentNumber_;  // admission number of the last card accepted
    GradingCardReader& reader_;
    std::optional<UnknownCard> unknown_;  // the card of the latest judgement, while it offers suggestions
    std::string pictureFolder_;           // where the batch dialogs start
};

}  // namespace tarvel::app
