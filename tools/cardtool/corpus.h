#pragma once
// Test corpora: camera frames of filled cards with the exact truth of what
// location and reading should find in them.
#include <cstdint>
#include <functional>
#include <string>

#include "camera.h"
#include "cardfill.h"
#include "recognition/reading.h"

namespace tarvel::cards {

// The location code a frame should give, from the drawn geometry alone:
// 0 when both detection lines, their ends and the four field-of-view corners
// are inside the frame; otherwise the first failing check in location's order
// (3-6 line end outside, 7-10 corner outside, 11 upper corner outside on a
// turned card). `clear` is false when any deciding point lies within
// `margin` pixels of the frame edge or a line is too short to be traced, so
// that the outcome would hang on a pixel; corpora skip such views.
int expectedCode(const CardTemplate& t, const CameraView& view, double margin, bool& clear);

// Length of the lower detection line in the frame, pixels.
double lowerLinePixels(const CardTemplate& t, const CameraView& view);

struct CorpusOptions {
    std::string out;                          // folder; <out>/<set>/ is created
    std::string sets = "normal,hard,refuse";  // comma separated
    uint64_t start = 1;                       // random start value
    std::string layoutDir;                    // .layout or .dat files; default: the installed 模板文件/
    int count = 0;                            // frames per set; 0 = the sizes cardtool's help names
    bool bmp = false;                         // frames as BMP instead of JPEG files
    int randomLayouts = 40;                   // random layouts of the sets "layouts" and "wronglayout"
};

// The fields of a truth line every set writes (file, layout, code, abFlag,
// admission, subject, score, answers, multiple), without the braces.
std::string truthFields(const std::string& file, const std::string& layoutName, int code, const CardTemplate& t,
                        const CardContent& content, const std::vector<int>& multiple);

// Writes the corpora; returns "" or a message. `progress` gets one line per set.
std::string writeCorpus(const CorpusOptions& options, const std::function<void(const std::string&)>& progress);

// What the mark reader reads from a frame when location is perfect: the
// frame warped with the view's true geometry (rectifyWithTruth). `multiple`
// lists the multiple-choice questions (1-based).
CardReading readWithPerfectLocation(const QImage& frame, const CardDesign& design, const CameraView& view,
                                    const std::vector<int>& multiple, std::vector<std::string>* messages = nullptr);

// Percentage of pixels darker than 100, as location's black-share check
// counts them.
int blackShareAt100(const QImage& frame);

}  // namespace tarvel::cards
