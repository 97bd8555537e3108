#include "base/floattext.h"

#include <cstdio>

namespace tarvel {

std::string floatToText(float value) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15g", static_cast<double>(value));
    return buffer;
}

}  // namespace tarvel
