#include "render/image/picture_reader.h"

#include "media/header_probe.h"
#include "render/image/heif_picture.h"
#include "render/image/magick_handles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <vector>

namespace velomira {

namespace {

// Debian's free sRGB profile (icc-profiles-free). Read once; it never changes while we run.
constexpr const char* kSrgbProfilePath = "/usr/share/color/icc/sRGB.icc";
constexpr const char* kCutShortArtifact = "velomira:cut-short";

const std::vector<unsigned char>& srgbProfile() {
    static const std::vector<unsigned char> profile = [] {
        std::ifstream file(kSrgbProfilePath, std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>());
    }();
    return profile;
}

// The decode size hint a caller gave the JPEG decoder, which the HEIF decoder honours too.
std::pair<int, int> decodeSizeHint(MagickWand* wand) {
    std::pair<int, int> hint{0, 0};
    char* option = MagickGetOption(wand, "jpeg:size");
    if (option) {
        if (std::sscanf(option, "%dx%d", &hint.first, &hint.second) != 2)
            hint = {0, 0};
        MagickRelinquishMemory(option);
    }
    return hint;
}

bool describesSrgb(MagickWand* wand) {
    char* description = MagickGetImageProperty(wand, "icc:description");
    const bool srgb = description && std::strstr(description, "sRGB") != nullptr;
    if (description)
        MagickRelinquishMemory(description);
    return srgb;
}

// The JPEG reader leaves its warnings ("Premature end of JPEG file") on the image it read, other
// readers on the wand.
bool readWarnedOfDamage(MagickWand* wand) {
    if (MagickGetExceptionType(wand) == CorruptImageWarning)
        return true;
    const ::Image* image = GetImageFromMagickWand(wand);
    return image != nullptr && image->exception.severity == CorruptImageWarning;
}

} // namespace

bool convertProfileToSrgb(MagickWand* wand) {
    const ColorspaceType colourspace = MagickGetImageColorspace(wand);
    if (colourspace != sRGBColorspace && colourspace != RGBColorspace)
        return true;
    std::size_t length = 0;
    unsigned char* embedded = MagickGetImageProfile(wand, "icc", &length);
    if (!embedded)
        return true;
    MagickRelinquishMemory(embedded);
    if (length == 0 || describesSrgb(wand))
        return true;
    const std::vector<unsigned char>& srgb = srgbProfile();
    if (srgb.empty())
        return false;
    if (MagickProfileImage(wand, "icc", srgb.data(), srgb.size()) == MagickFalse) {
        MagickClearException(wand);
        return false;
    }
    return true;
}

bool readImageFile(MagickWand* wand, const std::string& path, std::string& failure, bool pingOnly) {
    return readImageFile(wand, path, probeImageKind(path), failure, pingOnly);
}

bool readImageFile(MagickWand* wand, const std::string& path, PictureKind kind,
                   std::string& failure, bool pingOnly) {
    failure.clear();
    if (!wand) {
        failure = "no image handle";
        return false;
    }
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        failure = "unable to open image `" + path + "': not a regular file";
        return false;
    }
    // Only the first page of a TIFF is a picture of ours; "[0]" keeps the reader from decoding
    // the others (a file of that very name does not exist, so the suffix is read as a page).
    const std::string source = kind == PictureKind::Tiff ? path + "[0]" : path;
    const bool heif = !pingOnly && (kind == PictureKind::Heif || kind == PictureKind::Avif) &&
                      readHeifPicture(path, decodeSizeHint(wand), wand);
    MagickBooleanType ok = heif       ? MagickTrue
                           : pingOnly ? MagickPingImage(wand, source.c_str())
                                      : MagickReadImage(wand, source.c_str());
    if (ok == MagickFalse || MagickGetNumberImages(wand) == 0) {
        failure = exceptionText(wand);
        if (failure.empty())
            failure = "unable to read image `" + path + "'";
        return false;
    }
    if (MagickGetImageWidth(wand) == 0 || MagickGetImageHeight(wand) == 0) {
        // Some coders give up on a broken file yet hand back an empty image; the reason is
        // then on the image, not on the wand.
        failure = exceptionText(wand);
        if (failure.empty())
            failure = "image has no pixels `" + path + "'";
        return false;
    }
    if (!pingOnly && readWarnedOfDamage(wand)) {
        // The warning stays with the reader's state; the image itself keeps the mark.
        MagickSetImageArtifact(wand, kCutShortArtifact, "1");
        MagickClearException(wand);
    }
    if (!pingOnly) {
        // The HEIF reader hands over the decoder's YCbCr planes as they are.
        if (MagickGetImageColorspace(wand) == YCbCrColorspace)
            MagickTransformImageColorspace(wand, sRGBColorspace);
        convertProfileToSrgb(wand);
    }
    return true;
}

bool pictureDataCutShort(MagickWand* wand) {
    if (!wand || MagickGetNumberImages(wand) == 0)
        return false;
    char* mark = MagickGetImageArtifact(wand, kCutShortArtifact);
    if (mark == nullptr)
        return false;
    MagickRelinquishMemory(mark);
    return true;
}

std::string imageFormat(MagickWand* wand) {
    std::string name;
    if (!wand || MagickGetNumberImages(wand) == 0)
        return name;
    char* format = MagickGetImageFormat(wand);
    if (format) {
        name = format;
        MagickRelinquishMemory(format);
    }
    return name;
}

} // namespace velomira
