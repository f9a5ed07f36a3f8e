#include "render/image/rgb_warp.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace velomira {

namespace {

unsigned char mixed(double over, double alpha, unsigned char under) {
    const double value = under + alpha * (over - under) + 0.5;
    return static_cast<unsigned char>(value < 0.0 ? 0.0 : value > 255.0 ? 255.0 : value);
}

// Quarter turns: each frame pixel takes one picture pixel.
void quarterTurnOver(const RgbFrame& picture, int quarters, double opacity, RgbFrame& frame) {
    const long w = picture.width;
    const long h = picture.height;
    const long boxWidth = quarters % 2 == 0 ? w : h;
    const long boxHeight = quarters % 2 == 0 ? h : w;
    const long left = (frame.width - boxWidth) / 2;
    const long top = (frame.height - boxHeight) / 2;
    for (long j = std::max(0L, -top); j < boxHeight && top + j < frame.height; ++j) {
        unsigned char* out = frame.row(top + j);
        for (long i = std::max(0L, -left); i < boxWidth && left + i < frame.width; ++i) {
            long x = i;
            long y = j;
            if (quarters == 1) { // clockwise: the left column becomes the top row
                x = j;
                y = h - 1 - i;
            } else if (quarters == 2) {
                x = w - 1 - i;
                y = h - 1 - j;
            } else if (quarters == 3) {
                x = w - 1 - j;
                y = i;
            }
            const unsigned char* p = picture.row(y) + 3 * x;
            unsigned char* o = out + 3 * (left + i);
            for (int k = 0; k < 3; ++k)
                o[k] = mixed(p[k], opacity, o[k]);
        }
    }
}

// (a x + b y + c) / (g x + h y + 1), (d x + e y + f) / (g x + h y + 1).
struct Projective {
    double a, b, c, d, e, f, g, h;
};

struct Box {
    long x, y, width, height;
};

// The whole pixels the mapped corners of a width x height picture reach, as the library's best
// fit widens them.
Box boundingBox(const Projective& m, int width, int height) {
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
    for (double x : {0.0, static_cast<double>(width)}) {
        for (double y : {0.0, static_cast<double>(height)}) {
            const double q = m.g * x + m.h * y + 1.0;
            const double X = (m.a * x + m.b * y + m.c) / q;
            const double Y = (m.d * x + m.e * y + m.f) / q;
            minX = std::min(minX, X);
            maxX = std::max(maxX, X);
            minY = std::min(minY, Y);
            maxY = std::max(maxY, Y);
        }
    }
    Box box{static_cast<long>(std::floor(minX - 0.5)), static_cast<long>(std::floor(minY - 0.5)), 0,
            0};
    box.width = static_cast<long>(std::ceil(maxX - box.x + 0.5));
    box.height = static_cast<long>(std::ceil(maxY - box.y + 0.5));
    return box;
}

// The map that takes the four points' sources to their destinations (or back), by Gaussian
// elimination on the eight equations; false when they give none.
bool solveProjective(const double points[16], bool back, Projective& out) {
    double m[8][9];
    for (int p = 0; p < 4; ++p) {
        const double* q = points + 4 * p;
        const double x = back ? q[2] : q[0];
        const double y = back ? q[3] : q[1];
        const double X = back ? q[0] : q[2];
        const double Y = back ? q[1] : q[3];
        const double rowX[9] = {x, y, 1, 0, 0, 0, -x * X, -y * X, X};
        const double rowY[9] = {0, 0, 0, x, y, 1, -x * Y, -y * Y, Y};
        std::copy(rowX, rowX + 9, m[2 * p]);
        std::copy(rowY, rowY + 9, m[2 * p + 1]);
    }
    for (int col = 0; col < 8; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 8; ++r) {
            if (std::fabs(m[r][col]) > std::fabs(m[pivot][col]))
                pivot = r;
        }
        if (std::fabs(m[pivot][col]) < 1e-9)
            return false;
        std::swap(m[pivot], m[col]);
        for (int r = 0; r < 8; ++r) {
            if (r == col)
                continue;
            const double factor = m[r][col] / m[col][col];
            for (int k = col; k < 9; ++k)
                m[r][k] -= factor * m[col][k];
        }
    }
    double v[8];
    for (int k = 0; k < 8; ++k)
        v[k] = m[k][8] / m[k][k];
    out = {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]};
    return true;
}

