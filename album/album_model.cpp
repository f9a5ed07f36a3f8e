#include "album/album_model.h"

#include "app/text_conversion.h"

#include <algorithm>
#include <utility>

namespace velomira {

namespace {

bool validPosition(const AlbumProject& project, int position) {
    return position >= 0 && static_cast<std::size_t>(position) < project.items.size();
}

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void fillCaptionDefaults(ItemCaption& caption, const VideoSettings& settings) {
    caption.enabled = settings.textWatermark ? 1 : 0;
    caption.location = kDefaultCaptionLocation;
    if (const auto colour = captionColourAt(settings.textWatermarkColor)) {
        caption.boxColor = colour->boxColor;
        caption.textColor = colour->textColor;
    }
    caption.fontName = clipToGbkBytes(settings.captionFontName, maxFontNameBytes);
    caption.text.clear();
}

// Picks the transition of a new picture from its future neighbours; inserting in front may
// also give the former first picture a transition, since it now has a predecessor.
int assignTransition(AlbumProject& project, int position, bool keepWithoutTransition,
                     TransitionRandom& random) {
    if (keepWithoutTransition || project.items.empty()) {
        return NO_TRANSITION;
    }
    const int count = albumItemCount(project);
    if (position < 0) {
        return drawRandomTransition(random, project.items.back().animationIndex);
    }
    if (position > 0) {
        return drawRandomTransition(random, project.items[position - 1].animationIndex,
                                    project.items[position].animationIndex);
    }
    // The new picture becomes the first one and has no predecessor to leave; the former first
    // picture now needs a transition of its own.
    AlbumItem& formerFirst = project.items.front();
    if (count == 1) {
        setItemTransition(formerFirst, random.draw(0, kLastRandomTransition));
    } else if (formerFirst.animationIndex == NO_TRANSITION) {
        setItemTransition(formerFirst,
                          drawRandomTransition(random, project.items[1].animationIndex));
    }
    return NO_TRANSITION;
}

int normalisedAngle(int angle) {
    return ((angle % 360) + 360) % 360;
}

} // namespace

int TransitionRandom::draw(int a, int b) {
    if (b <= a) {
        return a;
    }
    const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(b) - a + 1);
    return static_cast<int>(a + static_cast<std::int64_t>(engine() % span));
}

int drawRandomTransition(TransitionRandom& random, int avoidA, int avoidB) {
    // At most two of the 93 values are excluded, so this ends after a few draws.
    for (;;) {
        const int index = random.draw(0, kLastRandomTransition);
        if (index != avoidA && index != avoidB) {
            return index;
        }
    }
}

std::string albumFullMessage() {
    return "最多可以添加 " + std::to_string(maxPictures) + " 张图片";
}

int insertAlbumItem(AlbumProject& project, const std::string& path, int position,
                    bool keepWithoutTransition, TransitionRandom& random) {
    if (albumItemCount(project) >= maxPictures) {
        return -1;
    }
    if (!validPosition(project, position)) {
        position = -1;
    }
    AlbumItem item;
    item.path = path;
    item.fileName = fileNameOf(path);
    fillCaptionDefaults(item.caption, project.settings);
    setItemTransition(item, assignTransition(project, position, keepWithoutTransition, random));
    if (position < 0) {
        project.items.push_back(std::move(item));
        return albumItemCount(project) - 1;
    }
    project.items.insert(project.items.begin() + position, std::move(item));
    return position;
}

int albumItemCount(const AlbumProject& project) {
    return static_cast<int>(project.items.size());
}

AlbumItem* albumItemAt(AlbumProject& project, int position) {
    return validPosition(project, position) ? &project.items[position] : nullptr;
}

const AlbumItem* albumItemAt(const AlbumProject& project, int position) {
    return validPosition(project, position) ? &project.items[position] : nullptr;
}

bool removeAlbumItem(AlbumProject& project, int position) {
    if (!validPosition(project, position)) {
        return false;
    }
    project.items.erase(project.items.begin() + position);
    return true;
}

void removeAllAlbumItems(AlbumProject& project) {
    project.items.clear();
}

namespace {

// A transition belongs to its place in the list, so only the picture moves.
void exchangePictures(AlbumItem& a, AlbumItem& b) {
    std::swap(a.path, b.path);
    std::swap(a.fileName, b.fileName);
    std::swap(a.caption, b.caption);
    std::swap(a.turnAngle, b.turnAngle);
    std::swap(a.motion, b.motion);
    std::swap(a.fillMode, b.fillMode);
    std::swap(a.stillFrames, b.stillFrames);
    std::swap(a.focus, b.focus);
}

} // namespace

bool moveAlbumItemUp(AlbumProject& project, int position) {
    if (!validPosition(project, position) || position == 0) {
        return false;
    }
    exchangePictures(project.items[position], project.items[position - 1]);
    return true;
}

