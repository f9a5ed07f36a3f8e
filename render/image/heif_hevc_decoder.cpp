#include "render/image/heif_hevc_decoder.h"

#include <libde265/de265.h>
#include <libheif/heif_plugin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
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

// The YCbCr to RGB factors of a colour matrix (H.273 numbering), as libheif derives them.
struct RgbFactors {
    double rFromCr = 0.0;
    double gFromCb = 0.0;
    double gFromCr = 0.0;
    double bFromCb = 0.0;
};

std::optional<RgbFactors> factorsOf(int matrix) {
    double kr = 0.0;
    double kb = 0.0;
    switch (matrix) {
    case 2: // unspecified: libheif takes BT.601
    case 5:
    case 6:
        kr = 0.299, kb = 0.114;
        break;
    case 1:
        kr = 0.2126, kb = 0.0722;
        break;
    case 9:
    case 10:
        kr = 0.2627, kb = 0.0593;
        break;
    default:
        return std::nullopt; // rare matrices stay with libheif
    }
    return RgbFactors{2.0 * (1.0 - kr), 2.0 * kb * (1.0 - kb) / (kb + kr - 1.0),
                      2.0 * kr * (1.0 - kr) / (kb + kr - 1.0), 2.0 * (1.0 - kb)};
}

// The colour the stream itself declares, as libheif's own decoder attaches it.
void attachStreamColour(const de265_image* decoded, heif_image* image) {
    heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
    if (!nclx)
        return;
    heif_nclx_color_profile_set_matrix_coefficients(
        nclx, static_cast<std::uint16_t>(de265_get_image_matrix_coefficients(decoded)));
    heif_nclx_color_profile_set_color_primaries(
        nclx, static_cast<std::uint16_t>(de265_get_image_colour_primaries(decoded)));
    heif_nclx_color_profile_set_transfer_characteristics(
        nclx, static_cast<std::uint16_t>(de265_get_image_transfer_characteristics(decoded)));
    nclx->full_range_flag = static_cast<std::uint8_t>(de265_get_image_full_range_flag(decoded));
    heif_image_set_nclx_color_profile(image, nclx);
    heif_nclx_color_profile_free(nclx);
}

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
        return error;
    }
    attachStreamColour(decoded, *out);
    return error;
}

// The decoded 8-bit planes as planar RGB. Each chroma sample serves the pixels it covers.
heif_error convertToRgb(const de265_image* decoded, const RgbFactors& factors, heif_image** out) {
    const int width = de265_get_image_width(decoded, 0);
    const int height = de265_get_image_height(decoded, 0);
    const de265_chroma chroma = de265_get_chroma_format(decoded);
    const int shiftX = chroma == de265_chroma_444 ? 0 : 1;
    const int shiftY = chroma == de265_chroma_420 ? 1 : 0;
    heif_error error = heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_444, out);
    if (error.code)
        return error;
    std::uint8_t* target[3] = {};
    int targetStride[3] = {};
    const heif_channel channels[3] = {heif_channel_R, heif_channel_G, heif_channel_B};
    for (int c = 0; c < 3 && !error.code; ++c) {
        error = heif_image_add_plane(*out, channels[c], width, height, 8);
        if (!error.code)
            target[c] = heif_image_get_plane(*out, channels[c], &targetStride[c]);
    }
    int stride[3] = {};
    const std::uint8_t* source[3] = {};
    for (int c = 0; c < 3; ++c)
        source[c] = de265_get_image_plane(decoded, c, &stride[c]);
    if (error.code || !target[0] || !target[1] || !target[2] || !source[0] || !source[1] ||
        !source[2]) {
        heif_image_release(*out);
        *out = nullptr;
        return error.code ? error : failure("the decoded picture has a plane missing");
    }
    // In 1/65536: the products stay well inside 32 bits.
    const auto fixed = [](double factor) { return static_cast<int>(std::lround(factor * 65536)); };
    const int rCr = fixed(factors.rFromCr);
    const int gCb = fixed(factors.gFromCb);
    const int gCr = fixed(factors.gFromCr);
    const int bCb = fixed(factors.bFromCb);
    const auto level = [](int value) {
        return static_cast<std::uint8_t>(std::clamp((value + 32768) >> 16, 0, 255));
    };
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* luma = source[0] + static_cast<std::size_t>(y) * stride[0];
        const std::uint8_t* cb = source[1] + static_cast<std::size_t>(y >> shiftY) * stride[1];
        const std::uint8_t* cr = source[2] + static_cast<std::size_t>(y >> shiftY) * stride[2];
        std::uint8_t* r = target[0] + static_cast<std::size_t>(y) * targetStride[0];
        std::uint8_t* g = target[1] + static_cast<std::size_t>(y) * targetStride[1];
        std::uint8_t* b = target[2] + static_cast<std::size_t>(y) * targetStride[2];
        for (int x = 0; x < width; ++x) {
            const int base = luma[x] << 16;
            const int u = cb[x >> shiftX] - 128;
            const int v = cr[x >> shiftX] - 128;
            r[x] = level(base + rCr * v);
            g[x] = level(base + gCb * u + gCr * v);
            b[x] = level(base + bCb * u);
        }
    }
    return success();
}

