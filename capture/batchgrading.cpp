#include "capture/batchgrading.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "base/floattext.h"
#include "capture/frameloop.h"
#include "grading/gradinggrid.h"
#include "output/voiceprompts.h"

namespace tarvel {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool hasPictureExtension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".jpg" || ext == ".jpeg" || ext == ".png" || ext == ".bmp" || ext == ".pdf";
}

bool startsAsPdf(const std::string& path) {
    char head[5] = {};
    std::ifstream in(path, std::ios::binary);
    return in.read(head, sizeof head) && std::memcmp(head, "%PDF-", 5) == 0;
}

std::string fileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// Name order of two texts: <0, 0 or >0.
int compareNames(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            size_t ei = i, ej = j;
            while (ei < a.size() && isDigit(a[ei])) ++ei;
            while (ej < b.size() && isDigit(b[ej])) ++ej;
            size_t zi = i, zj = j;  // leading zeros do not count
            while (zi + 1 < ei && a[zi] == '0') ++zi;
            while (zj + 1 < ej && b[zj] == '0') ++zj;
            if (ei - zi != ej - zj) return ei - zi < ej - zj ? -1 : 1;
            if (const int c = a.compare(zi, ei - zi, b, zj, ej - zj)) return c;
            i = ei, j = ej;
            continue;
        }
        if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
        ++i, ++j;
    }
    if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
    return a.compare(b);  // the same value written differently ("07" and "7"): still an order
}

}  // namespace

std::string outcomeLine(const BatchOutcome& o) {
    if (o.record == 0) return kStandardAnswerName;
    if (o.stored()) {
        std::string line = o.admissionNumber + " " + o.name + " " + floatToText(o.total) + "分";
        return o.assignedStudent >= 0 ? line + "（手动指定）" : line;
    }
    std::string first = o.hint.substr(0, o.hint.find_first_of("\r\n"));
    // Hints indent their paragraphs with ideographic spaces.
    static const std::string indent = "\u3000";
    while (first.compare(0, indent.size(), indent) == 0) first.erase(0, indent.size());
    return first.empty() ? o.prompt : first;
}

std::string batchSummary(const std::vector<BatchOutcome>& outcomes, size_t total) {
    size_t stored = 0, waiting = 0;
    for (const BatchOutcome& o : outcomes) {
        stored += o.stored();
        waiting += o.awaitsChoice();
    }
    std::string text = "共" + std::to_string(outcomes.size()) + "张图片：存入" + std::to_string(stored) + "张，未存入" +
                       std::to_string(outcomes.size() - stored - waiting) + "张";
    if (waiting > 0) text += "，待选择" + std::to_string(waiting) + "张";
    text += "。";
    if (outcomes.size() < total) text += "已停止，还有" + std::to_string(total - outcomes.size()) + "张未阅。";
    return text;
}

bool drawOutcomePicture(const BatchOutcome& o, Bitmap& frame, std::string& message) {
    PictureFile file;
    StillPicture picture;
    if (!file.open(o.path, message) || !file.picture(o.page, picture, message)) return false;
    const FrameView view = o.code ? o.view : wholePictureView(picture.width(), picture.height());
    const Bitmap* pixels = picture.pixels(std::min(1.0, 1 / view.factor));
    if (!pixels) {
        message = unreadablePictureMessage(o.picture);
        return false;
    }
    frame = Bitmap(kFrameWidth, kFrameHeight, 3);
    renderView(*pixels, picture.detail(), view, frame);
    return true;
}

bool comesBefore(const std::string& a, const std::string& b) {
    if (const int c = compareNames(fileName(a), fileName(b))) return c < 0;
    return compareNames(a, b) < 0;
}

std::vector<std::string> picturesInFolder(const std::string& folder) {
    std::vector<std::string> out;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file(error) && hasPictureExtension(entry.path())) out.push_back(entry.path().string());
    }
    std::sort(out.begin(), out.end(), comesBefore);
    return out;
}

void BatchGrading::Collector::reset(Answer a) {
    messages.clear();
    question.clear();
    answer = a;
}

Answer BatchGrading::Collector::askYesNo(const std::string& text) {
    question = text;
    return answer == Answer::Ok ? Answer::Yes : Answer::No;
}

Answer BatchGrading::Collector::askYesNoCancel(const std::string& text) {
    question = text;
    return answer == Answer::Ok ? Answer::Yes : Answer::Cancel;
}

Answer BatchGrading::Collector::askOkCancel(const std::string& text) {
    question = text;
    return answer;
}

std::string BatchGrading::cannotStart(const GradingRun& run) {
    const Roster& roster = run.students.roster;
    const GroupChoice choice = choiceFromFilter(roster, run.filter);
    if (roster.gradesEnabled && !choice.gradeChosen) return kChooseGrade;
    if (roster.classesEnabled && choice.classIndex < 0) return kChooseClass;
    return "";
}

