#pragma once
// Corpora of camera frames with their truth (one JSON object per frame in
// truth.jsonl beside the frames), read the way the grading station reads a
// card, and each frame's outcome judged against its truth.
#include <map>
#include <string>
#include <vector>

#include "recognition/cardread.h"

namespace tarvel::corpus {

struct Truth {
    std::string file;
    std::string layout;  // file name of the layout (.dat)
    int code = 0;
    int abFlag = 0;
    std::string admission;
    std::string subject;
    bool hasScore = false;
    std::string score;
    std::vector<std::string> answers;
    std::vector<int> multiple;  // question numbers from 1
    // True detection-line ends L1..L4 as x, y pairs in picture pixel units;
    // empty when the corpus does not give them.
    std::vector<double> ends;
};

// One line of truth.jsonl; false with a message when it does not parse.
bool parseTruthLine(const std::string& line, Truth& out, std::string& message);
// Every line of <folder>/truth.jsonl; false with a message on the first bad line.
bool readTruthFile(const std::string& folder, std::vector<Truth>& out, std::string& message);

enum class Verdict {
    Right,           // expected code 0: read with every field right; else refused with the expected code
    SilentError,     // accepted, but a field is wrong (or the frame should have been refused)
    Refused,         // a card that should have been read was refused
    WronglyRefused,  // refused with a code other than the expected one
};

struct FrameResult {
    Truth truth;
    int code = -1;
    WholeReading reading;
    LocationDetails details;
    Verdict verdict = Verdict::Refused;
    std::string difference;  // what was wrong, for the report
};

// Length of the true lower detection line in the frame, pixels; 0 when the
// truth does not give the line ends.
double lowerLineLength(const Truth& truth);

// Reads frames of corpora with the layouts of one folder (模板文件/), or of
// the set's own folder where it holds them.
class CorpusReader {
public:
    explicit CorpusReader(std::string layoutFolder) : layoutFolder_(std::move(layoutFolder)) {}
    // False with a message when the frame or its layout cannot be loaded.
    bool readFrame(const std::string& folder, const Truth& truth, FrameResult& out, std::string& message,
                   ReadMethod method = ReadMethod::Mended);
    // The located card images of the last frame read.
    const ImageSet& images() const { return images_; }

private:
    const CardTemplate* layout(const std::string& folder, const std::string& name, std::string& message);

    std::string layoutFolder_;
    std::map<std::string, CardTemplate> layouts_;  // by path
    ImageSet images_;
    CardLocator mended_{ReadMethod::Mended};
    CardLocator written_{ReadMethod::Written};
};

// Right, silent error, refused or wrongly refused, and what differed.
void judge(FrameResult& r);

}  // namespace tarvel::corpus
