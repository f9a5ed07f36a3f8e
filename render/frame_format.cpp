#include "render/frame_format.h"

namespace velomira {

std::size_t rawFrameBytes(FrameFormat format, int width, int height) {
    if (width <= 0 || height <= 0)
        return 0;
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const std::size_t chroma =
        static_cast<std::size_t>((width + 1) / 2) * static_cast<std::size_t>((height + 1) / 2);
    switch (format) {
    case FrameFormat::Rgb24:
        return 3 * pixels;
    case FrameFormat::Yuv420p:
        return pixels + 2 * chroma;
    case FrameFormat::Jpeg:
        break;
    }
    return 0;
}

const char* rawPixelFormatName(FrameFormat format) {
    switch (format) {
    case FrameFormat::Rgb24:
        return "rgb24";
    case FrameFormat::Yuv420p:
        return "yuv420p";
    case FrameFormat::Jpeg:
        break;
    }
    return "";
}

FrameFormat frameFormatForTransport(FrameTransport transport) {
    return transport == FrameTransport::RawPixels ? kRawFrameFormat : FrameFormat::Jpeg;
}

} // namespace velomira
