#pragma once
// The option controls of the window (captions, logo, cover, music switches, video size, display
// time) and the settings menu: each change goes into the album's settings or the preferences
// (written to the settings store), and the controls are put back in step with a project.
#include "album/album_model.h"
#include "ui/command_table.h"
#include "ui/main_window_view.h"
#include "ui/music_list.h"
#include "ui/picture_list_controller.h"
#include "ui/window_services.h"

#include <string>
#include <vector>

namespace velomira {

class OptionsController {
  public:
    OptionsController(MainWindowView& view, AlbumProject& album, const MainWindowServices& services,
                      const std::vector<std::string>& fontNames, MusicList& music,
                      PictureListController& pictures);
    OptionsController(const OptionsController&) = delete;
    OptionsController& operator=(const OptionsController&) = delete;

    // The settings menu, the help boxes, the "选择..." buttons and "设为封面".
    void registerCommands(CommandTable& table);
    // Fills the selections (positions, fonts, sizes, colours, display times) and selects
    // display time "2.0秒".
    void fillChoices();
    // Puts every option control back in step with album.settings.
    void showAll();

    void choiceChanged(Command control, int index);
    void checkChanged(Command control, bool checked);
    std::vector<MenuEntryState> settingsMenu() const;

  private:
    Preferences& preferences() { return *services_.preferences; }
    void showCaptionSample();
    void showCaptionGroup();
    void showDisplayTimeList();
    void captionSwitchChanged(bool on);
    void autoDisplayTimeChanged(bool on);
    void loopPlayChanged(bool on);
    void choosePicture(bool logo);
    void videoSizeChanged(int index);
    void showFillMode();
    void setBackground(BackgroundFill fill);
    void setOutputNaming(OutputNaming naming);
    void setCloseBehaviour(CloseBehaviour behaviour);
    void toggleRawFrames();
    void toggleAutoOrient();
    void toggleMusicShaping(bool fade); // fade: music fades, else even loudness
    void loopPlayDialog();
    void marginsDialog();
    void setAsCover();

    MainWindowView& view_;
    AlbumProject& album_;
    const MainWindowServices& services_;
    const std::vector<std::string>& fontNames_;
    MusicList& music_;
    PictureListController& pictures_;
    bool safeAreaNoted_ = false; // the status bar told once why captions keep clear
};

} // namespace velomira
