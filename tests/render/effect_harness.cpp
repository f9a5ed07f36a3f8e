#include "effect_harness.h"

#include "render/image/frame_encoding.h"
#include "render/transition_dispatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace velomira::testing {

namespace {

struct Scene {
    velomira::Image canvas;
    CaptionOverlay caption;
};

Scene makeScene(const EffectCase& c) {
    Scene scene;
    scene.canvas = c.textured ? texturedPicture(c.width, c.height, 1)
                              : makeCanvas(c.width, c.height, c.pictureColour);
    if (c.transparentPicture && scene.canvas) {
        MagickSetImageAlphaChannel(scene.canvas.get(), SetAlphaChannel);
        MagickSetImageOpacity(scene.canvas.get(), 0.7);
    }
    if (c.withCaption) {
        scene.caption.image =
            makeCanvas(std::max(1, c.width / 4), std::max(1, c.height / 4), "#ffffff");
        scene.caption.x = c.width / 8.0;
        scene.caption.y = c.height / 8.0;
    }
    return scene;
}

} // namespace

velomira::Image texturedPicture(int width, int height, int seed) {
    std::vector<unsigned char> rgb(3 * static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &rgb[3 * (static_cast<std::size_t>(y) * width + x)];
            const double u = static_cast<double>(x) / width;
            const double v = static_cast<double>(y) / height;
            const double ripple = 24.0 * std::sin((x + 2 * y) * (0.35 + 0.1 * seed)) *
                                  std::cos((x - y) * 0.21 * seed);
            p[0] = static_cast<unsigned char>(std::clamp(40 + 170 * u + ripple, 0.0, 255.0));
            p[1] = static_cast<unsigned char>(
                std::clamp(200 - 150 * v * seed / 2 + ripple, 0.0, 255.0));
            p[2] = static_cast<unsigned char>(std::clamp(90 + 120 * u * v - ripple, 0.0, 255.0));
        }
    }
    return imageFromRgb24(rgb.data(), width, height);
}

int countFrames(const EffectCase& c) {
    int count = -1;
    EffectInputs in;
    in.width = c.width;
    in.height = c.height;
    in.stillFrames = c.stillFrames;
    in.frameCountOut = &count;
    velomira::Image result = c.effect(in, c.parameter);
    EXPECT_FALSE(result) << "counting mode returned an image";
    return count;
}

EffectCase catalogueCase(int index, int width, int height, int stillFrames) {
    EffectCase c;
    c.effect = transitionEffect(index);
    c.width = width;
    c.height = height;
    c.stillFrames = stillFrames;
    if (const TransitionDispatchEntry* entry = transitionEntry(index))
        c.parameter = transitionParameter(*entry, width, height);
    return c;
}

int transitionFrames(int index, int width, int height) {
    return countFrames(catalogueCase(index, width, height));
}

EffectRender renderEffect(const EffectCase& c, int failAt) {
    EffectRender out{RecordingSink(failAt), velomira::Image(), velomira::Image()};
    Scene scene = makeScene(c);
    EffectInputs in;
    in.width = c.width;
    in.height = c.height;
    in.pictureCanvas = &scene.canvas;
    in.caption = c.withCaption ? &scene.caption : nullptr;
    in.stillFrames = c.stillFrames;
    if (c.withPrevious)
        in.previousFrame = c.textured ? texturedPicture(c.width, c.height, 2)
                                      : makeCanvas(c.width, c.height, c.previousColour);
    out.sink.usePool(c.pool);
    in.sink = &out.sink;
    in.libraryFrames = c.libraryFrames;
    in.format = c.format;
    in.codingThreads = c.codingThreads;
    out.finalFrame = c.effect(in, c.parameter);
    out.canvas = std::move(scene.canvas);
    return out;
}

velomira::Image decodeDelivery(const RecordingSink& sink, int index) {
    velomira::Image image = newImage();
    const std::string& bytes = sink.deliveries().at(static_cast<std::size_t>(index)).bytes;
    if (MagickReadImageBlob(image.get(), bytes.data(), bytes.size()) == MagickFalse)
        return velomira::Image();
    return image;
}

double meanDifference(MagickWand* a, MagickWand* b) {
    const size_t w = MagickGetImageWidth(a), h = MagickGetImageHeight(a);
    if (w != MagickGetImageWidth(b) || h != MagickGetImageHeight(b))
        return 1e9;
    std::vector<unsigned char> pa(w * h * 3), pb(w * h * 3);
    MagickExportImagePixels(a, 0, 0, w, h, "RGB", CharPixel, pa.data());
    MagickExportImagePixels(b, 0, 0, w, h, "RGB", CharPixel, pb.data());
    double sum = 0;
    for (size_t i = 0; i < pa.size(); ++i)
        sum += std::abs(int(pa[i]) - int(pb[i]));
    return pa.empty() ? 0 : sum / static_cast<double>(pa.size());
}

void expectEffectContract(const EffectCase& c, int failureStride) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " still " << c.stillFrames);
    const int counted = countFrames(c);
    EffectRender full = renderEffect(c);
    ASSERT_TRUE(full.finalFrame) << "the effect returned no final frame";
    EXPECT_EQ(counted, full.sink.count()) << "counting disagrees with rendering";
    EXPECT_TRUE(full.sink.repeatsMatchPrevious());
    EXPECT_EQ(MagickGetImageWidth(full.finalFrame.get()), static_cast<size_t>(c.width));
    EXPECT_EQ(MagickGetImageHeight(full.finalFrame.get()), static_cast<size_t>(c.height));

    const int transitionCount = counted - std::max(c.stillFrames, 0);
    if (transitionCount > 0 && !c.withCaption) {
        velomira::Image last = decodeDelivery(full.sink, transitionCount - 1);
        ASSERT_TRUE(last);
        EXPECT_LT(meanDifference(last.get(), full.canvas.get()), 3.0)
            << "the last transition frame is not the picture canvas";
    }

    for (int k = 1; k <= counted; ++k) {
        const bool edge = k == 1 || k == counted;
        if (!edge && (failureStride == 0 || (failureStride > 1 && k % failureStride != 0)))
            continue;
        EffectRender failed = renderEffect(c, k);
        EXPECT_FALSE(failed.finalFrame) << "returned a frame after delivery " << k << " failed";
        EXPECT_EQ(failed.sink.count(), k) << "went on delivering after delivery " << k << " failed";
    }
}

bool sanitizedBuild() {
    const char* value = std::getenv("VELOMIRA_SANITIZED");
    return value && std::string(value) == "1";
}

std::vector<std::pair<int, int>> harnessSizes() {
    if (sanitizedBuild())
        return {{200, 200}, {130, 128}, {30, 20}, {2, 2}};
    return {{1280, 720}, {1920, 1080}, {720, 960}, {400, 400},
            {1000, 562}, {130, 128},   {30, 20},   {2, 2}};
}

void expectCatalogueEffect(int index, int stillFrames) {
    SCOPED_TRACE(::testing::Message() << "transition " << index);
    ASSERT_NE(transitionEntry(index), nullptr);
    ASSERT_NE(transitionEffect(index), nullptr);
    for (auto [w, h] : harnessSizes())
        expectEffectContract(catalogueCase(index, w, h, stillFrames), w * h > 400 * 400 ? 0 : 1);
}

} // namespace velomira::testing
