// The 8-bit scaler over the sizes tiny and odd frames give, one scaler reused from size to size
// (its context and plane buffers are kept while it lives): solid colours stay solid, and planes
// scale as the interleaved picture does.
#include "render/image/rgb_scaler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace velomira {
namespace {

TEST(RgbScaler, TinyAndOddSizesKeepASolidColourAndStayInsideTheFrame) {
    struct Size {
        int width, height;
    };
    const std::pair<Size, Size> cases[] = {
        {{1, 1}, {1, 1}},  {{3, 3}, {9, 3}},      {{9, 1}, {1, 9}},     {{2, 2}, {17, 5}},
        {{17, 5}, {2, 2}}, {{1, 1000}, {2, 999}}, {{482, 270}, {5, 3}}, {{5, 3}, {482, 270}},
    };
    RgbScaler scaler; // one object: its context and buffers are reused from size to size
    for (const auto& [in, out] : cases) {
        SCOPED_TRACE(std::to_string(in.width) + "x" + std::to_string(in.height) + " -> " +
                     std::to_string(out.width) + "x" + std::to_string(out.height));
        RgbFrame source = makeRgbFrame(in.width, in.height);
        for (std::size_t i = 0; i < source.bytes(); i += 3) {
            source.pixels.data()[i] = 200;
            source.pixels.data()[i + 1] = 90;
            source.pixels.data()[i + 2] = 30;
        }
        RgbFrame view = makeRgbFrame(out.width, out.height);
        ASSERT_FALSE(view.empty());
        ASSERT_TRUE(scaler.scale(source.data(), in.width, in.height, view));
        // Within 2 levels: the filter's fixed-point sums drift a little on steep reductions.
        for (std::size_t i = 0; i < view.bytes(); i += 3) {
            ASSERT_NEAR(view.data()[i], 200, 2) << i;
            ASSERT_NEAR(view.data()[i + 1], 90, 2) << i;
            ASSERT_NEAR(view.data()[i + 2], 30, 2) << i;
        }
        // From separate planes with padded rows, as a decoder hands them out: the same pixels.
        const int stride = in.width + 7;
        std::vector<unsigned char> planes[3];
        for (int c = 0; c < 3; ++c) {
            planes[c].assign(static_cast<std::size_t>(stride) * in.height, 0);
            for (int y = 0; y < in.height; ++y)
                for (int x = 0; x < in.width; ++x)
                    planes[c][y * stride + x] = source.row(y)[3 * x + c];
        }
        const unsigned char* const starts[3] = {planes[0].data(), planes[1].data(),
                                                planes[2].data()};
        const int strides[3] = {stride, stride, stride};
        RgbFrame fromPlanes = makeRgbFrame(out.width, out.height);
        ASSERT_TRUE(scaler.scalePlanes(starts, strides, in.width, in.height, fromPlanes));
        ASSERT_TRUE(std::equal(view.data(), view.data() + view.bytes(), fromPlanes.data()));
    }
}

} // namespace
} // namespace velomira
