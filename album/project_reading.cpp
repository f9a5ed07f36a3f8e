#include "album/project_reading.h"

#include "album/project_file.h"
#include "album/project_text.h"

#include <cmath>
#include <limits>
#include <type_traits>

namespace velomira {

namespace {

namespace k = project_keys;

enum class Presence { Absent, WrongType, Present };

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

Presence numberMember(const cJSON* object, const char* key, int& out) {
    const cJSON* item = cJSON_GetObjectItem(object, key);
    if (item == nullptr) {
        return Presence::Absent;
    }
    if (!cJSON_IsNumber(item)) {
        return Presence::WrongType;
    }
    out = clampedInt(item->valuedouble);
    return Presence::Present;
}

// A finite number, for the members that keep fractions.
std::optional<double> realMember(const cJSON* object, const char* key) {
    const cJSON* item = cJSON_GetObjectItem(object, key);
    if (item == nullptr || !cJSON_IsNumber(item) || !std::isfinite(item->valuedouble)) {
        return std::nullopt;
    }
    return item->valuedouble;
}

Presence stringMember(const cJSON* object, const char* key, std::string& out) {
    const cJSON* item = cJSON_GetObjectItem(object, key);
    if (item == nullptr) {
        return Presence::Absent;
    }
    if (!cJSON_IsString(item) || item->valuestring == nullptr) {
        return Presence::WrongType;
    }
    out = item->valuestring;
    return Presence::Present;
}

// Reads the options in written order and stops at the first flaw; what came before it stays.
class OptionReader {
  public:
    explicit OptionReader(const cJSON* root) : root_(root) {}

    void required(const char* key, int& out) { take(numberMember(root_, key, out), false); }
    void required(const char* key, std::string& out) { take(stringMember(root_, key, out), false); }
    template <typename T> void optional(const char* key, std::optional<T>& out) {
        T value{};
        Presence presence = Presence::WrongType;
        if constexpr (std::is_same_v<T, int>) {
            presence = numberMember(root_, key, value);
        } else {
            presence = stringMember(root_, key, value);
        }
        if (take(presence, true) && presence == Presence::Present) {
            out = std::move(value);
        }
    }
    int read() const { return read_; }
    bool whole() const { return !stopped_; }

  private:
    bool take(Presence presence, bool mayBeAbsent) {
        if (stopped_ || presence == Presence::WrongType ||
            (presence == Presence::Absent && !mayBeAbsent)) {
            stopped_ = true;
            return false;
        }
        ++read_;
        return true;
    }

    const cJSON* root_;
    int read_ = 0;
    bool stopped_ = false;
};

int readOptions(const cJSON* root, ProjectDocument& d) {
    OptionReader r(root);
    r.required(k::textWatermark, d.textWatermark);
    r.required(k::textWatermarkFont, d.textWatermarkFont);
    r.optional(k::textWatermarkFontSize, d.textWatermarkFontSize);
    r.required(k::textWatermarkColor, d.textWatermarkColor);
    r.required(k::logo, d.logo);
    r.optional(k::logoPath, d.logoPath);
    r.required(k::logoLocation, d.logoLocation);
    r.required(k::bgsound, d.bgsound);
    r.required(k::bgsoundAutoSetPauseTime, d.bgsoundAutoSetPauseTime);
    r.optional(k::bgsoundAutoSetImageLoopPlay, d.bgsoundAutoSetImageLoopPlay);
    r.optional(k::cover, d.cover);
    r.optional(k::coverPath, d.coverPath);
    r.required(k::videoSize, d.videoSize);
    r.required(k::pauseTime, d.pauseTime);
    return r.read();
}

// An item object with every member of its type; nothing when one is absent or mistyped.
std::optional<ProjectItemEntry> readItemEntry(const cJSON* object) {
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
    int number = 0;
    switch (numberMember(object, k::turnAngle, number)) {
    case Presence::WrongType:
        return std::nullopt;
    case Presence::Present:
        entry.turnAngle = number;
        break;
    case Presence::Absent:
        break;
    }
    // Our own member: other readers ignore it, so a value of the wrong type is no reason to
    // refuse the file; it reads as no motion.
    if (numberMember(object, k::motion, number) == Presence::Present) {
        entry.motion = number;
    }
    std::string name;
    if (stringMember(object, k::itemFillMode, name) == Presence::Present) {
        entry.fillMode = std::move(name);
    }
    const cJSON* pause = cJSON_GetObjectItem(object, k::pauseSeconds);
    if (cJSON_IsNumber(pause)) {
        entry.pauseSeconds = pause->valuedouble;
    }
    std::string region;
    if (stringMember(object, k::focalRegion, region) == Presence::Present) {
        entry.focalRegion = std::move(region);
    }
    if (numberMember(object, k::focalByHand, number) == Presence::Present) {
        entry.focalByHand = number;
    }
    return entry;
}

// False at the first malformed entry; the entries before it are kept.
bool readPictures(const cJSON* list, std::vector<ProjectItemEntry>& entries) {
    for (const cJSON* object = list->child; object != nullptr; object = object->next) {
        std::optional<ProjectItemEntry> entry = readItemEntry(object);
        if (!entry) {
            return false;
        }
        entries.push_back(std::move(*entry));
    }
    return true;
}

std::vector<std::string> readMusic(const cJSON* list) {
    std::vector<std::string> paths;
    for (const cJSON* entry = list->child; entry != nullptr; entry = entry->next) {
        if (cJSON_IsString(entry) && entry->valuestring != nullptr) {
            paths.emplace_back(entry->valuestring);
        }
    }
    return paths;
}

ProjectFlaw readTree(const cJSON* root, ProjectReading& reading) {
    ProjectDocument& d = reading.document;
    if (!cJSON_IsObject(root)) {
        return ProjectFlaw::NotAProject;
    }
    if (const cJSON* music = cJSON_GetObjectItem(root, k::bgsoundItems)) {
        if (!cJSON_IsArray(music)) {
            return ProjectFlaw::MusicList;
        }
        d.bgsoundItems = readMusic(music);
    }
    if (const cJSON* pictures = cJSON_GetObjectItem(root, k::imgs)) {
        if (!cJSON_IsArray(pictures)) {
            return ProjectFlaw::PictureList;
        }
        d.imgs.emplace();
        if (!readPictures(pictures, *d.imgs)) {
            return ProjectFlaw::PictureList;
        }
    }
    std::string fill;
    if (stringMember(root, k::fillMode, fill) == Presence::Present) {
        d.fillMode = std::move(fill);
    }
    int safe = 0;
    if (numberMember(root, k::safeAreas, safe) == Presence::Present) {
        d.safeAreas = safe;
    }
    int beats = 0;
    if (numberMember(root, k::beatSync, beats) == Presence::Present) {
        d.beatSync = beats;
    }
    d.musicFade = realMember(root, k::musicFade);
    d.musicLoudness = realMember(root, k::musicLoudness);
    std::string speed;
    if (stringMember(root, k::encoderSpeed, speed) == Presence::Present) {
        d.encoderSpeed = std::move(speed);
    }
    std::string focus;
    if (stringMember(root, k::focus, focus) == Presence::Present) {
        d.focus = std::move(focus);
    }
    reading.optionsRead = readOptions(root, d);
    return reading.optionsRead < kProjectOptionCount ? ProjectFlaw::Options : ProjectFlaw::None;
}

} // namespace

ProjectReading parseProjectDocument(std::string_view utf8Text) {
    ProjectReading reading;
    const JsonTree tree = parseProjectJson(utf8Text);
    reading.flaw = readTree(tree.get(), reading);
    if (reading.flaw != ProjectFlaw::None) {
        reading.failure = Failure{kProjectFormatError, kProjectReadTitle, MessageKind::Error};
    }
    return reading;
}

} // namespace velomira
