#pragma once
// What the windows share. The main window owns the grading run and the
// camera side (CaptureState); every page and dialog reaches them, and the outside
// world (questions, file dialogs, choosers, the desktop, time and sound),
// through one AppContext, so each can be tested offscreen with scripted
// answers.
#include <functional>

#include "base/prompter.h"
#include "capture/connection.h"
#include "capture/virtualcamera.h"
#include "gradingfile/gradingrun.h"
#include "output/clock.h"
#include "output/voiceprompts.h"
#include "qt/desktop.h"
#include "roster/studentfile.h"

namespace tarvel::app {

class CaptureState;

struct Services {
    Prompter& prompter;
    FileDialogs& files;
    CardChooser& cards;                          // FormCard
    CameraConnection::DeviceChooser cameras;     // FormSheBei
    CameraConnection::DeviceLister cameraList;   // listCameras in the program
    Desktop& desktop;
    Clock& clock;
    SoundPlayer& sounds;
    Announcer::VoiceFactory voices;
};

// Stand-ins for programs that drive the window themselves (pictures, demo,
// timing): the first camera offered is taken, only the demo camera is
// offered, and nothing is played or spoken.
inline std::optional<int> firstCamera(const std::vector<std::string>&, int) { return 0; }
inline CameraList onlyDemoCamera(FrameFormat format = FrameFormat::Yuy2) {
    CameraList cameras;
    if (auto demo = demoCamera(format)) cameras.push_back(std::move(demo));
    return cameras;
}
inline std::unique_ptr<Speaker> noVoice() { return nullptr; }
struct NoSound : SoundPlayer {
    void play(const std::string&) override {}
};

struct AppContext {
    GradingRun& run;
    CaptureState& capture;
    Services& services;
};

}  // namespace tarvel::app
