#pragma once
// The grading run as the main window holds it, and the three commands that
// save it ("保存阅卷原始文件"), open one ("打开阅卷原始文件") and start a new
// one ("新阅卷"), with every question asked through a Prompter and every
// dialog through an interface, so the commands run without windows.
#include <string>
#include <vector>

#include "base/prompter.h"
#include "base/savefile.h"
#include "grading/examsettings.h"
#include "grading/gradinggrid.h"
#include "grading/gradingrecord.h"
#include "grading/kaoshi.h"
#include "gradingfile/rawfile.h"
#include "recognition/cardtemplate.h"
#include "roster/rostermodel.h"
#include "roster/studentfile.h"

namespace tarvel {

inline constexpr const char* kSaveOldRunQuestion = "是否要保存原来阅卷原始文件?";
inline constexpr const char* kNothingToSave = "请先输入学生数据或打开学生信息文件！";
inline constexpr const char* kNewRunCaption = "新阅卷——请先选择本次阅卷要使用的答题卡";
inline constexpr const char* kSaveRawFileAsTitle = "另存阅卷原始文件";

// The one state of a grading run, owned by the main window: every command
// and the card read work on it; the windows show it.
struct GradingRun {
    StudentFileState students;  // the roster and its student file
    ExamSettings settings;
    TemplateStore layout;       // chosenCardName and the loaded layout
    GradingFilter filter;
    GradingRecords records;
    std::string lastAdmissionNumber;  // of the last card whose judgement completed
    bool unsaved = false;       // changes not in a file: BtnSave is enabled
    bool next1Enabled = false;  // BtnNext1
    bool runStarted = false;
    // The run's own raw file: the one it was opened from or last saved to,
    // and the name exam and subject gave it then. While they give that name,
    // a save goes there without a question.
    std::string filePath;
    std::string fileNamedFor;
    bool toldSubstitution = false;  // the notice about texts saved with "?" was shown
    // The bytes of the raw file the run was opened from or last saved to,
    // while they may differ from the run's clean encoding (unchanged blocks
    // are saved back with exactly these bytes); empty once a save wrote
    // nothing but the clean encoding.
    std::vector<uint8_t> fileBytes;
    // Storage for the next file read (or kept image), swapped with fileBytes
    // once it succeeded: a 13 MB run is not allocated afresh each time.
    std::vector<uint8_t> spareBytes;
};

// The wizard page that is active when saving: the students and the exam
// page are committed first, from what they show.
struct ActivePage {
    enum Kind { Other, Students, Exam } kind = Other;
    const RosterPage* roster = nullptr;  // for Students
    const ExamPage* exam = nullptr;      // for Exam
};

// The card chooser, shown modally; returns the chosen layout's file name or
// "" when none was chosen.
class CardChooser {
public:
    virtual ~CardChooser() = default;
    virtual std::string choose(const std::string& current, const std::string& caption) = 0;
};

// The question before a save replaces a raw grading file of the same name
// that is not the run's own (another class's, or another exam whose name
// maps to the same file name).
std::string overwriteRawFileQuestion(const std::string& fileName);

// "保存阅卷原始文件". The run goes to its own file, else to "阅卷原始文件/" +
// exam name + subject name + ".yj"; when a file of that name exists and is
// not the run's own, the user is asked first, and No lets the user name
// another file. True when the file was written. A text saved with "?" is told
// once per run. On any failure (or no file chosen) the message is told, the
// old file stays byte for byte and `unsaved` is left true.
bool BtnSaveClick(GradingRun& run, const ActivePage& page, Prompter& prompter, FileDialogs& dialogs,
                  SaveOps* ops = nullptr);

// The write of a save without the page checks, the questions and the marker:
// the run goes atomically to `path`; on success the path becomes the run's
// own file, `fileBytes` follow the file (emptied when it is the run's clean
// encoding) and `unsaved` is cleared. Returns "" or the message for the user
// (the run then stays unsaved and the old file as it was). `substituted` receives the first text saved with "?".
std::string writeRawFile(GradingRun& run, const std::string& path, SaveOps* ops = nullptr,
                         std::string* substituted = nullptr);

// The open without the save-first question and the dialog: reads `path`
// and, only when it is a whole raw grading file, makes it the run (the layout
// it names is loaded; a layout that does not load is told and cleared).
// Otherwise tells "打开阅卷原始文件失败！" and changes nothing.
bool openRawFile(GradingRun& run, const std::string& path, Prompter& prompter);

// After "新建/打开/保存/另存学生信息文件" and edits of the exam page: the save
// button follows the run-started flag, so a started run counts as unsaved.
inline void refreshSaveButton(GradingRun& run) { run.unsaved = run.runStarted; }

// "打开阅卷原始文件". Offers to save unsaved work first (a save that fails
// ends the command, so nothing unsaved is replaced). A file that cannot be
// read or is not a whole raw grading file is refused with
// "打开阅卷原始文件失败！" before anything changes. True when a run was opened.
bool BtnOpenYJFile1Click(GradingRun& run, Prompter& prompter, FileDialogs& dialogs, SaveOps* ops = nullptr);

// "新阅卷". Offers to save unsaved work first (as above), resets the run,
// loads the last student file and lets the user choose the card layout.
// Returns false when the command stopped before resetting.
bool BtnNewYJClick(GradingRun& run, Prompter& prompter, CardChooser& chooser, FileDialogs& dialogs,
                   SaveOps* ops = nullptr);

// Whether "biaoji.bj" exists (enables "打开阅卷原始文件" at start-up).
bool savedMarkerExists();
// Writes "biaoji.bj" after a raw file was saved, unless it exists.
void markRunSaved();

// The save-first question of the commands that replace the run: unsaved
// work may be saved first. False when the command must stop because that
// save failed (or no file was chosen for it).
bool offerToSaveRun(GradingRun& run, Prompter& prompter, FileDialogs& dialogs, SaveOps* ops = nullptr);

}  // namespace tarvel
