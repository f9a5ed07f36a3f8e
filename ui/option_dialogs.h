#pragma once
// The three small option dialogs as the main window calls them. The window program shows real
// dialogs (ui/qt) that check their input with the forms of ui/option_forms.h; tests answer
// with scripted values. Each returns nothing when the user cancels.
#include "album/album_tables.h"
#include "album/focal_region.h"
#include "app/caption_margins.h"

#include <optional>
#include <string>

namespace velomira {

class OptionDialogHost {
  public:
    virtual ~OptionDialogHost() = default;
    // "自定义视频尺寸": an accepted, checked width and height.
    virtual std::optional<VideoSize> askCustomVideoSize() = 0;
    // "图片循环播放设置": the chosen transition index (99: none), starting on current.
    virtual std::optional<int> askLoopPlayTransition(int current) = 0;
    // "【加文字】边距设置": the five accepted margins, starting from current.
    virtual std::optional<CaptionMargins> askCaptionMargins(const CaptionMargins& current) = 0;
    // "停顿时间": the text typed for the selected pictures' own display time, starting from
    // current (empty: they follow the album's).
    virtual std::optional<std::string> askPictureTime(const std::string& current) = 0;
    // "设置焦点": the picture (turned clockwise by turnAngle, as the video shows it) with the
    // region framing follows; the region the user dragged (shares of the picture before its
    // turn), or nothing inside the answer for "自动".
    struct FocusAnswer {
        std::optional<FocalRegion> region;
    };
    virtual std::optional<FocusAnswer> askFocalRegion(const std::string& picturePath, int turnAngle,
                                                      const std::optional<FocalRegion>& shown) = 0;
};

} // namespace velomira
