// Any byte string handed to the card-layout loader is refused or accepted,
// never read beyond its end; an accepted layout is read from a card at the
// smallest and the largest scale a located card can have, without reading
// outside an image and within the fuzzer's time limit (a layout whose cells
// are absurdly large or far off would make the read last for ever).
#include <cstddef>
#include <cstdint>

#include "recognition/cardread.h"
#include "recognition/cardtemplate.h"
#include "recognition/geometry.h"
#include "recognition/locationsteps.h"

namespace {

// A card of 3-pixel black and white squares: every cell reads partly dark,
// so the reader's mark and spill tests all run.
const tarvel::Bitmap& checkeredCard() {
    static const tarvel::Bitmap card = [] {
        tarvel::Bitmap b(tarvel::kCanvasSize, tarvel::kCanvasSize, 3);
        for (int y = 0; y < b.height(); ++y) {
            for (int x = 0; x < b.width(); ++x) {
                if ((x / 3 + y / 3) % 2) b.setPixel(x, y, 0, 0, 0);
            }
        }
        return b;
    }();
    return card;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarvel;
    CardTemplate layout;
    std::string message;
    if (!parseTemplateBytes(data, size, "fuzz.dat", layout, message)) return 0;

    static ImageSet images;
    ReadOptions options;
    options.admissionLength = layout.admissionDigits;
    options.questionCount = layout.questionCount;
    options.multiple.fill(true);
    const float scales[] = {static_cast<float>(kMinPathPoints) / layout.lowerLineLength,
                            static_cast<float>(kCanvasSize) / layout.lowerLineLength};
    for (float scale : scales) {
        images.normalized.copyFrom(checkeredCard());
        images.rotation.copyFrom(checkeredCard());
        const LocationResult place = placementFor(layout, scale, 40, 700);
        DecliningPrompter prompter;
        WholeReading out;
        ReadLocatedCard(layout, CardFamily::DY, place, images, prompter, options, out);
    }
    return 0;
}
