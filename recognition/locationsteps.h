#pragma once
// The single steps of card location, each a plain function over plain data,
// so that tests and benchmarks can run them one by one. LocateCard
// (location.h) chains them.
//
// All coordinates are picture coordinates: x to the right, y upward.
#include <array>
#include <cstdint>
#include <vector>

#include "recognition/cardtemplate.h"
#include "recognition/geometry.h"
#include "recognition/image.h"

namespace tarvel {

// Capacities of the location data; collection stops when one is reached.
inline constexpr int kMaxEndpoints = 1024;
inline constexpr int kMaxPathPoints = 1024;
inline constexpr int kMaxLines = 1024;
inline constexpr int kMaxPairs = 10;
// Traced paths of this many points or fewer are not lines, so a located
// lower detection line is always longer than this many pixels.
inline constexpr size_t kMinPathPoints = 200;

// One byte per pixel, 1 for black: the binarized frame in the form the
// thinning and tracing loops can walk quickly.
class BlackMask {
public:
    BlackMask() = default;
    BlackMask(int width, int height) : width_(width), height_(height), bits_(static_cast<size_t>(width) * height, 0) {}

    // Black where the blue byte is 0.
    void readFrom(const Bitmap& image);

    int width() const { return width_; }
    int height() const { return height_; }
    bool black(int x, int y) const { return bits_[static_cast<size_t>(y) * width_ + x] != 0; }
    void set(int x, int y, bool black) { bits_[static_cast<size_t>(y) * width_ + x] = black ? 1 : 0; }
    int blackNeighbours(int x, int y) const;
    const uint8_t* row(int y) const { return bits_.data() + static_cast<size_t>(y) * width_; }

