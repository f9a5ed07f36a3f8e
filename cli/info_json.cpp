#include "cli/info_json.h"

#include "app/json_handles.h"
#include "render/frame_sequencer.h"

#include <cmath>

namespace velomira {

namespace {

void addBeatChanges(cJSON* root, const std::vector<BeatChange>& changes) {
    cJSON* list = cJSON_AddArrayToObject(root, "beatChanges");
    for (const BeatChange& change : changes) {
        cJSON* entry = cJSON_CreateObject();
        cJSON_AddNumberToObject(entry, "picture", change.picture);
        cJSON_AddNumberToObject(entry, "frame", change.frame);
        cJSON_AddNumberToObject(entry, "beat", change.beat);
        cJSON_AddNumberToObject(entry, "beatSeconds", std::round(change.seconds * 1000.0) / 1000.0);
        cJSON_AddItemToArray(list, entry);
    }
}

} // namespace

std::string albumInfoJson(const AlbumProject& project, const RunPlan& plan,
                          const std::vector<BeatChange>* changes) {
    JsonTree root(cJSON_CreateObject());
    cJSON* pictures = cJSON_AddArrayToObject(root.get(), "pictures");
    for (const AlbumItem& item : project.items) {
        cJSON* entry = cJSON_CreateObject();
        cJSON_AddStringToObject(entry, "path", item.path.c_str());
        cJSON_AddNumberToObject(entry, "animationIndex", item.animationIndex);
        cJSON_AddStringToObject(entry, "animationName", item.animationName.c_str());
        cJSON_AddNumberToObject(entry, "frames", countPictureFrames(project, item));
        cJSON_AddItemToArray(pictures, entry);
    }
    if (plan.firstPicture > 1 || plan.totalPictures < static_cast<int>(project.items.size())) {
        // A range: its first picture and where it starts in the whole video.
        cJSON_AddNumberToObject(root.get(), "firstPicture", plan.firstPicture);
        cJSON_AddNumberToObject(root.get(), "startFrame", static_cast<double>(plan.startFrame));
    }
    cJSON_AddNumberToObject(root.get(), "totalPictures", plan.totalPictures);
    cJSON_AddNumberToObject(root.get(), "totalFrames", plan.totalFrames);
    // Two decimals are exact for a frame count over 25; the float's binary tail is noise.
    cJSON_AddNumberToObject(root.get(), "videoLengthSeconds",
                            std::round(static_cast<double>(plan.videoLength) * 100.0) / 100.0);
    cJSON_AddStringToObject(root.get(), "videoLengthText",
                            videoLengthText(plan.videoLength).c_str());
    if (changes)
        addBeatChanges(root.get(), *changes);
    JsonText text(cJSON_Print(root.get()));
    return text ? std::string(text.get()) + "\n" : std::string("{}\n");
}

} // namespace velomira
