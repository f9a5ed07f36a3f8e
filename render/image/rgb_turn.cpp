#include "render/image/rgb_turn.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velomira {

namespace {

unsigned char mixed(double over, double alpha, unsigned char under) {
    const double value = over * alpha + under * (1.0 - alpha);
    return static_cast<unsigned char>(std::clamp(value + 0.5, 0.0, 255.0));
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

} // namespace

void turnOver(const RgbFrame& picture, double degrees, double opacity, RgbFrame& frame) {
    if (picture.empty() || frame.empty())
        return;
    const double turn = std::fmod(std::fmod(degrees, 360.0) + 360.0, 360.0);
    if (std::fmod(turn, 90.0) == 0.0) {
        quarterTurnOver(picture, static_cast<int>(turn / 90.0), opacity, frame);
        return;
    }
    const double w = picture.width;
    const double h = picture.height;
    const double angle = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double cx = w / 2.0;
    const double cy = h / 2.0;
    // The bounding box of the turned corners, widened to whole pixels as the library does.
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
    for (double x : {0.0, w}) {
        for (double y : {0.0, h}) {
            const double X = c * (x - cx) - s * (y - cy) + cx;
            const double Y = s * (x - cx) + c * (y - cy) + cy;
            minX = std::min(minX, X);
            maxX = std::max(maxX, X);
            minY = std::min(minY, Y);
            maxY = std::max(maxY, Y);
        }
    }
    const long boxX = static_cast<long>(std::floor(minX - 0.5));
    const long boxY = static_cast<long>(std::floor(minY - 0.5));
    const long boxWidth = static_cast<long>(std::ceil(maxX - boxX + 0.5));
    const long boxHeight = static_cast<long>(std::ceil(maxY - boxY + 0.5));
    const long left = (frame.width - boxWidth) / 2;
    const long top = (frame.height - boxHeight) / 2;
    const long pw = picture.width;
    const long ph = picture.height;
    for (long j = std::max(0L, -top); j < boxHeight && top + j < frame.height; ++j) {
        unsigned char* out = frame.row(top + j);
        const double dy = boxY + j + 0.5 - cy;
        for (long i = std::max(0L, -left); i < boxWidth && left + i < frame.width; ++i) {
            const double dx = boxX + i + 0.5 - cx;
            // The picture point this pixel centre shows, in pixel-index space.
            const double u = c * dx + s * dy + cx - 0.5;
            const double v = -s * dx + c * dy + cy - 0.5;
            if (u <= -1.0 || v <= -1.0 || u >= pw || v >= ph)
                continue;
            const long x0 = static_cast<long>(std::floor(u));
            const long y0 = static_cast<long>(std::floor(v));
            const double fx = u - x0;
            const double fy = v - y0;
            const double weights[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
            const long xs[4] = {x0, x0 + 1, x0, x0 + 1};
            const long ys[4] = {y0, y0, y0 + 1, y0 + 1};
            double cover = 0.0;
            double sum[3] = {0.0, 0.0, 0.0};
            for (int t = 0; t < 4; ++t) {
                if (xs[t] < 0 || ys[t] < 0 || xs[t] >= pw || ys[t] >= ph || weights[t] == 0.0)
                    continue;
                const unsigned char* p = picture.row(ys[t]) + 3 * xs[t];
                cover += weights[t];
                for (int k = 0; k < 3; ++k)
                    sum[k] += weights[t] * p[k];
            }
            if (cover <= 0.0)
                continue;
            // Colours weighed by their coverage, as the library interpolates with alpha.
            const double alpha = cover * opacity;
            unsigned char* o = out + 3 * (left + i);
            for (int k = 0; k < 3; ++k)
                o[k] = mixed(sum[k] / cover, alpha, o[k]);
        }
    }
}

} // namespace velomira
