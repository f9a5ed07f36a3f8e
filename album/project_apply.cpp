#include "album/project_apply.h"

#include "album/album_tables.h"
#include "album/project_document.h"
#include "album/project_file.h"
#include "album/project_text.h"
#include "app/string_utils.h"
#include "app/text_conversion.h"
#include "platform/dialogs.h"

#include <cmath>
#include <limits>

namespace velomira {

namespace {

enum class Presence { Absent, WrongType, Present };

std::string droppedVideoSizeText(const std::string& size) {
    return "项目中的视频尺寸 " + size + " 不受支持（宽 " + std::to_string(kMinVideoSide) + "~" +
           std::to_string(kMaxVideoWidth) + "，高 " + std::to_string(kMinVideoSide) + "~" +
           std::to_string(kMaxVideoHeight) + "，且为偶数），请重新选择视频尺寸。";
}

// Whole numbers are truncated toward zero and held within the int range.
int clampedInt(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value <= static_cast<double>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    if (value >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    return static_cast<int>(value);
}

const cJSON* member(const cJSON* object, const char* key) {
    return cJSON_IsObject(object) ? cJSON_GetObjectItem(object, key) : nullptr;
}

Presence numberMember(const cJSON* object, const char* key, int& out) {
    const cJSON* item = member(object, key);
    if (item == nullptr) {
        return Presence::Absent;
    }
    if (!cJSON_IsNumber(item)) {
        return Presence::WrongType;
    }
    out = clampedInt(item->valuedouble);
    return Presence::Present;
}

Presence stringMember(const cJSON* object, const char* key, std::string& out) {
    const cJSON* item = member(object, key);
    if (item == nullptr) {
        return Presence::Absent;
    }
    if (!cJSON_IsString(item) || item->valuestring == nullptr) {
        return Presence::WrongType;
    }
    out = item->valuestring;
    return Presence::Present;
}

bool fitsPathLimit(std::string_view path) {
    return gbkByteLength(path) <= static_cast<std::size_t>(maxPathBytes);
}

// An optional number: false when it has the wrong type; an absent one reads as fallback.
bool optionalNumber(const cJSON* object, const char* key, int fallback, int& out) {
    switch (numberMember(object, key, out)) {
    case Presence::WrongType:
        return false;
    case Presence::Absent:
        out = fallback;
        return true;
    case Presence::Present:
        return true;
    }
    return false;
}

// An optional path: false when it has the wrong type; an absent one leaves the field as it is.
// A cut path would name another file, so a path too long leaves the field empty.
bool optionalPath(const cJSON* object, const char* key, std::string& field) {
    std::string text;
    switch (stringMember(object, key, text)) {
    case Presence::WrongType:
        return false;
    case Presence::Absent:
        return true;
    case Presence::Present:
        field = fitsPathLimit(text) ? text : std::string();
        return true;
    }
    return false;
}

// An item object with every member of its type; nothing when one is absent or mistyped.
std::optional<ProjectItemEntry> readItemEntry(const cJSON* object) {
    namespace k = project_keys;
    if (!cJSON_IsObject(object)) {
        return std::nullopt;
    }
    ProjectItemEntry entry;
    if (stringMember(object, k::path, entry.path) != Presence::Present ||
        numberMember(object, k::animationIndex, entry.animationIndex) != Presence::Present ||
        stringMember(object, k::animationName, entry.animationName) != Presence::Present ||
        stringMember(object, k::fileName, entry.fileName) != Presence::Present ||
        numberMember(object, k::watermarkLocation, entry.watermarkLocation) != Presence::Present ||
        stringMember(object, k::watermarkText, entry.watermarkText) != Presence::Present) {
        return std::nullopt;
    }
    int angle = 0;
    switch (numberMember(object, k::turnAngle, angle)) {
    case Presence::WrongType:
        return std::nullopt;
    case Presence::Present:
        entry.turnAngle = angle;
        break;
    case Presence::Absent:
        break;
    }
    // Our own member: other readers ignore it, so a value of the wrong type is no reason to
    // refuse the file; it reads as no motion.
    int motion = 0;
    if (numberMember(object, k::motion, motion) == Presence::Present) {
        entry.motion = motion;
    }
    return entry;
}

// A rotation that is not a quarter turn reads as none.
int entryTurnAngle(const ProjectItemEntry& entry) {
    const int angle = ((entry.turnAngle.value_or(0) % 360) + 360) % 360;
    return angle % 90 == 0 ? angle : 0;
}

// Values from the file that the model cannot hold are brought into its ranges: an unknown
// transition becomes none, a caption position outside the list the default, a rotation that
// is not a quarter turn none; the texts are cut to the model's byte limits.
void applyItemEntry(AlbumItem& item, const ProjectItemEntry& entry) {
    const int index = entry.animationIndex;
    setItemTransition(item, index >= 0 && index <= NO_TRANSITION ? index : NO_TRANSITION);
    item.fileName = clipToGbkBytes(entry.fileName, maxPathBytes);
    const int location = entry.watermarkLocation;
    item.caption.location =
        location >= 0 && location < kCaptionLocationCount ? location : kDefaultCaptionLocation;
    item.caption.text = clipToGbkBytes(entry.watermarkText, maxCaptionTextBytes);
    item.turnAngle = entryTurnAngle(entry);
    item.motion = cameraMotionFromNumber(entry.motion.value_or(0));
}

void applyMusic(ProjectContext& context, const cJSON* list) {
    for (const cJSON* entry = list->child; entry != nullptr; entry = entry->next) {
        // Entries that are not texts, too long to be a path, not named .mp3 or without
        // duration are left out without a message.
        if (!cJSON_IsString(entry) || entry->valuestring == nullptr) {
            continue;
        }
        const std::string path = entry->valuestring;
        if (!fitsPathLimit(path) || !endsWithNoCase(path.c_str(), ".mp3") || !context.readMusic) {
            continue;
        }
        std::optional<MusicTrack> track = context.readMusic(path);
        if (track && track->durationMs > 0.0f) {
            track->path = path;
            addMusicTrack(context.album, std::move(*track));
        }
    }
}

void refreshAutoDisplayTime(ProjectContext& context) {
    const AlbumProject& album = context.album;
    if (album.settings.bgsound && album.settings.bgsoundAutoSetPauseTime &&
        !album.musicItems.empty() && !album.items.empty() && context.computeAutoDisplayTime) {
        context.computeAutoDisplayTime(context.album);
    }
}

// The batch form: the entries before the first malformed one are added in one batch, each
// picture taking its own entry's settings as soon as it is added.
bool applyPicturesInBatch(ProjectContext& context, const cJSON* list) {
    std::vector<ProjectItemEntry> entries;
    bool wellFormed = true;
    for (const cJSON* object = list->child; object != nullptr; object = object->next) {
        std::optional<ProjectItemEntry> entry = readItemEntry(object);
        if (!entry) {
            wellFormed = false;
            break;
        }
        entries.push_back(std::move(*entry));
    }
    std::vector<ProjectPicture> pictures;
    pictures.reserve(entries.size());
    for (const ProjectItemEntry& entry : entries) {
        pictures.push_back({entry.path, entryTurnAngle(entry)});
    }
    const bool full =
        context.addPictures(context.album, pictures, [&](std::size_t entry, int position) {
            AlbumItem* item = albumItemAt(context.album, position);
            if (item != nullptr && entry < entries.size()) {
                applyItemEntry(*item, entries[entry]);
            }
        });
    if (full) {
        showMessage(albumFullMessage(), "提示", MessageKind::Warning);
    }
    return wellFormed;
}

// Each added picture takes the settings of its own entry, so a picture left out never shifts
// the settings of the ones after it. A malformed entry stops the reading: false.
bool applyPictures(ProjectContext& context, const cJSON* list) {
    if (context.addPictures) {
        return applyPicturesInBatch(context, list);
    }
    int total = 0;
    for (const cJSON* entry = list->child; entry != nullptr; entry = entry->next) {
        ++total;
    }
    int number = 0;
    for (const cJSON* object = list->child; object != nullptr; object = object->next) {
        ++number;
        const std::optional<ProjectItemEntry> entry = readItemEntry(object);
        if (!entry) {
            return false;
        }
        if (context.status) {
            context.status("加载图片: " + std::to_string(number) + " / " + std::to_string(total));
        }
        if (!fitsPathLimit(entry->path)) {
            // No picture can be read from a path the program refuses everywhere else.
            if (context.info) {
                context.info("图片读取失败:\r\n" + entry->path);
            }
            continue;
        }
        if (!context.addPicture) {
            continue;
        }
        const AddPictureResult outcome = context.addPicture(context.album, entry->path);
        if (outcome.status == AddPictureStatus::AlbumFull) {
            showMessage(albumFullMessage(), "提示", MessageKind::Warning);
            break;
        }
        if (outcome.status == AddPictureStatus::Refused) {
            if (context.info && !outcome.infoLine.empty()) {
                context.info(outcome.infoLine);
            }
            continue;
        }
        if (AlbumItem* item = albumItemAt(context.album, outcome.position)) {
            applyItemEntry(*item, *entry);
        }
    }
    return true;
}

void switchAutoDisplayTime(ProjectContext& context, bool on);

// Loop play and automatic display times are never on together.
void switchLoopPlay(ProjectContext& context, bool on) {
    VideoSettings& s = context.album.settings;
    if (on && s.bgsoundAutoSetPauseTime) {
        switchAutoDisplayTime(context, false);
    }
    s.bgsoundAutoSetImageLoopPlay = on;
}

void switchAutoDisplayTime(ProjectContext& context, bool on) {
    VideoSettings& s = context.album.settings;
    s.bgsoundAutoSetPauseTime = on;
    if (!on) {
        // Back to the display time selection.
        choosePauseTime(s, s.pauseTime);
        return;
    }
    s.bgsoundAutoSetImageLoopPlay = false;
    if (!context.album.musicItems.empty() && !context.album.items.empty() &&
        context.computeAutoDisplayTime) {
        context.computeAutoDisplayTime(context.album);
    }
}

// The options in the order the controls take them. A required member that is absent, or any
// member of the wrong type, stops here; what was applied before stays.
// The caption and the logo.
bool applyCaptionAndLogo(ProjectContext& context, const cJSON* root) {
    namespace k = project_keys;
    AlbumProject& album = context.album;
    VideoSettings& s = album.settings;
    int number = 0;
    if (numberMember(root, k::textWatermark, number) != Presence::Present) {
        return false;
    }
    applyCaptionSwitch(album, number != 0);

    if (numberMember(root, k::textWatermarkFont, number) != Presence::Present) {
        return false;
    }
    // A font this computer lacks falls back to the first font.
    const auto fonts = static_cast<int>(context.fontNames.size());
    if (number >= 0 && number < fonts) {
        applyCaptionFont(album, number, context.fontNames[number]);
    } else {
        applyCaptionFont(album, 0, fonts > 0 ? context.fontNames[0] : std::string());
    }

    if (!optionalNumber(root, k::textWatermarkFontSize, kDefaultCaptionFontSize, number)) {
        return false;
    }
    s.textWatermarkFontSize =
        number >= 0 && number < kCaptionFontSizeCount ? number : kDefaultCaptionFontSize;

    if (numberMember(root, k::textWatermarkColor, number) != Presence::Present) {
        return false;
    }
    if (!applyCaptionColour(album, number)) {
        applyCaptionColour(album, kDefaultCaptionColour);
    }

    if (numberMember(root, k::logo, number) != Presence::Present) {
        return false;
    }
    s.logo = number != 0;

    if (!optionalPath(root, k::logoPath, s.logoPath)) {
        return false;
    }

    if (numberMember(root, k::logoLocation, number) != Presence::Present) {
        return false;
    }
    s.logoLocation = logoLocationFromStored(number);
    return true;
}

// The music switches and the cover.
bool applySoundAndCover(ProjectContext& context, const cJSON* root) {
    namespace k = project_keys;
    VideoSettings& s = context.album.settings;
    int number = 0;
    if (numberMember(root, k::bgsound, number) != Presence::Present) {
        return false;
    }
    s.bgsound = number != 0;

    if (numberMember(root, k::bgsoundAutoSetPauseTime, number) != Presence::Present) {
        return false;
    }
    switchAutoDisplayTime(context, number != 0);

    if (!optionalNumber(root, k::bgsoundAutoSetImageLoopPlay, 0, number)) {
        return false;
    }
    switchLoopPlay(context, number != 0);

    if (!optionalNumber(root, k::cover, 0, number)) {
        return false;
    }
    s.cover = number != 0;

    if (!optionalPath(root, k::coverPath, s.coverPath)) {
        return false;
    }
    return true;
}

// The video size and the display time.
bool applySizeAndPause(ProjectContext& context, const cJSON* root) {
    namespace k = project_keys;
    VideoSettings& s = context.album.settings;
    int number = 0;
    std::string text;
    if (stringMember(root, k::videoSize, text) != Presence::Present) {
        return false;
    }
    // A size missing from the list is added as a custom one. A size that is malformed, odd (the
    // encoder's 4:2:0 pictures need even sides) or beyond the supported bounds leaves none
    // chosen, and the user learns which size was dropped.
    const auto size = parseVideoSizeText(text);
    if (!text.empty() && (!size || size->width % 2 != 0 || size->height % 2 != 0)) {
        chooseVideoSize(s, 0);
        showMessage(droppedVideoSizeText(text), kProjectReadTitle, MessageKind::Warning);
    } else if (selectVideoSizeText(s, text) < 0) {
        chooseVideoSize(s, 0);
    }

    if (numberMember(root, k::pauseTime, number) != Presence::Present) {
        return false;
    }
    if (s.bgsoundAutoSetPauseTime && s.customDisplayTime) {
        // The selection is only kept behind the automatic time; it must not replace it.
        if (stillFramesForPauseTime(number)) {
            s.pauseTime = number;
        }
    } else {
        choosePauseTime(s, number); // an index outside the list keeps the selection
    }
    return true;
}

bool applyOptions(ProjectContext& context, const cJSON* root) {
    return applyCaptionAndLogo(context, root) && applySoundAndCover(context, root) &&
           applySizeAndPause(context, root);
}

void showFormatError() {
    showMessage(kProjectFormatError, kProjectReadTitle, MessageKind::Error);
}

} // namespace

bool applyProjectTree(ProjectContext& context, const cJSON* root) {
    namespace k = project_keys;
    if (root == nullptr) {
        showFormatError();
        return false;
    }
    if (const cJSON* music = member(root, k::bgsoundItems)) {
        if (!cJSON_IsArray(music)) {
            showFormatError();
            return false;
        }
        applyMusic(context, music);
    }
    if (const cJSON* pictures = member(root, k::imgs)) {
        if (!cJSON_IsArray(pictures) || !applyPictures(context, pictures)) {
            showFormatError();
            return false;
        }
    }
    refreshAutoDisplayTime(context);
    if (!applyOptions(context, root)) {
        showFormatError();
        return false;
    }
    return true;
}

bool applyProjectText(ProjectContext& context, std::string_view utf8Text) {
    const JsonTree tree = parseProjectJson(utf8Text);
    return applyProjectTree(context, tree.get());
}

bool openProjectFile(ProjectContext& context, const std::string& path) {
    resetProjectOptions(context.album,
                        context.fontNames.empty() ? std::string() : context.fontNames.front());
    context.file.path.clear();
    context.file.name = kNewProjectName;

    const std::optional<std::string> text = readProjectFileText(path);
    if (!text || !applyProjectText(context, *text)) {
        return false;
    }
    context.file.path = path;
    context.file.name = projectFileNameOf(path);
    return true;
}

} // namespace velomira
