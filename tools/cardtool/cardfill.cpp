#include "cardfill.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <sstream>

namespace tarvel::cards {
namespace {

struct CellBox {
    double x, y, w, h;  // top-left corner (picture coordinates), size
};

class MarkPainter {
public:
    MarkPainter(QPainter& p, int height, const CardDesign& d, const CardPlacement& at, const MarkStyle& style,
                Rng rng)
        : p_(p), h_(height), t_(d.layout), at_(at), place_(locationFor(d.layout, at)), style_(style), rng_(rng) {}

    void paint(const CardContent& content) {
        p_.save();
        p_.setRenderHint(QPainter::Antialiasing, true);
        const int flag = effectiveAbFlag(t_, content.abFlag);
        if (t_.abMode == 0) markCell(cellAt(abFlagCell(t_, place_, flag == 1)), false);
        CardCells cells;
        computeCells(t_, place_, flag, cells);
        markColumns(cells.admission, content.admission);
        markColumns(cells.subject, content.subject);
        markColumns(cells.score, content.score);
        std::vector<CellBox> empty;
        for (int q = 0; q < cells.questionCount; ++q) {
            const std::string answer = q < static_cast<int>(content.answers.size()) ? content.answers[q] : "";
            for (int o = 0; o < 4; ++o) {
                if (answer.find(static_cast<char>('A' + o)) != std::string::npos) {
                    markCell(cellAt(cells.options[q][o]), true);
                } else if (answer.empty()) {
                    empty.push_back(cellAt(cells.options[q][o]));
                }
            }
        }
        // Erasures only on questions left blank, so that a smudge never sits
        // beside the mark that answers the question.
        for (int i = 0; i < style_.smudges && !empty.empty(); ++i) {
            size_t k = static_cast<size_t>(rng_.integer(0, static_cast<int>(empty.size()) - 1));
            smudge(empty[k]);
            empty.erase(empty.begin() + static_cast<long>(k));
        }
        for (int i = 0; i < style_.strayDots; ++i) strayDot(cells);
        p_.restore();
    }

private:
    QPointF dev(double x, double y) const { return {x, h_ - y}; }
    CellBox cellAt(const CellPos& c) const { return {c.x, c.y, place_.cellW, place_.cellH}; }

    void markColumns(const CellGrid& grid, const std::string& digits) {
        for (int i = 0; i < grid.columns && i < static_cast<int>(digits.size()); ++i) {
            const char c = digits[i];
            if (c < '0' || c > '9') continue;
            const int row = c - '0';
            if (row < grid.rows) markCell(cellAt(grid.at(i, row)), false);
        }
    }

