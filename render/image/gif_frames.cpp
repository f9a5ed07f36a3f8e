#include "render/image/gif_frames.h"

#include "render/image/picture_reader.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <system_error>

namespace velomira {

namespace {

// "GIF87a" and "GIF89a" both begin so; the library would read any other format it recognises
// under a .gif name, including ones it hands to outside programs.
bool hasGifSignature(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char signature[4] = {};
    return in.read(signature, sizeof signature) && std::string(signature, 4) == "GIF8";
}

// A read that returned frames can still have stopped half-way through the data; the library
// then leaves an error (not a warning) on the wand.
bool readCompletely(MagickWand* wand, std::string& failure) {
    ExceptionType severity = MagickGetExceptionType(wand);
    if (severity < ErrorException)
        return true;
    failure = exceptionText(wand);
    if (failure.empty())
        failure = "corrupt image";
    return false;
}

} // namespace

std::string gifFrameFileName(const std::string& timeText, int counter, bool alpha) {
    return timeText + "-" + std::to_string(counter) + (alpha ? ".png" : ".jpg");
}

std::string localTimeText() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16] = {};
    std::strftime(text, sizeof text, "%H-%M-%S", &local);
    return text;
}

GifOpenStatus GifFrameSequence::open(const std::string& path, std::string& failure) {
    frames_.reset();
    count_ = 0;
    written_ = 0;
    failure.clear();
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error) && !hasGifSignature(path)) {
        failure = "not a GIF file `" + path + "'";
        return GifOpenStatus::NotGif;
    }
    initImageLibrary();
    Image animation = newImage();
    if (!animation || !readImageFile(animation.get(), path, failure) ||
        !readCompletely(animation.get(), failure))
        return GifOpenStatus::Unreadable;
    if (imageFormat(animation.get()) != "GIF") {
        failure = "not a GIF file `" + path + "'";
        return GifOpenStatus::NotGif;
    }
    frames_ = Image(MagickCoalesceImages(animation.get()));
    if (!frames_ || MagickGetNumberImages(frames_.get()) == 0) {
        failure = exceptionText(animation.get());
        if (failure.empty())
            failure = "the frames could not be composed";
        frames_.reset();
        return GifOpenStatus::Unreadable;
    }
    animation.reset();
    MagickResetIterator(frames_.get());
    // Removing the first image after writing it leaves the next one current.
    MagickSetFirstIterator(frames_.get());
    count_ = static_cast<int>(MagickGetNumberImages(frames_.get()));
    return GifOpenStatus::Opened;
}

bool GifFrameSequence::writeNext(const std::filesystem::path& folder, const std::string& timeText,
                                 GifFrameCounter& counter, std::string& path,
                                 std::string& failure) {
    path.clear();
    failure.clear();
    if (!frames_ || remaining() <= 0) {
        failure = "no frame left";
        return false;
    }
    MagickWand* wand = frames_.get();
    const bool alpha = MagickGetImageAlphaChannel(wand) == MagickTrue;
    // Exclusive creation: a name already taken (by an earlier import, or by another copy of
    // the program at the same moment) just draws the next counter.
    using File = std::unique_ptr<FILE, int (*)(FILE*)>;
    File file(nullptr, &std::fclose);
    std::filesystem::path target;
    for (;;) {
        target = folder / gifFrameFileName(timeText, counter.next++, alpha);
        file.reset(std::fopen(target.c_str(), "wbx"));
        if (file || errno != EEXIST)
            break;
    }
    path = target.string();
    bool written = false;
    if (file) {
        // Through the open file the library reads nothing into the name ("%d", "[1]"); the
        // format set here decides the encoding.
        // The frame still carries the animation's name, whose ending would pick the GIF
        // writer; a plain name with the right ending leaves the choice to the format.
        MagickSetImageFormat(wand, alpha ? "PNG" : "JPEG");
        MagickSetImageFilename(wand, alpha ? "frame.png" : "frame.jpg");
        written = MagickWriteImageFile(wand, file.get()) == MagickTrue &&
                  std::fflush(file.get()) == 0 && std::ferror(file.get()) == 0;
        if (!written)
            failure = exceptionText(wand);
        if (std::fclose(file.release()) != 0)
            written = false;
        if (!written) {
            std::error_code ignored;
            std::filesystem::remove(target, ignored);
        }
    }
    // The frame is no longer needed: dropping it keeps memory falling as the import goes on,
    // and leaves the next frame current.
    MagickRemoveImage(wand);
    ++written_;
    if (!written && failure.empty())
        failure = "unable to write `" + path + "'";
    return written;
}

} // namespace velomira
