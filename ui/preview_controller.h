#pragma once
// "视频预览": the checks, the run on the preview engine over the album as for a video (from the
// selected picture, or from the first with "从头预览"; one picture's transition with F5), the
// music commands the display thread sends, and the preview window's close and click.
#include "services/preview_engine.h"
#include "services/video_run.h"
#include "ui/command_table.h"
#include "ui/main_window_view.h"
#include "ui/music_list.h"
#include "ui/picture_list_controller.h"
#include "ui/window_services.h"

#include <functional>
#include <memory>

namespace velomira {

class PreviewController {
  public:
    // generating: a video run refuses a preview.
    PreviewController(MainWindowView& view, AlbumProject& album, const MainWindowServices& services,
                      MusicList& music, PictureListController& pictures,
                      std::function<bool()> generating);
    ~PreviewController(); // closes a running preview and waits for its threads
    PreviewController(const PreviewController&) = delete;
    PreviewController& operator=(const PreviewController&) = delete;

    // "视频预览", "从头预览", "预览该图片动画" and the music commands 36141..36145.
    void registerCommands(CommandTable& table);
    // There is a preview window and no run is using the engine.
    bool available() const { return engine_ != nullptr && !engine_->busy(); }
    bool busy() const { return engine_ != nullptr && engine_->busy(); }
    PreviewState state() const;
    void closed();
    void clicked(); // starts a finished preview again, over the same pictures
    void wait();

  private:
    // Plays pictures range.first..range.last of the video, the music where the video has it.
    void start(PictureRange range);
    // The selected picture (the focused one of a selection), or -1.
    int selectedRow() const;
    void musicCommand(Command command);
    void finished(unsigned run);

    MainWindowView& view_;
    AlbumProject& album_;
    const MainWindowServices& services_;
    MusicList& music_;
    PictureListController& pictures_;
    std::function<bool()> generating_;
    SteadyPreviewClock ownClock_;
    std::unique_ptr<PreviewEngine> engine_;
    std::unique_ptr<PreviewLogo> logo_;
    // The number of the current run: a finished run's last posted call must not touch the next.
    unsigned run_ = 0;
    PictureRange range_; // of the last run, for a restart from the finished window
    // Posted calls test this before touching the controller: it may be gone by then.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace velomira
