// cardtool: card layouts, card pictures, filled cards, simulated camera frames
// and test corpora.
#include <QPdfWriter>
#include <QPageSize>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "camera.h"
#include "cardfill.h"
#include "cardrender.h"
#include "corpus.h"
#include "frameformats.h"
#include "layoutfile.h"
#include "randomlayout.h"
#include "photos.h"
#include "recognition/picturescale.h"

using namespace tarvel;
using namespace tarvel::cards;

namespace {

// Command-line arguments: positional values and "--name value" options.
struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    bool help = false;

    std::string get(const std::string& name, const std::string& fallback = "") const {
        auto it = options.find(name);
        return it == options.end() ? fallback : it->second;
    }
    bool has(const std::string& name) const { return options.count(name) != 0; }
};

// Options that take no value.
const char* kFlags[] = {"help", "blank-admission", "turned", "no-card", "dark-desk"};

bool parseArgs(int argc, char** argv, int first, Args& args, std::string& error) {
    for (int i = first; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            args.help = true;
        } else if (a.rfind("--", 0) == 0) {
            std::string name = a.substr(2);
            bool flag = false;
            for (const char* f : kFlags) flag = flag || name == f;
            if (flag) {
                args.options[name] = "1";
            } else if (i + 1 < argc) {
                args.options[name] = argv[++i];
            } else {
                error = "选项 " + a + " 缺少值";
                return false;
            }
        } else {
            args.positional.push_back(a);
        }
    }
    return true;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "cardtool: %s\n", message.c_str());
    return 1;
}

bool loadOrReport(const std::string& path, CardDesign& design) {
    std::string problem = loadDesign(path, design);
    if (problem.empty()) return true;
    fail(problem);
    return false;
}

int cmdCompile(const Args& a) {
    if (a.positional.size() != 1 || !a.has("out")) return fail("用法：cardtool compile LAYOUT --out DIR");
    CardDesign d;
    if (!loadOrReport(a.positional[0], d)) return 1;
    auto bytes = encodeTemplate(d.layout);
    std::string path = a.get("out") + "/" + d.datName();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) return fail("无法写入 " + path);
    return 0;
}

int cmdInfo(const Args& a) {
    if (a.positional.size() != 1) return fail("用法：cardtool info FILE.dat");
    CardDesign d;
    if (!loadOrReport(a.positional[0], d)) return 1;
    std::fputs(layoutJson(d).c_str(), stdout);
    return 0;
}


double number(const Args& a, const std::string& name, double fallback) {
    if (!a.has(name)) return fallback;
    size_t used = 0;
    const std::string text = a.get(name);
    double v = std::stod(text, &used);
    if (used != text.size()) throw std::invalid_argument("选项 --" + name + " 的值不是数字：" + text);
    return v;
}

uint64_t startValue(const Args& a) { return static_cast<uint64_t>(number(a, "seed", 1)); }

// The marks of a filled card: a description (--content) or a random card.
bool contentFrom(const Args& a, const CardDesign& d, CardContent& content, MarkStyle& style) {
    if (a.has("content")) {
        std::string problem = parseContent(a.get("content"), d.layout, content);
        if (!problem.empty()) {
            fail(problem);
            return false;
        }
    } else {
        Rng rng(startValue(a));
        std::vector<int> multiple;
        content = randomContent(d.layout, rng, a.has("blank-admission"), multiple);
    }
    if (a.has("blank-admission")) content.admission = std::string(d.layout.admissionDigits, ' ');
    style.faintShare = number(a, "faint", 0);
    style.smudges = static_cast<int>(number(a, "smudges", 0));
    style.strayDots = static_cast<int>(number(a, "dots", 0));
    return true;
}

CameraView viewFrom(const Args& a) {
    CameraView v;
    v.boxShare = number(a, "share", 0.8);
    v.rotation = number(a, "rotation", 0);
    v.tiltX = number(a, "tilt-x", 0);
    v.tiltY = number(a, "tilt-y", 0);
    v.shiftX = number(a, "shift-x", 0);
    v.shiftY = number(a, "shift-y", 0);
    v.turned = a.has("turned");
    v.noCard = a.has("no-card");
    return v;
}

