// Any byte string handed to the still-picture reader is refused or read: the
// walk over the JPEG marker segments and the EXIF block, the reduced
// decodes, the card finder and every view of the picture stay inside their
// images.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "recognition/picturescale.h"
#include "tests/samplecard/samplecard.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarvel;
    StillPicture picture;
    if (!picture.open(std::vector<uint8_t>(data, data + size))) return 0;
    static const CardTemplate layout = sample::sampleLayout(0);
    ImageSet images;
    images.create(3);
    LocationResult result;
    CardLocator locator;
    ReadStillPicture(picture, images, layout, CardFamily::DY, result, locator);
    return 0;
}
