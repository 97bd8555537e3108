// Any byte string handed to the picture reader is refused or decoded; a
// decoded picture, stretched to a camera frame, goes through the whole card
// read without reading or writing outside an image.
#include <cstddef>
#include <cstdint>

#include "recognition/cardread.h"
#include "recognition/imagefile.h"
#include "tests/samplecard/samplecard.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarvel;
    Bitmap picture;
    if (!decodeImage(data, size, picture)) return 0;
    static const CardTemplate layout = sample::sampleLayout(0);
    ImageSet images;
    images.create(3);
    images.frame = resized(picture, kFrameWidth, kFrameHeight);
    LocationResult result;
    CardLocator locator;
    ReadCardFrame(images, layout, CardFamily::DY, result, locator);
    return 0;
}
