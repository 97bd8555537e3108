#pragma once
// What the window tests share: a throw-away program folder, the services
// answered by script (questions, file dialogs, the card chooser, the camera
// list window, the desktop), virtual cameras that deliver frames only when
// told, and a main window built over all of it.
#include <signal.h>
#include <sys/resource.h>

#include <QApplication>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <deque>
#include <functional>
#include <memory>

#include "base/savefile.h"
#include "capture/virtualcamera.h"
#include "context.h"
#include "mainwindow.h"
#include "tests/samplecard/samplecard.h"
#include "tests/programfolder.h"

namespace tarvel::app::test {

using tarvel::testing::ProgramFolder;
using tarvel::testing::ScriptedDialogs;

struct ScriptedCards : CardChooser {
    std::deque<std::string> answers;  // "" when empty: closed without choosing
    std::vector<std::pair<std::string, std::string>> shown;  // current name, caption
    std::string choose(const std::string& current, const std::string& caption) override {
        shown.emplace_back(current, caption);
        if (answers.empty()) return "";
        std::string a = answers.front();
        answers.pop_front();
        return a;
    }
};

struct RecordingDesktop : Desktop {
    std::vector<std::string> opened;
    std::vector<std::string> edited;  // given to the text editor
    bool works = true;
    bool editorWorks = true;
    bool open(const std::string& path) override {
        opened.push_back(path);
        return works;
    }
    bool openInTextEditor(const std::string& path) override {
        edited.push_back(path);
        return editorWorks;
    }
};

// Plays nothing; remembers the wave files (names without folder) and tells
// `onPlay`, when set, what the window shows at that moment.
struct RecordingSounds : SoundPlayer {
    std::vector<std::string> played;
    std::function<void(const std::string&)> onPlay;
    void play(const std::string& path) override {
        played.push_back(path.substr(path.rfind('/') + 1));
        if (onPlay) onPlay(played.back());
    }
};

// A picture of a card-like scene: white, a black block at `blockX`.
inline std::shared_ptr<Bitmap> scene(int blockX, uint8_t gray = 200) {
    auto picture = std::make_shared<Bitmap>(kFrameWidth, kFrameHeight, 3);
    picture->fill(gray, gray, gray);
    for (int y = 100; y < 200; ++y)
        for (int x = blockX; x < blockX + 100; ++x) picture->setPixel(x, y, 0, 0, 0);
    return picture;
}

// The program's outside world for one test.
class Rig {
public:
    explicit Rig(const std::string& name) : folder(name) {
        writeLayout("DY测试卡.dat");
        writeLayout("JD测试卡.dat");
    }

    void writeLayout(const std::string& file) {
        const auto bytes = encodeTemplate(sample::sampleLayout());
        std::string error;
        saveFileAtomically(folder.path(std::string("模板文件/") + file), std::vector<uint8_t>(bytes.begin(), bytes.end()),
                           error);
    }

    // Cameras the connect button finds: `names.size()` virtual cameras that
    // deliver a frame when deliver() is called.
    std::vector<std::string> cameraNames;
    std::vector<VirtualCamera*> cameras;
    FrameFormat format = FrameFormat::Yuy2;
    std::deque<std::optional<int>> cameraChoices;      // the list window's answers
    std::vector<std::vector<std::string>> cameraLists;  // what it was shown
    // What the cameras play instead of the block scenes, when set.
    std::function<std::unique_ptr<FrameSequence>()> frames;
    // The voice "语音提示" makes; none when unset.
    std::function<std::unique_ptr<Speaker>()> voice;

    void deliver() {
        for (VirtualCamera* c : cameras) c->deliverNext();
    }

    ProgramFolder folder;
    ScriptedPrompter prompter;
    ScriptedDialogs files;
    ScriptedCards cards;
    RecordingDesktop desktop;
    ManualClock clock;
    RecordingSounds sounds;
    Services services{prompter,
                      files,
                      cards,
                      [this](const std::vector<std::string>& names, int) {
                          cameraLists.push_back(names);
                          std::optional<int> answer;
                          if (!cameraChoices.empty()) {
                              answer = cameraChoices.front();
                              cameraChoices.pop_front();
                          }
                          return answer;
                      },
                      [this] {
                          CameraList list;
                          cameras.clear();
                          for (const std::string& name : cameraNames) {
                              std::unique_ptr<FrameSequence> pictures;
                              if (frames) {
                                  pictures = frames();
                              } else {
                                  auto still = std::make_unique<PictureList>();
                                  still->add(scene(100 + 50 * int(cameras.size())));
                                  pictures = std::move(still);
                              }
                              auto camera = std::make_unique<VirtualCamera>(name, std::move(pictures), format, 0);
                              cameras.push_back(camera.get());
                              list.push_back(std::move(camera));
                          }
                          return list;
                      },
                      desktop,
                      clock,
                      sounds,
                      [this] { return voice ? voice() : std::unique_ptr<Speaker>(); }};
};

// A roster of one student and a valid exam over the chosen layout, so that
// the Next checks of the students and exam pages let a test through to the
// pages after them.
inline void readyForGrading(GradingRun& run) {
    if (run.students.roster.students.empty()) run.students.roster.students.push_back({"202410101", "张三", "", ""});
    tarvel::ExamPage exam;
    exam.cardName = run.layout.chosenCardName;
    exam.examName = "期中";
    exam.subjectIndex = 0;
    exam.subjectiveIndex = 0;
    exam.sections = {{"1", "10", "1", kSingleChoiceText}};
    ValidateExamPage(exam, run.layout.current, run.settings);
}

// Pictures of the window for a person to look at, when TARVEL_TEST_SHOTS
// names a folder (run under xvfb-run with QT_QPA_PLATFORM=xcb).
inline void shot(QWidget& window, const char* name) {
    const QString folder = qEnvironmentVariable("TARVEL_TEST_SHOTS");
    if (folder.isEmpty()) return;
    QTest::qWait(100);
    // 256 colours, as the README's pictures are kept.
    window.grab().toImage().convertToFormat(QImage::Format_Indexed8, Qt::ColorOnly | Qt::OrderedDither)
        .save(folder + "/" + name, "PNG", 0);
}

// While it lives, files larger than `bytes` cannot be written (a disk that
// takes only small files); root is held to it too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldSignal_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, oldSignal_);
    }

private:
    rlimit old_{};
    sighandler_t oldSignal_;
};

// A main window over a rig, shown offscreen.
struct WindowRig : Rig {
    explicit WindowRig(const std::string& name) : Rig(name), window(services) {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Shortcuts (F1, Ctrl+S) reach the active window only.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    template <class T = QPushButton>
    T* find(const char* name) {
        T* found = window.findChild<T*>(name);
        if (!found) qFatal("no control %s", name);
        return found;
    }
    void click(const char* name) { QTest::mouseClick(find(name), Qt::LeftButton); }
    // Page 5 entered as "下一步 >" on page 4 enters it, with the run as the
    // test has set it (whatever pages 3 and 4 would check).
    void enterGradingPage() {
        find<QTabWidget>("PageControl1")->setCurrentIndex(4);
        window.capture().setPage(FrameLoop::Page::Grading);
        window.page(5)->prepare();
        QCoreApplication::processEvents();
    }
    MainWindow window;
};

}  // namespace tarvel::app::test