CameraLook lookFrom(const Args& a) {
    CameraLook l;
    l.exposure = number(a, "exposure", l.exposure);
    l.blur = number(a, "blur", l.blur);
    l.warmth = number(a, "warmth", l.warmth);
    l.noise = number(a, "noise", l.noise);
    l.shadow = number(a, "shadow", 0);
    l.shadowAngle = number(a, "shadow-angle", 30);
    l.jpegQuality = static_cast<int>(number(a, "quality", l.jpegQuality));
    if (a.has("dark-desk")) {
        l.desk = QColor(52, 44, 38);
        l.underlay = false;
    }
    return l;
}

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

// A frame as an image file, or as raw camera bytes with --format.
bool writeFrame(const Args& a, const QImage& frame, const std::string& path) {
    if (a.has("format")) {
        FrameFormat f;
        if (!frameFormatFromName(a.get("format"), f)) {
            fail("未知的帧格式：" + a.get("format") + "（bgr24、yuy2、i420、mjpg）");
            return false;
        }
        if (!writeBytes(path, encodeFrame(frame, f, static_cast<int>(number(a, "quality", 85))))) {
            fail("无法写入 " + path);
            return false;
        }
        return true;
    }
    if (!frame.save(QString::fromStdString(path), nullptr, 95)) {
        fail("无法写入 " + path);
        return false;
    }
    return true;
}

int cmdRandom(const Args& a) {
    if (!a.positional.empty() || !a.has("out")) return fail("用法：cardtool random --out DIR [--count N] [--seed N]");
    const int count = static_cast<int>(number(a, "count", 10));
    if (count < 1 || count > 99) return fail("--count 应在1到99之间");
    for (const CardDesign& d : randomDesigns(startValue(a), count)) {
        const std::string base = a.get("out") + "/" + d.name;
        const std::string text = layoutText(d);
        const auto bytes = encodeTemplate(d.layout);
        if (!writeBytes(base + ".layout", std::vector<uint8_t>(text.begin(), text.end())) ||
            !writeBytes(base + ".dat", std::vector<uint8_t>(bytes.begin(), bytes.end()))) {
            return fail("无法写入 " + base);
        }
    }
    return 0;
}

int cmdFill(const Args& a) {
    if (a.positional.size() != 1 || !a.has("out")) return fail("用法：cardtool fill LAYOUT --out FILE [选项]");
    ensureGui();
    CardDesign d;
    if (!loadOrReport(a.positional[0], d)) return 1;
    CardContent content;
    MarkStyle style;
    if (!contentFrom(a, d, content, style)) return 1;
    QImage sheet = renderFilledSheet(d, number(a, "dpi", 150) / 25.4, content, style, startValue(a));
    if (!sheet.save(QString::fromStdString(a.get("out")), nullptr, 92)) return fail("无法写入 " + a.get("out"));
    return 0;
}

int cmdPhoto(const Args& a) {
    if (a.positional.size() != 1 || !a.has("out")) return fail("用法：cardtool photo LAYOUT --out FILE [选项]");
    ensureGui();
    CardDesign d;
    if (!loadOrReport(a.positional[0], d)) return 1;
    CardContent content;
    MarkStyle style;
    if (!contentFrom(a, d, content, style)) return 1;
    const CameraView view = viewFrom(a);
    CardPlacement at;
    QImage sheet = renderFilledSheet(d, sheetResolutionFor(d.layout, view), content, style, startValue(a), &at);
    QImage frame = photograph(sheet, at, d.layout, view, lookFrom(a), startValue(a) + 1);
    return writeFrame(a, frame, a.get("out")) ? 0 : 1;
}