    // Column-major copy kept by the thinning while it runs, so that its column
    // pass reads memory in order.
    std::vector<uint8_t>& columnScratch() { return columns_; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> bits_;
    std::vector<uint8_t> columns_;
};

// The first index in [from, to) whose byte is non-zero, or to.
int nextNonZero(const uint8_t* bytes, int from, int to);

// Removal table of the thinning, indexed by the neighbourhood code.
extern const std::array<uint8_t, 256> kThinningTable;

// Sum of the weights of the white neighbours: (x-1,y-1) 1, (x,y-1) 2,
// (x+1,y-1) 4, (x-1,y) 8, (x+1,y) 16, (x-1,y+1) 32, (x,y+1) 64, (x+1,y+1) 128.
int neighbourhoodCode(const BlackMask& mask, int x, int y);

// Row and column passes until an iteration changes nothing. Returns the
// number of iterations made.
int ThinMask(BlackMask& mask);
// Whitens the 3 x 3 block around every black pixel with three or more black
// neighbours, in one pass.
void RemoveJunctions(BlackMask& mask);
// Black pixels with exactly one black neighbour, at most kMaxEndpoints.
void FindEndpoints(const BlackMask& mask, std::vector<IntPoint>& endpoints);

struct DetectedLine {
    IntPoint startPoint;
    IntPoint lastPoint;
    IntPoint pointA;  // 10 points in from the start of the traced path
    IntPoint pointB;  // 10 points before its end
    double angle = 0;
    double length = 0;
    int pathPoints = 0;  // points of the traced path
};

struct LinePair {
    int lower = 0;  // line numbers, lower < upper
    int upper = 0;
};

// Traces the thin strokes from the endpoints and records the long, not
// vertical ones (at most kMaxLines). `visited` is scratch memory kept by the
// caller between frames.
class LineTracer {
public:
    void trace(const BlackMask& mask, const std::vector<IntPoint>& endpoints, std::vector<DetectedLine>& lines);
    // The path of the last trace (for tests).
    const std::vector<IntPoint>& lastPath() const { return path_; }
    // Traces one stroke from endpoint e; the path excludes e and its first neighbour.
    void tracePath(const BlackMask& mask, IntPoint e);

private:
    std::vector<uint32_t> visited_;  // trace number that put a pixel into its path
    uint32_t traceNumber_ = 0;
    std::vector<IntPoint> path_;
};

// Appends every pair i < j with close angles and lengths (at most kMaxPairs)
// and puts A and B of paired lines in left-to-right order.
void PairLines(std::vector<DetectedLine>& lines, std::vector<LinePair>& pairs);
// Index into pairs of the pair whose spacing fits the layout best, -1 if none.
int ChooseBestPair(const std::vector<DetectedLine>& lines, const std::vector<LinePair>& pairs,
                   const CardTemplate& layout);

// Spacing that the layout expects between the chosen lines' A points, and
// the spacing found.
double expectedSpacing(const DetectedLine& lower, const CardTemplate& layout);
double measuredSpacing(const DetectedLine& lower, const DetectedLine& upper);
// Plausibility of the chosen pair, beyond the choice itself: the upper line
// lies, across the lower one, no nearer than half the expected spacing, and
// each runs straight from A to B. Two strokes a few pixels apart or end to
// end, or strokes that bend round the corners of a box, are no card, however
// well their lengths and angles agree.
inline constexpr double kSpacingTolerance = 0.5;
inline constexpr double kStraightnessTolerance = 1.25;
bool isStraight(const DetectedLine& line);
bool pairFitsLayout(const DetectedLine& lower, const DetectedLine& upper, const CardTemplate& layout);

// Pushes one end of a line outward along the straight line through A and B on
// the binarized frame. Returns false when the walk runs out of the picture.
bool WalkLineEnd(const Bitmap& binary, const DetectedLine& line, bool leftEnd, IntPoint& end);
// A point between pixel centres (whole numbers are pixel centres).
struct PointD {
    double x = 0;
    double y = 0;
};
// The walked end moved to where the gray profile along the line (on the
// colour frame) crosses halfway between the line's ink and the paper beyond
// its end: blur and the fixed threshold leave the walk 1-3 pixels inside a
// soft end. The walked end itself when the profile shows no clear end.
PointD RefineLineEnd(const Bitmap& color, const DetectedLine& line, IntPoint end, bool leftEnd);
// Follows a stroke's edge column by column in direction dir (-1 or +1),
// staying inside the picture border.
IntPoint FollowEdge(const Bitmap& binary, IntPoint from, int dir);

// The rotation of the frame by -theta into the 800 x 800 canvas.
struct CanvasRotation {
    explicit CanvasRotation(double theta);
    // 16.16 fixed-point constants of the canvas-to-frame mapping.
    int64_t C = 0, S = 0, K1 = 0, K2 = 0;
    double cosine = 0, sine = 0;
    // Frame pixel of canvas pixel (X, Y).
    int sourceX(int X, int Y) const { return static_cast<int>((X * C - Y * S + K1) >> 16); }
    int sourceY(int X, int Y) const { return static_cast<int>((X * S + Y * C + K2) >> 16); }
    // Canvas point of frame point (gx, gy).
    IntPoint toCanvas(double gx, double gy) const;
};

// Fills the canvas white and copies the rotated colour frame into it, row
// span by row span from the centre outward.
void RotateIntoCanvas(const Bitmap& color, const CanvasRotation& rotation, Bitmap& canvas);

// x = (h0 u + h1 v + h2) / (h6 u + h7 v + 1), y = (h3 u + h4 v + h5) / (h6 u + h7 v + 1).
using Projective = std::array<float, 8>;

// Solves a * x = b for the 8 x 9 augmented matrix in single precision with
// partial pivoting. False when a pivot is zero or the result is not finite.
bool SolveLinear8(std::array<std::array<float, 9>, 8> a, std::array<float, 8>& x);
// The transform that maps from[k] to to[k]; false when it does not exist.
bool SolveProjective(const std::array<IntPoint, 4>& from, const std::array<IntPoint, 4>& to, Projective& h);
// Applies the transform; false when the result is not a finite number.
bool applyProjective(const Projective& h, float u, float v, float& x, float& y);
// Every card pixel (m, l) whose transform lands on the canvas takes that
// canvas pixel; the others keep what they held.
void WarpIntoCard(const Bitmap& canvas, const Projective& h, Bitmap& card);

// Even-odd rule; points on left and bottom edges are inside, on right and top
// edges outside (the rule of filled polygon regions on screen, with y up).
bool PointInPolygon(const std::array<IntPoint, 4>& polygon, IntPoint p);

// trunc(v) limited to +-2^30, NaN giving the lower limit: far-off points stay
// far off without undefined conversions.
int truncToInt(double v);

}  // namespace tarvel
