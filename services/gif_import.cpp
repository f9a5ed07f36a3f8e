#include "services/gif_import.h"

#include "app/settings_store.h"
#include "app/string_utils.h"
#include "media/picture_probe.h"
#include "net/product_loader.h"
#include "render/image/frame_icon.h"
#include "render/image/thumbnail.h"

#include <cstdio>
#include <system_error>

namespace velomira {

namespace {

constexpr const char* kWrongFormatText = "选择的文件格式不对，请选择一个gif动画文件。";
constexpr const char* kFrameFailedText = "解析gif动画帧的时候发生错误！";

class WaitCursorGuard {
  public:
    explicit WaitCursorGuard(const std::function<void(bool)>& set) : set_(set) {
        if (set_)
            set_(true);
    }
    ~WaitCursorGuard() {
        if (set_)
            set_(false);
    }
    WaitCursorGuard(const WaitCursorGuard&) = delete;
    WaitCursorGuard& operator=(const WaitCursorGuard&) = delete;

  private:
    const std::function<void(bool)>& set_;
};

GifImportResult ended(GifImportResult result, GifImportOutcome outcome) {
    result.outcome = outcome;
    return result;
}

GifImportResult failed(GifImportResult result, GifImportOutcome outcome, Failure failure) {
    result.failure = std::move(failure);
    return ended(std::move(result), outcome);
}

Failure albumFullFailure() {
    return {albumFullMessage(), "提示", MessageKind::Warning};
}

// The list icon of a frame just written to path. An opaque frame's icon is made from the
// frame in memory, which gives the icon of the file without decoding it again; a frame with
// an alpha channel goes through the file like any picture. Empty when no icon could be made.
PictureIcon frameIcon(const Image& frame, const std::string& path,
                      const GifImportCallbacks& callbacks) {
    PictureIcon icon = makeFrameIcon(frame.get(), thumbnailSize, thumbnailSize);
    if (!icon.empty())
        return icon;
    Blob made;
    const ThumbnailResult result =
        makeThumbnailIcon(probePicture(path), thumbnailSize, thumbnailSize, 0, made);
    if (result.status == ThumbnailStatus::Made)
        icon.assign(made.bytes(), made.bytes() + made.length);
    else if (result.failure && callbacks.frameUnread)
        callbacks.frameUnread(*result.failure);
    return icon;
}

// Appends one written frame the way the list adds any picture: the icon first, then the item.
// False when the album is full.
bool appendFrame(GifImportContext& context, const GifImportCallbacks& callbacks,
                 const std::string& path, const Image& frame, GifImportResult& result) {
    const PictureIcon icon = frameIcon(frame, path, callbacks);
    if (icon.empty()) {
        if (callbacks.refused)
            callbacks.refused("图片读取失败:\r\n" + path);
        return true;
    }
    AddPictureResult added = addPicture(context.album, path, -1, true, context.random);
    switch (added.status) {
    case AddPictureStatus::Added:
        ++result.added;
        if (callbacks.pictureAdded)
            callbacks.pictureAdded(added.position, icon);
        return true;
    case AddPictureStatus::Refused:
        if (callbacks.refused)
            callbacks.refused(added.infoLine);
        return true;
    case AddPictureStatus::AlbumFull:
        break;
    }
    return false;
}

} // namespace

std::string gifImportProgressText(int k, int n) {
    const char* format = n > 99   ? "导入图片: %3d / %d"
                         : n < 10 ? "导入图片: %d / %d"
                                  : "导入图片: %2d / %d";
    char text[64];
    std::snprintf(text, sizeof text, format, k, n);
    return withProgressBar(text, k, n);
}

GifImportResult importGifAnimation(GifImportContext& context, const GifImportCallbacks& callbacks) {
    GifImportResult result;
    if (!callbacks.chooseFile)
        return result;
    std::optional<std::string> chosen =
        callbacks.chooseFile(kGifImportDialogTitle, kGifImportFilterLabel, kGifImportFilterPattern,
                             context.importFolder);
    if (!chosen || chosen->empty())
        return ended(result, GifImportOutcome::Cancelled);
    result.path = *chosen;
    rememberFolderOf(context.importFolder, result.path);
    if (!endsWithNoCase(result.path.c_str(), ".gif")) {
        return failed(result, GifImportOutcome::WrongName,
                      {kWrongFormatText, "提示", MessageKind::Error});
    }

    WaitCursorGuard waitCursor(callbacks.waitCursor);
    GifFrameSequence frames;
    std::string failure;
    if (frames.open(result.path, failure) != GifOpenStatus::Opened) {
        return failed(result, GifImportOutcome::Unreadable,
                      {kWrongFormatText, "错误", MessageKind::Error});
    }
    result.frames = frames.count();
    std::error_code ignored;
    std::filesystem::create_directories(context.tempPictureFolder, ignored);

    for (int k = 1; k <= result.frames; ++k) {
        // Checked before the frame is written, so a full album leaves no stray frame file.
        if (albumItemCount(context.album) >= maxPictures) {
            return failed(result, GifImportOutcome::AlbumFull, albumFullFailure());
        }
        std::string path;
        Image frame;
        const std::string time = callbacks.timeText ? callbacks.timeText() : localTimeText();
        if (!frames.writeNext(context.tempPictureFolder, time, context.counter, path, failure,
                              &frame)) {
            return failed(result, GifImportOutcome::WriteFailed,
                          {kFrameFailedText, "错误", MessageKind::Error});
        }
        if (callbacks.status)
            callbacks.status(gifImportProgressText(k, result.frames));
        if (!appendFrame(context, callbacks, path, frame, result)) {
            std::filesystem::remove(path, ignored);
            return failed(result, GifImportOutcome::AlbumFull, albumFullFailure());
        }
    }
    return ended(result, GifImportOutcome::Done);
}

} // namespace velomira