// The columns i of a row for which alpha * (vx0 + i) + beta > 0 may hold, widened by a pixel on
// each side so that rounding never drops a pixel the exact test keeps; [begin, end).
void narrowToHalfLine(double alpha, double beta, double vx0, long& begin, long& end) {
    if (alpha == 0.0) {
        if (!(beta > 0.0))
            end = begin;
        return;
    }
    const double edge = -beta / alpha - vx0; // where the expression changes sign
    if (!std::isfinite(edge))
        return;
    if (alpha > 0.0)
        begin = std::max(begin, static_cast<long>(std::max(std::floor(edge) - 1.0, -1e9)));
    else
        end = std::min(end, static_cast<long>(std::min(std::ceil(edge) + 2.0, 1e9)));
}

// Each frame pixel of the box placed at (left, top) on the picture's side of the horizon (where
// the map's denominator has the sign `side`) shows the picture point that `back` maps
// its centre to, sampled bilinearly; taps beyond the picture are transparent, so colours are
// weighed by the taps that exist and the coverage is the pixel's alpha.
// Along a row the map's numerators and denominator are linear in the column, so the columns
// that can show the picture form one run.
struct Run {
    long begin;
    long end;
};

// The run of each frame row from firstRow to endRow (box rows) that can show the picture.
std::vector<Run> findRuns(const RgbFrame& picture, const Projective& back, const Box& box,
                          long left, long firstRow, long endRow, long frameWidth, double side) {
    const double pw = static_cast<double>(picture.width);
    const double ph = static_cast<double>(picture.height);
    std::vector<Run> runs(static_cast<std::size_t>(endRow - firstRow));
    for (long j = firstRow; j < endRow; ++j) {
        const double vy = box.y + j + 0.5;
        long begin = std::max(0L, -left);
        long end = std::min(box.width, frameWidth - left);
        const double vx0 = box.x + 0.5;
        const double qb = back.h * vy + 1.0;
        const double ub = back.b * vy + back.c;
        const double vb = back.e * vy + back.f;
        narrowToHalfLine(side * back.g, side * qb, vx0, begin, end);
        narrowToHalfLine(side * (back.a + 0.5 * back.g), side * (ub + 0.5 * qb), vx0, begin, end);
        narrowToHalfLine(side * ((pw + 0.5) * back.g - back.a), side * ((pw + 0.5) * qb - ub), vx0,
                         begin, end);
        narrowToHalfLine(side * (back.d + 0.5 * back.g), side * (vb + 0.5 * qb), vx0, begin, end);
        narrowToHalfLine(side * ((ph + 0.5) * back.g - back.d), side * ((ph + 0.5) * qb - vb), vx0,
                         begin, end);
        begin = std::max(begin, std::max(0L, -left));
        end = std::min(end, std::min(box.width, frameWidth - left));
        runs[static_cast<std::size_t>(j - firstRow)] = {begin, end};
    }
    return runs;
}

