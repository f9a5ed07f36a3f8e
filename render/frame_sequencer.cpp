#include "render/frame_sequencer.h"

#include "album/album_tables.h"
#include "album/duration_text.h"
#include "album/safe_area.h"
#include "album/transition_catalogue.h"
#include "media/header_probe.h"
#include "render/camera_motion.h"
#include "render/caption_renderer.h"
#include "render/image/picture_reader.h"
#include "render/picture_fill.h"
#include "render/transition_dispatch.h"

#include <cmath>
#include <cstdio>
#include <deque>
#include <future>
#include <system_error>
#include <vector>

namespace velomira {

namespace {

// About 11 days of video; keeps the loop-play walk and its counters finite.
constexpr int kMaxLoopFrames = 25 * 1000 * 1000;

// On passes after the first, a first picture without a transition enters through the
// loop-play transition, so the repeat does not start with a hard cut.
bool substitutesLoopTransition(const VideoSettings& settings, const AlbumItem& item, int pass,
                               std::size_t position) {
    return pass > 0 && position == 0 && item.animationIndex == NO_TRANSITION &&
           settings.loopPlayAnimation != NO_TRANSITION;
}

int countFramesFor(const VideoSettings& settings, int animationIndex, int stillFrames) {
    int count = 0;
    EffectInputs in;
    in.width = settings.videoWidth;
    in.height = settings.videoHeight;
    in.stillFrames = stillFrames;
    in.frameCountOut = &count;
    runTransition(animationIndex, in);
    return count;
}

std::string fillColourOf(const VideoSettings& settings) {
    return settings.videoBgFillColor == BackgroundFill::Black ? "#000000" : "#ffffff";
}

CaptionOverlay makeCaption(const SequencerContext& context, const AlbumItem& item) {
    const VideoSettings& settings = context.project->settings;
    std::string fontFile;
    if (context.fonts) {
        if (auto found = lookupCaptionFont(*context.fonts, item.caption.fontName))
            fontFile = *found;
    }
    const int pointSize = captionPointSizeAt(settings.textWatermarkFontSize)
                              .value_or(*captionPointSizeAt(kDefaultCaptionFontSize));
    // Captions are placed in the overlay area, which starts at the frame's top left corner.
    const OverlayArea area = overlayArea(settings);
    return renderCaption(area.width, area.height, item.caption.text,
                         colorText(item.caption.boxColor), colorText(item.caption.textColor),
                         fontFile, pointSize, item.caption.location, context.margins,
                         settings.safeAreas ? fillColourOf(settings) : std::string());
}

// A picture read, possibly on another thread; its failure message waits for its turn.
struct PictureRead {
    Image picture;
    Failure failure;
    bool cutShort = false; // its data ends early (pictureDataCutShort)
};

PictureRead readItemPicture(const VideoSettings& settings, const AlbumItem& item) {
    PictureRead read;
    read.picture = readPicture(item.path, fillColourOf(settings), pictureSizeHint(settings, item),
                               &read.failure);
    read.cutShort = read.picture && pictureDataCutShort(read.picture.get());
    return read;
}

PictureResult renderReadPicture(const SequencerContext& context, const AlbumItem& item,
                                PictureRead read, Image previousFrame);

} // namespace

std::pair<int, int> pictureSizeHint(const VideoSettings& settings, const AlbumItem& item) {
    int width = 0;
    int height = 0;
    if (readImageHeader(item.path, nullptr, &width, &height) == 0 || width <= 0 || height <= 0)
        return {0, 0};
    // A quarter turn happens after reading: the fit sees the turned picture. Other angles
    // expose corners and change the size; those pictures are read whole.
    const int angle = item.turnAngle % 360;
    if (angle != 0 && angle != 90 && angle != 180 && angle != 270)
        return {0, 0};
    const bool turned = angle == 90 || angle == 270;
    if (turned)
        std::swap(width, height);
    auto [fitWidth, fitHeight] =
        itemFillMode(settings, item) == FillMode::Crop
            ? coveredSize(settings.videoWidth, settings.videoHeight, width, height)
            : fittedSize(settings.videoWidth, settings.videoHeight, width, height);
    // Twice the fitted size keeps the Lanczos fit's own quality.
    int hintWidth = 2 * fitWidth;
    int hintHeight = 2 * fitHeight;
    if (hintWidth >= width || hintHeight >= height)
        return {0, 0};
    if (turned)
        std::swap(hintWidth, hintHeight);
    return {hintWidth, hintHeight};
}

PictureResult renderPicture(const SequencerContext& context, const AlbumItem& item,
                            Image previousFrame) {
    return renderReadPicture(context, item, readItemPicture(context.project->settings, item),
                             std::move(previousFrame));
}

namespace {

// The picture's canvas of the frame size, as its fill mode lays it, and for a moving camera its
// prepared motion. The motion's own canvas comes from the picture before fitting shrinks it
// (in a covering mode, from the fill made at the closest view's size); the transition then
// reveals the motion's first view, so the hold starts where the transition ended.
Image preparedCanvas(const VideoSettings& settings, const AlbumItem& item, Image& picture,
                     const std::string& fill, const std::optional<FocalRegion>& focus,
                     MotionPicture& motion) {
    const int width = settings.videoWidth;
    const int height = settings.videoHeight;
    const FillMode mode = itemFillMode(settings, item);
    const bool moves = motionMoves(item.motion, itemStillFrames(settings, item));
    Image canvas;
    if (mode == FillMode::Fit) {
        if (moves)
            motion = prepareMotionPicture(item.motion, width, height, picture, fill, focus);
        canvas = fitToCanvas(width, height, picture, fill);
    } else if (moves) {
        const auto reach = [](int side) { return static_cast<int>(std::ceil(side * kZoomSpan)); };
        const int pictureWidth = static_cast<int>(MagickGetImageWidth(picture.get()));
        const int pictureHeight = static_cast<int>(MagickGetImageHeight(picture.get()));
        const std::optional<FocalRegion> onCanvas =
            focusOnCanvas(mode, reach(width), reach(height), pictureWidth, pictureHeight, focus);
        Image filled = fillCanvas(mode, reach(width), reach(height), picture, fill, focus);
        motion = prepareFilledMotionPicture(item.motion, width, height, filled, onCanvas);
        scalePictureTo(filled, width, height);
        canvas = std::move(filled);
    } else {
        canvas = fillCanvas(mode, width, height, picture, fill, focus);
    }
    if (motion.ready()) {
        if (Image start = cameraViewImage(motion, motion.path.from))
            canvas = std::move(start);
    }
    return canvas;
}

// The region the picture's framing follows, turned with the picture; nothing for its middle.
std::optional<FocalRegion> itemFocus(const SequencerContext& context, const AlbumItem& item) {
    const FocusMode mode = context.project->settings.focus;
    std::optional<FocalRegion> region = framingRegion(mode, item.focus);
    if (!region && !item.focus && mode == FocusMode::Auto && context.findFocus)
        region = context.findFocus(item);
    if (!region)
        return std::nullopt;
    return turnedFocalRegion(*region, item.turnAngle);
}

PictureResult renderReadPicture(const SequencerContext& context, const AlbumItem& item,
                                PictureRead read, Image previousFrame) {
    const VideoSettings& settings = context.project->settings;
    const std::string fill = fillColourOf(settings);
    Image picture = std::move(read.picture);
    if (!picture) {
        if (context.readFailed)
            context.readFailed(read.failure);
        return {PictureStatus::ReadFailed, Image()};
    }
    if (read.cutShort && context.cutShort)
        context.cutShort(item.path);
    if (item.turnAngle > 0) {
        Pixel background = newPixel(fill);
        MagickRotateImage(picture.get(), background.get(), item.turnAngle);
    }
    MotionPicture motion;
    Image canvas = preparedCanvas(settings, item, picture, fill, itemFocus(context, item), motion);
    picture.reset();

    CaptionOverlay caption;
    const bool hasCaption = item.caption.enabled != 0 && !item.caption.text.empty();
    if (hasCaption)
        caption = makeCaption(context, item);

    EffectInputs in;
    in.width = settings.videoWidth;
    in.height = settings.videoHeight;
    in.pictureCanvas = &canvas;
    in.caption = hasCaption && caption.image ? &caption : nullptr;
    in.stillFrames = itemStillFrames(settings, item);
    in.previousFrame = std::move(previousFrame);
    in.sink = context.sink;
    in.logo = context.logo;
    in.format = context.format;
    in.motion = motion.ready() ? &motion : nullptr;
    Image finalFrame = runTransition(item.animationIndex, in);
    if (!finalFrame)
        return {PictureStatus::DeliveryFailed, Image()};
    return {PictureStatus::Rendered, std::move(finalFrame)};
}

} // namespace

int countPictureFrames(const AlbumProject& project, const AlbumItem& item) {
    return countFramesFor(project.settings, item.animationIndex,
                          itemStillFrames(project.settings, item));
}

int countAlbumFrames(const AlbumProject& project) {
    int total = 0;
    for (const AlbumItem& item : project.items)
        total += countPictureFrames(project, item);
    return total;
}

int loopPlayPictureCount(const AlbumProject& project, float* videoLengthOut) {
    const int items = albumItemCount(project);
    auto answer = [&](int pictures, float seconds) {
        if (videoLengthOut)
            *videoLengthOut = seconds;
        return std::max(pictures, items);
    };
    const float music = totalMusicSeconds(project);
    // Each picture's count once; only the first picture of later passes can differ.
    const VideoSettings& settings = project.settings;
    std::vector<int> frames;
    frames.reserve(project.items.size());
    int albumFrames = 0;
    for (const AlbumItem& item : project.items) {
        frames.push_back(countPictureFrames(project, item));
        albumFrames += frames.back();
    }
    const float length = static_cast<float>(albumFrames) / 25.0f;
    if (music <= 0.0f || length >= music || items == 0)
        return answer(items, length);

    const int laterFirst = substitutesLoopTransition(settings, project.items.front(), 1, 0)
                               ? countFramesFor(settings, settings.loopPlayAnimation,
                                                itemStillFrames(settings, project.items.front()))
                               : frames.front();
    const int passFrames = albumFrames - frames.front() + laterFirst;
    if (passFrames <= 0)
        return answer(items, length); // later passes add nothing: the music is never covered

    int accumulated = 0;
    int pictures = 0;
    for (int pass = 0;; ++pass) {
        // A later pass that ends within the music is taken whole; only the pass in which the
        // music ends is walked picture by picture.
        if (accumulated > kMaxLoopFrames - passFrames) // absurd music lengths stop here
            return answer(pictures, static_cast<float>(accumulated) / 25.0f);
        if (pass > 0 && static_cast<float>(accumulated + passFrames) / 25.0f <= music) {
            accumulated += passFrames;
            pictures += items;
            continue;
        }
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const int n = pass > 0 && i == 0 ? laterFirst : frames[i];
            const int reached = accumulated + n;
            const float seconds = static_cast<float>(reached) / 25.0f;
            if (seconds > music) {
                if (std::trunc(seconds) - std::trunc(music) < 1.0f)
                    return answer(pictures + 1, seconds);
                return answer(pictures, static_cast<float>(accumulated) / 25.0f);
            }
            ++pictures;
            accumulated = reached;
        }
    }
}