bool moveAlbumItemDown(AlbumProject& project, int position) {
    if (!validPosition(project, position + 1) || position < 0) {
        return false;
    }
    exchangePictures(project.items[position], project.items[position + 1]);
    return true;
}

void setItemTransition(AlbumItem& item, int index) {
    item.animationIndex = index;
    item.animationName = transitionNameOrNone(index);
}

bool setAlbumItemTransition(AlbumProject& project, int position, int index) {
    AlbumItem* item = albumItemAt(project, position);
    if (item == nullptr) {
        return false;
    }
    setItemTransition(*item, index);
    return true;
}

int turnAngleRotatedRight(int angle) {
    const int turned = normalisedAngle(angle) + 90;
    return turned > 359 ? turned - 360 : turned;
}

int turnAngleRotatedLeft(int angle) {
    const int turned = normalisedAngle(angle) + 270;
    return turned > 359 ? turned - 360 : turned;
}

bool rotateAlbumItemRight(AlbumProject& project, int position) {
    AlbumItem* item = albumItemAt(project, position);
    if (item == nullptr) {
        return false;
    }
    item->turnAngle = turnAngleRotatedRight(item->turnAngle);
    return true;
}

bool rotateAlbumItemLeft(AlbumProject& project, int position) {
    AlbumItem* item = albumItemAt(project, position);
    if (item == nullptr) {
        return false;
    }
    item->turnAngle = turnAngleRotatedLeft(item->turnAngle);
    return true;
}

bool setAlbumItemCaptionText(AlbumProject& project, int position, std::string_view text) {
    AlbumItem* item = albumItemAt(project, position);
    if (item == nullptr) {
        return false;
    }
    item->caption.text = clipToGbkBytes(text, maxCaptionTextBytes);
    return true;
}

void applyCaptionSwitch(AlbumProject& project, bool on) {
    project.settings.textWatermark = on;
    for (AlbumItem& item : project.items) {
        item.caption.enabled = on ? 1 : 0;
    }
}

void applyCaptionFont(AlbumProject& project, int fontIndex, std::string_view fontName) {
    project.settings.textWatermarkFont = fontIndex;
    project.settings.captionFontName = std::string(fontName);
    const std::string stored = clipToGbkBytes(fontName, maxFontNameBytes);
    for (AlbumItem& item : project.items) {
        item.caption.fontName = stored;
    }
}

bool applyCaptionColour(AlbumProject& project, int colourIndex) {
    const auto colour = captionColourAt(colourIndex);
    if (!colour) {
        return false;
    }
    project.settings.textWatermarkColor = colourIndex;
    for (AlbumItem& item : project.items) {
        item.caption.boxColor = colour->boxColor;
        item.caption.textColor = colour->textColor;
    }
    return true;
}

void addMusicTrack(AlbumProject& project, MusicTrack track) {
    project.musicItems.push_back(std::move(track));
}

bool removeMusicTrack(AlbumProject& project, int position) {
    if (position < 0 || position >= musicTrackCount(project)) {
        return false;
    }
    project.musicItems.erase(project.musicItems.begin() + position);
    return true;
}

int musicTrackCount(const AlbumProject& project) {
    return static_cast<int>(project.musicItems.size());
}

const MusicTrack* musicTrackAt(const AlbumProject& project, int position) {
    if (position < 0 || position >= musicTrackCount(project)) {
        return nullptr;
    }
    return &project.musicItems[position];
}

float totalMusicSeconds(const AlbumProject& project) {
    float totalMs = 0.0f;
    for (const MusicTrack& track : project.musicItems) {
        totalMs += track.durationMs;
    }
    return totalMs / 1000.0f;
}

bool chooseVideoSize(VideoSettings& settings, int index) {
    if (index == 0) {
        settings.videoSize = 0;
        settings.videoWidth = kUnchosenVideoWidth;
        settings.videoHeight = kUnchosenVideoHeight;
        return true;
    }
    if (index < 0 || index >= customVideoSizeEntry(settings)) {
        return false;
    }
    const auto size = parseVideoSizeText(settings.videoSizeTexts[index]);
    if (!size) {
        return false;
    }
    settings.videoSize = index;
    settings.videoWidth = size->width;
    settings.videoHeight = size->height;
    if (settings.fillFollowsSize) {
        settings.fillMode = newAlbumFillMode(NewAlbumFill::FollowSize, size->width, size->height);
    }
    return true;
}

int customVideoSizeEntry(const VideoSettings& settings) {
    return static_cast<int>(settings.videoSizeTexts.size());
}

int selectVideoSizeText(VideoSettings& settings, std::string_view text) {
    if (text.empty()) {
        chooseVideoSize(settings, 0);
        return 0;
    }
    const auto size = parseVideoSizeText(text);
    if (!size) {
        return -1;
    }
    const auto& texts = settings.videoSizeTexts;
    auto found = std::find(texts.begin() + 1, texts.end(), text);
    int index = static_cast<int>(found - texts.begin());
    if (found == texts.end()) {
        settings.videoSizeTexts.emplace_back(text);
    }
    chooseVideoSize(settings, index);
    return index;
}

