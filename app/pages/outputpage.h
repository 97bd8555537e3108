#pragma once
// Page 6 "成绩输出": the score report (GroupBox5 "学生成绩输出") and the
// statistics (GroupBox6 "统计") of one grade/class group, with the output
// notes Memo3 beside them. Both "输出" buttons check the choices here, then
// write over a copy of the run on a worker thread (OutputJob) while
// FormProgress, respectively FormTJProgress, shows; the written file is then
// shown through the desktop.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <ctime>
#include <functional>
#include <memory>

#include "dialogs/formprogress.h"
#include "dialogs/formtjprogress.h"
#include "output/reportrows.h"
#include "output/statistics.h"
#include "pages/outputjob.h"
#include "pages/wizardpage.h"

namespace tarvel::app {

class OutputPage : public WizardPage {
    Q_OBJECT
public:
    explicit OutputPage(AppContext& context, QWidget* parent = nullptr);

    // FillOutputPage: the selectors refilled with nothing chosen, enabled
    // where the roster uses grades and classes; LBSelected emptied.
    void prepare() override;

    // What the boxes ask for, as their controls stand.
    ReportRequest reportRequest() const;
    StatisticsRequest statisticsRequest() const;
    bool outputRunning() const { return job_->running(); }

signals:
    // A press of "输出" has ended and its file was shown (or its message told).
    void outputShown(const tarvel::OutputFile& file);

private:
    QWidget* buildReportBox();
    QWidget* buildStatisticsBox();
    void showGroupSummary();  // MNoReadName
    void addOne();            // BtnAddOne ">"
    void addAll();            // BtnAddAll ">>"
    void writeReport();       // BtnSC
    void writeStatistics();   // BtnTJ
    // A write over the run copy, into the output folder, at the press's time.
    using Write = std::function<OutputFile(const RunView& run, const std::string& folder, const std::tm& now,
                                           const ProgressFn& progress)>;
    void start(QDialog* busy, Write write);
    void finish(const OutputFile& file);

    RunView view() const;

    // GroupBox5
    QLabel* gradeLabel_;    // LblNJ5
    QComboBox* grade_;      // NJSC
    QLabel* classLabel_;    // LblBJ6
    QComboBox* class_;      // BJSC
    QListWidget* all_;      // LBAll
    QListWidget* chosen_;   // LBSelected
    QRadioButton* byAdmission_;  // RBSCSort1
    QRadioButton* byTotal_;      // RBSCSort2
    QCheckBox* absent_;          // CBQueKao
    QPlainTextEdit* summary_;    // MNoReadName
    QPushButton* report_;        // BtnSC
    // GroupBox6
    QLabel* statGradeLabel_;  // LblNJ6
    QComboBox* statGrade_;    // NJTJ
    QLabel* statClassLabel_;  // LblBJ7
    QComboBox* statClass_;    // BJTJ
    QCheckBox* average_;        // TJAverage
    QCheckBox* questionRates_;  // TJXiaoTiRate
    QCheckBox* sectionRates_;   // TJDaTiRate
    QCheckBox* wrongLists_;     // TJXiaoTiWrong
    QLineEdit* wrongRange_;     // TJWrongRange
    QCheckBox* rightLists_;     // TJXiaoTiRight
    QLineEdit* rightRange_;     // TJRightRange
    QPushButton* statistics_;   // BtnTJ

    FormProgress* progress_;
    FormTJProgress* busy_;
    QDialog* showing_ = nullptr;  // the one of them shown during the output
    OutputJob* job_;
    DesktopOpener opener_;
};

}  // namespace tarvel::app
