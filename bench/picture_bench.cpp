// Photos and scans of any size: a twelve-megapixel phone photo from its JPEG
// bytes to the whole read of the card (decoding at the reduced size, the
// card found, the frame made, location and every field read). The goal is
// 25 photos per second per core, so the CPU time per photo is what counts.
//
// BM_PhonePhotoCorpus runs over the phone photos of a corpus folder
// (cardtool corpus --sets photos) named by TARVEL_BENCH_PHOTOS, with the
// layouts of TARVEL_BENCH_LAYOUTS (the built 模板文件/). BM_PhonePhoto
// needs nothing: a synthetic card magnified into a noisy 4000 x 3000 JPEG.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

#include "capture/frameencode.h"
#include "recognition/imagefile.h"
#include "recognition/picturescale.h"
#include "synthetic.h"

using namespace tarvel;

namespace {

struct Photo {
    std::vector<uint8_t> bytes;
    const CardTemplate* layout = nullptr;
    CardFamily family = CardFamily::DY;
};

// Decode, find, frame, locate and read one photo; false when refused.
bool readPhoto(const Photo& photo, ImageSet& images, CardLocator& locator) {
    StillPicture picture;
    if (!picture.open(photo.bytes)) return false;
    LocationResult result;
    const std::optional<ReadResult> code = ReadStillPicture(picture, images, *photo.layout, photo.family, result, locator);
    if (code != ReadResult::Ok) return false;
    DecliningPrompter prompter;
    ReadOptions options;
    options.admissionLength = photo.layout->admissionDigits;
    options.questionCount = photo.layout->questionCount;
    WholeReading reading;
    ReadLocatedCard(*photo.layout, photo.family, result, images, prompter, options, reading);
    return true;
}

void readPhotos(benchmark::State& state, const std::vector<Photo>& photos) {
    ImageSet images;
    images.create(3);
    CardLocator locator;
    size_t next = 0;
    int refused = 0;
    for (auto _ : state) refused += !readPhoto(photos[next++ % photos.size()], images, locator);
    state.SetItemsProcessed(state.iterations());
    state.counters["refused"] = refused;
}

void BM_PhonePhoto(benchmark::State& state) {
    static const CardTemplate layout = synthetic::testLayout();
    static const std::vector<Photo> photos = [] {
        std::vector<Photo> out;
        std::mt19937 random(7);
        std::normal_distribution<double> noise(0, 3);
        for (int i = 0; i < 4; ++i) {
            synthetic::Card card = synthetic::randomCard(random, false);
            // Each frame pixel a 4 x 4 block: the card fills about half the photo.
            Bitmap frame = synthetic::blankFrame();
            synthetic::paint(frame, synthetic::cardRects(card), {0.03 * i, 0, 0});
            Bitmap photo(4000, 3000, 3);
            photo.fill(200, 204, 208);
            for (int r = 0; r < 1920; ++r) {
                for (int x = 0; x < 2560; ++x) {
                    std::copy_n(frame.rowFromTop(r / 4) + 3 * (x / 4), 3, photo.rowFromTop(400 + r) + 3 * (600 + x));
                }
            }
            for (size_t k = 0; k < photo.byteSize(); ++k) {
                photo.data()[k] = uint8_t(std::clamp(photo.data()[k] + noise(random), 0.0, 255.0));
            }
            out.push_back({encodeJpeg(photo, 90), &layout, CardFamily::DY});
        }
        return out;
    }();
    readPhotos(state, photos);
}
BENCHMARK(BM_PhonePhoto)->Unit(benchmark::kMillisecond);

void BM_PhonePhotoCorpus(benchmark::State& state) {
    const char* folder = std::getenv("TARVEL_BENCH_PHOTOS");
    const char* layouts = std::getenv("TARVEL_BENCH_LAYOUTS");
    static std::map<std::string, CardTemplate> templates;
    static std::vector<Photo> photos;
    if (photos.empty() && folder && layouts) {
        std::ifstream truth(std::string(folder) + "/truth.jsonl");
        std::string line, message;
        auto field = [&](const std::string& name) {
            const size_t at = line.find("\"" + name + "\": \"") + name.size() + 5;
            return line.substr(at, line.find('"', at) - at);
        };
        while (std::getline(truth, line)) {
            if (line.find("\"kind\": \"phone\"") == std::string::npos || line.find("\"code\": 0") == std::string::npos) {
                continue;
            }
            const std::string name = field("layout");
            if (!templates.count(name) && !readTemplateFile(std::string(layouts) + "/" + name, name, templates[name], message)) {
                state.SkipWithError(message.c_str());
                return;
            }
            std::ifstream file(std::string(folder) + "/" + field("file"), std::ios::binary);
            photos.push_back({std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {}), &templates[name],
                              familyOf(name)});
        }
    }
    if (photos.empty()) {
        state.SkipWithError("TARVEL_BENCH_PHOTOS names no corpus folder with phone photos");
        return;
    }
    readPhotos(state, photos);
}
BENCHMARK(BM_PhonePhotoCorpus)->Unit(benchmark::kMillisecond);

// The decode alone, at the quarter size the read mostly asks for and whole.
void BM_PhoneDecode(benchmark::State& state) {
    static const std::vector<uint8_t> bytes = [] {
        std::mt19937 random(3);
        std::normal_distribution<double> noise(0, 3);
        Bitmap photo(4000, 3000, 3);
        for (size_t k = 0; k < photo.byteSize(); ++k) photo.data()[k] = uint8_t(std::clamp(215 + noise(random), 0.0, 255.0));
        return encodeJpeg(photo, 90);
    }();
    Bitmap out;
    for (auto _ : state) benchmark::DoNotOptimize(decodeJpegScaled(bytes.data(), bytes.size(), int(state.range(0)), out));
    state.counters["megabytes"] = bytes.size() / 1e6;
}
BENCHMARK(BM_PhoneDecode)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace
