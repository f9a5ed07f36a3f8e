#include "cli/info_json.h"

#include "render/frame_sequencer.h"

#include <cjson/cJSON.h>
#include <cmath>
#include <memory>

namespace velomira {

namespace {

struct JsonDeleter {
    void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

struct TextDeleter {
    void operator()(char* text) const { cJSON_free(text); }
};

} // namespace

std::string albumInfoJson(const AlbumProject& project, const RunPlan& plan) {
    JsonPtr root(cJSON_CreateObject());
    cJSON* pictures = cJSON_AddArrayToObject(root.get(), "pictures");
    for (const AlbumItem& item : project.items) {
        cJSON* entry = cJSON_CreateObject();
        cJSON_AddStringToObject(entry, "path", item.path.c_str());
        cJSON_AddNumberToObject(entry, "animationIndex", item.animationIndex);
        cJSON_AddStringToObject(entry, "animationName", item.animationName.c_str());
        cJSON_AddNumberToObject(entry, "frames", countPictureFrames(project, item));
        cJSON_AddItemToArray(pictures, entry);
    }
    cJSON_AddNumberToObject(root.get(), "totalPictures", plan.totalPictures);
    cJSON_AddNumberToObject(root.get(), "totalFrames", plan.totalFrames);
    // Two decimals are exact for a frame count over 25; the float's binary tail is noise.
    cJSON_AddNumberToObject(root.get(), "videoLengthSeconds",
                            std::round(static_cast<double>(plan.videoLength) * 100.0) / 100.0);
    cJSON_AddStringToObject(root.get(), "videoLengthText",
                            videoLengthText(plan.videoLength).c_str());
    std::unique_ptr<char, TextDeleter> text(cJSON_Print(root.get()));
    return text ? std::string(text.get()) + "\n" : std::string("{}\n");
}

} // namespace velomira
