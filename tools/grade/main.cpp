// tarvel-grade: grades still pictures (camera frames, photos and scans of any
// size, each page of a PDF file) the way the grading station grades a card at
// each press of "阅卷", and keeps the run in a raw grading file. Its
// options and its output, one JSON object per picture and line, are a stable
// interface for other programs.
#include <QJsonArray>
#include <QJsonDocument>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "arguments.h"
#include "base/floattext.h"
#include "capture/gradingread.h"
#include "grading/scoring.h"
#include "gradingfile/gradingrun.h"
#include "output/voiceprompts.h"
#include "recognition/stillpicture.h"

namespace tarvel::grade {
namespace {

constexpr int kRefused = 1;  // exam refused, a picture not processed, the save failed
constexpr int kUsage = 2;    // command line or an input file

// Every message goes to stderr; questions too, answered OK/Yes with --yes and
// Cancel/No without.
class ConsolePrompter : public Prompter {
public:
    explicit ConsolePrompter(bool yes) : yes_(yes) {}
    void message(const std::string& text) override { std::cerr << text << '\n'; }
    void notice(const std::string& text) override { std::cerr << text << '\n'; }
    Answer askYesNo(const std::string& text) override { return ask(text, Answer::Yes, Answer::No); }
    Answer askYesNoCancel(const std::string& text) override { return ask(text, Answer::Yes, Answer::Cancel); }
    Answer askOkCancel(const std::string& text) override { return ask(text, Answer::Ok, Answer::Cancel); }

private:
    Answer ask(const std::string& text, Answer agree, Answer decline) {
        const Answer a = yes_ ? agree : decline;
        std::cerr << "[" << kQuestionTitle << "] " << text << " -> " << (yes_ ? "是" : "否") << '\n';
        return a;
    }
    bool yes_;
};

class Silence : public SoundPlayer {
public:
    void play(const std::string&) override {}
};

// A JSON string through the same encoder as everything JSON in the tools.
std::string quoted(const std::string& text) {
    QByteArray array = QJsonDocument(QJsonArray{QString::fromStdString(text)}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2).toStdString();
}

void printLine(const std::string& file, int code, const std::string& prompt, const std::string& hint,
               std::optional<int> record, std::optional<float> total) {
    std::cout << "{\"file\":" << quoted(file) << ",\"code\":" << code << ",\"prompt\":" << quoted(prompt)
              << ",\"hint\":" << quoted(hint) << ",\"record\":" << (record ? std::to_string(*record) : "null")
              << ",\"total\":" << (total ? floatToText(*total) : "null") << "}" << std::endl;
}

std::string baseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

bool readText(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return true;
}

// The grade and class selectors of the grading page set from the codes given.
bool chooseGroup(const Arguments& args, GradingRun& run, std::string& message) {
    const Roster& roster = run.students.roster;
    if (!args.gradeCode.empty()) {
        const auto& g = roster.grades;
        if (std::none_of(g.begin(), g.end(), [&](const GradeEntry& e) { return e.code == args.gradeCode; })) {
            message = "学生名单中没有年级编码：" + args.gradeCode;
            return false;
        }
        run.filter.gradeCode = args.gradeCode;
    }
    if (!args.classCode.empty()) {
        const auto items = classItems(roster);
        if (args.classCode != kAllClassesFilter &&
            std::find(items.begin(), items.end(), args.classCode) == items.end()) {
            message = "学生名单中没有班级编码：" + args.classCode;
            return false;
        }
        run.filter.classCode = args.classCode;
    }
    // The check of the grading button: nothing is read without the group.
    const GroupChoice choice = choiceFromFilter(roster, run.filter);
    if (roster.gradesEnabled && !choice.gradeChosen) message = kChooseGrade;
    else if (roster.classesEnabled && choice.classIndex < 0) message = kChooseClass;
    return message.empty();
}

int run(int argc, char** argv) {
    Arguments args;
    std::string message;
    if (!parseArguments(argc, argv, args, message)) {
        std::cerr << message << '\n' << kUsage;
        return kUsage;
    }
    ConsolePrompter prompter(args.yes);
    GradingRun run;
    if (!args.openPath.empty() && !openRawFile(run, args.openPath, prompter)) return kUsage;

    const std::string cardName = baseName(args.layoutPath);
    if (!readTemplateFile(args.layoutPath, cardName, run.layout.current, message)) {
        std::cerr << message << '\n';
        return kUsage;
    }
    run.layout.chosenCardName = cardName;
    const CardTemplate& layout = run.layout.current;

    if (!args.rosterPath.empty() && !readStudentFile(args.rosterPath, run.students.roster, message)) {
        std::cerr << message << '\n';
        return kUsage;
    }
    if (!args.examPath.empty()) {
        std::string json;
        ExamPage page;
        if (!readText(args.examPath, json)) {
            std::cerr << "无法读取考试描述：" << args.examPath << '\n';
            return kUsage;
        }
        if (!examPageFromJson(json, layout, cardName, page, message)) {
            std::cerr << message << '\n';
            return kRefused;
        }
        ExamPageCheck check = ValidateExamPage(page, layout, run.settings);
        if (!check.ok) {
            std::cerr << check.message << '\n';
            return kRefused;
        }
    }
    if (!chooseGroup(args, run, message)) {
        std::cerr << message << '\n';
        return kUsage;
    }
    // Preparing the grading page rescores what is stored.
    RecalculateScores(run.records, run.settings);
    run.runStarted = true;

    ImageSet images;
    images.create(3);
    GradingCardReader reader(run, prompter);
    std::optional<Judgement> judged;
    reader.onJudged = [&](const Judgement& j) { judged = j; };
    SteadyClock clock;
    Silence silence;
    Announcer announcer(silence, clock, [] { return nullptr; });
    std::string promptText, memo;
    int status = 0;
    for (const std::string& file : args.images) {
        PictureFile pictures;
        if (!pictures.open(file, message)) {
            std::cerr << message << '\n';
            printLine(file, -1, "", message, std::nullopt, std::nullopt);
            status = kRefused;
            continue;
        }
        for (int page = 0; page < pictures.count(); ++page) {
            const std::string name = pictures.name(page);
            StillPicture picture;
            judged.reset();
            std::optional<ReadResult> code;
            if (pictures.picture(page, picture, message)) {
                code = reader.readPicture(picture, images, promptText, memo);
                if (!code) message = unreadablePictureMessage(name);
            }
            if (!code) {
                std::cerr << message << '\n';
                printLine(name, -1, "", message, std::nullopt, std::nullopt);
                status = kRefused;
                continue;
            }
            announcer.AnnounceReading(*code, promptText, memo, {});
            const bool stored = *code == ReadResult::Ok && judged;
            printLine(name, codeOf(*code), promptText, memo,
                      stored ? std::optional<int>(judged->currentRecord) : std::nullopt,
                      stored ? std::optional<float>(run.records[size_t(judged->currentRecord)].total) : std::nullopt);
        }
    }

    message = writeRawFile(run, args.outPath);
    if (!message.empty()) {
        std::cerr << message << '\n';
        return kRefused;
    }
    return status;
}

}  // namespace
}  // namespace tarvel::grade

int main(int argc, char** argv) { return tarvel::grade::run(argc, argv); }
