#pragma once
// The project file's members as plain values, built from the album, and their printed form.
#include "album/album_model.h"

#include <optional>
#include <string>
#include <vector>

namespace velomira {

// Member names as they appear in the file. Look-up ignores ASCII letter case.
namespace project_keys {
inline constexpr const char* textWatermark = "text_watermark";
inline constexpr const char* textWatermarkFont = "text_watermark_font";
inline constexpr const char* textWatermarkFontSize = "text_watermark_font_size";
inline constexpr const char* textWatermarkColor = "text_watermark_color";
inline constexpr const char* logo = "logo";
inline constexpr const char* logoPath = "logo_path";
inline constexpr const char* logoLocation = "logo_location";
inline constexpr const char* bgsound = "bgsound";
inline constexpr const char* bgsoundAutoSetPauseTime = "bgsound_auto_set_pause_time";
inline constexpr const char* bgsoundAutoSetImageLoopPlay = "bgsound_auto_set_image_loop_play";
inline constexpr const char* cover = "cover";
inline constexpr const char* coverPath = "cover_path";
inline constexpr const char* videoSize = "video_size";
inline constexpr const char* pauseTime = "pause_time";
inline constexpr const char* bgsoundItems = "bgsound_items";
inline constexpr const char* imgs = "imgs";
inline constexpr const char* fillMode = "fill_mode";
inline constexpr const char* safeAreas = "safe_areas";
inline constexpr const char* beatSync = "beat_sync";
inline constexpr const char* musicFade = "music_fade";
inline constexpr const char* musicLoudness = "music_loudness";
inline constexpr const char* encoderSpeed = "encoder_speed";
inline constexpr const char* focus = "focus";

inline constexpr const char* path = "path";
inline constexpr const char* animationIndex = "animationIndex";
inline constexpr const char* animationName = "animationName";
inline constexpr const char* fileName = "fileName";
inline constexpr const char* watermarkLocation = "watermark_location";
inline constexpr const char* watermarkText = "watermark_text";
inline constexpr const char* turnAngle = "turnAngle";
inline constexpr const char* motion = "motion";
inline constexpr const char* itemFillMode = "fillMode";
inline constexpr const char* pauseSeconds = "pauseSeconds";
inline constexpr const char* focalRegion = "focalRegion";
inline constexpr const char* focalByHand = "focalByHand";
} // namespace project_keys

// One picture of the file, members in their written order.
struct ProjectItemEntry {
    std::string path;
    int animationIndex = NO_TRANSITION;
    std::string animationName;
    std::string fileName;
    int watermarkLocation = kDefaultCaptionLocation;
    std::string watermarkText;
    std::optional<int> turnAngle; // absent reads as 0
    // The camera motion 1..6; written only when one is set, so files without motion keep their
    // bytes. Absent, mistyped or unknown values read as none.
    std::optional<int> motion;
    // The picture's own fill mode by name; written only when it has one. Unknown names read as
    // none.
    std::optional<std::string> fillMode;
    // The picture's own display time in seconds; written only when it has one. Negative,
    // mistyped or too long values read as none.
    std::optional<double> pauseSeconds;
    // The picture's focal region as "x,y,w,h" (focalRegionText), written once it has been found
    // or chosen; 1 in focalByHand when chosen. Text that does not read as a region inside the
    // picture reads as not found.
    std::optional<std::string> focalRegion;
    std::optional<int> focalByHand;

    bool operator==(const ProjectItemEntry&) const = default;
};

// The top-level object, members in their written order. Members a reader may find absent
// carry their presence in std::optional; the serializer always fills every one.
struct ProjectDocument {
    int textWatermark = 0;
    int textWatermarkFont = 0;
    std::optional<int> textWatermarkFontSize;
    int textWatermarkColor = kDefaultCaptionColour;
    int logo = 0;
    std::optional<std::string> logoPath;
    int logoLocation = kDefaultLogoLocation;
    int bgsound = 1;
    int bgsoundAutoSetPauseTime = 0;
    std::optional<int> bgsoundAutoSetImageLoopPlay;
    std::optional<int> cover;
    std::optional<std::string> coverPath;
    std::string videoSize;
    int pauseTime = kDefaultPauseTime;
    std::optional<std::vector<std::string>> bgsoundItems;
    std::optional<std::vector<ProjectItemEntry>> imgs;
    // The album's fill mode by name, written after the pictures and only when it is not fit;
    // it is no option of the counted sequence, so its absence is no flaw.
    std::optional<std::string> fillMode;
    // 1 when captions and the logo keep the safe areas; written only then, like fill_mode.
    std::optional<int> safeAreas;
    // 1 when picture changes follow the music's beats; written only then.
    std::optional<int> beatSync;
    // The music's fade-out in seconds and its loudness in LUFS; each written only when set.
    std::optional<double> musicFade;
    std::optional<double> musicLoudness;
    // The encoder speed by name; written only when it is not the standard speed. Unknown names
    // read as standard.
    std::optional<std::string> encoderSpeed;
    // "auto" when crops and camera moves follow the found regions; written only then.
    std::optional<std::string> focus;

    bool operator==(const ProjectDocument&) const = default;
};

// What the serializer reads from the album and its options. The size is "" while none is
// chosen, else the output width and height as "%dx%d"; pause_time is the list index, also
// while display times follow the music.
ProjectDocument documentFromAlbum(const AlbumProject& album);

// The document as cJSON's formatted printer writes it (tab indentation, one member per line,
// whole numbers), in UTF-8. Empty only when memory ran out.
std::string printProjectDocument(const ProjectDocument& document);

} // namespace velomira