    // A pencil fill: a rounded patch over about 55-75 % of the cell, a little
    // off centre, dark gray with stroke texture and paper grain showing through.
    // Faint marks only on answers: students fill their number carefully.
    void markCell(const CellBox& c, bool mayBeFaint) {
        const bool faint = rng_.chance(style_.faintShare) && mayBeFaint;
        const int core = faint ? rng_.integer(100, 130) : rng_.integer(style_.darkest, style_.lightest);
        // A mark stays clear of the pixels its neighbours read: sideways the
        // neighbouring option shares a boundary column; downwards the top row
        // of the cell below is read, while the cell above ignores its own two
        // bottom rows, so a mark may lean upwards but never down.
        const double fw = rng_.uniform(0.74, 0.86);
        const double fh = rng_.uniform(0.76, 0.88);
        const double w = fw * c.w;
        const double h = fh * c.h;
        const double sideways = std::max(0.0, std::min(0.03, (1 - fw) / 2 - 0.06));
        const double cx = c.x + c.w / 2 + rng_.uniform(-sideways, sideways) * c.w;
        const double low = 0.17 + fh / 2;
        const double high = std::max(low, 1.05 - fh / 2);
        const double cy = c.y - c.h + rng_.uniform(low, high) * c.h;
        double left = cx - w / 2, right = cx + w / 2, bottom = cy - h / 2, top = cy + h / 2;
        if (style_.bleedShare > 0 && rng_.chance(style_.bleedShare)) {
            // One side runs on past where a careful fill ends, up to a fifth
            // of a cell into the neighbour.
            const double past = rng_.uniform(style_.bleedLow, style_.bleedHigh);
            switch (rng_.integer(0, 3)) {
                case 0: right += c.w * past; break;
                case 1: left -= c.w * past; break;
                case 2: top += c.h * past; break;
                default: bottom -= c.h * past; break;
            }
        } else if (style_.offCentreShare > 0 && rng_.chance(style_.offCentreShare)) {
            const double shift = rng_.chance(0.5) ? 0.25 : -0.25;
            if (rng_.chance(0.5)) {
                left += shift * c.w, right += shift * c.w;
            } else {
                bottom += shift * c.h, top += shift * c.h;
            }
        }
        QPainterPath shape;
        const double r = 0.25 * std::min(right - left, top - bottom);
        shape.addRoundedRect(QRectF(dev(left, top), QSizeF(right - left, top - bottom)), r, r);
        p_.setPen(Qt::NoPen);
        p_.setBrush(QColor(core, core, core));
        p_.drawPath(shape);

        // Pencil strokes inside the patch, lighter and darker than the core.
        p_.save();
        p_.setClipPath(shape);
        const double stroke = std::max(0.35, 0.09 * c.h);
        const int strokes = 14 + rng_.integer(0, 10);
        const double slope = rng_.uniform(-0.35, 0.35);
        for (int i = 0; i < strokes; ++i) {
            const int g = std::clamp(core + rng_.integer(-28, 34), 0, 255);
            QPen pen(QColor(g, g, g, rng_.integer(90, 200)), stroke * rng_.uniform(0.6, 1.4));
            pen.setCapStyle(Qt::RoundCap);
            p_.setPen(pen);
            const double yy = bottom + rng_.uniform() * (top - bottom);
            const double half = (right - left) / 2 + 2;
            p_.drawLine(dev(left - 2, yy - slope * half), dev(right + 2, yy + slope * half));
        }
        // Paper grain: small light specks.
        const int specks = static_cast<int>((right - left) * (top - bottom) / std::max(1.0, stroke * stroke) * 0.05);
        for (int i = 0; i < specks; ++i) {
            const int g = std::clamp(core + rng_.integer(40, 110), 0, 255);
            p_.setPen(Qt::NoPen);
            p_.setBrush(QColor(g, g, g, 160));
            const double s = stroke * rng_.uniform(0.3, 0.8);
            p_.drawEllipse(dev(left + rng_.uniform() * (right - left), bottom + rng_.uniform() * (top - bottom)), s, s);
        }
        p_.restore();
    }

    // What an eraser leaves: a faint gray blotch.
    void smudge(const CellBox& c) {
        p_.setPen(Qt::NoPen);
        const int blobs = rng_.integer(3, 6);
        for (int i = 0; i < blobs; ++i) {
            const int g = rng_.integer(200, 225);
            p_.setBrush(QColor(g, g, g, rng_.integer(60, 120)));
            const double cx = c.x + c.w * rng_.uniform(0.25, 0.75);
            const double cy = c.y - c.h * rng_.uniform(0.3, 0.7);
            p_.drawEllipse(dev(cx, cy), c.w * rng_.uniform(0.2, 0.4), c.h * rng_.uniform(0.2, 0.4));
        }
    }

    bool nearCell(const CellPos& c, double x, double y) const {
        const double mx = 0.3 * place_.cellW;
        const double my = 0.3 * place_.cellH;
        return x > c.x - mx && x < c.x + place_.cellW + mx && y < c.y + my && y > c.y - place_.cellH - my;
    }

