#pragma once
#include <string>

namespace tarvel {

// The general float-to-text form used wherever a score is shown: the float
// widened to double, at most 15 significant digits ("92.5", "85",
// 0.1f -> "0.100000001490116").
std::string floatToText(float value);

}  // namespace tarvel
