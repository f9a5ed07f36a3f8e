#include "album/project_apply.h"

#include "album/album_tables.h"
#include "album/music_shaping.h"
#include "album/project_file.h"
#include "app/string_utils.h"
#include "app/text_conversion.h"

#include <cmath>

namespace velomira {

namespace {

std::string droppedVideoSizeText(const std::string& size) {
    return "项目中的视频尺寸 " + size + " 不受支持（宽 " + std::to_string(kMinVideoSide) + "~" +
           std::to_string(kMaxVideoWidth) + "，高 " + std::to_string(kMinVideoSide) + "~" +
           std::to_string(kMaxVideoHeight) + "，且为偶数），请重新选择视频尺寸。";
}

bool fitsPathLimit(std::string_view path) {
    return gbkByteLength(path) <= static_cast<std::size_t>(maxPathBytes);
}

// A cut path would name another file, so a path too long leaves the field empty; an absent
// one leaves it as it is.
void applyPath(std::string& field, const std::optional<std::string>& path) {
    if (path) {
        field = fitsPathLimit(*path) ? *path : std::string();
    }
}

// The options still to apply, counted down in written order.
struct OptionSteps {
    int left;
    bool next() { return left-- > 0; }
};

struct OptionTarget {
    AlbumProject& album;
    const ProjectDocument& d;
    const std::vector<std::string>& fontNames;
    const std::function<void(AlbumProject& album)>& fitDisplayTime;
};

void switchAutoDisplayTime(const OptionTarget& t, bool on) {
    VideoSettings& s = t.album.settings;
    s.bgsoundAutoSetPauseTime = on;
    if (!on) {
        // Back to the display time selection.
        choosePauseTime(s, s.pauseTime);
        return;
    }
    s.bgsoundAutoSetImageLoopPlay = false;
    if (!t.album.musicItems.empty() && !t.album.items.empty() && t.fitDisplayTime) {
        t.fitDisplayTime(t.album);
    }
}

// Loop play and automatic display times are never on together.
void switchLoopPlay(const OptionTarget& t, bool on) {
    VideoSettings& s = t.album.settings;
    if (on && s.bgsoundAutoSetPauseTime) {
        switchAutoDisplayTime(t, false);
    }
    s.bgsoundAutoSetImageLoopPlay = on;
}

// The caption and the logo.
void applyCaptionAndLogo(const OptionTarget& t, OptionSteps& steps) {
    AlbumProject& album = t.album;
    VideoSettings& s = album.settings;
    const ProjectDocument& d = t.d;
    if (!steps.next()) {
        return;
    }
    applyCaptionSwitch(album, d.textWatermark != 0);
    if (!steps.next()) {
        return;
    }
    // A font this computer lacks falls back to the first font.
    const auto fonts = static_cast<int>(t.fontNames.size());
    if (d.textWatermarkFont >= 0 && d.textWatermarkFont < fonts) {
        applyCaptionFont(album, d.textWatermarkFont, t.fontNames[d.textWatermarkFont]);
    } else {
        applyCaptionFont(album, 0, fonts > 0 ? t.fontNames[0] : std::string());
    }
    if (!steps.next()) {
        return;
    }
    const int size = d.textWatermarkFontSize.value_or(kDefaultCaptionFontSize);
    s.textWatermarkFontSize =
        size >= 0 && size < kCaptionFontSizeCount ? size : kDefaultCaptionFontSize;
    if (!steps.next()) {
        return;
    }
    if (!applyCaptionColour(album, d.textWatermarkColor)) {
        applyCaptionColour(album, kDefaultCaptionColour);
    }
    if (steps.next()) {
        s.logo = d.logo != 0;
    }
    if (steps.next()) {
        applyPath(s.logoPath, d.logoPath);
    }
    if (steps.next()) {
        s.logoLocation = logoLocationFromStored(d.logoLocation);
    }
}

// The music switches and the cover.
void applySoundAndCover(const OptionTarget& t, OptionSteps& steps) {
    VideoSettings& s = t.album.settings;
    if (steps.next()) {
        s.bgsound = t.d.bgsound != 0;
    }
    if (steps.next()) {
        switchAutoDisplayTime(t, t.d.bgsoundAutoSetPauseTime != 0);
    }
    if (steps.next()) {
        switchLoopPlay(t, t.d.bgsoundAutoSetImageLoopPlay.value_or(0) != 0);
    }
    if (steps.next()) {
        s.cover = t.d.cover.value_or(0) != 0;
    }
    if (steps.next()) {
        applyPath(s.coverPath, t.d.coverPath);
    }
}

// The video size and the display time.
std::optional<Failure> applySizeAndPause(const OptionTarget& t, OptionSteps& steps) {
    VideoSettings& s = t.album.settings;
    if (!steps.next()) {
        return std::nullopt;
    }
    // A size missing from the list is added as a custom one. A size that is malformed, odd (the
    // encoder's 4:2:0 pictures need even sides) or beyond the supported bounds leaves none
    // chosen, and the user learns which size was dropped.
    std::optional<Failure> dropped;
    const std::string& text = t.d.videoSize;
    const auto size = parseVideoSizeText(text);
    if (!text.empty() && (!size || size->width % 2 != 0 || size->height % 2 != 0)) {
        chooseVideoSize(s, 0);
        dropped = Failure{droppedVideoSizeText(text), kProjectReadTitle, MessageKind::Warning};
    } else if (selectVideoSizeText(s, text) < 0) {
        chooseVideoSize(s, 0);
    }
    if (!steps.next()) {
        return dropped;
    }
    const int number = t.d.pauseTime;
    if (s.bgsoundAutoSetPauseTime && s.customDisplayTime) {
        // The selection is only kept behind the automatic time; it must not replace it.
        if (stillFramesForPauseTime(number)) {
            s.pauseTime = number;
        }
    } else {
        choosePauseTime(s, number); // an index outside the list keeps the selection
    }
    return dropped;
}

} // namespace

bool isProjectMusicPath(std::string_view path) {
    return fitsPathLimit(path) && isMusicFileName(path);
}

int projectEntryTurnAngle(const ProjectItemEntry& entry) {
    const int angle = ((entry.turnAngle.value_or(0) % 360) + 360) % 360;
    return angle % 90 == 0 ? angle : 0;
}

void applyProjectItemEntry(AlbumItem& item, const ProjectItemEntry& entry) {
    const int index = entry.animationIndex;
    setItemTransition(item, index >= 0 && index <= NO_TRANSITION ? index : NO_TRANSITION);
    item.fileName = clipToGbkBytes(entry.fileName, maxPathBytes);
    const int location = entry.watermarkLocation;
    item.caption.location =
        location >= 0 && location < kCaptionLocationCount ? location : kDefaultCaptionLocation;
    item.caption.text = clipToGbkBytes(entry.watermarkText, maxCaptionTextBytes);
    item.turnAngle = projectEntryTurnAngle(entry);
    item.motion = cameraMotionFromNumber(entry.motion.value_or(0));
    item.fillMode = entry.fillMode ? parseFillMode(*entry.fillMode) : std::nullopt;
    item.stillFrames.reset();
    // Rounded, not truncated: the file holds the frames over 25, which a double does not hit
    // exactly.
    const double frames = entry.pauseSeconds.value_or(-1.0) * frameRate;
    if (frames >= 0.0 && frames <= kMaxItemStillFrames)
        item.stillFrames = static_cast<int>(std::lround(frames));
    item.focus = entry.focalRegion ? parseFocalRegion(*entry.focalRegion) : std::nullopt;
    if (item.focus) {
        item.focus->byHand = entry.focalByHand.value_or(0) == 1;
    }
}

std::optional<Failure>
applyProjectOptions(AlbumProject& album, const ProjectDocument& document, int count,
                    const std::vector<std::string>& fontNames,
                    const std::function<void(AlbumProject& album)>& fitDisplayTime) {
    // An opened album keeps the mode it was saved with, whatever its size.
    chooseFillMode(album.settings,
                   parseFillMode(document.fillMode.value_or("")).value_or(FillMode::Fit));
    album.settings.safeAreas = document.safeAreas.value_or(0) != 0;
    album.settings.beatSync = document.beatSync.value_or(0) != 0;
    applyMusicShaping(album.settings, document.musicFade, document.musicLoudness);
    album.settings.encoderSpeed =
        parseEncoderSpeed(document.encoderSpeed.value_or("")).value_or(EncoderSpeed::Standard);
    album.settings.focus = parseFocusMode(document.focus.value_or("")).value_or(FocusMode::Center);
    const OptionTarget target{album, document, fontNames, fitDisplayTime};
    OptionSteps steps{count};
    applyCaptionAndLogo(target, steps);
    applySoundAndCover(target, steps);
    return applySizeAndPause(target, steps);
}

} // namespace velomira
