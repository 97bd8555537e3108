#pragma once
// Page 3 "学生信息设置": the roster page. The grade settings with the grade
// grid, the class settings, the admission-number settings and the lock that
// freezes them once students exist; the group selectors (grade and class)
// that choose which group the student grid shows; the student grid with its
// six buttons; the student-file commands; Next asks to keep roster edits.
// Every rule is a core function (roster/); the page keeps the controls, the
// grid rows and the grade rows, and shows what the cores return.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <functional>
#include <optional>

#include "models/gridmodels.h"
#include "pages/wizardpage.h"
#include "roster/rosterediting.h"
#include "widgets/gridview.h"

namespace tarvel::app {

class Form3;

// The grade or the class settings box.
struct CodingControls {
    QGroupBox* box = nullptr;
    QCheckBox* enabled = nullptr;  // CBAllowNJ, CBAllowBJ
    QLabel* labels[2] = {};        // before and after the length box
    QLineEdit* length = nullptr;   // EdtNJCodeLen, EdtBJCodeLen
    QGridLayout* layout = nullptr;
};

inline constexpr const char* kAdmissionLengthHint =
    "如果答题卡上准考证位置有9列，而这里设置准考证长度只有3位时，只要涂准考证位置前3列即可";

class StudentsPage : public WizardPage {
    Q_OBJECT
public:
    explicit StudentsPage(AppContext& context, QWidget* parent = nullptr);

    void prepare() override { showRosterOnPage(); }
    bool checkNext() override;
    ActivePage activePage() const override;
    void refresh() override;

    // The page as plain data; the grid rows only when asked (5000 of them
    // are not copied for every key).
    RosterPage pageData(bool withRows) const;
    // The group the student grid shows, as the page's controls say.
    GroupView view() const;
    const StudentGrid& grid() const { return grid_; }
    bool settingsLocked() const { return locked_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildSettings(QWidget* column);
    void buildGradeGrid();
    void buildStudents(QWidget* column);
    void connectSettings();
    void connectStudents();

    Roster& roster() const { return context_.run.students.roster; }
    Prompter& prompter() const { return context_.services.prompter; }
    int gradeCodeLength() const;
    int classCodeLength() const;

    // Filling the page from the roster; the enable rules and the lock.
    void showRosterOnPage();
    void applyGradeRule();
    void applyClassRule();
    void setSettingsLocked(bool locked);

    // Grades, classes and the group shown.
    void gradesClicked();
    void classesClicked();
    void updatePrefix();
    void groupChanged();
    void gradeSelectorEntered();
    void gradeChosen(int index);
    void classCodeLengthChanged(const QString& text);
    void classTextChanged(const QString& text);
    void postShownGroupCheck();
    void gradeBoxLeft();
    void addGrade();
    void deleteGrade();
    void gradeEdited(int row, int column);
    void setGradeItems(const GradeSelector& selector);

    // The student grid: one operation of a button, then the grid shows its
    // rows again and the outcome is applied.
    void runOperation(const std::function<GridOutcome()>& operation, bool caretAtEnd = false);
    void applyOutcome(const GridOutcome& outcome, bool caretAtEnd = false);
    void placeStudentCursor(bool focus, bool edit, bool caretAtEnd = false);
    void studentCellMoved(const QModelIndex& current);
    std::optional<std::string> clipboardText() const;

    // The student file and the modified flags.
    void fileCommand(bool done);
    void markRosterModified();
    void syncFileState();

    // Controls (component names as object names).
    CodingControls grade_;
    GridView* gradeGrid_;
    QPushButton* addGrade_;
    QPushButton* deleteGrade_;
    CodingControls class_;
    QLabel* lblNJ3_;
    QComboBox* gradeSelector_;
    QLabel* lblBJ3_;
    QLineEdit* classSelector_;
    QLabel* lblBJ4_;
    QCheckBox* relation_;
    QLabel* lblAdmissionLen_;
    QLineEdit* admissionLength_;
    QLineEdit* prefix_;
    QLabel* lockHint_;
    GridView* studentGrid_;
    QPushButton* deleteStudent_;
    QPushButton* saveFile_;
    QLabel* fileLabel_;
    QLabel* sampleHint_;
    Form3* form3_ = nullptr;

    // State: the rows of the two grids, the loading flag of the change
    // handlers, the lock, and a guard while the program places the cursor.
    StudentGrid grid_;
    std::vector<GradeEntry> grades_;
    StudentGridModel* studentModel_;
    GradeGridModel* gradeModel_;
    bool loading_ = false;
    bool locked_ = false;
    bool placing_ = false;
    mutable RosterPage snapshot_;
};

}  // namespace tarvel::app
