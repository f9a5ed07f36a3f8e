#pragma once
// The project menu: New, Open, Save, Save As, the project file the window title names, and the
// modified test behind their questions.
#include "services/project_open.h"
#include "ui/command_table.h"
#include "ui/main_window_view.h"
#include "ui/options_controller.h"
#include "ui/picture_list_controller.h"
#include "ui/recovery_controller.h"
#include "ui/window_services.h"

#include <string>
#include <vector>

namespace velomira {

class ProjectController {
  public:
    ProjectController(MainWindowView& view, AlbumProject& album, TransitionRandom& random,
                      const MainWindowServices& services, const std::vector<std::string>& fontNames,
                      PictureListController& pictures, OptionsController& options,
                      RecoveryController& recovery);
    ProjectController(const ProjectController&) = delete;
    ProjectController& operator=(const ProjectController&) = delete;

    // New, Open, Save (with pictures), Save As (with pictures).
    void registerCommands(CommandTable& table);
    const ProjectFileState& file() const { return file_; }
    bool modified() const;
    // Saves to the project's file, or asks for one (always with saveAs); false when cancelled
    // or failed.
    bool save(bool saveAs);
    // Opens the project at path without a save question.
    bool openPath(const std::string& path);
    // "另存为" is offered: a saved project without pictures from the temporary folder.
    bool canSaveAs() const;
    // "我的项目", newest first.
    struct RecentProject {
        std::string path;
        std::string name;
        bool missing = false; // shown disabled; a click removes it with a message
    };
    std::vector<RecentProject> recentProjects() const;
    void openRecent(std::size_t index);
    // Opens a recovery copy as the modified album of its own project file.
    bool openRecovered(const FoundRecovery& found);

  private:
    void newProject();
    void open();
    void resetToNewProject();
    // listed: the file joins "我的项目" when opened.
    bool openFile(const std::string& path, bool listed);
    ProjectFolders folders() const;
    // The list with path first; replacing drops the project's former file (Save As).
    void remember(const std::string& path, const std::string& replacing = "");

    MainWindowView& view_;
    AlbumProject& album_;
    TransitionRandom& random_;
    const MainWindowServices& services_;
    const std::vector<std::string>& fontNames_;
    PictureListController& pictures_;
    OptionsController& options_;
    RecoveryController& recovery_;
    ProjectFileState file_;
    std::vector<std::string> recent_;
    // Until the first new, open or save the title shows no project name.
    bool projectCurrent_ = false;
};

} // namespace velomira