int cmdSequence(const Args& a) {
    if (a.positional.empty() || !a.has("out")) return fail("用法：cardtool sequence LAYOUT... --out DIR [选项]");
    ensureGui();
    std::vector<StreamCard> cards;
    Rng rng(startValue(a));
    const int count = static_cast<int>(number(a, "cards", static_cast<double>(a.positional.size())));
    for (int i = 0; i < count; ++i) {
        CardDesign d;
        if (!loadOrReport(a.positional[i % a.positional.size()], d)) return 1;
        CardContent content;
        MarkStyle style;
        std::vector<int> multiple;
        content = randomContent(d.layout, rng, i == 0, multiple);
        StreamCard c;
        c.layout = d.layout;
        c.view = viewFrom(a);
        c.view.rotation += rng.uniform(-4, 4);
        c.look = lookFrom(a);
        c.stillFrames = static_cast<int>(std::lround(number(a, "still", 3.0) * 10));
        c.sheet = renderFilledSheet(d, sheetResolutionFor(d.layout, c.view), content, style, rng.next(), &c.at);
        cards.push_back(c);
    }
    const std::string dir = a.get("out");
    const std::string ext = a.has("format") ? "." + a.get("format") : ".jpg";
    std::ofstream list(dir + "/sequence.jsonl", std::ios::trunc);
    if (!list) return fail("无法写入 " + dir + "/sequence.jsonl");
    int n = 0;
    bool ok = true;
    frameStream(cards, static_cast<int>(number(a, "slide", 8)), static_cast<int>(number(a, "gap", 5)), rng.next(),
                [&](const StreamFrame& f) {
                    char name[32];
                    std::snprintf(name, sizeof name, "%05d", n++);
                    const std::string file = std::string(name) + ext;
                    ok = ok && writeFrame(a, f.image, dir + "/" + file);
                    list << "{\"file\": \"" << file << "\", \"time_ms\": " << (n - 1) * 100 << ", \"card\": " << f.card
                         << ", \"phase\": \"" << phaseName(f.phase) << "\"}\n";
                });
    return ok && list.flush() ? 0 : 1;
}

// An 8-bit palette of the image's 256 most frequent colours (5 bits per
// channel), each pixel mapped to the nearest one: small files without the
// banding of a fixed colour cube.
QImage withOwnPalette(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    std::map<int, int> counts;
    auto bin = [](QRgb c) { return (qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | (qBlue(c) >> 3); };
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) ++counts[bin(image.pixel(x, y))];
    }
    std::vector<std::pair<int, int>> bins(counts.begin(), counts.end());
    std::sort(bins.begin(), bins.end(), [](auto& a, auto& b) { return a.second > b.second; });
    QVector<QRgb> palette;
    for (size_t i = 0; i < bins.size() && i < 256; ++i) {
        const int b = bins[i].first;
        palette.push_back(qRgb(((b >> 10) & 31) * 8 + 4, ((b >> 5) & 31) * 8 + 4, (b & 31) * 8 + 4));
    }
    QImage out(image.size(), QImage::Format_Indexed8);
    out.setColorTable(palette);
    std::map<int, int> nearest;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            auto it = nearest.find(bin(c));
            if (it == nearest.end()) {
                int best = 0, bestDistance = 1 << 30;
                for (int i = 0; i < palette.size(); ++i) {
                    const int dr = qRed(palette[i]) - qRed(c), dg = qGreen(palette[i]) - qGreen(c),
                              db = qBlue(palette[i]) - qBlue(c);
                    const int distance = dr * dr + dg * dg + db * db;
                    if (distance < bestDistance) best = i, bestDistance = distance;
                }
                it = nearest.emplace(bin(c), best).first;
            }
            out.setPixel(x, y, static_cast<uint>(it->second));
        }
    }
    return out;
}

