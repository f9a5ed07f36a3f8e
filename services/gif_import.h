#pragma once
// "导入gif动画": every frame of a GIF animation becomes a still picture in the temporary picture
// folder and is appended to the album without a transition, so the frames follow one another
// like the animation. Toolkit-free: the file dialog, the status bar, the wait cursor and the
// list rows are reached through the callbacks; the messages come back as Failure values that
// the caller shows.
#include "album/album_model.h"
#include "platform/failure.h"
#include "render/image/gif_frames.h"
#include "services/picture_batch.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace velomira {

inline constexpr const char* kGifImportDialogTitle = "选择一个gif动画";
inline constexpr const char* kGifImportFilterLabel = "GIF图片 (*.GIF)";
inline constexpr const char* kGifImportFilterPattern = "*.GIF";

// What the command works on; everything is borrowed and outlives the call.
struct GifImportContext {
    AlbumProject& album;
    TransitionRandom& random;
    GifFrameCounter& counter;                // one for the whole run of the program
    std::filesystem::path tempPictureFolder; // where the frame files go (created when missing)
    std::string& importFolder;               // remembered folder of the dialog
};

struct GifImportCallbacks {
    // The single-file open dialog: title, filter label and pattern, and the folder it starts in
    // (the dialog may write the chosen file's folder back). nullopt when cancelled. Required.
    std::function<std::optional<std::string>(
        const std::string& title, const std::string& filterLabel, const std::string& filterPattern,
        std::string& startFolder)>
        chooseFile;
    // The message part of the status bar, after every frame ("导入图片: %3d / %d").
    std::function<void(const std::string& text)> status;
    // A frame was appended at this album position; its 144 x 144 list icon.
    std::function<void(int position, const PictureIcon& icon)> pictureAdded;
    // A frame file that the list refused: the line for the information window.
    std::function<void(const std::string& line)> refused;
    // A frame file that gave no icon because it did not read: the message about it, to be shown
    // at once (its refusal line follows).
    std::function<void(const Failure& failure)> frameUnread;
    std::function<void(bool on)> waitCursor;
    // The time part of the frame names, "%H-%M-%S"; empty: the local time at each name.
    std::function<std::string()> timeText;
};

enum class GifImportOutcome {
    Cancelled,
    WrongName, // not "*.gif": "选择的文件格式不对，请选择一个gif动画文件。" / "提示"
    Unreadable, // not a GIF, damaged or cut off: the same text / "错误"
    WriteFailed, // a frame could not be written: "解析gif动画帧的时候发生错误！" / "错误"
    AlbumFull, // "最多可以添加 %d 张图片" / "提示"
    Done
};

struct GifImportResult {
    GifImportOutcome outcome = GifImportOutcome::Cancelled;
    std::string path; // the chosen file
    int frames = 0;   // frames in the animation
    int added = 0;    // pictures appended (they stay, whatever ended the import)
    // The message of an outcome other than Done or Cancelled, for the caller to show.
    std::optional<Failure> failure;
};

// The whole command. Afterwards the caller refreshes the count, the selection, the video
// length and the automatic display time as after any batch (when added > 0).
GifImportResult importGifAnimation(GifImportContext& context, const GifImportCallbacks& callbacks);

// "导入图片: %3d / %d" for n above 99, "导入图片: %d / %d" below 10, "导入图片: %2d / %d"
// otherwise, followed by the status bar's growing run of "…".
std::string gifImportProgressText(int k, int n);

} // namespace velomira
