#include "gradingfile/gradingrun.h"

#include <filesystem>
#include <optional>

#include "base/paths.h"
#include "roster/recordtext.h"

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

// Where a save goes; nullopt when the user chose no file.
std::optional<std::string> saveTarget(const GradingRun& run, Prompter& prompter, FileDialogs& dialogs) {
    const std::string named = rawFilePath(run.settings);
    if (!run.filePath.empty() && sameFile(run.fileNamedFor, named)) return run.filePath;
    std::error_code ec;
    if (!std::filesystem::exists(named, ec) || sameFile(named, run.filePath)) return named;
    // Another class of the same exam, or names that map to the same file
    // name: replacing that file would lose its grading run.
    if (prompter.askYesNo(overwriteRawFileQuestion(rawFileName(run.settings))) == Answer::Yes) return named;
    return dialogs.saveFile(
        {kSaveRawFileAsTitle, kRawFileFilter, kRawFileExtension, installedPath(installed::kRawFiles)});
}

}  // namespace

bool offerToSaveRun(GradingRun& run, Prompter& prompter, FileDialogs& dialogs, SaveOps* ops) {
    if (!run.unsaved) return true;
    if (prompter.askYesNo(kSaveOldRunQuestion) != Answer::Yes) return true;
    return BtnSaveClick(run, ActivePage{}, prompter, dialogs, ops);
}

void markRunSaved() {
    // The marker only enables the open command at the next start; the run
    // itself is saved, so a failure here is not worth a message.
    if (savedMarkerExists()) return;
    std::string ignored;
    saveFileAtomically(installedPath(installed::kSavedMarker), {0x01}, ignored);
}

std::string overwriteRawFileQuestion(const std::string& fileName) {
    return "阅卷原始文件“" + fileName +
           "”已经存在，但它不是本次阅卷打开或保存过的文件，可能是其他班级或其他考试的阅卷结果。"
           "是否覆盖这个文件？（覆盖后原来的内容无法恢复；选“否”可以另取一个文件名保存。）";
}

std::string writeRawFile(GradingRun& run, const std::string& path, SaveOps* ops, std::string* substituted) {
    // Encoded piece by piece straight into the temporary file.
    AtomicFile file(path, ops);
    bool keptOld = false;
    std::string error = encodeRawFile(
        run.students.roster, run.settings, run.filter, run.records, run.fileBytes,
        [&](const uint8_t* piece, size_t size) { return file.write(piece, size); }, substituted, &keptOld);
    if (!error.empty()) {
        run.unsaved = true;
        return "保存阅卷原始文件失败：" + error;
    }
    if (!file.commit(error)) {
        run.unsaved = true;
        return error;
    }
    if (keptOld) {
        // Bytes of a file from another installation were kept; the next save
        // must find them again, so the image of what was written is kept.
        encodeRawFile(run.students.roster, run.settings, run.filter, run.records, run.fileBytes, run.spareBytes);
        run.fileBytes.swap(run.spareBytes);
    } else {
        run.fileBytes.clear();  // the file is the run's clean encoding: nothing to keep
    }
    run.filePath = path;
    run.fileNamedFor = rawFilePath(run.settings);
    run.unsaved = false;
    return {};
}

bool BtnSaveClick(GradingRun& run, const ActivePage& page, Prompter& prompter, FileDialogs& dialogs,
                  SaveOps* ops) {
    if (!commitActivePage(run, page, prompter)) return false;
    const std::optional<std::string> path = saveTarget(run, prompter, dialogs);
    if (!path) return false;
    std::string substituted;
    std::string error = writeRawFile(run, *path, ops, &substituted);
    if (!error.empty()) {
        prompter.message(error);
        return false;
    }
    if (!substituted.empty() && !run.toldSubstitution) {
        prompter.notice(substitutionNotice(substituted));
        run.toldSubstitution = true;
    }
    markRunSaved();
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
    run.filePath = path;
    run.fileNamedFor = rawFilePath(run.settings);
    run.toldSubstitution = false;
    run.next1Enabled = true;
    run.unsaved = false;
    run.runStarted = true;
    return true;
}

bool BtnOpenYJFile1Click(GradingRun& run, Prompter& prompter, FileDialogs& dialogs, SaveOps* ops) {
    if (!offerToSaveRun(run, prompter, dialogs, ops)) return false;
    auto path = dialogs.openFile(
        {"打开阅卷原始文件", kRawFileFilter, kRawFileExtension, installedPath(installed::kRawFiles)});
    if (!path) return false;
    return openRawFile(run, *path, prompter);
}

bool BtnNewYJClick(GradingRun& run, Prompter& prompter, CardChooser& chooser, FileDialogs& dialogs,
                   SaveOps* ops) {
    if (!offerToSaveRun(run, prompter, dialogs, ops)) return false;
    run.unsaved = false;
    const std::string previousCard = run.layout.chosenCardName;

    loadLastRoster(run.students);
    run.settings.clear();
    run.layout.ClearTemplate();
    run.filter = GradingFilter{};
    run.records.clear();
    run.fileBytes.clear();
    run.filePath.clear();
    run.fileNamedFor.clear();
    run.toldSubstitution = false;

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
