#include "render/image/picture_reader.h"

#include "render/image/magick_handles.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace velomira {

bool readImageFile(MagickWand* wand, const std::string& path, std::string& failure, bool pingOnly) {
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
    MagickBooleanType ok =
        pingOnly ? MagickPingImage(wand, path.c_str()) : MagickReadImage(wand, path.c_str());
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