// The two README pictures, small: 8-bit palette PNGs.
int cmdDocs(const Args& a) {
    if (a.positional.size() != 1 || !a.has("out")) return fail("用法：cardtool docs LAYOUT --out DIR");
    ensureGui();
    CardDesign d;
    if (!loadOrReport(a.positional[0], d)) return 1;
    Rng rng(4);
    std::vector<int> multiple;
    CardContent content = randomContent(d.layout, rng, false, multiple);
    MarkStyle style;
    style.strayDots = 2;
    QImage card = renderFilledSheet(d, 72 / 25.4, content, style, 4);
    CameraView view;
    view.boxShare = 0.78;
    view.rotation = 4;
    view.tiltX = 3;
    view.tiltY = -2;
    view.shiftX = 12;
    CardPlacement at;
    QImage sheet = renderFilledSheet(d, sheetResolutionFor(d.layout, view), content, style, 4, &at);
    QImage frame = photograph(sheet, at, d.layout, view, CameraLook{}, 5);
    // A phone photo, shown whole, and the working frame the read makes of it.
    const QImage photo = examplePhoto(d, 4);
    StillPicture still;
    still.assign(bitmapFromImage(photo));
    ImageSet images;
    images.create(3);
    LocationResult located;
    CardLocator locator;
    ReadStillPicture(still, images, d.layout, d.family(), located, locator);
    const QImage photoFrame = imageFromBitmap(images.color);
    const QImage photoWhole = photo.scaled(kFrameWidth, kFrameHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const std::string dir = a.get("out");
    for (auto [image, name] : {std::pair{card, "card.png"}, std::pair{frame, "frame.png"},
                               std::pair{photoWhole, "photo.png"}, std::pair{photoFrame, "photo-frame.png"}}) {
        const QImage small = withOwnPalette(image);
        if (!small.save(QString::fromStdString(dir + "/" + name), "PNG", 0)) return fail("无法写入 " + dir + "/" + name);
    }
    return 0;
}

int cmdCorpus(const Args& a) {
    if (!a.has("out")) return fail("用法：cardtool corpus --out DIR [--sets normal,hard,refuse,bleed,layouts,wronglayout,photos] [--seed N]");
    ensureGui();
    CorpusOptions options;
    options.out = a.get("out");
    options.sets = a.get("sets", "normal,hard,refuse");
    options.start = startValue(a);
    options.layoutDir = a.get("layouts", "");
    if (a.has("count")) options.count = static_cast<int>(number(a, "count", 0));
    options.randomLayouts = static_cast<int>(number(a, "random-layouts", options.randomLayouts));
    if (options.randomLayouts < 1 || options.randomLayouts > 99) return fail("--random-layouts 应在1到99之间");
    options.bmp = a.get("image", "jpg") == "bmp";
    std::string problem = writeCorpus(options, [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
    return problem.empty() ? 0 : fail(problem);
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Every layout at true size, one per A4 page, centred.
bool writePdf(const std::vector<CardDesign>& designs, const std::string& path) {
    QPdfWriter pdf(QString::fromStdString(path));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setResolution(600);
    pdf.setTitle(QStringLiteral("答题卡"));
    pdf.setCreator(QStringLiteral("cardtool"));
    QPainter p;
    if (!p.begin(&pdf)) return false;
    const double perMm = 600 / 25.4;
    const QRect page = pdf.pageLayout().paintRectPixels(600);
    for (size_t i = 0; i < designs.size(); ++i) {
        if (i > 0) pdf.newPage();
        const CardTemplate& t = designs[i].layout;
        Box s = sheetBox(t);
        const double left = (page.width() - s.width() * perMm) / 2;
        const double top = (page.height() - s.height() * perMm) / 2;
        CardPlacement at{perMm, left - s.left * perMm, page.height() - (top + (s.top - 0) * perMm)};
        // A light cutting frame around the card.
        p.setPen(QPen(QColor(200, 200, 200), 2, Qt::DashLine));
        p.drawRect(QRectF(left, top, s.width() * perMm, s.height() * perMm));
        paintCard(p, page.height(), designs[i], at);
    }
    return p.end();
}

int cmdRender(const Args& a) {
    if (a.positional.empty() || !a.has("out")) {
        return fail("用法：cardtool render LAYOUT... --out FILE(.jpg|.png|.pdf) [--width PX | --dpi N]");
    }
    ensureGui();
    std::vector<CardDesign> designs;
    for (const std::string& path : a.positional) {
        CardDesign d;
        if (!loadOrReport(path, d)) return 1;
        designs.push_back(d);
    }
    const std::string out = a.get("out");
    if (endsWith(out, ".pdf")) return writePdf(designs, out) ? 0 : fail("无法写入 " + out);
    if (designs.size() != 1) return fail("图片只能画一张卡");
    const CardDesign& d = designs[0];
    double perMm = std::stod(a.get("dpi", "150")) / 25.4;
    if (a.has("width")) perMm = std::stod(a.get("width")) / sheetBox(d.layout).width();
    QImage image = renderSheet(d, perMm);
    if (!image.save(QString::fromStdString(out), nullptr, 92)) return fail("无法写入 " + out);
    return 0;
}

struct Command {
    const char* name;
    const char* help;
    std::function<int(const Args&)> run;
};

const std::vector<Command>& commands() {
    static const std::vector<Command> list = {
        {"compile",
         "cardtool compile LAYOUT --out DIR\n"
         "  Compiles a layout source (.layout) into DIR/<name>.dat (392 bytes); fails on an unusable layout.\n",
         cmdCompile},
        {"random",
         "cardtool random --out DIR [--count 10] [--seed N]\n"
         "  Random but valid layouts of both families (DY and JD in turn): DIR/DY随机01.layout and .dat, ...\n"
         "  The same start value gives the same layouts as the corpus set \"layouts\".\n",
         cmdRandom},
        {"info",
         "cardtool info FILE.dat|FILE.layout\n"
         "  Prints every field of a layout as JSON (UTF-8).\n",
         cmdInfo},
        {"render",
         "cardtool render LAYOUT... --out FILE [--width PX | --dpi N]\n"
         "  Draws blank cards. FILE.jpg/.png: one card, the sheet scaled to PX wide or N dots per inch\n"
         "  (default 150). FILE.pdf: every layout at true size, one per A4 page.\n",
         cmdRender},
        {"fill",
         "cardtool fill LAYOUT --out FILE.png [--content TEXT | --seed N] [--blank-admission] [--faint SHARE]\n"
         "              [--smudges N] [--dots N] [--dpi N]\n"
         "  Draws a filled card. TEXT: \"admission=012345678 subject=02 score=085 ab=A answers=A,BD,,C\"\n"
         "  (\"_\" leaves a column empty); without --content a random card from --seed.\n",
         cmdFill},
        {"photo",
         "cardtool photo LAYOUT --out FILE [fill options] [--share 0.8] [--rotation DEG] [--tilt-x DEG]\n"
         "               [--tilt-y DEG] [--shift-x PX] [--shift-y PX] [--turned] [--no-card] [--dark-desk]\n"
         "               [--exposure 0.92] [--warmth 0..1] [--blur SIGMA] [--noise SIGMA] [--shadow 0..1]\n"
         "               [--quality Q]\n"
         "               [--format bgr24|yuy2|i420|mjpg]\n"
         "  A 640x480 camera frame of the filled card on white paper on a desk. --share: height of the\n"
         "  field-of-view box as a share of the frame height. With --format the camera's raw bytes are written.\n",
         cmdPhoto},
        {"sequence",
         "cardtool sequence LAYOUT... --out DIR [--cards N] [--still SECONDS] [--slide FRAMES] [--gap FRAMES]\n"
         "                  [photo options] [--seed N]\n"
         "  A 10 fps frame stream: each card slides in, lies still, slides out; the first card is the\n"
         "  standard answer (blank admission number). Writes DIR/00000.jpg ... and DIR/sequence.jsonl.\n",
         cmdSequence},
        {"docs",
         "cardtool docs LAYOUT --out DIR\n"
         "  Writes DIR/card.png (a filled card), DIR/frame.png (its simulated camera frame), DIR/photo.png (a\n"
         "  phone photo of a card) and DIR/photo-frame.png (the frame the read makes of it) as small palette\n"
         "  PNGs for the README.\n",
         cmdDocs},
        {"corpus",
         "cardtool corpus --out DIR [--sets normal,hard,refuse,bleed,layouts,wronglayout,photos] [--seed N]\n"
         "                [--count N] [--image jpg|bmp] [--layouts DIR] [--random-layouts N]\n"
         "  Test frames with their truth: DIR/<set>/NNNN.jpg and DIR/<set>/truth.jsonl. Sizes: normal 320,\n"
         "  hard 160, refuse 72, bleed 240 (careless marks running into neighbours), photos 200 (4000x3000\n"
         "  phone photos with EXIF orientation, A4 scans at 150-300 dpi as PNG and PDF); or --count per set.\n"
         "  layouts: 20 frames of each of N random layouts (default 40, the layouts of cardtool random) at\n"
         "  every distance where the lower line is at least 300 pixels long, in any light; wronglayout: the\n"
         "  shipped layouts and the first 9 random ones, each card read under each other layout (code 14).\n"
         "  Both sets hold the random layouts' .dat files beside their frames.\n",
         cmdCorpus},
    };
    return list;
}

void usage() {
    std::printf("cardtool COMMAND [options]   (cardtool COMMAND --help)\n\n");
    for (const Command& c : commands()) std::printf("%s\n", c.help);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        usage();
        return argc < 2 ? 1 : 0;
    }
    for (const Command& c : commands()) {
        if (argv[1] != std::string(c.name)) continue;
        Args args;
        std::string error;
        if (!parseArgs(argc, argv, 2, args, error)) return fail(error);
        if (args.help) {
            std::printf("%s", c.help);
            return 0;
        }
        try {
            return c.run(args);
        } catch (const std::exception& e) {
            return fail(e.what());
        }
    }
    return fail(std::string("未知命令：") + argv[1] + "（cardtool --help 列出所有命令）");
}
