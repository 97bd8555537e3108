#include "recognition/layoutgeometry.h"

#include <algorithm>
#include <array>
#include <limits>

#include "recognition/geometry.h"
#include "recognition/image.h"
#include "recognition/locationsteps.h"

namespace tarvel {
namespace {

// The box around everything placed so far, in pixels of the normalized card.
class CardExtent {
public:
    void add(double x0, double y0, double x1, double y1) {
        left_ = std::min({left_, x0, x1});
        right_ = std::max({right_, x0, x1});
        bottom_ = std::min({bottom_, y0, y1});
        top_ = std::max({top_, y0, y1});
    }
    // Written so that a NaN extent (infinities on both sides) does not fit.
    bool widthFits() const { return right_ - left_ <= kCanvasSize; }
    bool heightFits() const { return top_ - bottom_ <= kCanvasSize; }

private:
    static constexpr double kInf = std::numeric_limits<double>::infinity();
    double left_ = kInf, right_ = -kInf, bottom_ = kInf, top_ = -kInf;
};

class GeometryCheck {
public:
    GeometryCheck(const CardTemplate& t, const std::string& file)
        : file_(file), place_(placementFor(t, static_cast<float>(kMinPathPoints) / t.lowerLineLength, 0, 0)) {}

    // Adds the cells of one part of the card; false (with the message) once
    // they no longer fit, blaming the part's horizontal or vertical field.
    template <typename Cells>
    bool place(const char* label, const char* xField, const char* yField, const Cells& cells) {
        for (const CellPos& c : cells) {
            extent_.add(c.x, c.y - place_.cellH, c.x + place_.cellW, c.y);
            if (!extent_.widthFits()) return refuse(label, xField);
            if (!extent_.heightFits()) return refuse(label, yField);
        }
        return true;
    }
    bool placeLines(const CardTemplate& t) {
        const double length = place_.scale * static_cast<double>(t.lowerLineLength);
        extent_.add(0, 0, length, -place_.scale * static_cast<double>(t.lineSpacing));
        return extent_.heightFits() || refuse("检测线间距", "lineSpacing");
    }
    bool placeCell(const char* label, const char* xField, const char* yField, CellPos cell) {
        return place(label, xField, yField, std::array<CellPos, 1>{cell});
    }
    bool placeGrid(const char* label, const char* xField, const char* yField, const CellGrid& grid) {
        const size_t count = static_cast<size_t>(grid.columns) * grid.rows;
        return place(label, xField, yField, Span{grid.cells.data(), count});
    }

    const LocationResult& placement() const { return place_; }
    const std::string& message() const { return message_; }

    struct Span {
        const CellPos* first;
        size_t count;
        const CellPos* begin() const { return first; }
        const CellPos* end() const { return first + count; }
    };

private:
    bool refuse(const char* label, const char* field) {
        message_ = "模板文件“" + file_ + "”无效：" + label + "（" + field + "）超出了800×800的卡面。";
        return false;
    }

    const std::string& file_;
    LocationResult place_;
    CardExtent extent_;
    std::string message_;
};

std::string cellSizeProblem(const CardTemplate& t, const std::string& file) {
    const double largestScale = static_cast<double>(kCanvasSize) / t.lowerLineLength;
    auto tooLarge = [&](float units) { return !(units * largestScale <= kMaxCellPixels); };
    auto refuse = [&](const char* label, const char* field) {
        return "模板文件“" + file + "”无效：" + label + "（" + field + "）相对下检测线长度过大，识别时格子会超过" +
               std::to_string(static_cast<int>(kMaxCellPixels)) + "像素。";
    };
    if (tooLarge(t.cellWidth)) return refuse("格子宽度", "cellWidth");
    if (tooLarge(t.cellHeight)) return refuse("格子高度", "cellHeight");
    return "";
}

}  // namespace

std::string checkTemplateGeometry(const CardTemplate& t, const std::string& file) {
    if (std::string problem = cellSizeProblem(t, file); !problem.empty()) return problem;

    GeometryCheck check(t, file);
    const LocationResult& place = check.placement();
    bool fits = check.placeLines(t) &&
                check.placeCell("格子原点", "originOffsetX", "originOffsetX", {place.originX, place.originY});
    if (fits && t.abMode == 0) {
        fits = check.placeCell("A卷标识格", "abCellAX", "abCellAY", abFlagCell(t, place, false)) &&
               check.placeCell("B卷标识格", "abCellBX", "abCellBY", abFlagCell(t, place, true));
    }
    CellGrid orientation;
    orientationGrid(t, place, orientation);
    // The cells of each paper arrangement the layout can be read with (only
    // the answer blocks differ between the two).
    for (int flag = 0; fits && flag < 2; ++flag) {
        if ((t.abMode == 1 && flag == 1) || (t.abMode == 2 && flag == 0)) continue;
        CardCells cells;
        computeCells(t, place, flag, cells);
        fits = check.placeGrid("准考证号网格", "admissionX", "admissionY", cells.admission) &&
               check.placeGrid("科目代码网格", "subjectX", "subjectY", cells.subject) &&
               check.placeGrid("主观分网格", "scoreX", "scoreY", cells.score) &&
               check.placeGrid("方向标记", "orientMarkX", "orientMarkX", orientation);
        for (int q = 0; fits && q < cells.questionCount; ++q) {
            fits = check.place("答题区", "blockPitchX", q == 0 ? "answerY" : "blockPitchY", cells.options[q]);
        }
    }
    return fits ? std::string() : check.message();
}

}  // namespace tarvel
