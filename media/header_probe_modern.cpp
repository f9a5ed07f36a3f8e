#include "media/header_probe_modern.h"

#include "media/heif_handles.h"
#include "media/image_header.h"
#include "media/tiff_directory.h"

#include <libheif/heif.h>
#include <webp/decode.h>

#include <climits>
#include <cstring>
#include <string_view>

namespace velomira {
namespace {

bool startsWith(const unsigned char* bytes, std::size_t count, std::size_t at,
                std::string_view text) {
    return count >= at + text.size() && std::memcmp(bytes + at, text.data(), text.size()) == 0;
}

// ---- WebP ----

constexpr std::size_t kWebpHeaderBytes = 64; // RIFF header and the first chunk's header

bool isWebp(const unsigned char* bytes, std::size_t count) {
    return startsWith(bytes, count, 0, "RIFF") && startsWith(bytes, count, 8, "WEBP");
}

// libwebp reads the size and the animation flag from the first chunk. A RIFF size that
// promises more than the file holds is a cut or lying file: the decoder would fail on it.
bool webpFeatures(BoundedReader& reader, WebPBitstreamFeatures& features) {
    unsigned char bytes[kWebpHeaderBytes];
    if (!reader.seek(0))
        return false;
    const std::size_t count = reader.readUpTo(bytes, sizeof bytes);
    if (count < 12 || !isWebp(bytes, count))
        return false;
    const long riffSize = static_cast<long>(littleEndian32(bytes + 4));
    if (riffSize < 4 || riffSize > reader.size() - 8)
        return false;
    return WebPGetFeatures(bytes, count, &features) == VP8_STATUS_OK;
}

// ---- HEIF and AVIF ----

// The whole `ftyp` box is small; a larger one is not a picture of ours.
constexpr std::uint32_t kMostFtypBytes = 1024;

enum class BrandKind { None, Heic, Heif, Avif, Sequence };

BrandKind brandKind(const unsigned char* brand) {
    const std::string_view name(reinterpret_cast<const char*>(brand), 4);
    if (name == "avif")
        return BrandKind::Avif;
    if (name == "heic" || name == "heix" || name == "heim" || name == "heis")
        return BrandKind::Heic;
    if (name == "mif1" || name == "mif2")
        return BrandKind::Heif;
    if (name == "msf1" || name == "hevc" || name == "hevx" || name == "hevs" || name == "avis")
        return BrandKind::Sequence;
    return BrandKind::None;
}

struct FtypBrands {
    BrandKind major = BrandKind::None;
    bool compatibleAvif = false;
    bool compatibleHeic = false;
    bool compatibleStill = false;
};

bool readFtyp(BoundedReader& reader, FtypBrands& brands) {
    unsigned char box[kMostFtypBytes];
    if (!reader.seek(0) || !reader.read(box, 16) || std::memcmp(box + 4, "ftyp", 4) != 0)
        return false;
    const std::uint32_t size = bigEndian32(box);
    if (size < 16 || size > kMostFtypBytes || size % 4 != 0 || !reader.read(box + 16, size - 16))
        return false;
    brands.major = brandKind(box + 8);
    for (std::uint32_t at = 16; at + 4 <= size; at += 4) {
        const BrandKind kind = brandKind(box + at);
        brands.compatibleAvif |= kind == BrandKind::Avif;
        brands.compatibleHeic |= kind == BrandKind::Heic;
        brands.compatibleStill |= kind == BrandKind::Heic || kind == BrandKind::Heif;
    }
    return true;
}

PictureKind ftypKind(const FtypBrands& brands) {
    switch (brands.major) {
    case BrandKind::Avif:
        return PictureKind::Avif;
    case BrandKind::Heic:
        return PictureKind::Heif;
    case BrandKind::Heif:
        if (brands.compatibleAvif)
            return PictureKind::Avif;
        return PictureKind::Heif;
    case BrandKind::Sequence:
        // A file whose first purpose is a sequence; a still image beside it is not the point.
        return PictureKind::Animated;
    case BrandKind::None:
        if (brands.compatibleAvif)
            return PictureKind::Avif;
        if (brands.compatibleStill)
            return PictureKind::Heif;
        return PictureKind::Unrecognised;
    }
    return PictureKind::Unrecognised;
}

// libheif reads the boxes through the bounded reader: it can never pass the end of the file.
int64_t heifPosition(void* reader) {
    return static_cast<BoundedReader*>(reader)->position();
}
int heifRead(void* data, std::size_t size, void* reader) {
    return static_cast<BoundedReader*>(reader)->read(static_cast<unsigned char*>(data), size) ? 0
                                                                                              : -1;
}
int heifSeek(int64_t position, void* reader) {
    if (position < 0 || position > LONG_MAX)
        return -1;
    return static_cast<BoundedReader*>(reader)->seek(static_cast<long>(position)) ? 0 : -1;
}
heif_reader_grow_status heifGrow(int64_t target, void* reader) {
    return target <= static_cast<BoundedReader*>(reader)->size()
               ? heif_reader_grow_status_size_reached
               : heif_reader_grow_status_size_beyond_eof;
}

// The primary image's size as shown, that is after the file's own rotation, which the
// decoder applies too.
bool readHeifSize(BoundedReader& reader, ImageHeader& header) {
    static const heif_reader callbacks = {1, heifPosition, heifRead, heifSeek, heifGrow};
    HeifContext context(heif_context_alloc());
    if (!context || !reader.seek(0))
        return false;
    if (heif_context_read_from_reader(context.get(), &callbacks, &reader, nullptr).code !=
        heif_error_Ok)
        return false;
    heif_image_handle* primary = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &primary).code != heif_error_Ok)
        return false;
    HeifHandle handle(primary);
    header.width = heif_image_handle_get_width(handle.get());
    header.height = heif_image_handle_get_height(handle.get());
    return true;
}

