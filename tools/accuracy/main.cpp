// tarvel-accuracy: runs corpora of camera frames through the card read, once
// as mended and once as first written, and prints, per set and layout, how
// many frames were read right, read with a wrong field (silent errors),
// refused although readable, or refused with another code than expected, and
// the regressions: frames the mended read gets wrong and the written one
// right. With --details every frame the mended read gets wrong and what the
// location measured, with --dump those frames and their rectified cards.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>

#include "base/paths.h"
#include "corpus.h"
#include "grading.h"
#include "recognition/imagefile.h"

using namespace tarvel;
using namespace tarvel::corpus;

namespace {

struct Tally {
    int frames = 0, right = 0, silent = 0, refused = 0, wrongCode = 0, regressions = 0;
    int longLine = 0, longLineRight = 0;  // frames whose lower line is at least 300 pixels long
    void add(Verdict v, bool regression, bool isLong) {
        ++frames;
        if (v == Verdict::Right) ++right;
        if (v == Verdict::SilentError) ++silent;
        if (v == Verdict::Refused) ++refused;
        if (v == Verdict::WronglyRefused) ++wrongCode;
        regressions += regression;
        longLine += isLong;
        longLineRight += isLong && v == Verdict::Right;
    }
};

// What the block's share rule did to the answers of the frames read: answers
// it made right (a neighbour's spill or a stray mark left out) and answers it
// made wrong (a genuine light mark left out).
struct ShareRule {
    int saved = 0, cost = 0;
    void add(const FrameResult& r) {
        if (r.code != codeOf(ReadResult::Ok) || r.truth.code != 0) return;
        for (size_t q = 0; q < r.truth.answers.size() && q < kMaxQuestions; ++q) {
            const std::string& want = r.truth.answers[q];
            const bool with = r.reading.reading.answers[q] == want;
            const bool without = AnswerLetters(r.reading.withoutShareRule[q]) == want;
            saved += with && !without;
            cost += without && !with;
        }
    }
};

// Random layouts are told by family: one row each for "DY随机" and "JD随机".
std::string rowName(const std::string& layout) {
    if (layout.find("随机") == std::string::npos) return layout;
    return layout.substr(0, 2) + "随机";
}

void printTable(const char* title, const std::map<std::pair<std::string, std::string>, Tally>& table,
                const Tally& total) {
    std::printf("%s\n%-12s %-28s %6s %6s %8s %6s %8s %6s %12s\n", title, "集合", "布局", "帧", "正确", "静默错误",
                "拒绝", "错误代码", "退步", "≥300像素正确");
    auto row = [](const std::string& set, const std::string& layout, const Tally& t) {
        std::printf("%-12s %-28s %6d %6d %8d %6d %8d %6d %6d/%-6d\n", set.c_str(), layout.c_str(), t.frames, t.right,
                    t.silent, t.refused, t.wrongCode, t.regressions, t.longLineRight, t.longLine);
    };
    for (const auto& [key, t] : table) row(key.first, key.second, t);
    row("合计", "", total);
}

const char* verdictName(Verdict v) {
    switch (v) {
        case Verdict::Right: return "正确";
        case Verdict::SilentError: return "静默错误";
        case Verdict::Refused: return "拒绝";
        case Verdict::WronglyRefused: return "错误代码";
    }
    return "";
}

void printDetails(const std::string& set, const FrameResult& r, bool regression) {
    const LocationDetails& d = r.details;
    std::printf("  %s/%s %s [%s%s] 代码 %d（应 %d）：%s\n", set.c_str(), r.truth.file.c_str(), r.truth.layout.c_str(),
                verdictName(r.verdict), regression ? "，退步" : "", r.code, r.truth.code, r.difference.c_str());
    std::printf("    线 %zu 对 %zu θ=%.4f 端点 L1(%d,%d) L2(%d,%d) L3(%d,%d) L4(%d,%d)\n", d.lines.size(), d.pairs.size(),
                d.theta, d.lineEnds[0].x, d.lineEnds[0].y, d.lineEnds[1].x, d.lineEnds[1].y, d.lineEnds[2].x,
                d.lineEnds[2].y, d.lineEnds[3].x, d.lineEnds[3].y);
    std::printf("    细化端点 L1(%.1f,%.1f) L2(%.1f,%.1f) L3(%.1f,%.1f) L4(%.1f,%.1f)\n", d.preciseEnds[0].x,
                d.preciseEnds[0].y, d.preciseEnds[1].x, d.preciseEnds[1].y, d.preciseEnds[2].x, d.preciseEnds[2].y,
                d.preciseEnds[3].x, d.preciseEnds[3].y);
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
    std::cerr << "用法：tarvel-accuracy [--layouts 模板文件夹] [--details] [--dump 文件夹] [--grade] 语料集文件夹...\n"
                 "  每帧读两次：修补后的读法和原算法；“退步”是修补后读错而原算法读对的帧。\n"
                 "  --grade：每个布局的帧按一个班级用 tarvel-grade 阅卷（先读标准答案），核对每个总分。\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string layouts = installedPath(installed::kTemplates);
    std::string dump;
    bool details = false;
    bool grade = false;
    std::vector<std::string> sets;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--layouts" && i + 1 < argc) {
            layouts = argv[++i];
        } else if (arg == "--dump" && i + 1 < argc) {
            dump = argv[++i];
        } else if (arg == "--details") {
            details = true;
        } else if (arg == "--grade") {
            grade = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return usage();
        } else {
            sets.push_back(arg);
        }
    }
    if (sets.empty()) return usage();
    if (!dump.empty()) std::filesystem::create_directories(dump);

    CorpusReader reader(layouts);
    std::map<std::pair<std::string, std::string>, Tally> mended, written;
    Tally mendedTotal, writtenTotal;
    std::map<std::string, ShareRule> shareRule;
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
            FrameResult r, w;
            if (!reader.readFrame(folder, truth, w, message, ReadMethod::Written) ||
                !reader.readFrame(folder, truth, r, message, ReadMethod::Mended)) {
                std::cerr << message << '\n';
                return 1;
            }
            const bool regression = r.verdict != Verdict::Right && w.verdict == Verdict::Right;
            const bool isLong = lowerLineLength(truth) >= 300;
            const std::pair<std::string, std::string> key{set, rowName(truth.layout)};
            mended[key].add(r.verdict, regression, isLong);
            mendedTotal.add(r.verdict, regression, isLong);
            written[key].add(w.verdict, false, isLong);
            writtenTotal.add(w.verdict, false, isLong);
            shareRule[set].add(r);
            if (r.truth.code == 0 && r.code == codeOf(ReadResult::Ok)) endError.add(r);
            if (r.verdict == Verdict::Right) continue;
            if (details) printDetails(set, r, regression);
            if (!dump.empty()) {
                const std::string base = dump + "/" + set + "-" + std::filesystem::path(truth.file).stem().string();
                // The frame the read saw: a photo or scan as it was scaled.
                writePngFile(base + ".png", reader.images().color);
                if (r.code == codeOf(ReadResult::Ok)) writePngFile(base + "-card.png", reader.images().normalized);
            }
        }
    }
    printTable("修补后的读法：", mended, mendedTotal);
    printTable("原算法（对照）：", written, writtenTotal);
    std::printf("块内比例规则（读出的帧中的题目）：");
    for (const auto& [set, rule] : shareRule) std::printf(" %s 读对 %d 题、读错 %d 题；", set.c_str(), rule.saved, rule.cost);
    std::printf("\n");
    if (grade) {
        const std::string program = programFolder() + "tarvel-grade";
        const std::string scratch = (std::filesystem::temp_directory_path() / "tarvel-accuracy-grade").string();
        for (const std::string& folder : sets) {
            GradeCheck check;
            std::string message;
            if (!gradeSet(folder, layouts, program, scratch, check, message)) {
                std::cerr << message << '\n';
                return 1;
            }
            std::printf("阅卷 %s：%d 个班级 %d 张卡，存入 %d，未存入 %d，总分错误 %d，标准答案未读入 %d\n%s",
                        std::filesystem::path(folder).filename().c_str(), check.classes, check.cards, check.stored,
                        check.refused, check.wrongTotals, check.standardsMissed, check.problems.c_str());
        }
        std::filesystem::remove_all(scratch);
    }
    if (endError.ends > 0) {
        const double n = endError.ends;
        std::printf("检测线端点（%d 个）：沿线平均 %+.2f 像素，平均绝对 %.2f，最大 %+.2f；横向（向上为正）平均 %+.2f，平均绝对 %.2f\n",
                    endError.ends, endError.along / n, endError.alongAbs / n, endError.worstAlong, endError.across / n,
                    endError.acrossAbs / n);
    }
    return 0;
}
