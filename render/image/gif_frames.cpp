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
    animation_.reset();
    composed_.reset();
    carried_.reset();
    count_ = 0;
    written_ = 0;
    nextSource_ = 0;
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
    animation_ = std::move(animation);
    count_ = static_cast<int>(MagickGetNumberImages(animation_.get()));
    if (!composeNextStep(failure)) {
        animation_.reset();
        count_ = 0;
        return GifOpenStatus::Unreadable;
    }
    return GifOpenStatus::Opened;
}

// Coalesces the next frames, preceded by the last whole frame of the step before. That frame
// is left in place (a step ends only after such a frame), so the library composes the new
// frames exactly as it would in one run over the whole animation.
bool GifFrameSequence::composeNextStep(std::string& failure) {
    if (!animation_ || nextSource_ >= count_) {
        failure = "no frame left";
        return false;
    }
    MagickWand* source = animation_.get();
    Image step = newImage();
    if (carried_)
        MagickAddImage(step.get(), carried_.get());
    int end = nextSource_;
    while (end < count_) {
        MagickSetIteratorIndex(source, end);
        const DisposeType dispose = MagickGetImageDispose(source);
        Image frame(MagickGetImage(source));
        MagickSetLastIterator(step.get());
        if (!frame || MagickAddImage(step.get(), frame.get()) == MagickFalse) {
            failure = exceptionText(step.get());
            return false;
        }
        ++end;
        if (end - nextSource_ >= framesPerStep_ &&
            (dispose == NoneDispose || dispose == UndefinedDispose))
            break;
    }
    Image composed(MagickCoalesceImages(step.get()));
    if (!composed || MagickGetNumberImages(composed.get()) == 0) {
        failure = exceptionText(step.get());
        if (failure.empty())
            failure = "the frames could not be composed";
        return false;
    }
    MagickWand* wand = composed.get();
    MagickSetLastIterator(wand);
    Image last(MagickGetImage(wand));
    if (!last) {
        failure = exceptionText(wand);
        return false;
    }
    size_t width = 0, height = 0;
    ssize_t x = 0, y = 0;
    MagickGetImagePage(wand, &width, &height, &x, &y);
    MagickSetImagePage(last.get(), width > 0 ? width : MagickGetImageWidth(wand),
                       height > 0 ? height : MagickGetImageHeight(wand), 0, 0);
    MagickSetImageDispose(last.get(), NoneDispose);
    MagickSetFirstIterator(wand);
    // The carried frame was written with the step before.
    if (carried_)
        MagickRemoveImage(wand);
    carried_ = std::move(last);
    composed_ = std::move(composed);
    nextSource_ = end;
    return true;
}

bool GifFrameSequence::writeNext(const std::filesystem::path& folder, const std::string& timeText,
                                 GifFrameCounter& counter, std::string& path, std::string& failure,
                                 Image* writtenFrame) {
    path.clear();
    failure.clear();
    if (writtenFrame)
        writtenFrame->reset();
    if (!animation_ || remaining() <= 0) {
        failure = "no frame left";
        return false;
    }
    if ((!composed_ || MagickGetNumberImages(composed_.get()) == 0) && !composeNextStep(failure)) {
        ++written_;
        return false;
    }
    MagickWand* wand = composed_.get();
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
    if (written && writtenFrame)
        writtenFrame->reset(MagickGetImage(wand));
    // The frame is no longer needed here: dropping it keeps memory falling as the import goes
    // on, and leaves the next frame current.
    MagickRemoveImage(wand);
    ++written_;
    if (!written && failure.empty())
        failure = "unable to write `" + path + "'";
    return written;
}

} // namespace velomira
