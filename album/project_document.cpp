#include "album/project_document.h"

#include "app/json_handles.h"

namespace velomira {

namespace {

// Each adder reports false when cJSON could not allocate; the caller then gives up.
bool addNumber(cJSON* object, const char* key, int value) {
    return cJSON_AddNumberToObject(object, key, value) != nullptr;
}

bool addString(cJSON* object, const char* key, const std::string& value) {
    return cJSON_AddStringToObject(object, key, value.c_str()) != nullptr;
}

bool addItemEntry(cJSON* array, const ProjectItemEntry& entry) {
    cJSON* object = cJSON_CreateObject();
    if (object == nullptr) {
        return false;
    }
    if (!cJSON_AddItemToArray(array, object)) {
        cJSON_Delete(object);
        return false;
    }
    namespace k = project_keys;
    bool ok = addString(object, k::path, entry.path) &&
              addNumber(object, k::animationIndex, entry.animationIndex) &&
              addString(object, k::animationName, entry.animationName) &&
              addString(object, k::fileName, entry.fileName) &&
              addNumber(object, k::watermarkLocation, entry.watermarkLocation) &&
              addString(object, k::watermarkText, entry.watermarkText);
    if (ok && entry.turnAngle) {
        ok = addNumber(object, k::turnAngle, *entry.turnAngle);
    }
    if (ok && entry.motion) {
        ok = addNumber(object, k::motion, *entry.motion);
    }
    if (ok && entry.fillMode) {
        ok = addString(object, k::itemFillMode, *entry.fillMode);
    }
    if (ok && entry.pauseSeconds) {
        ok = cJSON_AddNumberToObject(object, k::pauseSeconds, *entry.pauseSeconds) != nullptr;
    }
    if (ok && entry.focalRegion) {
        ok = addString(object, k::focalRegion, *entry.focalRegion);
    }
    if (ok && entry.focalByHand) {
        ok = addNumber(object, k::focalByHand, *entry.focalByHand);
    }
    return ok;
}

bool buildTree(cJSON* root, const ProjectDocument& d) {
    namespace k = project_keys;
    bool ok = addNumber(root, k::textWatermark, d.textWatermark) &&
              addNumber(root, k::textWatermarkFont, d.textWatermarkFont);
    if (ok && d.textWatermarkFontSize) {
        ok = addNumber(root, k::textWatermarkFontSize, *d.textWatermarkFontSize);
    }
    ok = ok && addNumber(root, k::textWatermarkColor, d.textWatermarkColor) &&
         addNumber(root, k::logo, d.logo);
    if (ok && d.logoPath) {
        ok = addString(root, k::logoPath, *d.logoPath);
    }
    ok = ok && addNumber(root, k::logoLocation, d.logoLocation) &&
         addNumber(root, k::bgsound, d.bgsound) &&
         addNumber(root, k::bgsoundAutoSetPauseTime, d.bgsoundAutoSetPauseTime);
    if (ok && d.bgsoundAutoSetImageLoopPlay) {
        ok = addNumber(root, k::bgsoundAutoSetImageLoopPlay, *d.bgsoundAutoSetImageLoopPlay);
    }
    if (ok && d.cover) {
        ok = addNumber(root, k::cover, *d.cover);
    }
    if (ok && d.coverPath) {
        ok = addString(root, k::coverPath, *d.coverPath);
    }
    ok = ok && addString(root, k::videoSize, d.videoSize) &&
         addNumber(root, k::pauseTime, d.pauseTime);
    if (ok && d.bgsoundItems) {
        cJSON* music = cJSON_AddArrayToObject(root, k::bgsoundItems);
        ok = music != nullptr;
        for (const std::string& path : *d.bgsoundItems) {
            if (!ok) {
                break;
            }
            cJSON* item = cJSON_CreateString(path.c_str());
            ok = item != nullptr && cJSON_AddItemToArray(music, item);
            if (!ok) {
                cJSON_Delete(item);
            }
        }
    }
    if (ok && d.imgs) {
        cJSON* pictures = cJSON_AddArrayToObject(root, k::imgs);
        ok = pictures != nullptr;
        for (const ProjectItemEntry& entry : *d.imgs) {
            if (!ok) {
                break;
            }
            ok = addItemEntry(pictures, entry);
        }
    }
    if (ok && d.fillMode) {
        ok = addString(root, k::fillMode, *d.fillMode);
    }
    if (ok && d.safeAreas) {
        ok = addNumber(root, k::safeAreas, *d.safeAreas);
    }
    if (ok && d.beatSync) {
        ok = addNumber(root, k::beatSync, *d.beatSync);
    }
    if (ok && d.musicFade) {
        ok = cJSON_AddNumberToObject(root, k::musicFade, *d.musicFade) != nullptr;
    }
    if (ok && d.musicLoudness) {
        ok = cJSON_AddNumberToObject(root, k::musicLoudness, *d.musicLoudness) != nullptr;
    }
    if (ok && d.encoderSpeed) {
        ok = addString(root, k::encoderSpeed, *d.encoderSpeed);
    }
    if (ok && d.focus) {
        ok = addString(root, k::focus, *d.focus);
    }
    return ok;
}

} // namespace

ProjectDocument documentFromAlbum(const AlbumProject& album) {
    const VideoSettings& s = album.settings;
    ProjectDocument d;
    d.textWatermark = s.textWatermark ? 1 : 0;
    d.textWatermarkFont = s.textWatermarkFont;
    d.textWatermarkFontSize = s.textWatermarkFontSize;
    d.textWatermarkColor = s.textWatermarkColor;
    d.logo = s.logo ? 1 : 0;
    d.logoPath = s.logoPath;
    d.logoLocation = s.logoLocation;
    d.bgsound = s.bgsound ? 1 : 0;
    d.bgsoundAutoSetPauseTime = s.bgsoundAutoSetPauseTime ? 1 : 0;
    d.bgsoundAutoSetImageLoopPlay = s.bgsoundAutoSetImageLoopPlay ? 1 : 0;
    d.cover = s.cover ? 1 : 0;
    d.coverPath = s.coverPath;
    d.videoSize = s.videoSize == 0 ? std::string() : videoSizeText(s.videoWidth, s.videoHeight);
    d.pauseTime = s.pauseTime;

    std::vector<std::string> music;
    music.reserve(album.musicItems.size());
    for (const MusicTrack& track : album.musicItems) {
        music.push_back(track.path);
    }
    d.bgsoundItems = std::move(music);

    std::vector<ProjectItemEntry> pictures;
    pictures.reserve(album.items.size());
    for (const AlbumItem& item : album.items) {
        ProjectItemEntry entry;
        entry.path = item.path;
        entry.animationIndex = item.animationIndex;
        entry.animationName = item.animationName;
        entry.fileName = item.fileName;
        entry.watermarkLocation = item.caption.location;
        entry.watermarkText = item.caption.text;
        entry.turnAngle = item.turnAngle;
        if (item.motion != CameraMotion::None) {
            entry.motion = cameraMotionNumber(item.motion);
        }
        if (item.fillMode) {
            entry.fillMode = fillModeName(*item.fillMode);
        }
        if (item.stillFrames) {
            entry.pauseSeconds = *item.stillFrames / static_cast<double>(frameRate);
        }
        if (item.focus) {
            entry.focalRegion = focalRegionText(*item.focus);
            if (item.focus->byHand) {
                entry.focalByHand = 1;
            }
        }
        pictures.push_back(std::move(entry));
    }
    d.imgs = std::move(pictures);
    if (s.fillMode != FillMode::Fit) {
        d.fillMode = fillModeName(s.fillMode);
    }
    if (s.safeAreas) {
        d.safeAreas = 1;
    }
    if (s.beatSync) {
        d.beatSync = 1;
    }
    if (s.musicFadeSeconds > 0.0) {
        d.musicFade = s.musicFadeSeconds;
    }
    d.musicLoudness = s.musicLoudness;
    if (s.encoderSpeed != EncoderSpeed::Standard) {
        d.encoderSpeed = encoderSpeedName(s.encoderSpeed);
    }
    if (s.focus != FocusMode::Center) {
        d.focus = focusModeName(s.focus);
    }
    return d;
}

std::string printProjectDocument(const ProjectDocument& document) {
    JsonTree root(cJSON_CreateObject());
    if (!root || !buildTree(root.get(), document)) {
        return {};
    }
    JsonText printed(cJSON_Print(root.get()));
    return printed ? std::string(printed.get()) : std::string();
}

} // namespace velomira
