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
              addNumber(object, k::watermarkLocation, entry.watermark_location) &&
              addString(object, k::watermarkText, entry.watermark_text);
    if (ok && entry.turnAngle) {
        ok = addNumber(object, k::turnAngle, *entry.turnAngle);
    }
    return ok;
}

bool buildTree(cJSON* root, const ProjectDocument& d) {
    namespace k = project_keys;
    bool ok = addNumber(root, k::textWatermark, d.text_watermark) &&
              addNumber(root, k::textWatermarkFont, d.text_watermark_font);
    if (ok && d.text_watermark_font_size) {
        ok = addNumber(root, k::textWatermarkFontSize, *d.text_watermark_font_size);
    }
    ok = ok && addNumber(root, k::textWatermarkColor, d.text_watermark_color) &&
         addNumber(root, k::logo, d.logo);
    if (ok && d.logo_path) {
        ok = addString(root, k::logoPath, *d.logo_path);
    }
    ok = ok && addNumber(root, k::logoLocation, d.logo_location) &&
         addNumber(root, k::bgsound, d.bgsound) &&
         addNumber(root, k::bgsoundAutoSetPauseTime, d.bgsound_auto_set_pause_time);
    if (ok && d.bgsound_auto_set_image_loop_play) {
        ok = addNumber(root, k::bgsoundAutoSetImageLoopPlay, *d.bgsound_auto_set_image_loop_play);
    }
    if (ok && d.cover) {
        ok = addNumber(root, k::cover, *d.cover);
    }
    if (ok && d.cover_path) {
        ok = addString(root, k::coverPath, *d.cover_path);
    }
    ok = ok && addString(root, k::videoSize, d.video_size) &&
         addNumber(root, k::pauseTime, d.pause_time);
    if (ok && d.bgsound_items) {
        cJSON* music = cJSON_AddArrayToObject(root, k::bgsoundItems);
        ok = music != nullptr;
        for (const std::string& path : *d.bgsound_items) {
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
    return ok;
}

} // namespace

ProjectDocument documentFromAlbum(const AlbumProject& album) {
    const VideoSettings& s = album.settings;
    ProjectDocument d;
    d.text_watermark = s.text_watermark ? 1 : 0;
    d.text_watermark_font = s.text_watermark_font;
    d.text_watermark_font_size = s.text_watermark_font_size;
    d.text_watermark_color = s.text_watermark_color;
    d.logo = s.logo ? 1 : 0;
    d.logo_path = s.logo_path;
    d.logo_location = s.logo_location;
    d.bgsound = s.bgsound ? 1 : 0;
    d.bgsound_auto_set_pause_time = s.bgsound_auto_set_pause_time ? 1 : 0;
    d.bgsound_auto_set_image_loop_play = s.bgsound_auto_set_image_loop_play ? 1 : 0;
    d.cover = s.cover ? 1 : 0;
    d.cover_path = s.cover_path;
    d.video_size = s.video_size == 0 ? std::string() : videoSizeText(s.videoWidth, s.videoHeight);
    d.pause_time = s.pause_time;

    std::vector<std::string> music;
    music.reserve(album.musicItems.size());
    for (const MusicTrack& track : album.musicItems) {
        music.push_back(track.path);
    }
    d.bgsound_items = std::move(music);

    std::vector<ProjectItemEntry> pictures;
    pictures.reserve(album.items.size());
    for (const AlbumItem& item : album.items) {
        ProjectItemEntry entry;
        entry.path = item.path;
        entry.animationIndex = item.animationIndex;
        entry.animationName = item.animationName;
        entry.fileName = item.fileName;
        entry.watermark_location = item.caption.location;
        entry.watermark_text = item.caption.text;
        entry.turnAngle = item.turnAngle;
        pictures.push_back(std::move(entry));
    }
    d.imgs = std::move(pictures);
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
