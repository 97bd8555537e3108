#include "demo/demoprogram.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <atomic>
#include <cstdio>
#include <iostream>

#include "base/paths.h"
#include "capture/virtualcamera.h"
#include "demo/demotour.h"
#include "dialogs/formcard.h"
#include "output/audio.h"
#include "qt/filedialogs.h"
#include "qt/messageboxprompter.h"
#include "qt/text.h"
#include "screenshots.h"

namespace tarvel::app {
namespace {

// The demo sequence, played from wherever it is told to start.
class RewindableCards : public FrameSequence {
public:
    explicit RewindableCards(const std::string& folder) : frames_(folder) {}
    size_t size() const override { return frames_.size(); }
    bool picture(size_t index, Bitmap& out) override {
        last_ = index;
        const size_t n = frames_.size();
        return frames_.picture((index + n - shift_ % n) % n, out);
    }
    // The frame after the one just played is the sequence's first.
    void rewind() { shift_ = (last_ + 1) % frames_.size(); }

private:
    PictureFolder frames_;
    std::atomic<size_t> last_{0}, shift_{0};
};

constexpr const char* kSaveStudentFileQuestion = "是否保存对当前学生信息文件的更改？";

// Questions answered "是"/"确定" (the student file's question "否") while the tour plays (said in the note and
// on stdout), message boxes afterwards.
class DemoPrompter : public Prompter {
public:
    DemoPrompter(DemoNote* note, DemoPace& pace) : note_(note), pace_(pace) {}
    bool touring = true;
    void message(const std::string& text) override {
        if (touring) tell(text, "确定");
        else boxes_.message(text);
    }
    void notice(const std::string& text) override {
        if (touring) tell(text, "确定");
        else boxes_.notice(text);
    }
    Answer askYesNo(const std::string& text) override { return touring ? tell(text, "是") : boxes_.askYesNo(text); }
    Answer askYesNoCancel(const std::string& text) override {
        if (!touring) return boxes_.askYesNoCancel(text);
        // The sample roster stays as shipped; the run keeps the class chosen.
        if (text.rfind(kSaveStudentFileQuestion, 0) == 0) return tell(text, "否", Answer::No);
        return tell(text, "是");
    }
    Answer askOkCancel(const std::string& text) override {
        return touring ? tell(text, "确定") == Answer::Yes ? Answer::Ok : Answer::Cancel : boxes_.askOkCancel(text);
    }

private:
    Answer tell(const std::string& text, const char* answer, Answer given = Answer::Yes) {
        std::cout << "程序提示：" << text << " —— 演示回答：" << answer << std::endl;
        if (note_) note_->say("程序提示：" + qs(text) + "\n演示回答：" + answer, QApplication::activeWindow());
        pace_.pause(2500);
        return given;
    }
    DemoNote* note_;
    DemoPace& pace_;
    MessageBoxPrompter boxes_;
};

// The sample roster and the demo's run file while touring; the dialogs after.
class DemoFiles : public FileDialogs {
public:
    bool touring = true;
    std::optional<std::string> openFile(const FileDialogRequest& request) override {
        if (!touring) return dialogs_.openFile(request);
        if (request.defaultExtension == "xs")
            return installedPath(std::string(installed::kStudentFiles) + installed::kSampleRoster);
        return demoRunFile();
    }
    std::optional<std::string> saveFile(const FileDialogRequest& request) override {
        return touring ? std::nullopt : dialogs_.saveFile(request);
    }

private:
    QtFileDialogs dialogs_;
};

// Files written while touring are named, not opened.
class DemoDesktop : public Desktop {
public:
    bool touring = true;
    bool open(const std::string& path) override {
        if (!touring) return desktop_.open(path);
        std::cout << "已写出：" << path << std::endl;
        return true;
    }
    bool openInTextEditor(const std::string& path) override {
        return touring ? open(path) : desktop_.openInTextEditor(path);
    }

private:
    QtDesktop desktop_;
};

class DemoCards : public CardChooser {
public:
    DemoCards(Prompter& prompter, Desktop& desktop) : form_(prompter, desktop) {}
    bool touring = true;
    std::string choose(const std::string& current, const std::string& caption) override {
        return touring ? kDemoLayoutName : form_.choose(current, caption);
    }

private:
    FormCard form_;
};

}  // namespace

int runDemo(const QString& screens) {
    const bool fast = !screens.isEmpty();
    if (fast && !QDir().mkpath(screens)) {
        std::cerr << "tarvel: cannot create " << screens.toStdString() << "\n";
        return 1;
    }
    ManualClock manual;
    SteadyClock steady;
    FastPace fastPace(manual);
    RealTimePace realPace;
    DemoPace& pace = fast ? static_cast<DemoPace&>(fastPace) : realPace;
    std::unique_ptr<DemoNote> note;
    if (!fast) note = std::make_unique<DemoNote>();

    DemoPrompter prompter(note.get(), pace);
    DemoFiles files;
    DemoDesktop desktop;
    DemoCards cards(prompter, desktop);
    WavePlayer waves;
    NoSound silence;
    RewindableCards* playing = nullptr;  // the demo camera's sequence
    realPace.rewind = [&playing] {
        if (playing) playing->rewind();
    };
    Services services{prompter,
                      files,
                      cards,
                      firstCamera,
                      [&] {
                          auto frames = std::make_unique<RewindableCards>(installedPath(installed::kDemoCards));
                          playing = frames.get();
                          CameraList cameras;
                          cameras.push_back(std::make_unique<VirtualCamera>(kVirtualCameraName, std::move(frames),
                                                                            FrameFormat::Yuy2, fast ? 0 : kCaptureFps));
                          return cameras;
                      },
                      desktop,
                      fast ? static_cast<Clock&>(manual) : steady,
                      fast ? static_cast<SoundPlayer&>(silence) : waves,
                      [fast] { return fast ? nullptr : std::unique_ptr<Speaker>(EspeakSpeaker::create()); }};

    DemoTour tour(services, pace, note.get());
    if (fast) tour.noteMs = 0;
    bool pictures = true;
    auto watch = [&](DemoTour::Step step, MainWindow& window) {
        static const std::pair<DemoTour::Step, const char*> kPictures[] = {
            {DemoTour::Step::NewRun, "page1.png"},   {DemoTour::Step::Connected, "page2.png"},
            {DemoTour::Step::Roster, "page3.png"},   {DemoTour::Step::Exam, "page4.png"},
            {DemoTour::Step::Graded, "page5.png"},   {DemoTour::Step::Rescored, "page5-rescored.png"},
            {DemoTour::Step::Reported, "page6.png"}};
        if (!fast) return;
        for (const auto& [s, name] : kPictures)
            if (s == step) pictures = saveWindowPicture(window, screens, name) && pictures;
    };
    QElapsedTimer elapsed;
    elapsed.start();
    const std::string problem = tour.run(watch);
    std::cout << "演示" << (problem.empty() ? "结束" : "中断") << "：用时 " << elapsed.elapsed() / 1000 << " 秒"
              << std::endl;
    if (!problem.empty()) {
        std::cerr << "tarvel --demo: " << problem << "\n";
        return 1;
    }
    if (fast) return pictures ? 0 : 1;
    prompter.touring = files.touring = desktop.touring = cards.touring = false;
    return QApplication::exec();
}

}  // namespace tarvel::app