long long countRunFrames(const AlbumProject& project, int totalPictures) {
    const int items = albumItemCount(project);
    if (items == 0 || totalPictures <= 0)
        return 0;
    const VideoSettings& settings = project.settings;
    std::vector<int> frames;
    frames.reserve(project.items.size());
    long long albumFrames = 0;
    for (const AlbumItem& item : project.items) {
        frames.push_back(countPictureFrames(project, item));
        albumFrames += frames.back();
    }
    const int laterFirst = substitutesLoopTransition(settings, project.items.front(), 1, 0)
                               ? countFramesFor(settings, settings.loopPlayAnimation,
                                                itemStillFrames(settings, project.items.front()))
                               : frames.front();
    const long long passes = totalPictures / items;
    const int rest = totalPictures % items;
    long long total =
        passes > 0 ? albumFrames + (passes - 1) * (albumFrames - frames.front() + laterFirst) : 0;
    for (int k = 0; k < rest; ++k)
        total += k == 0 && passes > 0 ? laterFirst : frames[k];
    return total;
}

long long pictureStartFrame(const AlbumProject& project, int picture) {
    return countRunFrames(project, picture - 1);
}

float videoLengthSeconds(const AlbumProject& project) {
    const VideoSettings& settings = project.settings;
    if (settings.bgsound && settings.bgsoundAutoSetImageLoopPlay &&
        totalMusicSeconds(project) > 0.0f) {
        float length = 0.0f;
        loopPlayPictureCount(project, &length);
        return length;
    }
    const int frames = countAlbumFrames(project);
    return frames > 0 ? static_cast<float>(frames) / 25.0f : 0.0f;
}

