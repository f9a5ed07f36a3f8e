#pragma once
// The framing that follows the subject in the window: the album's switch "画面跟随主体", the
// pictures' regions found behind the list (the list fills at once; the regions come in as they
// are found), and "设置焦点…", where the user drags the region or gives it back to the finder.
#include "album/album_model.h"
#include "services/focal_regions.h"
#include "ui/command_table.h"
#include "ui/main_window_view.h"
#include "ui/window_services.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace velomira {

class FocusController {
  public:
    // selection: the selected rows, ascending.
    FocusController(MainWindowView& view, AlbumProject& album, const MainWindowServices& services,
                    std::function<std::vector<int>()> selection);
    ~FocusController(); // stops the search after the picture it is on
    FocusController(const FocusController&) = delete;
    FocusController& operator=(const FocusController&) = delete;

    void registerCommands(CommandTable& table);

    // Starts finding the regions still missing, unless a search is going (it looks again when
    // it ends). Called after every change of the album.
    void findMissing();
    // Waits for the search going on now; its results are posted to the window's thread.
    void wait();

    bool following() const { return album_.settings.focus == FocusMode::Auto; }
    bool canSetFocus() const { return selection_().size() == 1; }

  private:
    struct Job {
        int position;
        std::string path;
        std::string fileName;
    };
    void toggleFollowing();
    void setFocus();
    void searchEnded();
    void found(const Job& job, const FocalDetection& detection);

    MainWindowView& view_;
    AlbumProject& album_;
    const MainWindowServices& services_;
    std::function<std::vector<int>()> selection_;
    std::shared_ptr<FocalRegionFinder> finder_;
    std::thread worker_;
    std::atomic<bool> stop_{false};
    bool searching_ = false;
    bool searchAgain_ = false;
    bool modelProblemShown_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace velomira