int setCustomVideoSize(VideoSettings& settings, int width, int height) {
    if (width < kMinVideoSide || width > kMaxVideoWidth || height < kMinVideoSide ||
        height > kMaxVideoHeight) {
        return -1;
    }
    return selectVideoSizeText(settings, videoSizeText(width, height));
}

std::vector<std::string> videoSizeChoiceLabels(const VideoSettings& settings) {
    std::vector<std::string> labels;
    labels.reserve(settings.videoSizeTexts.size() + 1);
    labels.emplace_back();
    const auto& presets = videoSizePresets();
    for (std::size_t i = 1; i < settings.videoSizeTexts.size(); ++i) {
        labels.emplace_back(i <= presets.size() ? std::string(presets[i - 1].label)
                                                : settings.videoSizeTexts[i]);
    }
    labels.emplace_back(kCustomVideoSizeLabel);
    return labels;
}

bool choosePauseTime(VideoSettings& settings, int index) {
    const auto frames = stillFramesForPauseTime(index);
    if (!frames) {
        return false;
    }
    settings.pauseTime = index;
    settings.stillFrames = *frames;
    settings.customDisplayTime = false;
    return true;
}

bool setCustomDisplayTime(VideoSettings& settings, std::string_view text) {
    const auto frames = stillFramesForDisplayTimeText(text);
    if (!frames) {
        return false;
    }
    settings.stillFrames = *frames;
    settings.customDisplayTime = true;
    return true;
}

void resetProjectOptions(AlbumProject& project, std::string_view firstFontName) {
    removeAllAlbumItems(project);
    project.musicItems.clear();
    VideoSettings& s = project.settings;
    applyCaptionSwitch(project, false);
    applyCaptionFont(project, 0, firstFontName);
    s.textWatermarkFontSize = kDefaultCaptionFontSize;
    applyCaptionColour(project, kDefaultCaptionColour);
    s.logo = false;
    s.logoPath.clear();
    s.logoLocation = kDefaultLogoLocation;
    s.bgsound = true;
    s.bgsoundAutoSetPauseTime = false;
    s.bgsoundAutoSetImageLoopPlay = false;
    s.cover = false;
    s.coverPath.clear();
    s.safeAreas = s.newAlbumSafeAreas;
    s.beatSync = false;
    s.musicFadeSeconds = s.newAlbumMusicFade ? kMusicFadeOutSeconds : 0.0;
    s.musicLoudness = s.newAlbumLoudness ? std::optional<double>(kMusicLoudnessLufs) : std::nullopt;
    s.encoderSpeed = EncoderSpeed::Standard;
    s.focus = FocusMode::Center;
    s.fillFollowsSize = s.newAlbumFill == NewAlbumFill::FollowSize;
    chooseVideoSize(s, 0);
    s.fillMode = newAlbumFillMode(s.newAlbumFill, s.videoWidth, s.videoHeight);
    choosePauseTime(s, kDefaultPauseTime);
}

void chooseFillMode(VideoSettings& settings, FillMode mode) {
    settings.fillMode = mode;
    settings.fillFollowsSize = false;
}

FillMode itemFillMode(const VideoSettings& settings, const AlbumItem& item) {
    return item.fillMode.value_or(settings.fillMode);
}

bool setAlbumItemFillMode(AlbumProject& project, int position, std::optional<FillMode> mode) {
    AlbumItem* item = albumItemAt(project, position);
    if (item == nullptr) {
        return false;
    }
    item->fillMode = mode;
    return true;
}

int itemStillFrames(const VideoSettings& settings, const AlbumItem& item) {
    return item.stillFrames.value_or(settings.stillFrames);
}

bool setAlbumItemStillFrames(AlbumProject& project, int position, std::optional<int> frames) {
    AlbumItem* item = albumItemAt(project, position);
    if (item == nullptr || (frames && (*frames < 0 || *frames > kMaxItemStillFrames))) {
        return false;
    }
    item->stillFrames = frames;
    return true;
}

std::optional<int> itemStillFramesForText(std::string_view text) {
    const std::optional<int> frames = stillFramesForDisplayTimeText(text);
    if (!frames || *frames < 0 || *frames > kMaxItemStillFrames) {
        return std::nullopt;
    }
    return frames;
}

} // namespace velomira

namespace velomira {

bool setAlbumItemFocus(AlbumProject& project, int position, std::optional<FocalRegion> region) {
    AlbumItem* item = albumItemAt(project, position);
    if (item == nullptr)
        return false;
    if (region) {
        region = clampedFocalRegion(*region);
        region->byHand = true;
    }
    item->focus = region;
    return true;
}

} // namespace velomira
