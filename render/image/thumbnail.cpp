#include "render/image/thumbnail.h"

#include "media/header_probe.h"
#include "platform/dialogs.h"
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

void reportUnreadable(const std::string& failure) {
    showMessage("图片读取失败@生成缩略图：\n\n" + failure +
                    "\n\n可能当前系统不支持软件在[含有中文的文件夹]中运行！",
                "提示", MessageKind::Warning);
}

// A reduced decode takes a fraction of the pixel memory, so it would accept a picture that the
// library refuses to decode at full size; the video needs the full size, so such a picture
// must be decided by a full decode.
bool fullDecodeWithinLimits(long long width, long long height) {
    const auto limit = [](ResourceType type) {
        return static_cast<long long>(
            std::min<MagickSizeType>(MagickGetResourceLimit(type), 1ULL << 62));
    };
    return width <= limit(WidthResource) && height <= limit(HeightResource) &&
           width * height <= limit(AreaResource);
}

} // namespace

std::string thumbnailRefusalText(const std::string& path, const std::string& vendorHost) {
    const std::string site =
        vendorHost.empty() ? "" : "- - -> 请进入官方网站(" + vendorHost + ")联系我们的客服。\r\n";
    std::string format;
    int width = 0;
    int height = 0;
    if (readImageHeader(path, &format, &width, &height) == 1 &&
        !fullDecodeWithinLimits(width, height)) {
        const auto limit = [](ResourceType type) {
            return std::to_string(
                std::min<MagickSizeType>(MagickGetResourceLimit(type), 1ULL << 62));
        };
        return "图片太大，无法读取@生成缩略图:\r\n" + path + "\r\n图片尺寸 " +
               std::to_string(width) + " x " + std::to_string(height) + "，最大支持 " +
               limit(WidthResource) + " x " + limit(HeightResource) + "（共 " +
               limit(AreaResource) + " 像素）。\r\n" + site;
    }
    return "图片读取失败@生成缩略图:\r\n" + path + "\r\n" + site;
}

