#include "render/image/thumbnail.h"

#include "render/image/heif_thumbnail.h"
#include "render/image/image_layer.h"
#include "render/image/picture_reader.h"

#include <algorithm>
#include <utility>

namespace velomira {

namespace {

bool turnsSideways(int angle) {
    return angle > 0 && angle % 180 == 90;
}

using Size = ThumbnailSize;

Failure unreadableFailure(const std::string& reason) {
    return {"图片读取失败@生成缩略图：\n\n" + reason +
                "\n\n可能当前系统不支持软件在[含有中文的文件夹]中运行！",
            "提示", MessageKind::Warning};
}

long long resourceLimit(ResourceType type) {
    return static_cast<long long>(
        std::min<MagickSizeType>(MagickGetResourceLimit(type), 1ULL << 62));
}

// A reduced decode takes a fraction of the pixel memory, so it would accept a picture that the
// library refuses to decode at full size; the video needs the full size, so such a picture
// must be decided by a full decode.
bool fullDecodeWithinLimits(long long width, long long height) {
    return width <= resourceLimit(WidthResource) && height <= resourceLimit(HeightResource) &&
           width * height <= resourceLimit(AreaResource);
}

// The header gives the true size. The JPEG reader then decodes at the smallest scale that still
// covers the thumbnail, which is made from the true size, so the result has exactly the
// geometry of a full decode.
void hintReducedJpeg(MagickWand* picture, const PictureFacts& facts, int angle, int innerWidth,
                     int innerHeight) {
    if (facts.kind != PictureKind::Jpeg || !facts.sized ||
        !fullDecodeWithinLimits(facts.header.width, facts.header.height))
        return;
    Size size{facts.header.width, facts.header.height};
    const bool sideways = turnsSideways(angle);
    if (sideways)
        std::swap(size.width, size.height);
    Size target = fittedThumbnailSize(size, innerWidth, innerHeight);
    if (target.width >= size.width)
        return;
    if (sideways)
        std::swap(target.width, target.height);
    const std::string hint = std::to_string(target.width) + "x" + std::to_string(target.height);
    MagickSetOption(picture, "jpeg:size", hint.c_str());
}

// A HEIC from a phone carries a thumbnail of its own; the picture is decoded only when it has
// none large enough. The picture's own size when the thumbnail was read.
std::optional<Size> readEmbeddedThumbnail(MagickWand* picture, const PictureFacts& facts,
                                          int minLongSide) {
    Size size;
    if ((facts.kind == PictureKind::Heif || facts.kind == PictureKind::Avif) &&
        readHeifThumbnail(facts.path, minLongSide, picture, size.width, size.height))
        return size;
    return std::nullopt;
}

// Selects the image that is used and brings it to opaque sRGB; gives the picture's format.
std::string normalise(MagickWand* picture) {
    const std::string format = imageFormat(picture);
    if (format == "PSD")
        MagickResetIterator(picture);
    if (MagickGetImageAlphaChannel(picture) == MagickTrue && format == "BMP")
        MagickSetImageAlphaChannel(picture, DeactivateAlphaChannel);
    if (MagickGetImageColorspace(picture) == CMYKColorspace)
        MagickTransformImageColorspace(picture, sRGBColorspace);
    return format;
}

// The size the picture was stored at: a reduced JPEG still knows it, an embedded thumbnail
// stands for a picture of the given size.
Size storedSize(MagickWand* picture, const std::string& format, std::optional<Size> embedded) {
    if (embedded)
        return *embedded;
    Size size{static_cast<long long>(MagickGetImageWidth(picture)),
              static_cast<long long>(MagickGetImageHeight(picture))};
    if (format == "JPEG") {
        const ::Image* current = GetImageFromMagickWand(picture);
        if (current && current->magick_columns > 0 && current->magick_rows > 0)
            size = {static_cast<long long>(current->magick_columns),
                    static_cast<long long>(current->magick_rows)};
    }
    return size;
}

// Turns the picture clockwise by angle on white; gives the stored size as turned.
Size turned(MagickWand* picture, Size size, int angle) {
    if (angle <= 0)
        return size;
    Pixel background = newPixel("#FFFFFF");
    MagickRotateImage(picture, background.get(), static_cast<double>(angle));
    if (angle % 90 != 0)
        return {static_cast<long long>(MagickGetImageWidth(picture)),
                static_cast<long long>(MagickGetImageHeight(picture))};
    if (turnsSideways(angle))
        std::swap(size.width, size.height);
    return size;
}

void shrinkTo(MagickWand* picture, Size size, Size thumb) {
    const long long decodedWidth = static_cast<long long>(MagickGetImageWidth(picture));
    const long long decodedHeight = static_cast<long long>(MagickGetImageHeight(picture));
    if (decodedWidth != size.width || decodedHeight != size.height) {
        // The reader already did the large reduction; the thumbnail operation would enlarge
        // the small decode fivefold before shrinking it and cost more than the decode itself.
        // What is left is a reduction of at most 8 times, which a triangle filter does as well
        // as Lanczos for a list icon, in a third of the time.
        MagickResizeImage(picture, static_cast<std::size_t>(thumb.width),
                          static_cast<std::size_t>(thumb.height), TriangleFilter, 1.0);
        MagickStripImage(picture);
    } else if (thumb.width != size.width || thumb.height != size.height) {
        MagickThumbnailImage(picture, static_cast<std::size_t>(thumb.width),
                             static_cast<std::size_t>(thumb.height));
    }
}

// The picture centred in the white inner box with the grey border, as PNG bytes.
bool placeInBox(MagickWand* picture, int boxWidth, int boxHeight, Blob& icon) {
    Image canvas = makeCanvas(boxWidth - 2, boxHeight - 2, "#FFFFFF");
    if (!canvas)
        return false;
    const long placedWidth = static_cast<long>(MagickGetImageWidth(picture));
    const long placedHeight = static_cast<long>(MagickGetImageHeight(picture));
    MagickCompositeImage(canvas.get(), picture, OverCompositeOp, (boxWidth - placedWidth - 2) / 2,
                         (boxHeight - placedHeight - 2) / 2);
    Pixel border = newPixel("#d4d0c8");
    MagickBorderImage(canvas.get(), border.get(), 1, 1);
    MagickSetImageFormat(canvas.get(), "PNG");
    std::size_t length = 0;
    unsigned char* bytes = MagickGetImageBlob(canvas.get(), &length);
    icon = adoptBlob(bytes, length);
    return static_cast<bool>(icon);
}

} // namespace

std::string thumbnailRefusalText(const PictureFacts& picture, const std::string& vendorHost) {
    const std::string site =
        vendorHost.empty() ? "" : "- - -> 请进入官方网站(" + vendorHost + ")联系我们的客服。\r\n";
    const std::string& path = picture.path;
    if (picture.sized && !fullDecodeWithinLimits(picture.header.width, picture.header.height)) {
        const auto limit = [](ResourceType type) { return std::to_string(resourceLimit(type)); };
        return "图片太大，无法读取@生成缩略图:\r\n" + path + "\r\n图片尺寸 " +
               std::to_string(picture.header.width) + " x " +
               std::to_string(picture.header.height) + "，最大支持 " + limit(WidthResource) +
               " x " + limit(HeightResource) + "（共 " + limit(AreaResource) + " 像素）。\r\n" +
               site;
    }
    return "图片读取失败@生成缩略图:\r\n" + path + "\r\n" + site;
}

ThumbnailResult makeThumbnailIcon(const PictureFacts& picture, int boxWidth, int boxHeight,
                                  int angle, Blob& icon, ThumbnailDecode decode) {
    icon = Blob();
    ThumbnailResult result;
    const int innerWidth = boxWidth - 2;
    const int innerHeight = boxHeight - 2;
    if (innerWidth < 1 || innerHeight < 1)
        return result;
    Image wand = newImage();
    if (!wand)
        return result;
    // Only quarter turns keep the size predictable from the unturned picture.
    const bool reduced = decode == ThumbnailDecode::Reduced && angle % 90 == 0;
    std::optional<Size> embedded;
    if (reduced) {
        hintReducedJpeg(wand.get(), picture, angle, innerWidth, innerHeight);
        embedded = readEmbeddedThumbnail(wand.get(), picture, std::max(innerWidth, innerHeight));
    }
    std::string failure;
    if (!embedded && !readImageFile(wand.get(), picture.path, picture.kind, failure)) {
        result.failure = unreadableFailure(failure);
        return result;
    }
    if (!isStillPicture(wand)) {
        result.status = ThumbnailStatus::NotStill;
        return result;
    }
    const std::string format = normalise(wand.get());
    const Size size = turned(wand.get(), storedSize(wand.get(), format, embedded), angle);
    shrinkTo(wand.get(), size, fittedThumbnailSize(size, innerWidth, innerHeight));
    if (placeInBox(wand.get(), boxWidth, boxHeight, icon))
        result.status = ThumbnailStatus::Made;
    return result;
}

ThumbnailSize fittedThumbnailSize(ThumbnailSize picture, int innerWidth, int innerHeight) {
    if (picture.width <= innerWidth && picture.height <= innerHeight)
        return picture;
    if (picture.width / picture.height == 0)
        return {std::max(picture.width * innerHeight / picture.height, 1LL), innerHeight};
    return {innerWidth, std::max(innerWidth * picture.height / picture.width, 1LL)};
}

} // namespace velomira
