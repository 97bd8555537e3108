#include "corpus.h"

#include <QDir>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "base/paths.h"
#include "base/prompter.h"
#include "cardfill.h"
#include "randomlayout.h"
#include "photos.h"
#include "recognition/cardread.h"
#include "recognition/pixelops.h"

namespace tarvel::cards {
namespace {

struct Pt {
    double x, y;  // frame pixels, y down
};

Pt project(const Homography& h, double u, double v) {
    Pt p;
    h.apply(u, v, p.x, p.y);
    return p;
}

enum class Where { Inside, Outside, Unclear };

Where whereIs(const Pt& p, double margin) {
    if (p.x >= margin && p.x <= kFrameWidth - margin && p.y >= margin && p.y <= kFrameHeight - margin) {
        return Where::Inside;
    }
    if (p.x < -margin || p.x > kFrameWidth + margin || p.y < -margin || p.y > kFrameHeight + margin) {
        return Where::Outside;
    }
    return Where::Unclear;
}

// Length of the part of segment a-b that lies where line tracing runs.
double visibleLength(const Pt& a, const Pt& b) {
    const int steps = 400;
    double inside = 0;
    const double len = std::hypot(b.x - a.x, b.y - a.y);
    for (int i = 0; i < steps; ++i) {
        const double t = (i + 0.5) / steps;
        const double x = a.x + (b.x - a.x) * t, y = a.y + (b.y - a.y) * t;
        if (x >= 2 && x <= kFrameWidth - 3 && y >= 1 && y <= kFrameHeight - 2) inside += len / steps;
    }
    return inside;
}

std::string jsonText(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

struct Case {
    const CardDesign* design = nullptr;  // the card in the picture
    const CardDesign* chosen = nullptr;  // the layout it is read under
    CardContent content;
    std::vector<int> multiple;
    MarkStyle style;
    CameraView view;
    CameraLook look;
    int code = 0;
    bool blank = false;  // nothing on the card is marked (no card in view)
};

class CorpusWriter {
public:
    CorpusWriter(const CorpusOptions& o, std::vector<CardDesign> designs, std::vector<CardDesign> random)
        : o_(o), designs_(std::move(designs)), random_(std::move(random)) {
        // Wrong layouts: every ordered pair of the shipped layouts and the
        // first few random ones.
        std::vector<const CardDesign*> all;
        for (const CardDesign& d : designs_) all.push_back(&d);
        for (size_t i = 0; i < random_.size() && i < kWrongLayoutRandoms; ++i) all.push_back(&random_[i]);
        for (const CardDesign* drawn : all) {
            for (const CardDesign* chosen : all) {
                if (drawn != chosen) pairs_.push_back({drawn, chosen});
            }
        }
    }

    std::string writeSet(const std::string& set, const std::function<void(const std::string&)>& progress) {
        int n = o_.count;
        if (n <= 0) {
            n = set == "normal"        ? 320
                : set == "hard"        ? 160
                : set == "bleed"       ? 240
                : set == "layouts"     ? kFramesPerLayout * static_cast<int>(random_.size())
                : set == "wronglayout" ? static_cast<int>(pairs_.size())
                                       : 72;
        }
        const std::string dir = o_.out + "/" + set;
        if (!QDir().mkpath(QString::fromStdString(dir))) return "无法创建文件夹 " + dir;
        if (set == "layouts" || set == "wronglayout") {
            // The random layouts travel with their frames.
            for (const CardDesign& d : random_) {
                const auto bytes = encodeTemplate(d.layout);
                std::ofstream out(dir + "/" + d.datName(), std::ios::binary | std::ios::trunc);
                out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
                if (!out.flush()) return "无法写入 " + dir + "/" + d.datName();
            }
        }
        std::ofstream truth(dir + "/truth.jsonl", std::ios::trunc);
        if (!truth) return "无法写入 " + dir + "/truth.jsonl";
        uint64_t salt = 0;
        for (char c : set) salt = salt * 131 + static_cast<unsigned char>(c);
        Rng rng(o_.start * 0x9E3779B97F4A7C15ull ^ salt);
        for (int i = 0; i < n; ++i) {
            Case c;
            QImage frame;
            // A view that does not give the frame it was meant to give (a
            // black share on the wrong side of 20 %) is drawn again.
            for (int attempt = 0;; ++attempt) {
                if (attempt > 40) return "无法生成 " + set + " 第" + std::to_string(i) + "帧";
                c = makeCase(set, i, n, rng);
                frame = shoot(c, rng.next());
                const int black = blackShareAt100(frame);
                if (!(c.code == 12 ? black > 22 : black < 18)) continue;
                if (c.code != 0 || readsAsTruth(frame, c, set)) break;
                ++redrawn_;
            }
            char name[32];
            std::snprintf(name, sizeof name, "%04d.%s", i, o_.bmp ? "bmp" : "jpg");
            const std::string path = dir + "/" + name;
            if (!frame.save(QString::fromStdString(path), o_.bmp ? "BMP" : "JPG", 95)) return "无法写入 " + path;
            truth << truthLine(name, c) << "\n";
        }
        if (!truth.flush()) return "无法写入 " + dir + "/truth.jsonl";
        progress(set + ": " + std::to_string(n) + " 帧 -> " + dir + "（重画 " + std::to_string(redrawn_) +
                 " 帧：完美定位下读卡与真值不符）");
        redrawn_ = 0;
        return "";
    }

private:
    // Faint marks (gray 100-130 under dim, uneven light) may be lost to any
    // reader, so a hard frame is kept only if the mark reader, given a
    // perfect location, reads its answers as marked. Everything else on a
    // card is drawn legibly by construction and is never filtered: a misread
    // there is the reader's fault and must show in the counts.
    bool readsAsTruth(const QImage& frame, const Case& c, const std::string& set) const {
        if (set != "hard") return true;
        const CardDesign& d = *c.design;
        CardReading r = readWithPerfectLocation(frame, d, c.view, c.multiple);
        for (size_t q = 0; q < c.content.answers.size(); ++q) {
            if (r.answers[q] != c.content.answers[q]) return false;
        }
        return true;
    }

    QImage shoot(const Case& c, uint64_t start) {
        const CardDesign& d = *c.design;
        CardPlacement at;
        QImage sheet = renderFilledSheet(d, sheetResolutionFor(d.layout, c.view), c.content, c.style, start, &at);
        return photograph(sheet, at, d.layout, c.view, c.look, start + 1);
    }

    Case makeCase(const std::string& set, int i, int n, Rng& rng) {
        Case c;
        if (set == "layouts") {
            // Each layout's first frame is its standard answer; its frames
            // run through every distance the card can be taken from.
            const int layouts = static_cast<int>(random_.size());
            c.design = c.chosen = &random_[static_cast<size_t>(i % layouts)];
            c.content = randomContent(c.design->layout, rng, i < layouts, c.multiple);
            sitExam(c, i % layouts);
            const int frames = (n + layouts - 1) / layouts;
            randomLook(c, rng);
            placeAtDistance(c, rng, (i / layouts + rng.uniform()) / frames);
            keepPaperReadable(c);
            return c;
        }
        if (set == "wronglayout") {
            const auto& [drawn, chosen] = pairs_[static_cast<size_t>(i) % pairs_.size()];
            c.design = drawn;
            c.chosen = chosen;
            c.content = randomContent(drawn->layout, rng, i % 10 == 0, c.multiple);
            normalLook(c, rng);
            placeAsWrongLayout(c, rng);
            return c;
        }
        c.design = c.chosen = &designs_[static_cast<size_t>(i) % designs_.size()];
        const CardTemplate& t = c.design->layout;
        c.content = randomContent(t, rng, i % 10 == 0, c.multiple);
        if (set == "hard") {
            hardLook(c, rng);
            placeForCodeZero(c, rng, 0.55, 0.92, 15, 8.4);
            keepPaperReadable(c);
        } else if (set == "refuse") {
            normalLook(c, rng);
            refuse(c, i, rng);
        } else {
            normalLook(c, rng);
            if (set == "bleed") {
                // Careless filling under ordinary light, a little softer focus.
                c.look.blur = rng.uniform(0.8, 1.3);
                c.style.bleedShare = rng.uniform(0.10, 0.30);
                c.style.offCentreShare = 0.10;
            }
            placeForCodeZero(c, rng, 0.6, 0.9, 8, 4.2);
        }
        return c;
    }

    void normalLook(Case& c, Rng& rng) {
        CameraLook& l = c.look;
        l.exposure = rng.uniform(0.82, 0.97);
        l.gradient = rng.uniform(0, 0.12);
        l.gradientAngle = rng.uniform(0, 360);
        l.vignette = rng.uniform(0.04, 0.14);
        l.blur = rng.uniform(0.4, 1.0);
        l.noise = rng.uniform(1.5, 3.5);
        l.jpegQuality = rng.integer(75, 95);
        // Light wood or laminate: warm, never saturated.
        const double light = rng.uniform(190, 228);
        const double warm = rng.uniform(0.0, 1.0);
        l.desk = QColor(static_cast<int>(light), static_cast<int>(light * (0.97 - 0.06 * warm)),
                        static_cast<int>(light * (0.93 - 0.16 * warm)));
        l.underlayTurn = rng.uniform(-8, 8);
        c.style.strayDots = rng.integer(0, 2);
        // Now and then a mark runs into its neighbour or sits off centre.
        c.style.bleedShare = 0.03;
        c.style.offCentreShare = 0.03;
    }

    void hardLook(Case& c, Rng& rng) {
        normalLook(c, rng);
        CameraLook& l = c.look;
        l.exposure = rng.uniform(0.6, 0.8);
        l.gradient = rng.uniform(0.1, 0.3);
        l.vignette = rng.uniform(0.1, 0.25);
        if (rng.chance(0.5)) castShadow(l, rng, 0.15, 0.35);
        l.blur = rng.uniform(0.9, 1.5);
        l.noise = rng.uniform(3, 6);
        l.jpegQuality = rng.integer(55, 80);
        c.style.faintShare = 0.15;
        c.style.smudges = rng.integer(0, 3);
        c.style.strayDots = rng.integer(0, 4);
        c.style.darkest = 50;
        c.style.lightest = 100;
    }

    // All cards of one layout answer one exam, so that the set can be graded
    // as a class is: one subject, the last fifth of the questions (at least
    // one) multiple choice.
    void sitExam(Case& c, int layout) const {
        const CardTemplate& t = c.design->layout;
        const std::string code = t.subjects[layout % t.subjectCount].code;
        c.content.subject = std::string(std::max(0, t.subjectColumns - static_cast<int>(code.size())), '0') + code;
        const int n = static_cast<int>(c.content.answers.size());
        const int multipleFrom = n - std::max(1, n / 5);
        c.multiple.clear();
        for (int q = 0; q < n; ++q) {
            std::string& answer = c.content.answers[static_cast<size_t>(q)];
            if (q >= multipleFrom) {
                c.multiple.push_back(q + 1);
            } else if (answer.size() > 1) {
                answer = answer.substr(0, 1);
            }
        }
    }

    // Any light a desk lamp or a window gives: dim or bright, daylight or a
    // warm bulb, sharp or a little out of focus, now and then a shadow.
    void randomLook(Case& c, Rng& rng) {
        normalLook(c, rng);
        CameraLook& l = c.look;
        if (rng.chance(0.5)) {
            l.exposure = rng.uniform(0.6, 0.82);
            l.noise = rng.uniform(2.5, 5);
        }
        if (rng.chance(0.5)) l.warmth = rng.uniform(0.3, 1.0);
        l.blur = rng.uniform(0.4, 1.5);
        if (rng.chance(0.2)) castShadow(l, rng, 0.1, 0.3);
        l.jpegQuality = rng.integer(60, 95);
    }

    // A soft shadow (a hand, a lamp's arm) somewhere across the frame.
    static void castShadow(CameraLook& l, Rng& rng, double lightest, double darkest) {
        l.shadow = rng.uniform(lightest, darkest);
        l.shadowAngle = rng.uniform(0, 360);
        l.shadowOffset = rng.uniform(-150, 150);
    }

    // Dim and uneven, but like a webcam's automatic exposure: the darkest
    // paper on the card stays at gray 145 or more.
    void keepPaperReadable(Case& c) {
        const CardTemplate& t = c.design->layout;
        const Homography h = cardToFrame(t, c.view);
        const Box b = fieldOfViewBox(t);
        double darkest = 1;
        for (int i = 0; i <= 4; ++i) {
            for (int j = 0; j <= 4; ++j) {
                double x, y;
                h.apply(b.left + b.width() * i / 4, b.bottom + b.height() * j / 4, x, y);
                darkest = std::min(darkest, c.look.lightAt(x, y));
            }
        }
        const double paper = 255 * 0.95 * darkest;
        if (paper < 145) c.look.exposure *= 145 / paper;
    }

    void randomView(CameraView& v, Rng& rng, double shareLow, double shareHigh, double rotation, double tilt,
                    double shift) {
        v.boxShare = rng.uniform(shareLow, shareHigh);
        v.rotation = rng.uniform(-rotation, rotation);
        v.tiltX = rng.uniform(-tilt, tilt);
        v.tiltY = rng.uniform(-tilt, tilt);
        v.shiftX = rng.uniform(-shift, shift);
        v.shiftY = rng.uniform(-shift, shift) * 0.75;
    }

    // Where the whole card is in view at `at` (0..1) of the distances at
    // which its lower line is at least kMinLowerLinePixels long.
    void placeAtDistance(Case& c, Rng& rng, double at) {
        const CardTemplate& t = c.design->layout;
        const ScaleRange scales = photographableScales(t);
        const double scale = scales.low + (scales.high - scales.low) * std::clamp(at, 0.0, 1.0);
        const double share = scale * fieldOfViewBox(t).height() / kFrameHeight;
        for (int attempt = 0; attempt < 20000; ++attempt) {
            const double room = 1.0 - std::min(0.9, attempt / 4000.0);
            randomView(c.view, rng, share, share, 8 * room, 5 * room, 80 * room);
            bool clear = false;
            if (expectedCode(t, c.view, 8, clear) == 0 && clear && lowerLinePixels(t, c.view) >= kMinLowerLinePixels) {
                c.code = 0;
                return;
            }
        }
        throw std::runtime_error("没有找到 " + c.design->name + " 整张卡都在画面内的拍摄位置");
    }

    // A card in view whose lines, read with the chosen layout's proportions,
    // would put that layout's field of view in view too: only what is
    // printed between and above the lines can tell the two apart.
    void placeAsWrongLayout(Case& c, Rng& rng) {
        const CardTemplate& drawn = c.design->layout;
        CardTemplate seen = c.chosen->layout;
        seen.cellWidth *= drawn.lowerLineLength / seen.lowerLineLength;
        seen.cellHeight *= drawn.lineSpacing / seen.lineSpacing;
        seen.lowerLineLength = drawn.lowerLineLength;
        seen.lineSpacing = drawn.lineSpacing;
        for (int attempt = 0; attempt < 20000; ++attempt) {
            randomView(c.view, rng, 0.55, 0.92, 8, 4.2, 80);
            bool clear = false, seenClear = false;
            if (expectedCode(drawn, c.view, 8, clear) != 0 || !clear) continue;
            if (attempt < 10000 && (expectedCode(seen, c.view, 8, seenClear) != 0 || !seenClear)) continue;
            c.code = codeOf(ReadResult::WrongLayout);
            return;
        }
        throw std::runtime_error("没有找到 " + c.design->name + " 整张卡都在画面内的拍摄位置");
    }

    void placeForCodeZero(Case& c, Rng& rng, double shareLow, double shareHigh, double rotation, double tilt) {
        const CardTemplate& t = c.design->layout;
        for (int attempt = 0; attempt < 100000; ++attempt) {
            // Large cards get less room to move; every tenth try is centred.
            randomView(c.view, rng, shareLow, shareHigh, rotation, tilt, attempt % 10 == 9 ? 0 : 80);
            bool clear = false;
            if (expectedCode(t, c.view, 8, clear) == 0 && clear) {
                c.code = 0;
                return;
            }
            if (attempt % 200 == 199) shareHigh = std::max(shareLow, shareHigh - 0.02);
        }
        throw std::runtime_error("没有找到整张卡都在画面内的拍摄位置");
    }

    // Twelve kinds of frames that location must refuse.
    void refuse(Case& c, int i, Rng& rng) {
        const CardTemplate& t = c.design->layout;
        const int kind = i % 12;
        static const int targets[9] = {3, 4, 5, 6, 7, 8, 9, 10, 11};
        if (kind < 9) {
            c.view.turned = kind == 8;
            bool found = false;
            for (int attempt = 0; attempt < 400000 && !found; ++attempt) {
                const double share = kind == 8 ? rng.uniform(0.75, 0.92) : rng.uniform(0.65, 0.95);
                randomView(c.view, rng, share, share, kind == 8 ? 4 : 10, 3, 260);
                bool clear = false;
                found = expectedCode(t, c.view, 4, clear) == targets[kind] && clear;
            }
            if (!found) throw std::runtime_error("没有找到能得到代码" + std::to_string(targets[kind]) + "的拍摄位置");
            c.code = targets[kind];
        } else if (kind == 9) {
            // A dark desk without white paper under a small card.
            randomView(c.view, rng, 0.5, 0.6, 6, 3, 20);
            c.look.desk = QColor(rng.integer(40, 70), rng.integer(34, 58), rng.integer(28, 50));
            c.look.underlay = false;
            c.code = 12;
        } else {
            // No card: the white paper, or the bare desk.
            c.view.noCard = true;
            c.look.underlay = kind == 10;
            c.content = CardContent{};
            c.content.admission = std::string(t.admissionDigits, ' ');
            c.content.subject = std::string(t.subjectColumns, ' ');
            c.content.score = std::string(t.scoreDigits, ' ');
            c.content.answers.assign(std::min(t.questionCount, kMaxQuestions), "");
            c.content.abFlag = effectiveAbFlag(t, 0);
            c.multiple.clear();
            c.blank = true;
            c.code = 1;
        }
    }

    std::string truthLine(const std::string& file, const Case& c) const {
        const CardDesign& d = *c.design;
        std::ostringstream s;
        s << "{" << truthFields(file, c.chosen->datName(), c.code, d.layout, c.content, c.multiple);
        if (!c.view.noCard) {
            // The true ends of the detection lines as location names them, in
            // picture pixel units (pixel centres at whole numbers).
            const CardTemplate& t = d.layout;
            const Homography h = cardToFrame(t, c.view);
            const double L = t.lowerLineLength, S = t.lineSpacing;
            const double u[4] = {0, L, 0, L}, v[4] = {-S, -S, 0, 0};
            s << ", \"ends\": [";
            for (int k = 0; k < 4; ++k) {
                const int m = c.view.turned ? 3 - k : k;
                double x, y;
                framePicturePoint(h, u[m], v[m], x, y);
                char text[48];
                std::snprintf(text, sizeof text, "%s%.2f, %.2f", k ? ", " : "", x - 0.5, y - 0.5);
                s << text;
            }
            s << "]";
        }
        s << "}";
        return s.str();
    }

    static constexpr size_t kWrongLayoutRandoms = 9;
    static constexpr int kFramesPerLayout = 20;

    CorpusOptions o_;
    std::vector<CardDesign> designs_;
    std::vector<CardDesign> random_;
    std::vector<std::pair<const CardDesign*, const CardDesign*>> pairs_;
    int redrawn_ = 0;
};

}  // namespace

std::string truthFields(const std::string& file, const std::string& layoutName, int code, const CardTemplate& t,
                        const CardContent& content, const std::vector<int>& multiple) {
    std::ostringstream s;
    s << "\"file\": " << jsonText(file) << ", \"layout\": " << jsonText(layoutName) << ", \"code\": " << code
      << ", \"abFlag\": " << effectiveAbFlag(t, content.abFlag) << ", \"admission\": " << jsonText(content.admission)
      << ", \"subject\": " << jsonText(content.subject)
      << ", \"score\": " << (t.scoreDigits > 0 ? jsonText(content.score) : "null") << ", \"answers\": [";
    for (size_t q = 0; q < content.answers.size(); ++q) s << (q ? ", " : "") << jsonText(content.answers[q]);
    s << "], \"multiple\": [";
    for (size_t k = 0; k < multiple.size(); ++k) s << (k ? ", " : "") << multiple[k];
    s << "]";
    return s.str();
}

CardReading readWithPerfectLocation(const QImage& frame, const CardDesign& design, const CameraView& view,
                                    const std::vector<int>& multiple, std::vector<std::string>* messages) {
    CardPlacement at;
    Bitmap normalized = rectifyWithTruth(frame, design.layout, view, at);
    Bitmap confirmation = normalized.clone();
    const LocationResult place = locationFor(design.layout, at);
    ScriptedPrompter prompter;
    MarkReader reader(design.layout, design.family(), place, normalized, confirmation, prompter);
    CardReading r;
    reader.PrepareCardGeometry(r);
    reader.BinarizeReadingAreas();
    reader.ReadAdmissionNumber(r, design.layout.admissionDigits);
    reader.ReadSubjectCode(r);
    if (design.layout.scoreDigits > 0 && !reader.ReadSubjectiveScore(r)) r.subjectiveScore = -1;
    std::array<bool, kMaxQuestions> isMultiple{};
    for (int q : multiple) {
        if (q >= 1 && q <= kMaxQuestions) isMultiple[q - 1] = true;
    }
    reader.ReadAnswers(r, design.layout.questionCount, isMultiple);
    if (messages) *messages = prompter.texts();
    return r;
}

int blackShareAt100(const QImage& frame) {
    Bitmap b = bitmapFromImage(frame);
    BinarizeFixed(b, kFrameThreshold);
    return BlackPercent(b);
}

int expectedCode(const CardTemplate& t, const CameraView& view, double margin, bool& clear) {
    clear = true;
    const Homography h = cardToFrame(t, view);
    const double L = t.lowerLineLength, S = t.lineSpacing, cw = t.cellWidth, ch = t.cellHeight;
    // Line ends and field-of-view corners as location names them; on a
    // turned card its lower line is the printed upper one.
    Pt ends[4], corners[4];
    if (!view.turned) {
        ends[0] = project(h, 0, -S), ends[1] = project(h, L, -S), ends[2] = project(h, 0, 0), ends[3] = project(h, L, 0);
        corners[0] = project(h, -1.5 * cw, -S - ch), corners[1] = project(h, L + 1.5 * cw, -S - ch);
        corners[2] = project(h, -1.5 * cw, 12 * ch), corners[3] = project(h, L + 1.5 * cw, 12 * ch);
    } else {
        ends[0] = project(h, L, 0), ends[1] = project(h, 0, 0), ends[2] = project(h, L, -S), ends[3] = project(h, 0, -S);
        corners[0] = project(h, L + 1.5 * cw, ch), corners[1] = project(h, -1.5 * cw, ch);
        corners[2] = project(h, L + 1.5 * cw, -S - 12 * ch), corners[3] = project(h, -1.5 * cw, -S - 12 * ch);
    }
    if (view.noCard) return 1;
    const double lower = visibleLength(ends[0], ends[1]);
    const double upper = visibleLength(ends[2], ends[3]);
    // Too short to trace, or lengths too different to pair: not a clean case.
    if (lower < 240 || upper < 240 || std::abs(lower - upper) > 14) {
        clear = false;
        return lower < 200 || upper < 200 ? 1 : 2;
    }
    // Every end decides whether the lines are traced and paired, not only
    // the first one out: an end on the edge leaves the outcome to a pixel.
    for (int k = 0; k < 4; ++k) {
        if (whereIs(ends[k], margin) == Where::Unclear) clear = false;
    }
    for (int k = 0; k < 4; ++k) {
        if (whereIs(ends[k], margin) == Where::Inside) continue;
        // Lines cut by the frame's edge are traced from there: what is left
        // of them must be of about one length, or they may not pair at all.
        if (std::abs(lower - upper) > 6) clear = false;
        return 3 + k;
    }
    // An upper corner out of view leaves the card to its orientation mark:
    // an upright card whose mark is out of view too looks turned.
    const double markLeft = t.orientMarkX * cw + t.originOffsetX;
    const Pt mark[4] = {project(h, markLeft, 1.5 * ch), project(h, markLeft + cw, 1.5 * ch),
                        project(h, markLeft, -1.5 * ch), project(h, markLeft + cw, -1.5 * ch)};
    int markInside = 0;
    for (const Pt& p : mark) markInside += whereIs(p, margin) == Where::Inside;
    for (int k = 0; k < 4; ++k) {
        Where w = whereIs(corners[k], margin);
        if (w == Where::Unclear) clear = false;
        if (w == Where::Inside) continue;
        if (k < 2) return 7 + k;
        if (view.turned) return 11;
        if (markInside > 0 && markInside < 4) clear = false;
        return markInside == 4 ? 7 + k : 11;
    }
    // Location looks for the orientation mark on every card it finds.
    return view.turned ? 11 : 0;
}

double lowerLinePixels(const CardTemplate& t, const CameraView& view) {
    const Homography h = cardToFrame(t, view);
    const Pt a = project(h, 0, -t.lineSpacing), b = project(h, t.lowerLineLength, -t.lineSpacing);
    const Pt c = project(h, 0, 0), d = project(h, t.lowerLineLength, 0);
    // On a turned card location takes the printed upper line as the lower one.
    return view.turned ? std::hypot(d.x - c.x, d.y - c.y) : std::hypot(b.x - a.x, b.y - a.y);
}

std::string writeCorpus(const CorpusOptions& options, const std::function<void(const std::string&)>& progress) {
    std::string dir = options.layoutDir.empty() ? installedPath(installed::kTemplates) : options.layoutDir;
    QDir folder(QString::fromStdString(dir));
    QStringList names = folder.entryList({"DY*.layout", "JD*.layout", "DY*.dat", "JD*.dat"}, QDir::Files, QDir::Name);
    std::vector<CardDesign> designs;
    for (const QString& n : names) {
        CardDesign d;
        std::string problem = loadDesign(folder.filePath(n).toStdString(), d);
        if (!problem.empty()) return problem;
        designs.push_back(d);
    }
    if (designs.empty()) return "在 " + dir + " 中没有找到答题卡模板";
    try {
        const bool random = options.sets.find("layout") != std::string::npos;
        CorpusWriter writer(options, designs, random ? randomDesigns(options.start, options.randomLayouts)
                                                     : std::vector<CardDesign>{});
        std::stringstream sets(options.sets);
        std::string set;
        while (std::getline(sets, set, ',')) {
            if (set != "normal" && set != "hard" && set != "refuse" && set != "bleed" && set != "layouts" &&
                set != "wronglayout" && set != "photos") {
                return "未知的集合：" + set;
            }
            std::string problem =
                set == "photos" ? writePhotoSet(options, designs, progress) : writer.writeSet(set, progress);
            if (!problem.empty()) return problem;
        }
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

}  // namespace tarvel::cards