// ---- TIFF ----

bool isTiff(const unsigned char* bytes, std::size_t count) {
    return startsWith(bytes, count, 0, std::string_view("II*\0", 4)) ||
           startsWith(bytes, count, 0, std::string_view("MM\0*", 4));
}

bool readTiffSize(BoundedReader& reader, ImageHeader& header) {
    TiffDirectory directory;
    if (!readTiffDirectory(reader, 0, directory) || directory.width > INT_MAX ||
        directory.height > INT_MAX)
        return false;
    header.width = static_cast<int>(directory.width);
    header.height = static_cast<int>(directory.height);
    return true;
}

} // namespace

PictureKind probeModernKind(BoundedReader& reader, const unsigned char* first, std::size_t count) {
    if (isTiff(first, count))
        return PictureKind::Tiff;
    if (isWebp(first, count)) {
        WebPBitstreamFeatures features;
        if (!webpFeatures(reader, features))
            return PictureKind::Unrecognised;
        return features.has_animation ? PictureKind::Animated : PictureKind::Webp;
    }
    if (startsWith(first, count, 4, "ftyp")) {
        FtypBrands brands;
        if (!readFtyp(reader, brands))
            return PictureKind::Unrecognised;
        return ftypKind(brands);
    }
    return PictureKind::Unrecognised;
}

bool readModernHeader(BoundedReader& reader, PictureKind kind, ImageHeader& header) {
    switch (kind) {
    case PictureKind::Webp: {
        WebPBitstreamFeatures features;
        if (!webpFeatures(reader, features))
            return false;
        header.formatName = "WEBP";
        header.width = features.width;
        header.height = features.height;
        return true;
    }
    case PictureKind::Heif:
    case PictureKind::Avif: {
        FtypBrands brands;
        if (!readFtyp(reader, brands))
            return false;
        header.formatName = kind == PictureKind::Avif                                  ? "AVIF"
                            : brands.major == BrandKind::Heic || brands.compatibleHeic ? "HEIC"
                                                                                       : "HEIF";
        return readHeifSize(reader, header);
    }
    case PictureKind::Tiff:
        header.formatName = "TIFF";
        return readTiffSize(reader, header);
    default:
        return false;
    }
}

} // namespace velomira
