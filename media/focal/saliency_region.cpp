#include "media/focal/saliency_region.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

namespace velomira {

namespace {

// The map is made at a small fixed size: the spectral residual describes the picture's gist,
// and the fixed size keeps its cost and its result independent of the picture's size.
constexpr int kMapSide = 64;
constexpr int kWindowShare = 4;
// The densest window must hold this much more than an average one to count as a subject.
constexpr double kLeastContrast = 1.5;

cv::Mat saliencyMap(const cv::Mat& grey) {
    cv::Mat small;
    cv::resize(grey, small, cv::Size(kMapSide, kMapSide), 0, 0, cv::INTER_AREA);
    small.convertTo(small, CV_32F, 1.0 / 255.0);
    cv::Mat planes[] = {small, cv::Mat::zeros(small.size(), CV_32F)};
    cv::Mat frequencies;
    cv::merge(planes, 2, frequencies);
    cv::dft(frequencies, frequencies);
    cv::split(frequencies, planes);
    cv::Mat amplitude;
    cv::Mat phase;
    cv::cartToPolar(planes[0], planes[1], amplitude, phase);
    cv::Mat logAmplitude;
    cv::log(amplitude + 1e-6f, logAmplitude);
    cv::Mat average;
    cv::blur(logAmplitude, average, cv::Size(3, 3), cv::Point(-1, -1), cv::BORDER_REPLICATE);
    cv::Mat residual;
    cv::exp(logAmplitude - average, residual);
    cv::polarToCart(residual, phase, planes[0], planes[1]);
    cv::merge(planes, 2, frequencies);
    cv::dft(frequencies, frequencies, cv::DFT_INVERSE | cv::DFT_SCALE);
    cv::split(frequencies, planes);
    cv::Mat map;
    cv::magnitude(planes[0], planes[1], map);
    map = map.mul(map);
    cv::GaussianBlur(map, map, cv::Size(0, 0), 2.5);
    return map;
}

} // namespace

std::optional<FocalRegion> salientRegion(const cv::Mat& grey) {
    if (grey.empty())
        return std::nullopt;
    const cv::Mat map = saliencyMap(grey);
    cv::Mat sums;
    cv::integral(map, sums, CV_64F);
    const int side = kMapSide / kWindowShare;
    double best = -1.0;
    int bestX = 0;
    int bestY = 0;
    for (int y = 0; y + side <= kMapSide; ++y) {
        for (int x = 0; x + side <= kMapSide; ++x) {
            const double sum = sums.at<double>(y + side, x + side) - sums.at<double>(y, x + side) -
                               sums.at<double>(y + side, x) + sums.at<double>(y, x);
            // The first of equal windows wins, so the answer never depends on rounding order.
            if (sum > best) {
                best = sum;
                bestX = x;
                bestY = y;
            }
        }
    }
    const double total = sums.at<double>(kMapSide, kMapSide);
    const double even = total * side * side / (kMapSide * kMapSide);
    if (!(total > 0.0) || !std::isfinite(total) || best < kLeastContrast * even)
        return std::nullopt;
    const double share = 1.0 / kMapSide;
    return FocalRegion{bestX * share, bestY * share, side * share, side * share, false};
}

} // namespace velomira
