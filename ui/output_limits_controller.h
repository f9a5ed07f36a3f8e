#pragma once
// The output group's limits: the file-size cap selection beside the video size (off by
// default, remembered in the preferences) and the platform preset selection ("预设"), whose
// choice sets the album's size and fill mode and, while chosen, the run's longest length. A
// video run asks for the limits the user chose here.
#include "album/album_model.h"
#include "ui/main_window_view.h"
#include "ui/window_services.h"
#include "video/output_presets.h"

#include <functional>
#include <string>
#include <vector>

namespace velomira {

class OutputLimitsController {
  public:
    // optionsChanged puts the option controls back in step after a preset changed the album.
    OutputLimitsController(MainWindowView& view, AlbumProject& album,
                           const MainWindowServices& services,
                           std::function<void()> optionsChanged);

    // Reads the presets' table (its skipped rows go to the information window) and fills both
    // selections; the cap shows the remembered value, the preset "无".
    void fillChoices();
    // True when the control is one of the two selections (the change is then handled).
    bool choiceChanged(Command control, int index);
    // The limits a run keeps: the cap, and the chosen preset's longest length.
    OutputLimits limits() const;

    // The cap selection's entries in megabytes, 0 first ("大小不限").
    static std::vector<std::uint32_t> capChoices(std::uint32_t remembered);
    static std::string capLabel(std::uint32_t megabytes);

  private:
    void setCap(std::uint32_t megabytes, bool remember);
    void presetChosen(int index);

    MainWindowView& view_;
    AlbumProject& album_;
    const MainWindowServices& services_;
    std::function<void()> optionsChanged_;
    PresetTable presets_;
    int preset_ = -1; // index into presets_.presets; -1: none
    std::vector<std::uint32_t> caps_;
};

} // namespace velomira
