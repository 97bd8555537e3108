#pragma once
// "合并阅卷原始文件…" in the window: the command (gradingfile/mergecommand.h)
// with the program's prompter and dialogs, then what the merge found. A merge
// without conflicts is told in a message; conflicts are listed in the window
// "MergeReport", one line each, which stays open beside the merged run.
#include <QDialog>

#include "context.h"
#include "gradingfile/mergecommand.h"

namespace tarvel::app {

class MergeReport : public QDialog {
    Q_OBJECT
public:
    MergeReport(const MergeCommandOutcome& outcome, QWidget* parent);
};

// Runs the command; true when the merged run was opened as the run.
bool mergeRawFilesWindow(GradingRun& run, Services& services, QWidget* parent);

}  // namespace tarvel::app