namespace {

// Takes every frame and keeps none: the picture before a range is drawn only for its final frame.
class DiscardingSink final : public FrameSink {
  public:
    bool writeFrame(const unsigned char*, std::size_t) override { return true; }
    bool repeatFrame(const unsigned char*, std::size_t) override { return true; }
};

// Display times up to half a second (still frames) count as short: pictures are read two ahead.
constexpr int kShortDisplayFrames = 12;
} // namespace

RunOutcome renderAlbum(const SequencerContext& context, int totalPictures,
                       const std::atomic<bool>& stop, const std::function<void(int)>& progress) {
    return renderPictures(context, 1, totalPictures, stop, progress);
}

RunOutcome renderPictures(const SequencerContext& context, int first, int last,
                          const std::atomic<bool>& stop, const std::function<void(int)>& progress) {
    const AlbumProject& project = *context.project;
    if (project.items.empty() || first < 1)
        return RunOutcome::Completed;
    const VideoSettings& settings = project.settings;
    // The next picture is read while this one's frames are drawn: decoding a large photo
    // takes as long as a second of frames, and the two need different cores. With a short
    // display time a slow format (HEIC) takes longer to decode than its frames take to draw, so
    // two pictures are read ahead on two threads; never more, so memory stays bounded.
    const auto readAhead = [&](std::size_t at) {
        const AlbumItem& next = project.items[at % project.items.size()];
        try {
            return std::async(std::launch::async, readItemPicture, std::cref(settings),
                              std::cref(next));
        } catch (const std::system_error&) {
            // No thread to be had (a machine at its limits): read it when its turn comes.
            return std::async(std::launch::deferred, readItemPicture, std::cref(settings),
                              std::cref(next));
        }
    };
    DiscardingSink discard;
    SequencerContext unseen = context;
    unseen.sink = &discard;
    unseen.logo = nullptr;
    const int begin = first > 1 ? first - 1 : 1;
    const std::size_t count = project.items.size();
    std::size_t position = static_cast<std::size_t>(begin - 1) % count;
    int pass = (begin - 1) / static_cast<int>(count);
    const std::size_t depth = settings.stillFrames <= kShortDisplayFrames ? 2 : 1;
    std::deque<std::future<PictureRead>> ahead;
    auto nextRead = static_cast<std::size_t>(begin - 1); // the 0-based picture number read next
    const auto readMore = [&] {
        while (ahead.size() < depth && nextRead < static_cast<std::size_t>(last))
            ahead.push_back(readAhead(nextRead++));
    };
    readMore();
    Image previous;
    for (int number = begin; number <= last; ++number) {
        // The first shown picture is always drawn: a stop that comes before it still leaves a
        // video of it, as a stop during it would.
        if (stop.load() && number > first)
            return RunOutcome::Stopped;
        const bool shown = number >= first;
        if (shown && progress)
            progress(number - first + 1);
        if (position == count) {
            position = 0;
            ++pass;
        }
        const SequencerContext& target = shown ? context : unseen;
        const AlbumItem& item = project.items[position];
        PictureRead read = ahead.front().get();
        ahead.pop_front();
        readMore();
        PictureResult result;
        if (substitutesLoopTransition(settings, item, pass, position)) {
            AlbumItem entering = item;
            setItemTransition(entering, settings.loopPlayAnimation);
            result = renderReadPicture(target, entering, std::move(read), std::move(previous));
        } else {
            result = renderReadPicture(target, item, std::move(read), std::move(previous));
        }
        switch (result.status) {
        case PictureStatus::Rendered:
            break;
        case PictureStatus::ReadFailed:
            return RunOutcome::ReadFailed;
        case PictureStatus::DeliveryFailed:
            return RunOutcome::DeliveryFailed;
        }
        previous = std::move(result.finalFrame);
        ++position;
    }
    return RunOutcome::Completed;
}

std::string videoLengthText(float seconds) {
    return "视频长度: " + formatDuration(seconds);
}

std::string pictureLengthText(int frames) {
    char text[64];
    std::snprintf(text, sizeof text, ", 动画长度: %0.2f秒", static_cast<double>(frames) / 25.0);
    return text;
}

} // namespace velomira
