#pragma once
// Page 4 "考试信息设置": the exam page. The card layout of the run (with
// "重新选择答题卡"), the exam name, the subject and the subjective-score choice,
// the score grid SGridTF (its kind column edited by the drop-down CBTFSort)
// and the partial-credit rule grid SGridDX with their add and delete buttons,
// and the two help memos. Next validates the page (grading/examsettings.h)
// and, on a refusal, puts the focus where the check says.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "models/gridmodels.h"
#include "pages/wizardpage.h"
#include "widgets/gridview.h"

namespace tarvel::app {

inline constexpr const char* kReselectCardCaption = "重新选择答题卡";

class ExamPage : public WizardPage {
    Q_OBJECT
public:
    explicit ExamPage(AppContext& context, QWidget* parent = nullptr);

    void prepare() override { fillExamPage(); }
    bool checkNext() override;
    ActivePage activePage() const override { return {ActivePage::Exam, nullptr, &page_}; }

    const tarvel::ExamPage& pageData() const { return page_; }

private:
    GridView* makeGrid(ExamGrid grid, const char* name, const std::vector<int>& widths, ExamGridModel*& model);
    QWidget* gridWithButtons(const QString& caption, GridView* grid, const char* addName, const char* deleteName,
                             ExamGrid which);

    // Shows the stored settings; page edits since the last validation go.
    void fillExamPage();
    void reselectCard();
    void addRow(ExamGrid grid);
    void deleteRow(ExamGrid grid);
    void placeCursor(ExamGrid grid, const ExamCursor& cursor);
    GridView* gridOf(ExamGrid grid) const { return grid == ExamGrid::Sections ? sections_ : rules_; }
    ExamGridModel* modelOf(ExamGrid grid) const { return grid == ExamGrid::Sections ? sectionModel_ : ruleModel_; }
    // An edit that counts as a change marks a started run unsaved.
    void edited(bool changed);

    QLabel* cardName_;
    QLineEdit* examName_;
    QComboBox* subject_;
    QLabel* subjectiveLabel_;
    QComboBox* subjective_;
    GridView* sections_;
    GridView* rules_;
    ExamGridModel* sectionModel_;
    ExamGridModel* ruleModel_;

    tarvel::ExamPage page_;
};

}  // namespace tarvel::app
