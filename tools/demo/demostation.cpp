#include "demostation.h"

#include "base/paths.h"
#include "demofiles.h"
#include "grading/gradinggrid.h"
#include "roster/studentfile.h"

namespace tarvel::demo {

struct DemoStation::Parts {
    struct Sink : DrawingSink {
        void draw(const DrawCommand&, const Bitmap*) override {}
    } sink;
    struct Sounds : SoundPlayer {
        DemoStation* station = nullptr;
        void play(const std::string& path) override {
            // The sound starts after the prompt and memo are final.
            Announced a{station->frame_, station->lastCode_, path, station->loop_->promptText(),
                        station->loop_->memo()};
            station->announced_.push_back(std::move(a));
        }
    } sounds;
    FrameLoopUi ui;
    CameraConnection connection;
    Announcer announcer;

    Parts(DemoStation* s, std::unique_ptr<FrameSequence> frames, FrameFormat format)
        : connection([s, format, f = std::make_shared<std::unique_ptr<FrameSequence>>(std::move(frames))] {
              auto camera = std::make_unique<VirtualCamera>(kVirtualCameraName, std::move(*f), format, 0);
              s->camera_ = camera.get();
              CameraList list;
              list.push_back(std::move(camera));
              return list;
          }),
          announcer(sounds, s->clock_, [] { return std::unique_ptr<Speaker>(); }) {
        sounds.station = s;
    }
};

DemoStation::DemoStation(const std::string& programFolder, const std::string& examJson,
                         std::unique_ptr<FrameSequence> frames, FrameFormat format) {
    const std::string folder = programFolder.empty() || programFolder.back() == '/' ? programFolder : programFolder + "/";
    run_.layout.chosenCardName = kDemoLayout;
    std::string message;
    if (!readTemplateFile(folder + installed::kTemplates + kDemoLayout, kDemoLayout, run_.layout.current, message) ||
        !readStudentFile(folder + installed::kStudentFiles + installed::kSampleRoster, run_.students.roster,
                         message)) {
        problem_ = message;
        return;
    }
    problem_ = loadExam(examJson, run_.layout.current, kDemoLayout, run_.settings);
    if (!problem_.empty()) return;
    run_.filter = GradingFilter{"20241", "01"};
    run_.runStarted = true;

    parts_ = std::make_unique<Parts>(this, std::move(frames), format);
    reader_ = std::make_unique<GradingCardReader>(run_, prompter_);
    loop_ = std::make_unique<FrameLoop>(
        FrameLoop::Parts{parts_->connection, images_, clock_, parts_->sink, prompter_, parts_->announcer, parts_->ui},
        [this](ImageSet& images, std::string& prompt, std::string& memo) {
            ++attempts_;
            return lastCode_ = reader_->read(images, prompt, memo);
        },
        [this] { return reader_->choice(); });
    if (parts_->connection.connect(prompter_, nullptr, images_) != CameraConnection::Result::Connected) {
        problem_ = "virtual camera did not start";
        return;
    }
    loop_->setTimerEnabled(true);
    loop_->setViewSize(kFrameWidth, kFrameHeight);
    loop_->setPage(FrameLoop::Page::Grading);
    loop_->BtnAutoAnswerCardClick();
}

DemoStation::~DemoStation() {
    if (parts_) parts_->connection.disconnect();
}

void DemoStation::tick() {
    camera_->deliverNext();
    ++frame_;
    clock_.advance(kTickMs);
    loop_->Timer1Timer();
}

std::unique_ptr<PictureList> stillCardsScene(const std::string& sequenceFolder) {
    const std::string folder = sequenceFolder.back() == '/' ? sequenceFolder : sequenceFolder + "/";
    std::vector<DemoCard> cards;
    if (!readCards(folder + "cards.tsv", cards).empty() || cards.size() < 2) return nullptr;
    PictureFolder frames(folder);
    auto load = [&](size_t index) {
        auto b = std::make_shared<Bitmap>();
        return frames.picture(index, *b) ? b : nullptr;
    };
    auto scene = std::make_unique<PictureList>();
    const size_t standard = size_t(std::stoi(cards[0].file)), student = size_t(std::stoi(cards[1].file));
    for (size_t k = 0; k < 30; ++k) {
        auto b = load(standard + k);
        if (!b) return nullptr;
        scene->add(b);
    }
    auto a = load(student), b = load(student + 1);
    if (!a || !b) return nullptr;
    for (int k = 0; k < 1000; ++k) {
        scene->add(a);
        scene->add(b);
    }
    return scene;
}

}  // namespace tarvel::demo
