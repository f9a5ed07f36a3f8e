#pragma once

#include "album/album_tables.h"
#include "album/camera_motion.h"
#include "album/encoder_speed.h"
#include "album/fill_mode.h"
#include "album/focal_region.h"
#include "album/transition_catalogue.h"
#include "app/option_values.h"

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace velomira {

constexpr int maxPictures = 1000;
constexpr int maxCaptionTextBytes = 195; // counted in the GBK form, as stored on disk
constexpr int maxFontNameBytes = 15;     // likewise
constexpr int maxPathBytes = 259;
constexpr int thumbnailSize = 144; // list icons are thumbnailSize × thumbnailSize
constexpr int frameRate = 25;

// The music's shaping when fades and even loudness are on.
constexpr double kMusicFadeOutSeconds = 2.0;   // at the video's end
constexpr double kMusicFadeInSeconds = 0.5;    // at its start
constexpr double kMusicCrossfadeSeconds = 1.0; // between consecutive tracks
constexpr double kMusicLoudnessLufs = -14.0;   // what phone apps play at
constexpr double kMusicTruePeakDb = -1.0;

struct ItemCaption {
    int enabled = 0;
    int location = kDefaultCaptionLocation;
    std::string fontName;
    ColorRef boxColor = 0;
    ColorRef textColor = 0;
    std::string text; // empty means no caption, even when enabled
    bool operator==(const ItemCaption&) const = default;
};

struct AlbumItem {
    std::string path;
    int animationIndex = NO_TRANSITION; // the transition leading into this picture
    std::string animationName{kNoTransitionName};
    std::string fileName;
    ItemCaption caption;
    int turnAngle = 0;                        // clockwise degrees: 0, 90, 180 or 270
    CameraMotion motion = CameraMotion::None; // the camera move while the picture is held
    std::optional<FillMode> fillMode;         // none: the album's fill mode
    std::optional<int> stillFrames;           // the picture's own display time; none: the album's
    std::optional<FocalRegion> focus;         // none: not found yet (or never looked for)
    bool operator==(const AlbumItem&) const = default;
};

struct MusicTrack {
    std::string path;
    float durationMs = 0.0f;
    int sampleRate = 0;
};

struct VideoSettings {
    // Output size: index into videoSizeTexts (0 = none chosen); the entry after the last text is
    // "自定义...".
    int videoSize = 0;
    std::vector<std::string> videoSizeTexts = defaultVideoSizeTexts();
    int videoWidth = kUnchosenVideoWidth;
    int videoHeight = kUnchosenVideoHeight;
    BackgroundFill videoBgFillColor = BackgroundFill::White; // kept in the settings store

    // How pictures fill the frame. While fillFollowsSize is set (a new album whose mode the user
    // has not picked) choosing a size sets it: blur for a vertical size, else fit.
    FillMode fillMode = FillMode::Fit;
    bool fillFollowsSize = false;
    NewAlbumFill newAlbumFill = NewAlbumFill::FollowSize; // kept in the settings store
    // Captions and the logo keep clear of phone apps' buttons in a vertical frame, and a caption
    // in the background colour is outlined so that it shows on the bars.
    bool safeAreas = false;
    bool newAlbumSafeAreas = false; // kept in the settings store
    // Whether crops and camera moves follow each picture's found region or the middle.
    FocusMode focus = FocusMode::Center;

    // Display time: pauseTime is the list index; while customDisplayTime is set the still frame
    // count comes from the automatic display time text instead and pauseTime is only kept for
    // saving. The defaults are the 1.0 s entry and its 25 frames; start-up and "新项目" select
    // kDefaultPauseTime.
    int pauseTime = 11;
    int stillFrames = 25;
    bool customDisplayTime = false;
    static constexpr int frameRate = velomira::frameRate;
    // Picture changes land on the music's beats (a video run analyses the music first).
    bool beatSync = false;

    bool textWatermark = false;
    int textWatermarkFont = 0;
    int textWatermarkFontSize = kDefaultCaptionFontSize;
    int textWatermarkColor = kDefaultCaptionColour;
    std::string captionFontName; // text of the current font choice; empty when no font exists

    bool logo = false;
    std::string logoPath;
    int logoLocation = kDefaultLogoLocation;

    bool bgsound = true;
    bool bgsoundAutoSetPauseTime = false;
    bool bgsoundAutoSetImageLoopPlay = false;
    int loopPlayAnimation = kDefaultLoopPlayAnimation; // kept in the settings store

    bool cover = false;
    std::string coverPath;

    int audioBitrateKbps = 128;
    int audioSampleRate = -1; // -1: the encoder uses 44100
    // Music fades: the fade-out's length at the video's end in seconds (0: the music is cut
    // hard, as it always was); with it the music also fades in and tracks cross-fade.
    double musicFadeSeconds = 0.0;
    // The integrated loudness (LUFS) the music is brought to; none: the music as it is.
    std::optional<double> musicLoudness;
    bool newAlbumMusicFade = false; // kept in the settings store
    bool newAlbumLoudness = false;  // kept in the settings store
    EncoderSpeed encoderSpeed = EncoderSpeed::Standard;
    OutputNaming outputNaming = OutputNaming::Empty; // kept in the settings store
};

struct AlbumProject {
    std::vector<AlbumItem> items;
    std::vector<MusicTrack> musicItems;
    VideoSettings settings;
};

// Random source of the transition assignment; seeded by the caller so runs can be repeated.
struct TransitionRandom {
    std::mt19937 engine;

    explicit TransitionRandom(std::uint32_t seed) : engine(seed) {}

    // A value in [a, b], drawn as a + engine() mod (b - a + 1); a when b <= a.
    int draw(int a, int b);
};

// A random transition from 0..92 that differs from both given indexes (pass NO_TRANSITION for
// a neighbour that does not exist: it is never drawn).
int drawRandomTransition(TransitionRandom& random, int avoidA, int avoidB = NO_TRANSITION);

// What adding one picture file gave: every adding routine (files from disk, downloads, a
// project's pictures) reports through this one record.
enum class AddPictureStatus { Added, Refused, AlbumFull };
struct AddPictureResult {
    AddPictureStatus status = AddPictureStatus::Refused;
    int position = -1;    // where the new item is, when Added
    std::string infoLine; // the information window's line, when Refused
};

// "最多可以添加 %d 张图片" with maxPictures.
std::string albumFullMessage();

// Creates a picture record and places it at position (-1 or any position outside 0..count-1
// appends). Probing the file and making its thumbnail are the caller's business and come first.
// Returns the new item's position, or -1 when the album already holds maxPictures.
int insertAlbumItem(AlbumProject& project, const std::string& path, int position,
                    bool keepWithoutTransition, TransitionRandom& random);

int albumItemCount(const AlbumProject& project);
AlbumItem* albumItemAt(AlbumProject& project, int position);
const AlbumItem* albumItemAt(const AlbumProject& project, int position);
bool removeAlbumItem(AlbumProject& project, int position);
void removeAllAlbumItems(AlbumProject& project);

// Exchange the picture (path, file name, caption, rotation, camera motion, fill, focal region) with
// its neighbour; the transitions stay at their positions. False when there is no such neighbour.
bool moveAlbumItemUp(AlbumProject& project, int position);
bool moveAlbumItemDown(AlbumProject& project, int position);

void setItemTransition(AlbumItem& item, int index);
bool setAlbumItemTransition(AlbumProject& project, int position, int index);

// Quarter turns of turnAngle. An angle outside 0..359 (a hand-edited file) is first brought
// into that range, so the result is always one of 0..359.
int turnAngleRotatedRight(int angle);
int turnAngleRotatedLeft(int angle);
bool rotateAlbumItemRight(AlbumProject& project, int position);
bool rotateAlbumItemLeft(AlbumProject& project, int position);

// Stores the caption text, cut at a character boundary to maxCaptionTextBytes.
bool setAlbumItemCaptionText(AlbumProject& project, int position, std::string_view text);

// Video-wide caption choices, copied into every picture.
void applyCaptionSwitch(AlbumProject& project, bool on);
void applyCaptionFont(AlbumProject& project, int fontIndex, std::string_view fontName);
bool applyCaptionColour(AlbumProject& project, int colourIndex);

// Music tracks.
void addMusicTrack(AlbumProject& project, MusicTrack track);
bool removeMusicTrack(AlbumProject& project, int position);
int musicTrackCount(const AlbumProject& project);
const MusicTrack* musicTrackAt(const AlbumProject& project, int position);
float totalMusicSeconds(const AlbumProject& project);

// Output size. chooseVideoSize takes 0 (none chosen, 400 x 400) or an index of
// videoSizeTexts; the custom entry and other indexes give false and change nothing.
bool chooseVideoSize(VideoSettings& settings, int index);
int customVideoSizeEntry(const VideoSettings& settings);
// Selects the size "%dx%d", adding it before "自定义..." when it is new. Returns its index,
// or -1 for a size outside the bounds of album_tables.h.
int setCustomVideoSize(VideoSettings& settings, int width, int height);
// Selects a size by its text as stored in a project file: "" selects none, a known text its
// entry, another well-formed "WxH" is added. -1 for malformed or out-of-bounds text.
int selectVideoSizeText(VideoSettings& settings, std::string_view text);
// Texts of the size choice: "", the preset labels, the custom sizes, "自定义...".
std::vector<std::string> videoSizeChoiceLabels(const VideoSettings& settings);

// Fill mode. chooseFillMode is the user's pick: the mode stops following the size.
void chooseFillMode(VideoSettings& settings, FillMode mode);
// The mode a picture is drawn with: its own override, else the album's.
FillMode itemFillMode(const VideoSettings& settings, const AlbumItem& item);
bool setAlbumItemFillMode(AlbumProject& project, int position, std::optional<FillMode> mode);

// A picture's focal region: one chosen by hand, or none to have it found again.
bool setAlbumItemFocus(AlbumProject& project, int position, std::optional<FocalRegion> region);

// Display time. choosePauseTime takes a list index (false outside 0..37); the custom text
// form returns false and keeps the previous count when the text is malformed.
bool choosePauseTime(VideoSettings& settings, int index);
bool setCustomDisplayTime(VideoSettings& settings, std::string_view text);

// A picture's own display time. The longest one a picture may have, in still frames (an hour).
constexpr int kMaxItemStillFrames = 3600 * frameRate;
// The still frames the picture is held: its own time, else the album's.
int itemStillFrames(const VideoSettings& settings, const AlbumItem& item);
// Sets or (none) clears the picture's own time; false for a position outside the list or a
// count outside 0..kMaxItemStillFrames.
bool setAlbumItemStillFrames(AlbumProject& project, int position, std::optional<int> frames);
// Parses a display time typed for one picture ("2.5", "2.5秒"), as the album's field does;
// nothing when malformed or outside 0..kMaxItemStillFrames.
std::optional<int> itemStillFramesForText(std::string_view text);

// "新项目": removes every picture and track and puts the options back to their start values.
// firstFontName is the text of font choice 0 (empty when no caption font exists).
void resetProjectOptions(AlbumProject& project, std::string_view firstFontName);

} // namespace velomira
