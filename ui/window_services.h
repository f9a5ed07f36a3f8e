#pragma once
// What the main window and its controllers reach outside themselves.
#include "app/settings_store.h"
#include "app/startup.h"
#include "platform/registry.h"
#include "render/caption_fonts.h"

#include <cstdint>
#include <functional>
#include <string>

namespace velomira {

class InfoLog;
class OptionDialogHost;
class SoundPlayer;
class ProductDialogHost;
class PreviewWindowView;
class PreviewClock;
struct NetConfig;
struct ExternalOpenResult;

// What the window reaches outside itself; everything is borrowed and outlives the window.
struct MainWindowServices {
    StartupFolders folders;
    const CaptionFontTable* fonts = nullptr;
    const RegistryFile* settingsFile = nullptr; // preferences are written here when changed
    Preferences* preferences = nullptr;
    OptionDialogHost* optionDialogs = nullptr;
    InfoLog* info = nullptr;
    // Listening to music; without one every track falls back to the desktop's player.
    SoundPlayer* sound = nullptr;
    // Opens a music file with the desktop's default player (listening's fall-back); without
    // one the view's openExternal is used.
    std::function<ExternalOpenResult(const std::string& path)> openMusicExternally;
    // "加载宝贝": the address dialog and the network settings; without them the command is off.
    ProductDialogHost* productDialog = nullptr;
    const NetConfig* netConfig = nullptr;
    // "视频预览": the preview window; without one the command is off. The clock is real time
    // unless given; processors decide the buffering (0: this machine's count).
    PreviewWindowView* previewWindow = nullptr;
    PreviewClock* previewClock = nullptr;
    unsigned processors = 0;
    std::string vendorHost;  // web pages ("官方网站", guide, font page); empty: none configured
    std::string programPath; // the desktop launcher starts this
    std::uint32_t randomSeed = 1;
};

} // namespace velomira
