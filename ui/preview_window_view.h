#pragma once
// The preview window as the main window's behaviour sees it. The display thread paints through
// PreviewScreen; the window's own thread opens it. Closing and clicking come back as
// MainWindow::previewClosed() and MainWindow::previewClicked().
#include "services/preview_engine.h"

namespace velomira {

inline constexpr const char* kPreviewTitle =
    "预览 - 提示：预览窗口显示的效果与最终生成的视频可能会有些差异";

class PreviewWindowView : public PreviewScreen {
  public:
    virtual bool previewShown() const = 0;
    // Shows the window maximised over the main window, which it blocks while it is open, with
    // the waiting picture, and gives it the focus.
    virtual void openPreview() = 0;
};

} // namespace velomira
