#include "render/image/heif_hevc_decoder.h"

#include <libde265/de265.h>
#include <libheif/heif_plugin.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>

namespace velomira {

namespace {

// Above two the wavefronts of a 12-megapixel photo gain little, and the rest of a run needs
// the cores too.
constexpr int kMaxWorkerThreads = 2;

struct De265Free {
    void operator()(de265_decoder_context* context) const { de265_free_decoder(context); }
};
using De265Context = std::unique_ptr<de265_decoder_context, De265Free>;

struct PushedData {
    std::vector<std::uint8_t> bytes;
};

heif_error failure(const char* message) {
    return {heif_error_Decoder_plugin_error, heif_suberror_Unspecified, message};
}

heif_error success() {
    return {heif_error_Ok, heif_suberror_Unspecified, "Success"};
}

const char* pluginName() {
    return "libde265 with worker threads";
}

void noOp() {}

int supportsFormat(heif_compression_format format) {
    // Above libheif's own libde265 decoder (100), so this context picks this one.
    return format == heif_compression_HEVC ? 150 : 0;
}

heif_error newDecoder(void** decoder) {
    *decoder = new PushedData;
    return success();
}

void freeDecoder(void* decoder) {
    delete static_cast<PushedData*>(decoder);
}

heif_error pushData(void* decoder, const void* data, size_t size) {
    auto& pushed = static_cast<PushedData*>(decoder)->bytes;
    const auto* begin = static_cast<const std::uint8_t*>(data);
    pushed.insert(pushed.end(), begin, begin + size);
    return success();
}

void setStrictDecoding(void*, int) {}

// The decoded planes as a libheif image, at their own chroma layout and bit depth.
heif_error copyPlanes(const de265_image* decoded, heif_image** out) {
    const de265_chroma chroma = de265_get_chroma_format(decoded);
    const heif_chroma layout = chroma == de265_chroma_mono  ? heif_chroma_monochrome
                               : chroma == de265_chroma_420 ? heif_chroma_420
                               : chroma == de265_chroma_422 ? heif_chroma_422
                                                            : heif_chroma_444;
    const heif_colorspace space =
        chroma == de265_chroma_mono ? heif_colorspace_monochrome : heif_colorspace_YCbCr;
    heif_error error = heif_image_create(de265_get_image_width(decoded, 0),
                                         de265_get_image_height(decoded, 0), space, layout, out);
    if (error.code)
        return error;
    const heif_channel channels[3] = {heif_channel_Y, heif_channel_Cb, heif_channel_Cr};
    const int planes = chroma == de265_chroma_mono ? 1 : 3;
    for (int c = 0; c < planes; ++c) {
        const int width = de265_get_image_width(decoded, c);
        const int height = de265_get_image_height(decoded, c);
        const int bits = de265_get_bits_per_pixel(decoded, c);
        error = heif_image_add_plane(*out, channels[c], width, height, bits);
        if (error.code)
            break;
        int sourceStride = 0;
        int targetStride = 0;
        const std::uint8_t* source = de265_get_image_plane(decoded, c, &sourceStride);
        std::uint8_t* target = heif_image_get_plane(*out, channels[c], &targetStride);
        const auto rowBytes = static_cast<std::size_t>(width) * ((bits + 7) / 8);
        if (!source || !target || static_cast<std::size_t>(sourceStride) < rowBytes) {
            error = failure("the decoded picture has a plane missing");
            break;
        }
        for (int row = 0; row < height; ++row)
            std::memcpy(target + static_cast<std::size_t>(row) * targetStride,
                        source + static_cast<std::size_t>(row) * sourceStride, rowBytes);
    }
    if (error.code) {
        heif_image_release(*out);
        *out = nullptr;
    }
    return error;
}

heif_error decodeImage(void* decoder, heif_image** out) {
    const auto& pushed = static_cast<PushedData*>(decoder)->bytes;
    const De265Context context(de265_new_decoder());
    if (!context)
        return failure("the HEVC decoder could not be made");
    const int threads =
        std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxWorkerThreads);
    if (!de265_isOK(de265_start_worker_threads(context.get(), threads)))
        return failure("the HEVC decoder's threads could not be started");
    for (const auto unit : splitSizedNalUnits(pushed)) {
        if (!de265_isOK(de265_push_NAL(context.get(), unit.data(), static_cast<int>(unit.size()), 0,
                                       nullptr)))
            return failure("the HEVC data could not be read");
    }
    if (!de265_isOK(de265_flush_data(context.get())))
        return failure("the HEVC data could not be read");
    int more = 1;
    while (more) {
        const de265_error error = de265_decode(context.get(), &more);
        if (!de265_isOK(error) && error != DE265_ERROR_WAITING_FOR_INPUT_DATA)
            return failure("the HEVC picture could not be decoded");
        if (const de265_image* decoded = de265_get_next_picture(context.get()))
            return copyPlanes(decoded, out);
        if (error == DE265_ERROR_WAITING_FOR_INPUT_DATA)
            break;
    }
    return failure("the HEVC data holds no picture");
}

const heif_decoder_plugin kThreadedDecoder = {
    3,
    pluginName,
    noOp,
    noOp,
    supportsFormat,
    newDecoder,
    freeDecoder,
    pushData,
    decodeImage,
    setStrictDecoding,
    "libde265-threads",
};

} // namespace

std::vector<std::span<const std::uint8_t>> splitSizedNalUnits(std::span<const std::uint8_t> data) {
    std::vector<std::span<const std::uint8_t>> units;
    std::size_t at = 0;
    while (data.size() - at >= 4) {
        const std::size_t size = (std::size_t{data[at]} << 24) | (std::size_t{data[at + 1]} << 16) |
                                 (std::size_t{data[at + 2]} << 8) | data[at + 3];
        at += 4;
        if (size == 0 || size > data.size() - at)
            break;
        units.push_back(data.subspan(at, size));
        at += size;
    }
    return units;
}

void useThreadedHevcDecoder(heif_context* context) {
    // The per-context registration is marked deprecated in favour of the process-wide one,
    // which would also change the decoder the imaging library's reader uses on other threads.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    heif_register_decoder(context, &kThreadedDecoder);
#pragma GCC diagnostic pop
}

} // namespace velomira
