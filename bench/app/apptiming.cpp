// Timing program of the program window (not a test): start-up to the first
// painted window, resident memory with the demo camera running, the cost of
// one tick on the camera page (convert + draw + paint) for YUY2 and MJPG,
// and the user-interface thread's share of a processor at 10 frames per
// second. Runs offscreen unless a display is set.
//   build/bench/tarvel_app_timing [build/tarvel/tarvel]
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "base/paths.h"
#include "bench/app/windowtiming.h"
#include "capture/virtualcamera.h"
#include "mainwindow.h"
#include "pages/camerapage.h"

using namespace tarvel;
using namespace tarvel::app;
using namespace tarvel::timing;

namespace {

// Milliseconds from fork to the child's "painted" line.
double startToFirstPaint(const std::string& program) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeFds[1], 1);
        close(pipeFds[0]);
        execl(program.c_str(), program.c_str(), "--quit-after-first-paint", nullptr);
        _exit(127);
    }
    close(pipeFds[1]);
    char buffer[64];
    const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
    const auto end = std::chrono::steady_clock::now();
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (n <= 0) return -1;
    return std::chrono::duration<double, std::milli>(end - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string program = argc > 1 ? argv[1] : TARVEL_PROGRAM_DIR "/tarvel";
    if (!getenv("DISPLAY") && !getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);

    std::vector<double> starts;
    for (int i = 0; i < 8; ++i) starts.push_back(startToFirstPaint(program));
    const double first = starts.front();
    starts.erase(starts.begin());
    std::printf("start to first paint: first %.0f ms, warm median %.0f ms, best %.0f ms (%zu runs)\n", first,
                median(starts), *std::min_element(starts.begin(), starts.end()), starts.size());

    QApplication app(argc, argv);
    setProgramFolder(TARVEL_PROGRAM_DIR);
    DecliningPrompter prompter;
    NoFiles files;
    DemoLayoutChooser cards;
    QtDesktop desktop;
    SteadyClock clock;
    NoSound silence;
    FrameFormat format = FrameFormat::Yuy2;
    Services services{prompter,
                      files,
                      cards,
                      firstCamera,
                      [&format] { return onlyDemoCamera(format); },
                      desktop,
                      clock,
                      silence,
                      noVoice};
    MainWindow window(services);
    window.show();
    settle(200);
    window.findChild<QPushButton*>("BtnNewYJ")->click();
    window.findChild<QPushButton*>("BtnNext1")->click();
    auto* page = static_cast<CameraPage*>(window.page(2));

    for (FrameFormat f : {FrameFormat::Yuy2, FrameFormat::Mjpg}) {
        format = f;
        window.findChild<QPushButton*>("BtnConn")->click();
        if (!window.capture().connection().running()) {
            std::fprintf(stderr, "the demo camera did not start (build the demo cards first)\n");
            return 1;
        }
        // The live picture at 10 frames per second for 10 s: the UI thread's share.
        const double share = threadShareWhileRunning(10000);
        const long rss = residentKb();

        // One tick as the timer runs it, then the picture painted at once.
        window.capture().timer().stop();
        std::vector<double> ticks;
        for (int i = 0; i < 300; ++i) {
            QElapsedTimer t;
            t.start();
            window.capture().loop().Timer1Timer();
            page->picture()->repaint();
            ticks.push_back(t.nsecsElapsed() / 1e6);
        }
        std::sort(ticks.begin(), ticks.end());
        std::printf("%s: tick (convert + draw + paint) median %.2f ms, 95th %.2f ms; UI thread %.1f %% of a core at "
                    "10 fps; resident %ld kB\n",
                    formatName(f), ticks[ticks.size() / 2], ticks[ticks.size() * 95 / 100], share, rss);
        window.capture().timer().start();
    }
    window.capture().stop();
    return 0;
}
