#pragma once
// Shared helpers of the card tests: the shipped layouts and the places a
// card is drawn at.
#include <string>
#include <vector>

#include "layoutfile.h"
#include "randomlayout.h"

namespace tarvel::cards {

inline std::vector<std::string> layoutNames() {
    return {"DY标准85题自动AB卷", "DY标准50题A卷", "JD标准100题"};
}

inline CardDesign shippedDesign(const std::string& name) {
    CardDesign d;
    std::string problem = loadDesign(std::string(TARVEL_LAYOUT_DIR) + "/" + name + ".layout", d);
    if (!problem.empty()) throw std::runtime_error(problem);
    return d;
}

// The random layouts of start value 1 (cardtool random), by name.
inline std::vector<std::string> randomLayoutNames() {
    std::vector<std::string> names;
    for (const CardDesign& d : randomDesigns(1, 8)) names.push_back(d.name);
    return names;
}

inline CardDesign randomDesign(const std::string& name) {
    for (const CardDesign& d : randomDesigns(1, 8)) {
        if (d.name == name) return d;
    }
    throw std::runtime_error("no random layout " + name);
}

// Field-of-view box heights (pixels) of a card filling 60 %, 80 % and 90 % of
// a 480-pixel frame.
inline std::vector<double> boxHeights() { return {0.6 * 480, 0.8 * 480, 0.9 * 480}; }

}  // namespace tarvel::cards