// A pixel at the picture's edge, where some of the four taps fall outside: the taps that exist
// are mixed, and the share they cover scales the opacity.
void mixEdgePixel(const RgbFrame& picture, double u, double v, double opacity, unsigned char* o) {
    const long x0 = u < 0.0 ? -1 : static_cast<long>(u);
    const long y0 = v < 0.0 ? -1 : static_cast<long>(v);
    const double fx = u - x0;
    const double fy = v - y0;
    const double weights[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
    const long xs[4] = {x0, x0 + 1, x0, x0 + 1};
    const long ys[4] = {y0, y0, y0 + 1, y0 + 1};
    double cover = 0.0;
    double sum[3] = {0.0, 0.0, 0.0};
    for (int t = 0; t < 4; ++t) {
        if (xs[t] < 0 || ys[t] < 0 || xs[t] >= picture.width || ys[t] >= picture.height ||
            weights[t] == 0.0)
            continue;
        const unsigned char* p = picture.row(ys[t]) + 3 * xs[t];
        cover += weights[t];
        for (int k = 0; k < 3; ++k)
            sum[k] += weights[t] * p[k];
    }
    if (cover <= 0.0)
        return;
    const double alpha = cover * opacity;
    for (int k = 0; k < 3; ++k)
        o[k] = mixed(sum[k] / cover, alpha, o[k]);
}

void mapOver(const RgbFrame& picture, const Projective& back, const Box& box, long left, long top,
             double opacity, RgbFrame& frame, double side = 1.0) {
    const long pw = picture.width;
    const long ph = picture.height;
    const std::size_t stride = picture.stride();
    // Interior pixels are mixed in fixed point: weights of 1/256, the opacity of 1/256.
    const int opacity256 = static_cast<int>(std::lround(std::clamp(opacity, 0.0, 1.0) * 256.0));
    const long firstRow = std::max(0L, -top);
    const long endRow = std::min(box.height, frame.height - top);
    if (endRow <= firstRow)
        return;
    // The columns that can show the picture are found first and only their pixels are mapped.
    const std::vector<Run> runs =
        findRuns(picture, back, box, left, firstRow, endRow, frame.width, side);
    long widest = 0;
    for (const Run& run : runs)
        widest = std::max(widest, run.end);
    // Tiles of kTile columns, each walked row by row: a swing about a side edge reads the
    // picture across many rows along one frame row, and a tile keeps those reads in the cache.
    constexpr long kTile = 64;
    for (long tile = std::max(0L, -left); tile < widest; tile += kTile)
        for (long j = firstRow; j < endRow; ++j) {
            const Run run = runs[static_cast<std::size_t>(j - firstRow)];
            const long begin = std::max(run.begin, tile);
            const long end = std::min(run.end, tile + kTile);
            if (begin >= end)
                continue;
            unsigned char* out = frame.row(top + j);
            const double vy = box.y + j + 0.5;
            const double qb = back.h * vy + 1.0;
            const double ub = back.b * vy + back.c;
            const double vb = back.e * vy + back.f;
            for (long i = begin; i < end; ++i) {
                const double vx = box.x + i + 0.5;
                const double q = back.g * vx + qb;
                if (!(q * side > 0.0))
                    continue; // beyond the horizon
                // The picture point this pixel centre shows, in pixel-index space.
                const double r = 1.0 / q;
                const double u = (back.a * vx + ub) * r - 0.5;
                const double v = (back.d * vx + vb) * r - 0.5;
                if (!(u > -1.0 && v > -1.0 && u < pw && v < ph))
                    continue;
                unsigned char* o = out + 3 * (left + i);
                const long x0 = static_cast<long>(u);
                const long y0 = static_cast<long>(v);
                if (!(u >= 0.0 && v >= 0.0 && x0 + 1 < pw && y0 + 1 < ph)) {
                    mixEdgePixel(picture, u, v, opacity, o);
                    continue;
                }
                // Inside the picture, where nearly every pixel lies: all four taps exist.
                const unsigned char* p0 = picture.row(y0) + 3 * x0;
                const unsigned char* p1 = p0 + stride;
                const int wx = static_cast<int>((u - x0) * 256.0 + 0.5);
                const int wy = static_cast<int>((v - y0) * 256.0 + 0.5);
                for (int k = 0; k < 3; ++k) {
                    const int upper = p0[k] * (256 - wx) + p0[k + 3] * wx;
                    const int lower = p1[k] * (256 - wx) + p1[k + 3] * wx;
                    const int value = (upper * (256 - wy) + lower * wy + 32768) >> 16;
                    o[k] = static_cast<unsigned char>(
                        opacity256 == 256
                            ? value
                            : (value * opacity256 + o[k] * (256 - opacity256) + 128) >> 8);
                }
            }
        }
}

} // namespace

void turnOver(const RgbFrame& picture, double degrees, double opacity, RgbFrame& frame) {
    if (picture.empty() || frame.empty())
        return;
    const double turn = std::fmod(std::fmod(degrees, 360.0) + 360.0, 360.0);
    if (std::fmod(turn, 90.0) == 0.0) {
        quarterTurnOver(picture, static_cast<int>(turn / 90.0), opacity, frame);
        return;
    }
    const double angle = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double cx = picture.width / 2.0;
    const double cy = picture.height / 2.0;
    // Forward: the turn about the centre; back: the turn the other way.
    const Projective forward{c, -s, cx - c * cx + s * cy, s, c, cy - s * cx - c * cy, 0, 0};
    const Projective back{c, s, cx - c * cx - s * cy, -s, c, cy + s * cx - c * cy, 0, 0};
    const Box box = boundingBox(forward, picture.width, picture.height);
    mapOver(picture, back, box, (frame.width - box.width) / 2, (frame.height - box.height) / 2,
            opacity, frame);
}

bool givesPerspective(const double points[16]) {
    Projective forward{};
    Projective back{};
    return solveProjective(points, false, forward) && solveProjective(points, true, back);
}

bool perspectiveOver(const RgbFrame& picture, const double points[16], long x, long y,
                     RgbFrame& frame) {
    if (picture.empty() || frame.empty())
        return false;
    Projective forward{};
    Projective back{};
    if (!solveProjective(points, false, forward) || !solveProjective(points, true, back))
        return false;
    const Box box = boundingBox(forward, picture.width, picture.height);
    // The picture's side of the horizon: that of the destination points' centre.
    double cx = 0.0;
    double cy = 0.0;
    for (int p = 0; p < 4; ++p) {
        cx += points[4 * p + 2] / 4.0;
        cy += points[4 * p + 3] / 4.0;
    }
    const double side = back.g * cx + back.h * cy + 1.0 < 0.0 ? -1.0 : 1.0;
    mapOver(picture, back, box, x, y, 1.0, frame, side);
    return true;
}

} // namespace velomira
