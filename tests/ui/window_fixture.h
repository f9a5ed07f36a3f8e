#pragma once
// A main window on the scripted view with the few services the project and recovery tests need:
// one copy of the program whose folders lie in the work folder given.
#include "ui/main_window.h"
#include "ui/scripted_view.h"

#include <filesystem>
#include <memory>
#include <string>

namespace velomira::testing {

struct ScriptedWindow {
    // copyName empty: a window without its own temporary folders (no recovery copy).
    ScriptedWindow(const std::filesystem::path& work, const std::string& copyName,
                   const RegistryFile* settings = nullptr)
        : info(infoView) {
        folders.workFolder = work;
        folders.picsFolder = work / "pics";
        if (!copyName.empty()) {
            folders.workTempFolder = work / "temp" / copyName;
            folders.tempPictureFolder = work / "temp-pictures" / copyName;
        }
        for (const auto& f :
             {folders.picsFolder, folders.workTempFolder, folders.tempPictureFolder})
            if (!f.empty())
                std::filesystem::create_directories(f);
        MainWindowServices services;
        services.folders = folders;
        services.fonts = &fonts;
        services.preferences = &preferences;
        services.settingsFile = settings;
        services.info = &info;
        window = std::make_unique<MainWindow>(view, services);
        window->start();
    }

    // One period of the window's timer, and the recovery write it may start seen through.
    void tick() {
        view.fireTimers();
        window->waitForRecoveryCopy();
        view.runPosted();
    }
    std::filesystem::path copyFile() const {
        return folders.workFolder / "recovery" / folders.workTempFolder.filename() / "project.dat";
    }

    StartupFolders folders;
    CaptionFontTable fonts = {{"黑体", "/none/font.ttc"}};
    Preferences preferences;
    ScriptedView view;
    ScriptedInfoView infoView;
    InfoLog info;
    std::unique_ptr<MainWindow> window;
};

} // namespace velomira::testing
