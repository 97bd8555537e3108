#include "gradingfile/gradingrun.h"

#include <filesystem>

#include "base/paths.h"

namespace tarvel {
namespace {

// Commits the active page into the run; false (told) when it does not pass.
bool commitActivePage(GradingRun& run, const ActivePage& page, Prompter& prompter) {
    if (page.kind == ActivePage::Students && page.roster) {
        const RosterPage& rows = *page.roster;
        if (run.students.roster.students.empty() && rows.studentRows.empty()) {
            prompter.message(kNothingToSave);
            return false;
        }
        int length = lengthFromBox(rows.admissionLengthText, 2, 20, 9);
        if (!checkStudentGrid(rows.studentRows, length, prompter)) return false;
        RosterProblem problem = commitRosterFromPage(run.students.roster, rows);
        if (!problem.ok()) {
            prompter.message(problem.message);
            return false;
        }
    } else if (page.kind == ActivePage::Exam && page.exam) {
        ExamPageCheck check = ValidateExamPage(*page.exam, run.layout.current, run.settings);
        if (!check.ok) {
            prompter.message(check.message);
            return false;
        }
    }
    return true;
}

// The save-first question of new and open; false when the command must stop
// because the user's unsaved work could not be saved.
bool offerToSave(GradingRun& run, Prompter& prompter, SaveOps* ops) {
    if (!run.unsaved) return true;
    if (prompter.askYesNo(kSaveOldRunQuestion) != Answer::Yes) return true;
    return BtnSaveClick(run, ActivePage{}, prompter, ops);
}

}  // namespace

std::string writeRawFile(GradingRun& run, const std::string& path, SaveOps* ops) {
    std::vector<uint8_t>& bytes = run.spareBytes;
    std::string error =
        encodeRawFile(run.students.roster, run.settings, run.filter, run.records, run.fileBytes, bytes);
    if (!error.empty()) {
        run.unsaved = true;
        return "保存阅卷原始文件失败：" + error;
    }
    if (!saveFileAtomically(path, bytes, error, ops)) {
        run.unsaved = true;
        return error;
    }
    run.fileBytes.swap(bytes);
    run.unsaved = false;
    return {};
}

bool BtnSaveClick(GradingRun& run, const ActivePage& page, Prompter& prompter, SaveOps* ops) {
    if (!commitActivePage(run, page, prompter)) return false;
    std::string error = writeRawFile(run, rawFilePath(run.settings), ops);
    if (!error.empty()) {
        prompter.message(error);
        return false;
    }
    // The marker only enables the open command at the next start; the run
    // itself is saved, so a failure here is not worth a message.
    if (!savedMarkerExists()) {
        std::string ignored;
        saveFileAtomically(installedPath(installed::kSavedMarker), {0x01}, ignored);
    }
    return true;
}

bool openRawFile(GradingRun& run, const std::string& path, Prompter& prompter) {
    std::vector<uint8_t>& bytes = run.spareBytes;
    if (readWholeFile(path, bytes, kMaxRawFileSize) != FileRead::Ok ||
        !decodeRawFile(bytes.data(), bytes.size(),
                       RawFileTarget{run.students.roster, run.settings, run.filter, run.records})) {
        prompter.message(kOpenRawFileFailed);
        return false;
    }
    // No student file is current, and the roster is no longer the sample.
    run.students.currentPath.clear();
    run.students.sampleHint = false;
    run.layout.chosenCardName = run.settings.cardName;
    // A layout of the previous run must not stay under the new name.
    if (!run.layout.LoadCurrentTemplate(prompter)) run.layout.current = CardTemplate{};
    run.fileBytes.swap(bytes);
    run.next1Enabled = true;
    run.unsaved = false;
    run.runStarted = true;
    return true;
}

bool BtnOpenYJFile1Click(GradingRun& run, Prompter& prompter, FileDialogs& dialogs, SaveOps* ops) {
    if (!offerToSave(run, prompter, ops)) return false;
    auto path = dialogs.openFile(
        {"打开阅卷原始文件", kRawFileFilter, kRawFileExtension, installedPath(installed::kRawFiles)});
    if (!path) return false;
    return openRawFile(run, *path, prompter);
}

bool BtnNewYJClick(GradingRun& run, Prompter& prompter, CardChooser& chooser, SaveOps* ops) {
    if (!offerToSave(run, prompter, ops)) return false;
    run.unsaved = false;
    const std::string previousCard = run.layout.chosenCardName;

    loadLastRoster(run.students);
    run.settings.clear();
    run.layout.ClearTemplate();
    run.filter = GradingFilter{};
    run.records.clear();
    run.fileBytes.clear();

    std::string chosen = chooser.choose(previousCard, kNewRunCaption);
    run.layout.chosenCardName = chosen;
    // A layout that does not load has been reported; the wizard cannot go on
    // without one.
    run.next1Enabled = !chosen.empty() && run.layout.LoadCurrentTemplate(prompter);
    if (!run.next1Enabled) run.layout.ClearTemplate();
    run.runStarted = false;
    return true;
}

bool savedMarkerExists() {
    std::error_code ec;
    return std::filesystem::exists(installedPath(installed::kSavedMarker), ec);
}

}  // namespace tarvel
