// Any byte string handed to the card-layout loader is refused or accepted,
// never read beyond its end.
#include <cstddef>
#include <cstdint>

#include "recognition/cardtemplate.h"
#include "recognition/geometry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tarvel::CardTemplate layout;
    std::string message;
    if (tarvel::parseTemplateBytes(data, size, "fuzz.dat", layout, message)) {
        // An accepted layout must give cell tables without overflow at any scale.
        tarvel::CardCells cells;
        tarvel::LocationResult place = tarvel::placementFor(layout, 0.75f, 10, 700);
        tarvel::computeCells(layout, place, 0, cells);
        tarvel::computeCells(layout, place, 1, cells);
    }
    return 0;
}
