#pragma once
// The grading station of the demo without windows: the demo grading run
// (card layout DY标准85题自动AB卷, the sample roster, the demo exam, grade
// 20241 class 01 chosen), the frame loop with the real card read, and a
// virtual camera that delivers one frame per tick on a clock that moves only
// when told. The end-to-end test, the benchmarks and the soak run drive it.
#include <memory>
#include <string>
#include <vector>

#include "base/prompter.h"
#include "capture/gradingread.h"
#include "capture/virtualcamera.h"
#include "output/clock.h"

namespace tarvel::demo {

inline constexpr const char* kDemoLayout = "DY标准85题自动AB卷.dat";

// One announced read: the frame shown when it ran, the code and the texts.
struct Announced {
    long frame = 0;
    ReadResult code = ReadResult::Ok;
    std::string wave;
    std::string prompt;
    std::string memo;
};

class DemoStation {
public:
    // programFolder holds 模板文件/, 学生信息文件/测试.xs (and wave/); frames
    // are played in `format`. Check problem() before use.
    DemoStation(const std::string& programFolder, const std::string& examJson,
                std::unique_ptr<FrameSequence> frames, FrameFormat format = FrameFormat::Yuy2);
    ~DemoStation();

    const std::string& problem() const { return problem_; }

    // One 100 ms tick showing the camera's next frame.
    void tick();
    long frame() const { return frame_; }
    FrameLoop& loop() { return *loop_; }
    ManualClock& clock() { return clock_; }
    VirtualCamera& camera() { return *camera_; }

    const std::vector<Announced>& announced() const { return announced_; }
    void clearAnnounced() { announced_.clear(); }
    GradingRun& run() { return run_; }
    GradingCardReader& reader() { return *reader_; }
    const GradingRecords& records() const { return run_.records; }
    const Roster& roster() const { return run_.students.roster; }
    const ExamSettings& settings() const { return run_.settings; }
    ScriptedPrompter& prompter() { return prompter_; }
    int readAttempts() const { return attempts_; }

private:
    struct Parts;
    std::string problem_;
    GradingRun run_;
    ScriptedPrompter prompter_;
    ManualClock clock_;
    ImageSet images_;
    VirtualCamera* camera_ = nullptr;
    std::unique_ptr<Parts> parts_;
    std::unique_ptr<GradingCardReader> reader_;
    std::unique_ptr<FrameLoop> loop_;
    std::vector<Announced> announced_;
    long frame_ = -1;
    ReadResult lastCode_ = ReadResult::Ok;
    int attempts_ = 0;
};

// A scene for measurements: the standard answer lying still for 3 s, then the
// first student's card lying still for ever (two of its noisy frames in
// turn), taken from the demo sequence in `sequenceFolder`. Empty when the
// folder does not hold the demo sequence.
std::unique_ptr<PictureList> stillCardsScene(const std::string& sequenceFolder);

}  // namespace tarvel::demo
