// What one held frame of a moving picture costs us at 1280 x 720, the encoder not counted: the
// view resampled from the motion's canvas, then coded for its sink (raw 4:2:0 planes for the raw
// transport, JPEG otherwise), with and without a caption over it. The hold codes in line
// (one thread); one iteration is a whole 2.0 s hold, so its processor time / 50 is one frame's.
#include "render/camera_motion.h"
#include "render/motion_hold.h"

#include <benchmark/benchmark.h>

using namespace velomira;

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kHold = 50; // 2.0 s

class NullSink final : public FrameSink {
  public:
    bool writeFrame(const unsigned char*, std::size_t length) override {
        benchmark::DoNotOptimize(length);
        return true;
    }
    bool repeatFrame(const unsigned char*, std::size_t) override { return true; }
};

// A photograph-like 1920 x 1080 picture, as the reference album's.
MotionPicture motionPicture(CameraMotion motion) {
    initImageLibrary();
    velomira::Image picture = newImage();
    MagickSetSize(picture.get(), 480, 270);
    MagickReadImage(picture.get(), "gradient:#2060c0-#f0a030");
    MagickAddNoiseImage(picture.get(), GaussianNoise);
    MagickResizeImage(picture.get(), 1920, 1080, LanczosFilter, 1.0);
    return prepareMotionPicture(motion, kWidth, kHeight, picture, "#ffffff");
}

void resampleOnly(benchmark::State& state) {
    const MotionPicture picture = motionPicture(CameraMotion::ZoomIn);
    RgbFrame frame = makeRgbFrame(kWidth, kHeight);
    RgbResampler resampler;
    int i = 0;
    for (auto _ : state) {
        drawCameraView(picture, viewAt(picture.path, (i++ % kHold) / (kHold - 1.0)), resampler,
                       frame);
        benchmark::DoNotOptimize(frame.data());
    }
}

void heldFrames(benchmark::State& state, FrameFormat format, bool caption) {
    const MotionPicture picture = motionPicture(CameraMotion::ZoomIn);
    CaptionOverlay overlay;
    if (caption) {
        overlay.image = makeCanvas(600, 60, "#000000");
        overlay.x = 340;
        overlay.y = 620;
    }
    NullSink sink;
    for (auto _ : state) {
        EffectInputs in;
        in.width = kWidth;
        in.height = kHeight;
        in.stillFrames = kHold;
        in.sink = &sink;
        in.format = format;
        in.codingThreads = 1;
        in.caption = caption ? &overlay : nullptr;
        in.motion = &picture;
        velomira::Image last = holdInMotion(in, true);
        benchmark::DoNotOptimize(last.get());
    }
}

} // namespace

BENCHMARK(resampleOnly)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(heldFrames, raw, FrameFormat::Yuv420p, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(heldFrames, rawCaption, FrameFormat::Yuv420p, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(heldFrames, jpeg, FrameFormat::Jpeg, false)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
