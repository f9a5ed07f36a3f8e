#pragma once
// The user's preferences kept between runs: the remembered folders of the file dialogs and
// the option values, with their defaults and range rules. Read once at start-up, option values
// written when they change, folders written at exit. The store never shows a message: a failed
// read keeps the default and a failed write is only reported through the return value.
#include "app/caption_margins.h"
#include "app/option_values.h"
#include "app/path_limits.h"
#include "platform/registry.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <type_traits>

namespace velomira {

namespace setting {
inline constexpr const char* kChooseImageFolder = "file_dlg_choose_image";
inline constexpr const char* kChooseMp3Folder = "file_dlg_choose_mp3";
inline constexpr const char* kSaveProjectFolder = "file_dlg_choose_save_project";
inline constexpr const char* kSaveVideoFolder = "file_dlg_choose_save_video";
inline constexpr const char* kChooseLogoFolder = "file_dlg_choose_logo";
inline constexpr const char* kImportFileFolder = "file_dlg_choose_import_file";
inline constexpr const char* kVideoBgFillColor = "video_bg_fill_color";
inline constexpr const char* kMp4DefaultFileName = "mp4_default_file_name";
inline constexpr const char* kMarginCenterBottom = "watermark_margin_center_bottom";
inline constexpr const char* kMarginLeft = "watermark_margin_left";
inline constexpr const char* kMarginRight = "watermark_margin_right";
inline constexpr const char* kMarginTop = "watermark_margin_top";
inline constexpr const char* kMarginBottom = "watermark_margin_bottom";
inline constexpr const char* kImageLoopPlayAnimation = "image_loop_play_animation";
inline constexpr const char* kClickCloseButtonStatus = "click_close_button_status";
inline constexpr const char* kFrameTransport = "frame_transport";
inline constexpr const char* kAutoOrient = "auto_orient";
inline constexpr const char* kNewPictureMotion = "new_picture_motion";
inline constexpr const char* kNewAlbumFillMode = "new_album_fill_mode";
inline constexpr const char* kNewAlbumSafeAreas = "new_album_safe_areas";
inline constexpr const char* kMaxVideoMegabytes = "max_video_size_mb";
inline constexpr const char* kNewAlbumMusicFade = "new_album_music_fade";
inline constexpr const char* kNewAlbumLoudness = "new_album_even_loudness";
} // namespace setting

inline constexpr uint32_t kDefaultImageLoopPlayAnimation = 31;
// What a stored loop-play transition above 99 reads as.
inline constexpr uint32_t kOutOfRangeLoopPlayAnimation = 33;

// Where the defaults of the folders live; tests hand in temporary folders.
struct StoreFolders {
    std::filesystem::path workFolder; // program folder, or its per-user stand-in
    std::filesystem::path desktopFolder;
    // Defaults of the project and video folders; empty: "我的项目" and "我的视频" in the work
    // folder.
    std::filesystem::path projectFolder;
    std::filesystem::path videoFolder;
};

// The starting folder of each file dialog; a dialog writes the folder of a confirmed file back.
struct RememberedFolders {
    std::string image;   // pictures (file_dlg_choose_image)
    std::string mp3;     // background music
    std::string project; // project open and save
    std::string video;   // video save
    std::string logo;    // logo and cover pictures
    std::string import;  // GIF import
};

struct Preferences {
    RememberedFolders folders;
    BackgroundFill videoBgFillColor = BackgroundFill::White;
    OutputNaming mp4DefaultFileName = OutputNaming::Empty; // a stored number is kept as read
    CaptionMargins captionMargins;
    uint32_t imageLoopPlayAnimation = kDefaultImageLoopPlayAnimation; // 99: no transition
    CloseBehaviour clickCloseButtonStatus = CloseBehaviour::Exit;     // kept as read
    // Raw frames unless JPEG files were chosen (any stored value but RawPixels reads as that);
    // a missing value is not written, so a stored choice stays whatever the default.
    FrameTransport frameTransport = FrameTransport::RawPixels;
    // 1: a picture added from a file is turned upright by its EXIF orientation. Only a stored
    // 0 turns it off; a missing value is not written.
    uint32_t autoOrient = 1;
    // The camera motion choice newly added pictures get: 0 none, 1..6 the moves, 7 random (drawn
    // for each picture). Any other stored value reads as 0; a missing value is not written.
    uint32_t newPictureMotion = 0;
    // How a new album's pictures fill the frame: 0 follows the size (fit, blur in a size taller
    // than wide), 1 fit, 2 crop, 3 blur. Any other stored value reads as 0; a missing value is
    // not written.
    uint32_t newAlbumFillMode = 0;
    // 1: new albums keep captions and the logo out of phone apps' parts of a vertical frame.
    // Only a stored 0 turns it off; a missing value is not written.
    uint32_t newAlbumSafeAreas = 1;
    // The window's file-size cap in megabytes (1 000 000 bytes); 0 (the default) is no cap. A
    // missing value is not written.
    uint32_t maxVideoMegabytes = 0;
    // 1: new albums fade their music in and out and cross-fade its tracks. Reading the store
    // gives 1 unless a 0 is stored (a missing value is not written); preferences made in code
    // start at 0, the sound of albums before the option.
    uint32_t newAlbumMusicFade = 0;
    // 1: new albums bring their music to an even loudness. Likewise.
    uint32_t newAlbumLoudness = 0;
};

// Start-up reading. The default project and video folders ("我的项目", "我的视频" in the work
// folder) are created when they are used; the three switch values that are missing are
// written as 0 so they exist afterwards.
Preferences readPreferences(const RegistryFile& file, const StoreFolders& folders);

// Exit writing: the six folders, in the order of the fields above. 1 when all were written.
int writeRememberedFolders(const RegistryFile& file, const RememberedFolders& folders);

// Puts the folder part of a chosen file into folderBuffer; a file directly in "/" remembers
// "/". A path without any folder part leaves the buffer as it is.
void rememberFolderOf(std::string& folderBuffer, const std::string& chosenPath);

// The option values kept as numbers, each written at the moment the user changes it. Every key
// has one row in the store's table: its stored name, its default, and the range a stored value
// must be in.
enum class SettingKey {
    VideoBgFillColor,       // BackgroundFill, kept as read
    Mp4DefaultFileName,     // OutputNaming, kept as read
    ImageLoopPlayAnimation, // transition number 0..99 (99: none); above reads as 33
    ClickCloseButtonStatus, // CloseBehaviour, kept as read
    FrameTransport,    // FrameTransport; missing reads as RawPixels, 0 and beyond 1 as JpegFiles
    AutoOrient,        // 0 or 1; anything but 0 reads as 1
    NewPictureMotion,  // 0..7; anything else reads as 0
    NewAlbumFillMode,  // 0..3; anything else reads as 0
    NewAlbumSafeAreas, // 0 or 1; anything but 0 reads as 1
    MaxVideoMegabytes, // 0..100000 megabytes, 0: no cap; anything else reads as 0
    NewAlbumMusicFade, // 0 or 1; anything but 0 reads as 1
    NewAlbumLoudness,  // 0 or 1; anything but 0 reads as 1
};

// The stored name of a key.
const char* settingName(SettingKey key);
// The number a key reads as: its default when missing or unreadable (the three switch values
// then store it), a value outside its range as that range's replacement.
uint32_t readSettingNumber(const RegistryFile& file, SettingKey key);
int writeSettingNumber(const RegistryFile& file, SettingKey key, uint32_t value);

// Typed forms: an option enum, a number or a switch go in and come out as themselves.
template <typename Value> Value readSetting(const RegistryFile& file, SettingKey key) {
    return static_cast<Value>(readSettingNumber(file, key));
}
template <typename Value> int writeSetting(const RegistryFile& file, SettingKey key, Value value) {
    static_assert(std::is_enum_v<Value> || std::is_integral_v<Value>);
    return writeSettingNumber(file, key, static_cast<uint32_t>(value));
}

enum class CaptionMarginId { CenterBottom, Left, Right, Top, Bottom };
// Stores trunc(fraction × 10000); the margin dialog passes marginFromPercent(p).
int writeCaptionMargin(const RegistryFile& file, CaptionMarginId which, float fraction);
// All five in the order centre-bottom, left, right, top, bottom. 1 when all were written.
int writeCaptionMargins(const RegistryFile& file, const CaptionMargins& margins);

} // namespace velomira
