// tarvel-demo: the demo cards of the grading station, drawn at build time.
//   tarvel-demo --layout L.layout --exam exam.json --answers answers.txt --roster 测试.tsv
//               --sequence DIR --grade DIR [--still 30] [--slide 5]
// --sequence: the virtual camera's frames (演示答题卡/): the standard answer,
// then every student of grade 20241 class 01 sliding in, lying still and
// sliding out, with two cards the reader must refuse (one cut off at the edge,
// one upside down) among them. --grade: still pictures for batch grading.
// Both folders get cards.tsv, the list of what each card holds.
#include <QImage>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <thread>

#include "camera.h"
#include "cardfill.h"
#include "demofiles.h"
#include "layoutfile.h"

using namespace tarvel;
using namespace tarvel::cards;
namespace fs = std::filesystem;

namespace {

constexpr const char* kGrade = "20241";
constexpr const char* kClass = "01";
constexpr const char* kNotOnRoster = "202410199";

int fail(const std::string& message) {
    std::fprintf(stderr, "tarvel-demo: %s\n", message.c_str());
    return 1;
}

CardContent contentOf(const CardTemplate& t, const demo::DemoCard& card, const std::string& subject) {
    CardContent c;
    c.abFlag = card.abFlag;
    c.admission = card.admission.empty() ? std::string(size_t(t.admissionDigits), ' ') : card.admission;
    c.subject = subject;
    c.score = std::string(size_t(t.scoreDigits), ' ');
    c.answers = card.answers;
    return c;
}

// A new noise pattern over a still frame, as a webcam gives it frame by frame:
// strong enough that the binarized frames differ a little (a motion measure of
// 1 or 2), since a picture that does not change at all is never read.
QImage withSensorNoise(const QImage& frame, Rng& rng, double sigma) {
    QImage out = frame.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const int d = int(std::lround(rng.normal() * sigma));
            auto ch = [d](int v) { return std::clamp(v + d, 0, 255); };
            row[x] = qRgb(ch(qRed(row[x])), ch(qGreen(row[x])), ch(qBlue(row[x])));
        }
    }
    return out;
}

bool save(const QImage& image, const fs::path& path) { return image.save(QString::fromStdString(path.string()), "JPEG", 85); }

void clearPictures(const fs::path& dir) {
    fs::create_directories(dir);
    for (const auto& e : fs::directory_iterator(dir)) {
        if (e.path().extension() == ".jpg") fs::remove(e.path());
    }
}