int makeThumbnailIcon(const std::string& path, int boxWidth, int boxHeight, int angle, Blob& icon,
                      ThumbnailDecode decode, std::string* failureOut) {
    icon = Blob();
    if (failureOut)
        failureOut->clear();
    const int innerWidth = boxWidth - 2;
    const int innerHeight = boxHeight - 2;
    if (innerWidth < 1 || innerHeight < 1)
        return 0;

    Image picture = newImage();
    if (!picture)
        return 0;
    std::string failure;
    // Only quarter turns keep the size predictable from the unturned picture.
    if (decode == ThumbnailDecode::Reduced && angle % 90 == 0) {
        // The header alone gives the true size. The JPEG reader then decodes at the smallest
        // scale that still covers the thumbnail, which is made from the true size, so the
        // result has exactly the geometry of a full decode.
        std::string format;
        int width = 0;
        int height = 0;
        if (readImageHeader(path, &format, &width, &height) == 1 && format == "JPEG" &&
            fullDecodeWithinLimits(width, height)) {
            Size size{width, height};
            const bool sideways = turnsSideways(angle);
            if (sideways)
                std::swap(size.width, size.height);
            Size target = fittedThumbnailSize(size, innerWidth, innerHeight);
            if (target.width < size.width) {
                if (sideways)
                    std::swap(target.width, target.height);
                const std::string hint =
                    std::to_string(target.width) + "x" + std::to_string(target.height);
                MagickSetOption(picture.get(), "jpeg:size", hint.c_str());
            }
        }
    }
    // A HEIC from a phone carries a thumbnail of its own; the picture is decoded only when it
    // has none large enough.
    Size embeddedFor{};
    bool embedded = false;
    if (decode == ThumbnailDecode::Reduced && angle % 90 == 0) {
        const int kind = probeImageKind(path);
        embedded = (kind == kImageKindHeif || kind == kImageKindAvif) &&
                   readHeifThumbnail(path, std::max(innerWidth, innerHeight), picture.get(),
                                     embeddedFor.width, embeddedFor.height);
    }
    if (!embedded && !readImageFile(picture.get(), path, failure)) {
        if (failureOut)
            *failureOut = failure;
        else
            reportUnreadable(failure);
        return 0;
    }
    if (!isStillPicture(picture))
        return -1;

    const std::string format = imageFormat(picture.get());
    if (format == "PSD")
        MagickResetIterator(picture.get());
    if (MagickGetImageAlphaChannel(picture.get()) == MagickTrue && format == "BMP")
        MagickSetImageAlphaChannel(picture.get(), DeactivateAlphaChannel);
    if (MagickGetImageColorspace(picture.get()) == CMYKColorspace)
        MagickTransformImageColorspace(picture.get(), sRGBColorspace);

    // A reduced JPEG still knows the size it was stored at.
    Size size{static_cast<long long>(MagickGetImageWidth(picture.get())),
              static_cast<long long>(MagickGetImageHeight(picture.get()))};
    if (embedded)
        size = embeddedFor;
    if (format == "JPEG") {
        const ::Image* current = GetImageFromMagickWand(picture.get());
        if (current && current->magick_columns > 0 && current->magick_rows > 0)
            size = {static_cast<long long>(current->magick_columns),
                    static_cast<long long>(current->magick_rows)};
    }
    if (angle > 0) {
        Pixel background = newPixel("#FFFFFF");
        MagickRotateImage(picture.get(), background.get(), static_cast<double>(angle));
        if (angle % 90 != 0)
            size = {static_cast<long long>(MagickGetImageWidth(picture.get())),
                    static_cast<long long>(MagickGetImageHeight(picture.get()))};
        else if (turnsSideways(angle))
            std::swap(size.width, size.height);
    }

    const Size thumb = fittedThumbnailSize(size, innerWidth, innerHeight);
    const long long decodedWidth = static_cast<long long>(MagickGetImageWidth(picture.get()));
    const long long decodedHeight = static_cast<long long>(MagickGetImageHeight(picture.get()));
    if (decodedWidth != size.width || decodedHeight != size.height) {
        // The reader already did the large reduction; the thumbnail operation would enlarge
        // the small decode fivefold before shrinking it and cost more than the decode itself.
        // What is left is a reduction of at most 8 times, which a triangle filter does as well
        // as Lanczos for a list icon, in a third of the time.
        MagickResizeImage(picture.get(), static_cast<std::size_t>(thumb.width),
                          static_cast<std::size_t>(thumb.height), TriangleFilter, 1.0);
        MagickStripImage(picture.get());
    } else if (thumb.width != size.width || thumb.height != size.height) {
        MagickThumbnailImage(picture.get(), static_cast<std::size_t>(thumb.width),
                             static_cast<std::size_t>(thumb.height));
    }

    Image canvas = makeCanvas(innerWidth, innerHeight, "#FFFFFF");
    if (!canvas)
        return 0;
    const long placedWidth = static_cast<long>(MagickGetImageWidth(picture.get()));
    const long placedHeight = static_cast<long>(MagickGetImageHeight(picture.get()));
    MagickCompositeImage(canvas.get(), picture.get(), OverCompositeOp,
                         (boxWidth - placedWidth - 2) / 2, (boxHeight - placedHeight - 2) / 2);
    Pixel border = newPixel("#d4d0c8");
    MagickBorderImage(canvas.get(), border.get(), 1, 1);
    MagickSetImageFormat(canvas.get(), "PNG");
    std::size_t length = 0;
    unsigned char* bytes = MagickGetImageBlob(canvas.get(), &length);
    icon = adoptBlob(bytes, length);
    return icon ? 1 : 0;
}

ThumbnailSize fittedThumbnailSize(ThumbnailSize picture, int innerWidth, int innerHeight) {
    if (picture.width <= innerWidth && picture.height <= innerHeight)
        return picture;
    if (picture.width / picture.height == 0)
        return {std::max(picture.width * innerHeight / picture.height, 1LL), innerHeight};
    return {innerWidth, std::max(innerWidth * picture.height / picture.width, 1LL)};
}

} // namespace velomira
