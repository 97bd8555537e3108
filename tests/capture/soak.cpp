// Soak run: N frames of the demo sequence (looping) through the frame loop
// with automatic grading on and the real card read. Prints the resident
// memory after the first pass and at the end; it must stay flat, and every
// pass must announce one read per card.
//   build/tests/capture/capture_soak [frames] [RGB|YUY2|I420|MJPG]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>

#include "demofiles.h"
#include "demostation.h"

using namespace tarvel;

namespace {

long residentKb() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
    const long frames = argc > 1 ? std::atol(argv[1]) : 100000;
    FrameFormat format = FrameFormat::Yuy2;
    for (FrameFormat f : {FrameFormat::Rgb24, FrameFormat::I420, FrameFormat::Mjpg})
        if (argc > 2 && std::strcmp(argv[2], formatName(f)) == 0) format = f;

    const std::string sequence = TARVEL_PROGRAM_DIR "/演示答题卡/";
    std::vector<demo::DemoCard> cards;
    const std::string problem = demo::readCards(sequence + "cards.tsv", cards);
    auto folder = std::make_unique<PictureFolder>(sequence);
    const long pass = long(folder->size());
    demo::DemoStation station(TARVEL_PROGRAM_DIR, TARVEL_DEMO_EXAM, std::move(folder), format);
    if (!problem.empty() || !station.problem().empty() || pass == 0) {
        std::fprintf(stderr, "capture_soak: %s%s\n", problem.c_str(), station.problem().c_str());
        return 1;
    }

    long warm = 0;
    std::map<int, long> codes;
    for (long i = 0; i < frames; ++i) {
        station.tick();
        if (i + 1 == pass) warm = residentKb();
        // Only the announcements are kept, and only for counting.
        for (const demo::Announced& a : station.announced()) ++codes[codeOf(a.code)];
        station.clearAnnounced();
    }
    const long end = residentKb();
    long reads = 0;
    std::printf("%s: %ld frames (%ld passes of %ld), reads by code:", formatName(format), frames, frames / pass, pass);
    for (auto [code, count] : codes) {
        std::printf(" %d:%ld", code, count);
        reads += count;
    }
    std::printf("; %zu records; resident %ld kB after the first pass, %ld kB at the end\n",
                station.records().size(), warm, end);
    // One read per card and pass (a last, partial pass may add up to one more
    // per card), and memory must not grow.
    const long full = frames / pass * long(cards.size());
    const bool readsRight = reads >= full && reads <= full + long(cards.size());
    return readsRight && end - warm < 1024 ? 0 : 1;
}
