// tarvel-accuracy: runs corpora of camera frames through the card read and
// prints, per set and layout, how many frames were read right, read with a
// wrong field (silent errors), refused although readable, or refused with
// another code than expected; with --details every such frame and what the
// location measured, with --dump the frames and their rectified cards.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>

#include "base/paths.h"
#include "corpus.h"
#include "recognition/imagefile.h"

using namespace tarvel;
using namespace tarvel::corpus;

namespace {

struct Tally {
    int frames = 0, right = 0, silent = 0, refused = 0, wrongCode = 0;
    void add(Verdict v) {
        ++frames;
        if (v == Verdict::Right) ++right;
        if (v == Verdict::SilentError) ++silent;
        if (v == Verdict::Refused) ++refused;
        if (v == Verdict::WronglyRefused) ++wrongCode;
    }
};

const char* verdictName(Verdict v) {
    switch (v) {
        case Verdict::Right: return "正确";
        case Verdict::SilentError: return "静默错误";
        case Verdict::Refused: return "拒绝";
        case Verdict::WronglyRefused: return "错误代码";
    }
    return "";
}

void printDetails(const std::string& set, const FrameResult& r) {
    const LocationDetails& d = r.details;
    std::printf("  %s/%s %s [%s] 代码 %d（应 %d）：%s\n", set.c_str(), r.truth.file.c_str(), r.truth.layout.c_str(),
                verdictName(r.verdict), r.code, r.truth.code, r.difference.c_str());
    std::printf("    线 %zu 对 %zu θ=%.4f 端点 L1(%d,%d) L2(%d,%d) L3(%d,%d) L4(%d,%d)\n", d.lines.size(), d.pairs.size(),
                d.theta, d.lineEnds[0].x, d.lineEnds[0].y, d.lineEnds[1].x, d.lineEnds[1].y, d.lineEnds[2].x,
                d.lineEnds[2].y, d.lineEnds[3].x, d.lineEnds[3].y);
    if (r.truth.ends.size() == 8) {
        const std::vector<double>& e = r.truth.ends;
        std::printf("    真实端点 L1(%.1f,%.1f) L2(%.1f,%.1f) L3(%.1f,%.1f) L4(%.1f,%.1f)\n", e[0], e[1], e[2], e[3], e[4],
                    e[5], e[6], e[7]);
    }
}

// How far the measured line ends lie from the true ones, along the line
// (outward positive: a short measurement is negative) and across it.
struct EndError {
    int ends = 0;
    double along = 0, alongAbs = 0, worstAlong = 0, across = 0, acrossAbs = 0;
    void add(const FrameResult& r) {
        const std::vector<double>& t = r.truth.ends;
        if (t.size() != 8 || r.details.bestPair < 0) return;
        for (int k = 0; k < 4; ++k) {
            const double dx = r.details.preciseEnds[k].x - t[2 * k];
            const double dy = r.details.preciseEnds[k].y - t[2 * k + 1];
            // Unit vector along the line, pointing outward at this end.
            const int other = k ^ 1;
            double ux = t[2 * k] - t[2 * other];
            double uy = t[2 * k + 1] - t[2 * other + 1];
            const double n = std::hypot(ux, uy);
            if (n == 0) continue;
            ux /= n;
            uy /= n;
            const double a = dx * ux + dy * uy;
            ++ends;
            along += a;
            alongAbs += std::fabs(a);
            if (std::fabs(a) > std::fabs(worstAlong)) worstAlong = a;
            // Across: positive to the left of the outward direction; both
            // ends of a line are told in the same sense (upward on the card).
            const double c = (-dx * uy + dy * ux) * (k % 2 == 0 ? -1 : 1);
            across += c;
            acrossAbs += std::fabs(c);
        }
    }
};

int usage() {
    std::cerr << "用法：tarvel-accuracy [--layouts 模板文件夹] [--details] [--dump 文件夹] 语料集文件夹...\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string layouts = installedPath(installed::kTemplates);
    std::string dump;
    bool details = false;
    std::vector<std::string> sets;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--layouts" && i + 1 < argc) {
            layouts = argv[++i];
        } else if (arg == "--dump" && i + 1 < argc) {
            dump = argv[++i];
        } else if (arg == "--details") {
            details = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return usage();
        } else {
            sets.push_back(arg);
        }
    }
    if (sets.empty()) return usage();
    if (!dump.empty()) std::filesystem::create_directories(dump);

    CorpusReader reader(layouts);
    std::map<std::pair<std::string, std::string>, Tally> table;
    Tally total;
    EndError endError;
    for (const std::string& folder : sets) {
        const std::string set = std::filesystem::path(folder).filename().string();
        std::vector<Truth> truths;
        std::string message;
        if (!readTruthFile(folder, truths, message)) {
            std::cerr << message << '\n';
            return 1;
        }
        for (const Truth& truth : truths) {
            FrameResult r;
            if (!reader.readFrame(folder, truth, r, message)) {
                std::cerr << message << '\n';
                return 1;
            }
            table[{set, truth.layout}].add(r.verdict);
            total.add(r.verdict);
            if (r.truth.code == 0 && r.code == codeOf(ReadResult::Ok)) endError.add(r);
            if (r.verdict == Verdict::Right) continue;
            if (details) printDetails(set, r);
            if (!dump.empty()) {
                const std::string base = dump + "/" + set + "-" + std::filesystem::path(truth.file).stem().string();
                // The frame the read saw: a photo or scan as it was scaled.
                writePngFile(base + ".png", reader.images().color);
                if (r.code == codeOf(ReadResult::Ok)) writePngFile(base + "-card.png", reader.images().normalized);
            }
        }
    }
    std::printf("%-8s %-28s %6s %6s %8s %6s %8s\n", "集合", "布局", "帧", "正确", "静默错误", "拒绝", "错误代码");
    for (const auto& [key, t] : table) {
        std::printf("%-8s %-28s %6d %6d %8d %6d %8d\n", key.first.c_str(), key.second.c_str(), t.frames, t.right,
                    t.silent, t.refused, t.wrongCode);
    }
    std::printf("%-8s %-28s %6d %6d %8d %6d %8d\n", "合计", "", total.frames, total.right, total.silent, total.refused,
                total.wrongCode);
    if (endError.ends > 0) {
        const double n = endError.ends;
        std::printf("检测线端点（%d 个）：沿线平均 %+.2f 像素，平均绝对 %.2f，最大 %+.2f；横向（向上为正）平均 %+.2f，平均绝对 %.2f\n",
                    endError.ends, endError.along / n, endError.alongAbs / n, endError.worstAlong, endError.across / n,
                    endError.acrossAbs / n);
    }
    return 0;
}
