// Soak run of the program window (a timing program, not a test): the guided
// demo's run led through pages 1-4 to the grading page (demo layout, the
// sample roster's 2024级 01, the demo exam), automatic grading on, then N
// frames of the demo sequence, looping: each frame delivered, the clock
// moved by a tick and the tick run at once (an accelerated clock), the
// window painting as the event loop goes. Meanwhile another thread posts an
// event every 20 ms and the window's thread measures how long each waited.
// Prints the resident memory (/proc/self/statm) after the first pass and at
// the end, the reads, and the longest wait of a posted event. Exit status 1
// when memory grew by 1 MB or more, a pass did not read every card once, a
// message box appeared, or an event waited more than 100 ms.
//   build/bench/tarvel_window_soak [frames]
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "base/affinity.h"
#include "base/paths.h"
#include "bench/app/windowtiming.h"
#include "capture/virtualcamera.h"
#include "demo/demotour.h"
#include "demofiles.h"

using namespace tarvel;
using namespace tarvel::app;
using namespace tarvel::timing;

namespace {

// The student file dialog gives the sample roster; no other dialog is expected.
struct SampleRosterDialog : FileDialogs {
    std::optional<std::string> openFile(const FileDialogRequest&) override {
        return installedPath(std::string(installed::kStudentFiles) + installed::kSampleRoster);
    }
    std::optional<std::string> saveFile(const FileDialogRequest&) override { return std::nullopt; }
};

struct CountedSounds : SoundPlayer {
    long played = 0;
    void play(const std::string&) override { ++played; }
};

// An event that knows when it was posted.
struct Stamped : QEvent {
    static QEvent::Type type() {
        static const auto t = QEvent::Type(QEvent::registerEventType());
        return t;
    }
    explicit Stamped(qint64 at) : QEvent(type()), postedAt(at) {}
    qint64 postedAt;
};

struct Probe : QObject {
    QElapsedTimer clock;
    double longestMs = 0;
    long handled = 0;
    Probe() { clock.start(); }
    void post() { QCoreApplication::postEvent(this, new Stamped(clock.nsecsElapsed())); }
    bool event(QEvent* e) override {
        if (e->type() != Stamped::type()) return QObject::event(e);
        longestMs = std::max(longestMs, (clock.nsecsElapsed() - static_cast<Stamped*>(e)->postedAt) / 1e6);
        ++handled;
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (!getenv("DISPLAY") && !getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const long frames = argc > 1 ? std::atol(argv[1]) : 100000;
    QApplication app(argc, argv);
    bindToFirstProcessor();  // as the program runs its user-interface thread
    setProgramFolder(TARVEL_PROGRAM_DIR);
    const std::string sequence = installedPath(installed::kDemoCards);
    std::vector<demo::DemoCard> cards;
    if (const std::string problem = demo::readCards(sequence + "cards.tsv", cards); !problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }

    ScriptedPrompter prompter;
    prompter.answerNext(Answer::No);  // the sample roster's file stays as it is
    SampleRosterDialog files;
    DemoLayoutChooser layouts;
    QtDesktop desktop;
    ManualClock clock;
    CountedSounds sounds;
    Services services{prompter,
                      files,
                      layouts,
                      firstCamera,
                      [&] {
                          CameraList cameras;
                          cameras.push_back(std::make_unique<VirtualCamera>(
                              kVirtualCameraName, std::make_unique<PictureFolder>(sequence), FrameFormat::Yuy2, 0));
                          return cameras;
                      },
                      desktop,
                      clock,
                      sounds,
                      noVoice};
    FastPace pace(clock);
    DemoTour tour(services, pace);
    tour.noteMs = 0;
    if (const std::string problem = tour.startRun(); !problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }
    MainWindow& window = *tour.window();
    window.findChild<QPushButton*>("BtnAutoAnswerCard")->click();
    auto* camera = dynamic_cast<VirtualCamera*>(window.capture().connection().camera());
    const size_t boxesBefore = prompter.shown().size();
    const long pass = long(tour.sequenceFrames());
    sounds.played = 0;

    long frame = 0, warm = 0, highest = 0;
    Probe probe;
    std::atomic<bool> probing{true};
    std::thread poster([&] {
        while (probing) {
            probe.post();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    QTimer driver;  // a frame whenever the event loop is free
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (frame == frames) {
            driver.stop();
            QCoreApplication::exit(0);  // not quit(): that would close the window with its questions
            return;
        }
        camera->deliverNext();
        clock.advance(kTickMs);
        window.capture().loop().Timer1Timer();
        if (++frame % pass == 0) {
            const long now = residentKb();
            if (frame == pass) warm = now;
            highest = std::max(highest, now);
        }
    });
    QElapsedTimer wall;
    wall.start();
    driver.start(0);
    app.exec();
    probing = false;
    poster.join();
    const long end = residentKb();

    const long full = frames / pass * long(cards.size());
    const bool readsRight = sounds.played >= full && sounds.played <= full + long(cards.size());
    const long boxes = long(prompter.shown().size() - boxesBefore);
    std::printf("window soak: %ld frames (%ld passes of %ld) in %.1f s; %ld reads announced (%ld expected); "
                "%zu records; resident %ld kB after the first pass, highest %ld kB, %ld kB at the end; "
                "posted events: %ld, longest wait %.1f ms; message boxes: %ld\n",
                frames, frames / pass, pass, wall.elapsed() / 1000.0, sounds.played, full,
                window.run().records.size(), warm, highest, end, probe.handled, probe.longestMs, boxes);
    const bool flat = warm == 0 || std::max(highest, end) - warm < 1024;
    return readsRight && flat && boxes == 0 && probe.longestMs <= 100 ? 0 : 1;
}
