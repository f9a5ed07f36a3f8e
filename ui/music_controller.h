#pragma once
// The music group of the window: the music list shown through the window's list control and
// status bar, listening through the window's sound player (or the desktop's player when there
// is none), and its buttons.
#include "album/album_model.h"
#include "platform/sound.h"
#include "ui/command_table.h"
#include "ui/main_window_view.h"
#include "ui/music_list.h"
#include "ui/window_services.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velomira {

class MusicController {
  public:
    // musicChanged runs after the tracks changed (the video length and display time follow).
    MusicController(MainWindowView& view, AlbumProject& album, const MainWindowServices& services,
                    std::function<void()> musicChanged);
    ~MusicController();
    MusicController(const MusicController&) = delete;
    MusicController& operator=(const MusicController&) = delete;

    // "添加", "删除", "试听".
    void registerCommands(CommandTable& table);
    MusicList& list() { return *music_; }
    const MusicList& list() const { return *music_; }

  private:
    class ViewAdapter;
    MainWindowView& view_;
    std::vector<std::string> lines_; // as shown through the window's list control
    std::unique_ptr<ViewAdapter> adapter_;
    std::unique_ptr<SoundPlayer> ownSound_; // a silent player when none was given
    std::unique_ptr<MusicList> music_;
};

} // namespace velomira