    // A pencil dot somewhere on the card but away from every bubble and the
    // detection lines.
    void strayDot(const CardCells& cells) {
        const Box box = fieldOfViewBox(t_);
        for (int attempt = 0; attempt < 50; ++attempt) {
            const double u = rng_.uniform(box.left, box.right);
            const double v = rng_.uniform(box.bottom, box.top);
            const double x = at_.upperLeftX + u * at_.scale;
            const double y = at_.upperLeftY + v * at_.scale;
            bool clash = std::abs(v) < 3 || std::abs(v + t_.lineSpacing) < 3;
            auto check = [&](const CellGrid& g) {
                for (int i = 0; i < g.columns; ++i) {
                    for (int j = 0; j < g.rows; ++j) clash = clash || nearCell(g.at(i, j), x, y);
                }
            };
            check(cells.admission);
            check(cells.subject);
            check(cells.score);
            CellGrid orient;
            orientationGrid(t_, place_, orient);
            check(orient);
            for (int q = 0; q < cells.questionCount; ++q) {
                for (int o = 0; o < 4; ++o) clash = clash || nearCell(cells.options[q][o], x, y);
            }
            if (t_.abMode == 0) {
                clash = clash || nearCell(abFlagCell(t_, place_, false), x, y) ||
                        nearCell(abFlagCell(t_, place_, true), x, y);
            }
            if (clash) continue;
            const int g = rng_.integer(50, 110);
            p_.setPen(Qt::NoPen);
            p_.setBrush(QColor(g, g, g));
            const double r = rng_.uniform(0.15, 0.35) * at_.scale;
            p_.drawEllipse(dev(x, y), r, r * rng_.uniform(0.7, 1.0));
            return;
        }
    }