// Runs job(i) for i in 0..count-1 on both processors.
template <typename Job>
bool parallel(int count, Job job) {
    std::atomic<int> next{0};
    std::atomic<bool> ok{true};
    auto worker = [&] {
        for (int i = next++; i < count; i = next++) {
            if (!job(i)) ok = false;
        }
    };
    std::thread other(worker);
    worker();
    other.join();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> opt;
    for (int i = 1; i + 1 < argc; i += 2) opt[std::string(argv[i]).substr(2)] = argv[i + 1];
    for (const char* needed : {"layout", "exam", "answers", "roster", "sequence", "grade"}) {
        if (!opt.count(needed)) return fail(std::string("缺少 --") + needed);
    }
    const int still = std::stoi(opt.count("still") ? opt["still"] : "30");
    const int slide = std::stoi(opt.count("slide") ? opt["slide"] : "5");
    ensureGui();

    CardDesign design;
    std::string problem = loadDesign(opt["layout"], design);
    ExamSettings exam;
    if (problem.empty()) problem = demo::loadExam(opt["exam"], design.layout, design.datName(), exam);
    std::vector<std::string> key;
    if (problem.empty()) problem = demo::loadAnswerKey(opt["answers"], key);
    std::vector<demo::Student> students;
    if (problem.empty()) problem = demo::loadClass(opt["roster"], kGrade, kClass, students);
    if (problem.empty() && int(key.size()) != exam.questionCount) problem = "标准答案的题数与考试设置不符";
    if (!problem.empty()) return fail(problem);
    const CardTemplate& t = design.layout;

    // The cards: standard answer, the class in roster order with mistakes and
    // every third on paper B.
    std::vector<demo::DemoCard> cards{{"standard", "", "", "", 0, key}};
    for (size_t i = 0; i < students.size(); ++i) {
        const int index = int(i);
        cards.push_back({"student", "", students[i].admission, students[i].name, index % 3 == 2 ? 1 : 0,
                         demo::answersWithMistakes(key, index)});
    }

    // Virtual camera: the refused cards after the 10th and the 20th student.
    std::vector<demo::DemoCard> sequence = cards;
    demo::DemoCard cutoff = cards[std::min<size_t>(5, cards.size() - 1)];
    cutoff.kind = "cutoff";
    demo::DemoCard turned = cards[std::min<size_t>(6, cards.size() - 1)];
    turned.kind = "turned";
    sequence.insert(sequence.begin() + std::min<long>(11, long(sequence.size())), cutoff);
    sequence.insert(sequence.begin() + std::min<long>(22, long(sequence.size())), turned);

    const fs::path seqDir = opt["sequence"];
    clearPictures(seqDir);
    const int perCard = 2 + 2 * slide + still;  // an empty frame before and after each card
    std::vector<StreamCard> streams(sequence.size());
    Rng rng(2024);
    for (size_t i = 0; i < sequence.size(); ++i) {
        StreamCard& s = streams[i];
        s.layout = t;
        s.view.rotation = rng.uniform(-3, 3);
        s.view.shiftY = rng.uniform(-10, 10);
        if (sequence[i].kind == "cutoff") s.view.shiftX = 200;  // the right edge leaves the picture
        s.view.turned = sequence[i].kind == "turned";
        s.stillFrames = 1;  // photographed once; the still frames differ only by sensor noise
        s.sheet = renderFilledSheet(design, sheetResolutionFor(t, s.view), contentOf(t, sequence[i], exam.subjectCode),
                                    MarkStyle{}, 100 + i, &s.at);
        char name[16];
        std::snprintf(name, sizeof name, "%05d.jpg", int(i) * perCard + 1 + slide);
        sequence[i].file = name;
    }
    bool ok = parallel(int(sequence.size()), [&](int i) {
        int n = i * perCard;
        bool fine = true;
        Rng noise(7000 + uint64_t(i));
        frameStream({streams[size_t(i)]}, slide, 1, 500 + uint64_t(i), [&](const StreamFrame& f) {
            const int copies = f.phase == StreamPhase::Still ? still : 1;
            for (int k = 0; k < copies; ++k) {
                char name[16];
                std::snprintf(name, sizeof name, "%05d.jpg", n++);
                const QImage image = f.phase == StreamPhase::Still ? withSensorNoise(f.image, noise, 4.0) : f.image;
                fine = save(image, seqDir / name) && fine;
            }
        });
        return fine;
    });
    problem = demo::writeCards((seqDir / "cards.tsv").string(), sequence);
    if (!ok || !problem.empty()) return fail(problem.empty() ? "无法写入 " + seqDir.string() : problem);

    // Batch pictures: the standard answer, the class, a repeated read of one
    // student and a student who is not on the roster.
    std::vector<demo::DemoCard> stills = cards;
    demo::DemoCard repeat = cards[std::min<size_t>(3, cards.size() - 1)];
    repeat.kind = "repeat";
    stills.push_back(repeat);
    demo::DemoCard unknown = cards.back();
    unknown.kind = "unknown";
    unknown.admission = kNotOnRoster;
    unknown.name.clear();
    stills.push_back(unknown);
    const fs::path gradeDir = opt["grade"];
    clearPictures(gradeDir);
    std::vector<CameraView> views(stills.size());
    std::vector<QImage> sheets(stills.size());
    std::vector<CardPlacement> at(stills.size());
    for (size_t i = 0; i < stills.size(); ++i) {
        demo::DemoCard& c = stills[i];
        char name[48];
        std::snprintf(name, sizeof name, "%02d-%s.jpg", int(i) + 1,
                      c.kind == "standard" ? "standard" : (c.kind == "student" ? "" : c.kind + "-").append(c.admission).c_str());
        c.file = name;
        views[i].rotation = rng.uniform(-4, 4);
        views[i].shiftX = rng.uniform(-20, 20);
        views[i].shiftY = rng.uniform(-12, 12);
        views[i].boxShare = rng.uniform(0.76, 0.84);
        sheets[i] = renderFilledSheet(design, sheetResolutionFor(t, views[i]), contentOf(t, c, exam.subjectCode),
                                      MarkStyle{}, 300 + i, &at[i]);
    }
    ok = parallel(int(stills.size()), [&](int i) {
        const size_t k = size_t(i);
        return save(photograph(sheets[k], at[k], t, views[k], CameraLook{}, 900 + k), gradeDir / stills[k].file);
    });
    problem = demo::writeCards((gradeDir / "cards.tsv").string(), stills);
    if (!ok || !problem.empty()) return fail(problem.empty() ? "无法写入 " + gradeDir.string() : problem);
    std::printf("%zu frames of %zu cards in %s, %zu pictures in %s\n", sequence.size() * size_t(perCard),
                sequence.size(), seqDir.string().c_str(), stills.size(), gradeDir.string().c_str());
    return 0;
}