// The factors to convert the picture to RGB with here, from the colour its stream declares, or
// none when libheif is to convert it.
std::optional<RgbFactors> rgbFactorsFor(const de265_image* decoded) {
    if (de265_get_chroma_format(decoded) == de265_chroma_mono ||
        !de265_get_image_full_range_flag(decoded))
        return std::nullopt;
    for (int c = 0; c < 3; ++c)
        if (de265_get_bits_per_pixel(decoded, c) != 8)
            return std::nullopt;
    return factorsOf(de265_get_image_matrix_coefficients(decoded));
}

heif_error decodeImage(void* decoder, bool toRgb, heif_image** out) {
    const auto& pushed = static_cast<PushedData*>(decoder)->bytes;
    const De265Context context(de265_new_decoder());
    if (!context)
        return failure("the HEVC decoder could not be made");
    const int threads =
        std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxWorkerThreads);
    if (!de265_isOK(de265_start_worker_threads(context.get(), threads)))
        return failure("the HEVC decoder's threads could not be started");
    for (const auto unit : splitSizedNalUnits(pushed)) {
        // The decoder takes a unit's size as an int.
        if (unit.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
            return failure("the HEVC data holds a unit too large to decode");
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
        if (const de265_image* decoded = de265_get_next_picture(context.get())) {
            const std::optional<RgbFactors> factors = toRgb ? rgbFactorsFor(decoded) : std::nullopt;
            return factors ? convertToRgb(decoded, *factors, out) : copyPlanes(decoded, out);
        }
        if (error == DE265_ERROR_WAITING_FOR_INPUT_DATA)
            break;
    }
    return failure("the HEVC data holds no picture");
}

heif_error decodeToYcbcr(void* decoder, heif_image** out) {
    return decodeImage(decoder, false, out);
}

heif_error decodeToRgb(void* decoder, heif_image** out) {
    return decodeImage(decoder, true, out);
}

using DecodeImage = heif_error (*)(void*, heif_image**);

constexpr heif_decoder_plugin threadedDecoder(DecodeImage decode, const char* id) {
    return {3,          pluginName,  noOp,     noOp,   supportsFormat,
            newDecoder, freeDecoder, pushData, decode, setStrictDecoding,
            id};
}

const heif_decoder_plugin kYcbcrDecoder = threadedDecoder(decodeToYcbcr, "libde265-threads");
const heif_decoder_plugin kRgbDecoder = threadedDecoder(decodeToRgb, "libde265-threads-rgb");

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

bool usesStreamColour(const heif_image_handle* picture) {
    heif_color_profile_nclx* nclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(picture, &nclx).code)
        return true;
    heif_nclx_color_profile_free(nclx);
    return false;
}

void useThreadedHevcDecoder(heif_context* context, HevcOutput output) {
    // The per-context registration is marked deprecated in favour of the process-wide one,
    // which would also change the decoder the imaging library's reader uses on other threads.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    heif_register_decoder(context, output == HevcOutput::Rgb ? &kRgbDecoder : &kYcbcrDecoder);
#pragma GCC diagnostic pop
}

} // namespace velomira
