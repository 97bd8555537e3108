// cardtool: card layouts, card pictures, filled cards, simulated camera frames
// and test corpora.
#include <QPdfWriter>
#include <QPageSize>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "cardrender.h"
#include "layoutfile.h"

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
const char* kFlags[] = {"help", "blank-admission", "bmp"};

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
        {"info",
         "cardtool info FILE.dat|FILE.layout\n"
         "  Prints every field of a layout as JSON (UTF-8).\n",
         cmdInfo},
        {"render",
         "cardtool render LAYOUT... --out FILE [--width PX | --dpi N]\n"
         "  Draws blank cards. FILE.jpg/.png: one card, the sheet scaled to PX wide or N dots per inch\n"
         "  (default 150). FILE.pdf: every layout at true size, one per A4 page.\n",
         cmdRender},
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