BatchGrading::BatchGrading(GradingRun& run, std::vector<std::string> files) : run_(run), reader_(run, prompter_) {
    std::stable_sort(files.begin(), files.end(), comesBefore);
    for (const std::string& path : files) {
        PictureFile pdf;
        std::string ignored;
        if (startsAsPdf(path) && pdf.open(path, ignored)) {
            for (int page = 0; page < pdf.count(); ++page) items_.push_back({path, page, pdf.name(page)});
        } else {
            // A file that does not open is told when its turn comes.
            items_.push_back({path, 0, path});
        }
    }
    reader_.onJudged = [this](const Judgement& j) { judged_ = j; };
    images_.create(3);
}

const BatchOutcome& BatchGrading::gradeNext() {
    outcomes_.push_back(grade(items_[done()], Answer::Cancel, false));
    return outcomes_.back();
}

bool BatchGrading::run(const std::atomic<bool>& stop, const std::function<void(size_t, size_t)>& progress) {
    while (!finished()) {
        if (stop.load()) return false;
        gradeNext();
        if (progress) progress(done(), total());
    }
    return true;
}

bool BatchGrading::choose(size_t index, bool store) {
    if (index >= outcomes_.size() || !outcomes_[index].awaitsChoice()) return false;
    BatchOutcome& o = outcomes_[index];
    if (!store) {
        o.answered = true;
        return true;
    }
    const Answer answer = o.question == BatchQuestion::RepeatDiffers ? Answer::Ok : Answer::Cancel;
    const bool anyClass = o.anyClass || o.question == BatchQuestion::OtherClass;
    if (o.assignedStudent >= 0) {
        assign(o, o.assignedStudent, answer, anyClass);
    } else {
        o = grade({o.path, o.page, o.picture}, answer, anyClass);
    }
    return true;
}

bool BatchGrading::storeForStudent(size_t index, int student) {
    if (index >= outcomes_.size() || !outcomes_[index].unknownCard) return false;
    if (student < 0 || size_t(student) >= run_.students.roster.students.size()) return false;
    BatchOutcome& o = outcomes_[index];
    assign(o, student, Answer::Cancel, false);
    return o.stored();
}

void BatchGrading::assign(BatchOutcome& o, int student, Answer answer, bool anyClass) {
    const UnknownCard card = *o.unknownCard;
    judgeInto(o, answer, anyClass, [&](std::string& prompt, std::string& memo) -> std::optional<ReadResult> {
        return reader_.storeForStudent(card, student, prompt, memo) ? ReadResult::Ok : ReadResult::Refused;
    });
    o.assignedStudent = student;
    o.unknownCard = o.stored() ? std::nullopt : std::optional<UnknownCard>(card);
}

BatchOutcome BatchGrading::grade(const Item& item, Answer answer, bool anyClass) {
    BatchOutcome o;
    o.picture = item.name;
    o.path = item.path;
    o.page = item.page;
    if (filePath_ != item.path) {
        filePath_.clear();
        if (!file_.open(item.path, o.hint)) return o;
        filePath_ = item.path;
    }
    StillPicture picture;
    if (!file_.picture(item.page, picture, o.hint)) return o;
    judgeInto(o, answer, anyClass, [&](std::string& prompt, std::string& memo) {
        return reader_.readPicture(picture, images_, prompt, memo, &o.view);
    });
    if (!o.code) o.hint = unreadablePictureMessage(item.name);
    return o;
}

void BatchGrading::judgeInto(BatchOutcome& o, Answer answer, bool anyClass,
                             const std::function<std::optional<ReadResult>(std::string&, std::string&)>& judge) {
    prompter_.reset(answer);
    judged_.reset();
    const GradingFilter chosen = run_.filter;
    if (anyClass) run_.filter.classCode = kAllClassesFilter;
    std::string prompt, memo;
    o.code = judge(prompt, memo);
    run_.filter = chosen;
    o.anyClass = anyClass;
    o.record = -1;
    o.question = BatchQuestion::None;
    o.questionText.clear();
    o.answered = false;
    if (!o.code) return;
    setReadingTexts(*o.code, prompt, memo);
    o.prompt = prompt;
    o.hint = memo;
    o.messages = prompter_.messages;
    if (judged_) o.unknownCard = judged_->unknownCard;
    if (*o.code == ReadResult::Ok && judged_ && judged_->currentRecord >= 0) {
        const GradingRecord& r = run_.records[size_t(judged_->currentRecord)];
        o.record = judged_->currentRecord;
        o.admissionNumber = r.admissionNumber;
        o.name = r.name;
        o.total = r.total;
    } else if (*o.code == ReadResult::Refused && !prompter_.question.empty()) {
        o.question = BatchQuestion::RepeatDiffers;
        o.questionText = prompter_.question;
    } else if (*o.code == ReadResult::Refused && prompt == kOtherClassPrompt) {
        o.question = BatchQuestion::OtherClass;
        o.questionText = memo + "\r\n" + kOtherClassQuestion;
    }
}

}  // namespace tarvel
