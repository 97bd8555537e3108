#include "program.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <exception>
#include <iostream>

#include "base/affinity.h"
#include "demo/demoprogram.h"
#include "capture/virtualcamera.h"
#include "dialogs/formcard.h"
#include "dialogs/formshebei.h"
#include "mainwindow.h"
#include "output/audio.h"
#include "qt/filedialogs.h"
#include "qt/messageboxprompter.h"
#include "qt/text.h"
#include "screenshots.h"
#include "startup.h"

namespace tarvel::app {
namespace {

// The general handler: an error that no operation handles is shown, and the
// operation stops there; the program goes on.
class ProgramApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            QMessageBox::critical(activeWindow(), kAppTitle, QString::fromUtf8(e.what()));
        } catch (...) {
            QMessageBox::critical(activeWindow(), kAppTitle, "未知错误");
        }
        return false;
    }
};

// Ends the program once the window has been painted the first time (its
// first widget painted; the rest of the window is painted in the same pass).
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QWidget& window) : window_(window) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Paint && !seen_ && widget && widget->window() == &window_) {
            seen_ = true;
            QTimer::singleShot(0, [] {
                std::puts("painted");
                std::fflush(stdout);
                QCoreApplication::exit(0);  // no closing questions: nothing was done
            });
        }
        return false;
    }

private:
    QWidget& window_;
    bool seen_ = false;
};

int usage() {
    std::fputs("用法：tarvel [--demo [--screens DIR] | --screenshots DIR [--run 原始文件.yj] | --quit-after-first-paint]\n", stderr);
    return 2;
}

}  // namespace

int runProgram(int argc, char** argv) {
    QString screenshots;
    std::string screenshotRun;
    bool firstPaint = false;
    bool demo = false;
    QString demoScreens;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--screenshots" && i + 1 < argc) {
            screenshots = QString::fromLocal8Bit(argv[++i]);
        } else if (a == "--run" && i + 1 < argc) {
            screenshotRun = argv[++i];
        } else if (a == "--demo") {
            demo = true;
        } else if (a == "--screens" && i + 1 < argc) {
            demoScreens = QString::fromLocal8Bit(argv[++i]);
        } else if (a == "--quit-after-first-paint") {
            firstPaint = true;
        } else {
            return usage();
        }
    }

    ProgramApplication app(argc, argv);
    app.setApplicationName(kAppTitle);
    // Bound after the application object, so that the toolkit's own helper
    // threads keep the whole mask like the program's camera and sound threads.
    bindToFirstProcessor();
    SingleInstance instance;
    // A second start while a copy runs ends silently; the demo and the
    // pictures run beside the program.
    if (screenshots.isEmpty() && !demo && !instance.acquire()) return 0;
    useProgramFont(app);
    useChineseTexts(app);

    if ((!screenshotRun.empty() && screenshots.isEmpty()) || (!demoScreens.isEmpty() && !demo)) return usage();
    if (demo) return runDemo(demoScreens);
    if (!screenshots.isEmpty()) return takeScreenshots(screenshots, screenshotRun);

    MessageBoxPrompter prompter;
    QtFileDialogs files;
    QtDesktop desktop;
    FormCard formCard(prompter, desktop);
    FormSheBei formSheBei(prompter);
    SteadyClock clock;
    WavePlayer sounds;
    Services services{prompter,
                      files,
                      formCard,
                      [&formSheBei](const std::vector<std::string>& names, int previous) {
                          return formSheBei.choose(names, previous);
                      },
                      listCameras,
                      desktop,
                      clock,
                      sounds,
                      [] { return std::unique_ptr<Speaker>(EspeakSpeaker::create()); }};
    MainWindow window(services);
    FirstPaint painted(window);
    if (firstPaint) app.installEventFilter(&painted);
    window.show();
    return app.exec();
}

}  // namespace tarvel::app
