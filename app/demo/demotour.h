#pragma once
// The guided demo ("演示", `tarvel --demo`): a teacher's whole grading run
// played through the real window. A new run with the demo layout, the demo
// camera connected, the sample roster's 2024级 01 班, the demo exam typed in
// (two sections, a partial-credit rule), the demo cards graded automatically
// (saved half way), the window closed with both questions, the program
// started again with the saved run opened, one answer of the standard
// answer corrected and the cards scored again, the score report and the
// statistics written. A short note says what the teacher would do at each
// step. The window's questions and dialogs are the services' (answered by
// the demo's own services on screen, by script in the acceptance test).
#include <QLabel>
#include <functional>
#include <memory>
#include <string>

#include "context.h"
#include "mainwindow.h"
#include "output/clock.h"

namespace tarvel::app {

inline constexpr const char* kDemoLayoutName = "DY标准85题自动AB卷.dat";
inline constexpr const char* kDemoGrade = "2024级";
inline constexpr const char* kDemoClass = "01";
inline constexpr const char* kDemoExamName = "演示考试";
inline constexpr const char* kDemoSubject = "数学";
// The run file a save names after exam and subject, beside the program.
std::string demoRunFile();
// The standard answer's correction: question 1 becomes "C".
inline constexpr int kDemoCorrectedQuestion = 1;
inline constexpr const char* kDemoCorrectedAnswer = "C";

// How the demo's time passes: at real speed on screen, or as fast as the
// window can go (the acceptance test, the run without a display).
class DemoPace {
public:
    virtual ~DemoPace() = default;
    // A pause for the viewer to read the note or see the result.
    virtual void pause(int ms) = 0;
    // After "连接摄像头" connected the demo camera.
    virtual void connected(MainWindow&) {}
    // Just before automatic grading starts: the camera's next frame is the
    // first of the demo sequence.
    virtual void startCards() {}
    // Until the camera has shown `frames` more frames.
    virtual void play(MainWindow& window, size_t frames) = 0;
};

// Real time: the camera's own thread and Timer1.
class RealTimePace : public DemoPace {
public:
    void pause(int ms) override;
    void startCards() override {
        if (rewind) rewind();
    }
    void play(MainWindow& window, size_t frames) override;
    // Puts the demo camera back to the sequence's first frame.
    std::function<void()> rewind;
};

// Accelerated: Timer1 stopped; each frame is delivered, the clock moved by a
// tick and the tick run at once; the window paints every few frames.
class FastPace : public DemoPace {
public:
    explicit FastPace(ManualClock& clock) : clock_(clock) {}
    void pause(int ms) override;
    void connected(MainWindow& window) override;
    void play(MainWindow& window, size_t frames) override;

private:
    ManualClock& clock_;
};

// The small note beside the window.
class DemoNote : public QLabel {
public:
    DemoNote();
    void say(const QString& text, QWidget* beside);
};

class DemoTour {
public:
    // Steps, for whoever watches (screenshots, the acceptance test's checks).
    enum class Step { NewRun, Connected, Roster, Exam, Graded, Closed, Reopened, Rescored, Reported, Done };
    using Watcher = std::function<void(Step, MainWindow&)>;

    DemoTour(Services& services, DemoPace& pace, DemoNote* note = nullptr);
    ~DemoTour();

    // Plays the whole path; "" or what went wrong (the tour stops there).
    std::string run(const Watcher& watch = {});
    // Its first part: a new window led through pages 1-4 to the grading
    // page, 2024级 01 chosen there, the demo camera connected.
    std::string startRun(const Watcher& watch = {});
    // The window of the current start (the second after the restart).
    MainWindow* window() const { return window_.get(); }
    // Frames the demo camera plays (the sequence once).
    size_t sequenceFrames() const { return frames_; }
    // Milliseconds a note is shown before its step is done.
    int noteMs = 3500;

private:
    // Shows the note of a step and gives the viewer time to read it.
    void step(const QString& note);
    void start();
    std::string click(const char* name);
    // "下一步 >" on page `from`; a problem unless the next page shows.
    std::string next(int from);
    std::string toGradingPage();
    std::string fillRoster();
    std::string fillExam();
    std::string grade();
    void seen(Step step);
    // Chooses 2024级 01 in a page's grade and class boxes.
    std::string chooseGroup(const char* gradeBox, const char* classBox);
    std::string correctStandardAnswer();
    std::string output();

    Services& services_;
    DemoPace& pace_;
    DemoNote* note_;
    std::unique_ptr<MainWindow> window_;
    Watcher watch_;
    size_t frames_ = 0;
};

}  // namespace tarvel::app
