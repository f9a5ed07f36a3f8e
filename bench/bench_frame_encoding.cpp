// What one 1280 x 720 frame costs on its way out of the renderer, per frame format: the
// imaging library's own JPEG writer (the former path), libjpeg-turbo from 8-bit pixels, raw
// RGB, and raw 4:2:0 planes. The encoder's side of each format is measured by run_peers.sh.
#include "render/image/frame_encoding.h"
#include "render/image/image_layer.h"

#include <benchmark/benchmark.h>

using namespace velomira;

namespace {

// A photograph-like frame: a gradient with fine noise, so coding costs what it costs on real
// pictures rather than on flat colour.
velomira::Image testFrame() {
    initImageLibrary();
    velomira::Image picture = newImage();
    MagickSetSize(picture.get(), 320, 180);
    MagickReadImage(picture.get(), "gradient:#2060c0-#f0a030");
    MagickAddNoiseImage(picture.get(), GaussianNoise);
    MagickResizeImage(picture.get(), 1280, 720, LanczosFilter, 1.0);
    return picture;
}

void libraryJpegWriter(benchmark::State& state) {
    velomira::Image frame = testFrame();
    for (auto _ : state) {
        MagickSetOption(frame.get(), "jpeg:sampling-factor", "2x2,1x1,1x1");
        MagickSetImageFormat(frame.get(), "JPEG");
        std::size_t length = 0;
        Blob blob = adoptBlob(MagickGetImageBlob(frame.get(), &length), length);
        benchmark::DoNotOptimize(blob.length);
    }
}

void frameIn(benchmark::State& state, FrameFormat format) {
    velomira::Image frame = testFrame();
    for (auto _ : state) {
        EncodedFrame blob = encodeFrame(frame, nullptr, format);
        benchmark::DoNotOptimize(blob.length);
    }
}

void exportOnly(benchmark::State& state) {
    velomira::Image frame = testFrame();
    std::vector<unsigned char> rgb;
    for (auto _ : state)
        benchmark::DoNotOptimize(exportRgb24(frame.get(), rgb));
}

} // namespace

BENCHMARK(libraryJpegWriter)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(frameIn, jpegTurbo, FrameFormat::Jpeg)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(frameIn, rgb24, FrameFormat::Rgb24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(frameIn, yuv420p, FrameFormat::Yuv420p)->Unit(benchmark::kMillisecond);
BENCHMARK(exportOnly)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