    QPainter& p_;
    double h_;
    const CardTemplate& t_;
    CardPlacement at_;
    LocationResult place_;
    MarkStyle style_;
    Rng rng_;
};

std::string digits(Rng& rng, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>('0' + rng.integer(0, 9));
    return s;
}

}  // namespace

int effectiveAbFlag(const CardTemplate& t, int markedFlag) {
    if (t.abMode == 1) return 0;
    if (t.abMode == 2) return 1;
    if (t.abMode == 0) return markedFlag == 1 ? 1 : 0;
    return 0;
}

void paintMarks(QPainter& painter, int deviceHeight, const CardDesign& design, const CardPlacement& at,
                const CardContent& content, const MarkStyle& style, uint64_t start) {
    MarkPainter(painter, deviceHeight, design, at, style, Rng(start)).paint(content);
}

QImage renderFilledSheet(const CardDesign& design, double pixelsPerUnit, const CardContent& content,
                         const MarkStyle& style, uint64_t start, CardPlacement* placement) {
    CardPlacement at;
    QImage image = renderSheet(design, pixelsPerUnit, &at);
    QPainter p(&image);
    paintMarks(p, image.height(), design, at, content, style, start);
    p.end();
    if (placement) *placement = at;
    return image;
}

CardContent randomContent(const CardTemplate& t, Rng& rng, bool standardAnswer, std::vector<int>& multiple) {
    CardContent c;
    c.abFlag = effectiveAbFlag(t, rng.integer(0, 1));
    c.admission = standardAnswer ? std::string(t.admissionDigits, ' ') : digits(rng, t.admissionDigits);
    c.subject.clear();
    if (t.subjectCount > 0) {
        std::string code = t.subjects[rng.integer(0, t.subjectCount - 1)].code;
        code = std::string(std::max(0, t.subjectColumns - static_cast<int>(code.size())), '0') + code;
        c.subject = code.substr(0, t.subjectColumns);
    } else {
        c.subject = digits(rng, t.subjectColumns);
    }
    if (t.scoreDigits > 0) {
        const int maxScore = t.scoreDigits >= 3 ? 150 : 99;
        std::string s = std::to_string(rng.integer(0, maxScore));
        // Students either write leading zeros or leave those columns empty.
        const char pad = rng.chance(0.5) ? '0' : ' ';
        c.score = std::string(std::max(0, t.scoreDigits - static_cast<int>(s.size())), pad) + s;
        c.score = c.score.substr(c.score.size() - t.scoreDigits);
    }
    multiple.clear();
    const int n = std::min(t.questionCount, kMaxQuestions);
    // A run of multiple-choice questions at the end, as exams usually have.
    const int multipleFrom = n - rng.integer(0, n / 4);
    for (int q = 0; q < n; ++q) {
        const bool isMultiple = q >= multipleFrom;
        if (isMultiple) multiple.push_back(q + 1);
        std::string answer;
        if (!rng.chance(standardAnswer ? 0.0 : 0.08)) {
            if (isMultiple) {
                int mask = rng.integer(1, 15);
                for (int o = 0; o < 4; ++o) {
                    if (mask & (1 << o)) answer += static_cast<char>('A' + o);
                }
            } else {
                answer = std::string(1, static_cast<char>('A' + rng.integer(0, 3)));
            }
        }
        c.answers.push_back(answer);
    }
    return c;
}

std::string parseContent(const std::string& text, const CardTemplate& t, CardContent& out) {
    CardContent c;
    c.admission = std::string(t.admissionDigits, ' ');
    c.subject = std::string(t.subjectColumns, ' ');
    c.score = std::string(t.scoreDigits, ' ');
    std::istringstream in(text);
    std::string item;
    auto column = [](const std::string& v, int n, std::string& field, const char* name) -> std::string {
        if (static_cast<int>(v.size()) > n) return std::string(name) + "的位数超过卡上的列数";
        if (v.find_first_not_of("0123456789_ ") != std::string::npos) return std::string(name) + "只能是数字或“_”";
        field = v + std::string(n - v.size(), ' ');
        std::replace(field.begin(), field.end(), '_', ' ');
        return "";
    };
    while (in >> item) {
        size_t eq = item.find('=');
        if (eq == std::string::npos) return "描述项应写作 名称=值：" + item;
        std::string key = item.substr(0, eq);
        std::string value = item.substr(eq + 1);
        std::string problem;
        if (key == "admission") {
            problem = column(value, t.admissionDigits, c.admission, "准考证号");
        } else if (key == "subject") {
            problem = column(value, t.subjectColumns, c.subject, "科目代码");
        } else if (key == "score") {
            problem = column(value, t.scoreDigits, c.score, "主观分");
        } else if (key == "ab") {
            if (value != "A" && value != "B") return "ab 只能是 A 或 B";
            c.abFlag = value == "B" ? 1 : 0;
        } else if (key == "answers") {
            std::string one;
            std::istringstream list(value);
            while (std::getline(list, one, ',')) {
                if (one.find_first_not_of("ABCD") != std::string::npos) return "答案只能由 A、B、C、D 组成：" + one;
                std::string sorted;
                for (char l : std::string("ABCD")) {
                    if (one.find(l) != std::string::npos) sorted += l;
                }
                c.answers.push_back(sorted);
            }
            if (static_cast<int>(c.answers.size()) > t.questionCount) return "答案个数超过卡上的题目数";
        } else {
            return "未知的描述项：" + key;
        }
        if (!problem.empty()) return problem;
    }
    c.abFlag = effectiveAbFlag(t, c.abFlag);
    out = c;
    return "";
}

}  // namespace tarvel::cards

namespace tarvel::cards {

Bitmap renderRectified(const CardDesign& design, const CardPlacement& at, const CardContent* content,
                       const MarkStyle& style, uint64_t start, int size) {
    ensureGui();
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    paintCard(p, size, design, at);
    if (content) paintMarks(p, size, design, at, *content, style, start);
    p.end();
    return bitmapFromImage(image);
}

CardPlacement centredPlacement(const CardTemplate& t, double boxPixels, int size) {
    const Box box = fieldOfViewBox(t);
    const double s = boxPixels / box.height();
    const double left = (size - box.width() * s) / 2;
    const double bottom = (size - box.height() * s) / 2;
    return {s, left - box.left * s, bottom - box.bottom * s};
}

}  // namespace tarvel::cards
