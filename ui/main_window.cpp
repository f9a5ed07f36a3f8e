// The main window's dispatcher: toolbar, menus, option controls, the window and the tray.
#include "ui/main_window.h"

#include "album/duration_text.h"
#include "app/startup.h"
#include "media/header_probe.h"
#include "platform/dialogs.h"
#include "platform/sound.h"
#include "render/image/image_layer.h"
#include "ui/desktop_launcher.h"
#include "ui/file_dialogs.h"
#include "ui/info_log.h"
#include "ui/main_window_state.h"
#include "ui/option_dialogs.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace velomira {

namespace {

constexpr const char* kFontQuestion =
    "在您的电脑中没有找到必需的 [黑体] 和 [楷体] 字体，目前无法在视频中添加文字。\n\n"
    "是否要下载该字体？";
constexpr const char* kCaptionHelp =
    "文字的字体、字号、颜色是统一设置的，可以设置每一张图片文字显示的位置和内容，"
    "也可以在图片上点右键选择自动设置文字的位置。\n\n提示：在加文字的情况下，图片停顿时间最好"
    "大于1.5秒。";
constexpr const char* kLogoHelp =
    "PNG、JPG格式的图片都可以做图标。\n\n建议：使用 [透明背景的PNG图片] 做图标，效果更好。\n\n"
    "注意：图标的尺寸不能大于视频的尺寸。";
constexpr const char* kCoverHelp =
    "【设置封面】是 v7.0 版本新增的实验性选项，用于设置生成的视频在 Windows "
    "文件夹中显示的缩略图效果。\n\n特别提示：\nWindows 文件夹里的视频缩略图显示效果与 Windows "
    "系统机制有关，因此该选项是否有效最终由 Windows 系统决定。";
constexpr const char* kUnsupportedPicture =
    "选中的文件格式不受支持，请选择 PNG 或 JPG 格式的图片。";
constexpr const char* kCmykLogo =
    "选择的图标文件是一个使用了[CMYK颜色模式]的JPG图片，请先将图标文件转换成[RGB颜色模式]后再"
    "使用。";
constexpr const char* kNoWebSite = "没有配置网址：请在程序文件夹的 velomira.conf 中填写 web_site。";

// The music list shows itself through the window's list control and status bar.
class MusicViewAdapter final : public MusicListView {
  public:
    explicit MusicViewAdapter(MainWindow::State& s) : s_(s) {}
    void setMusicLines(const std::vector<std::string>& lines) override {
        s_.musicLines = lines;
        s_.view.setChoices(Command::MusicList, lines);
    }
    void setMusicLine(int row, const std::string& line) override {
        if (row < 0 || row >= static_cast<int>(s_.musicLines.size()))
            return;
        s_.musicLines[row] = line;
        const int selected = s_.music ? s_.music->selectedRow() : -1;
        s_.view.setChoices(Command::MusicList, s_.musicLines);
        s_.view.setChoice(Command::MusicList, selected);
    }
    void selectMusicLine(int row) override { s_.view.setChoice(Command::MusicList, row); }
    void setMusicControlEnabled(Command control, bool enabled) override {
        s_.view.setEnabled(control, enabled);
    }
    void setListenButtonText(const std::string& text) override {
        s_.view.setButtonText(Command::MusicListen, text);
    }
    void setAudioLengthText(const std::string& text) override { s_.view.setStatusText(2, text); }

  private:
    MainWindow::State& s_;
};

// Stands in when the window has no sound output: every track goes to the desktop's player.
class SilentSound final : public SoundPlayer {
  public:
    bool open(const std::string&) override { return false; }
    bool play(PlaybackEndCallback) override { return false; }
    void pause() override {}
    void resume() override {}
    void close() override {}
    bool isOpen() const override { return false; }
};

std::string versionText() {
    char text[32];
    std::snprintf(text, sizeof text, "%0.1f", kProductVersion);
    return text;
}

std::vector<std::string> toStrings(auto&& range) {
    std::vector<std::string> out;
    for (const auto& entry : range)
        out.emplace_back(entry);
    return out;
}

void enableGroup(MainWindowView& view, std::initializer_list<Command> controls, bool enabled) {
    for (Command c : controls)
        view.setEnabled(c, enabled);
}

void showCaptionSample(MainWindow::State& s) {
    const VideoSettings& settings = s.album.settings;
    CaptionSample sample;
    sample.fontName = settings.captionFontName;
    if (const auto colour = captionColourAt(settings.text_watermark_color)) {
        sample.boxColor = colour->boxColor;
        sample.textColor = colour->textColor;
    }
    sample.captionsOn = settings.text_watermark;
    s.view.setCaptionSample(sample);
}

void showCaptionGroup(MainWindow::State& s) {
    const bool on = s.album.settings.text_watermark;
    enableGroup(s.view, {Command::CaptionFont, Command::CaptionSize, Command::CaptionColour}, on);
    const bool withSelection = on && s.hasSelection();
    enableGroup(s.view, {Command::CaptionPosition, Command::CaptionText}, withSelection);
}

// The display time list again, and its entry applied.
void showDisplayTimeList(MainWindow::State& s) {
    s.view.setVisible(Command::DisplayTimeText, false);
    s.view.setVisible(Command::DisplayTime, true);
    choosePauseTime(s.album.settings, s.album.settings.pause_time);
    refreshSelectionStatus(s);
    refreshVideoLength(s);
}

void captionSwitchChanged(MainWindow::State& s, bool on) {
    if (s.fontNames.empty()) {
        if (ask(kFontQuestion, "注意", false, Answer::No) == Answer::Yes)
            openWebPage(s, "/font.asp");
        s.view.setChecked(Command::CaptionSwitch, false);
        on = false;
    }
    applyCaptionSwitch(s.album, on);
    showCaptionGroup(s);
    refreshCaptionBadges(s);
    showCaptionSample(s);
}

void autoDisplayTimeChanged(MainWindow::State& s, bool on) {
    VideoSettings& settings = s.album.settings;
    settings.bgsound_auto_set_pause_time = on;
    if (on) {
        if (settings.bgsound_auto_set_image_loop_play) {
            settings.bgsound_auto_set_image_loop_play = false;
            s.view.setChecked(Command::LoopPlay, false);
        }
        runAutoDisplayTime(s);
    } else {
        showDisplayTimeList(s);
    }
}

void loopPlayChanged(MainWindow::State& s, bool on) {
    VideoSettings& settings = s.album.settings;
    settings.bgsound_auto_set_image_loop_play = on;
    if (on && settings.bgsound_auto_set_pause_time) {
        settings.bgsound_auto_set_pause_time = false;
        s.view.setChecked(Command::AutoDisplayTime, false);
        showDisplayTimeList(s);
    }
    refreshVideoLength(s);
}

// "选择..." of the logo and cover groups: PNG and JPEG by their headers; a logo also no CMYK.
void choosePicture(MainWindow::State& s, bool logo) {
    const std::vector<FileFilter> filters =
        logo ? std::vector<FileFilter>{{"PNG图片 (*.PNG)", {"*.png"}},
                                       {"JPG图片 (*.JPG)", {"*.jpg", "*.jpeg"}}}
             : std::vector<FileFilter>{{"图片 (*.JPG, *.PNG)", {"*.jpg", "*.jpeg", "*.png"}},
                                       {"PNG图片 (*.PNG)", {"*.png"}}};
    const auto path =
        chooseFileToOpen(logo ? "选择图片" : "选择封面图片", filters, s.preferences().folders.logo);
    if (!path)
        return;
    const Command field = logo ? Command::LogoPath : Command::CoverPath;
    const Command button = logo ? Command::LogoChoose : Command::CoverChoose;
    std::string& stored = logo ? s.album.settings.logo_path : s.album.settings.cover_path;
    const int kind = probeImageKind(*path);
    auto refuse = [&](const char* text, const char* title) {
        showMessage(text, title, MessageKind::Warning);
        stored.clear();
        s.view.setFieldText(field, "");
        s.view.focus(button);
    };
    if (kind != kImageKindPng && kind != kImageKindJpeg)
        return refuse(kUnsupportedPicture, "错误");
    if (logo && kind == kImageKindJpeg && isCmykPicture(*path))
        return refuse(kCmykLogo, "提示");
    stored = *path;
    s.view.setFieldText(field, *path);
}

void videoSizeChanged(MainWindow::State& s, int index) {
    VideoSettings& settings = s.album.settings;
    if (index == customVideoSizeEntry(settings)) {
        const int previous = settings.video_size;
        const auto size = s.services.optionDialogs != nullptr
                              ? s.services.optionDialogs->askCustomVideoSize()
                              : std::nullopt;
        const int chosen = size ? setCustomVideoSize(settings, size->width, size->height) : -1;
        s.view.setChoices(Command::VideoSize, videoSizeChoiceLabels(settings));
        s.view.setChoice(Command::VideoSize, chosen >= 0 ? chosen : previous);
    } else if (!chooseVideoSize(settings, index)) {
        s.view.setChoice(Command::VideoSize, settings.video_size);
        return;
    }
    refreshSelectionStatus(s);
    refreshVideoLength(s);
    runAutoDisplayTime(s);
}

void setBackground(MainWindow::State& s, int colour) {
    s.album.settings.video_bg_fill_color = colour;
    s.preferences().videoBgFillColor = static_cast<uint32_t>(colour);
    if (s.services.settingsFile)
        writeVideoBgFillColor(*s.services.settingsFile, colour);
}

void setOutputNaming(MainWindow::State& s, int naming) {
    s.album.settings.outputNaming = naming;
    s.preferences().mp4DefaultFileName = static_cast<uint32_t>(naming);
    if (s.services.settingsFile)
        writeMp4DefaultFileName(*s.services.settingsFile, naming);
}

void setCloseBehaviour(MainWindow::State& s, int status) {
    s.preferences().clickCloseButtonStatus = static_cast<uint32_t>(status);
    if (s.services.settingsFile)
        writeClickCloseButtonStatus(*s.services.settingsFile, status);
}

void toggleRawFrames(MainWindow::State& s) {
    const uint32_t transport = s.preferences().frameTransport == 1 ? 0 : 1;
    s.preferences().frameTransport = transport;
    if (s.services.settingsFile)
        writeFrameTransport(*s.services.settingsFile, transport);
}

void toggleAutoOrient(MainWindow::State& s) {
    s.preferences().autoOrient = s.preferences().autoOrient == 0 ? 1 : 0;
    if (s.services.settingsFile)
        writeAutoOrient(*s.services.settingsFile, s.preferences().autoOrient);
}

void loopPlayDialog(MainWindow::State& s) {
    if (s.services.optionDialogs == nullptr)
        return;
    const auto index =
        s.services.optionDialogs->askLoopPlayTransition(s.album.settings.loopPlayAnimation);
    if (!index)
        return;
    s.album.settings.loopPlayAnimation = *index;
    s.preferences().imageLoopPlayAnimation = static_cast<uint32_t>(*index);
    if (s.services.settingsFile)
        writeImageLoopPlayAnimation(*s.services.settingsFile, *index);
    refreshVideoLength(s);
}

void marginsDialog(MainWindow::State& s) {
    if (s.services.optionDialogs == nullptr)
        return;
    const auto margins =
        s.services.optionDialogs->askCaptionMargins(s.preferences().captionMargins);
    if (!margins)
        return;
    s.preferences().captionMargins = *margins;
    if (s.services.settingsFile)
        writeCaptionMargins(*s.services.settingsFile, *margins);
}

void createDesktopShortcut(MainWindow::State& s) {
    const std::filesystem::path program = s.services.programPath;
    const std::filesystem::path icon = program.parent_path() / "velomira.png";
    if (writeDesktopLauncher(s.services.folders.desktopFolder, program,
                             std::filesystem::exists(icon) ? icon : std::filesystem::path()))
        showMessage("在桌面上成功创建了一个快捷方式", "提示", MessageKind::Information);
    else
        showMessage("在桌面上创建快捷方式失败", "提示", MessageKind::Error);
}

void aboutBox(MainWindow::State& s) {
    const std::string text =
        std::string(kProductName) + " V" + versionText() +
        "\n\n\n制作由多张图片(最多1000张)组成带多种播放特效的视频，输出视频格式：MP4。\n\n"
        "支持处理的图片格式：JPG, PNG, GIF(静态), BMP, TBI。\n\n\n官网：" +
        s.services.vendorHost;
    showMessage(text, "关于", MessageKind::Information);
}

void setAsCover(MainWindow::State& s) {
    const int row = s.focusedSelectedRow();
    if (row < 0)
        return;
    if (!s.album.settings.cover) {
        s.album.settings.cover = true;
        s.view.setChecked(Command::CoverSwitch, true);
        enableGroup(s.view, {Command::CoverPath, Command::CoverChoose, Command::CoverHelp}, true);
    }
    s.album.settings.cover_path = s.album.items[row].path;
    s.view.setFieldText(Command::CoverPath, s.album.settings.cover_path);
}

void exitFlow(MainWindow::State& s) {
    if (projectModified(s)) {
        if (s.hiddenInTray) {
            s.view.setTrayIconShown(false);
            s.view.setWindowShown(true);
            s.hiddenInTray = false;
        }
        const Answer answer = ask("项目已更改，是否保存更改？", "询问", true, Answer::Cancel);
        if (answer == Answer::Cancel)
            return;
        // A save that was cancelled or failed keeps the program open: leaving now would lose
        // the album the user just asked to keep.
        if (answer == Answer::Yes && !saveProjectCommand(s, false))
            return;
    }
    // A download still running is abandoned: the program never waits for a slow server.
    s.productLoad->shutdown();
    s.view.setWindowShown(false);
    s.preferences().folders.mp3 = s.music->musicFolder();
    if (s.services.settingsFile)
        writeRememberedFolders(*s.services.settingsFile, s.preferences().folders);
    emptyTempPictureFolder(s.services.folders.tempPictureFolder);
    s.view.setTrayIconShown(false);
    s.view.quit();
}

void restoreFromTray(MainWindow::State& s) {
    s.view.setTrayIconShown(false);
    s.view.setWindowShown(true);
    s.view.raiseWindow();
    s.hiddenInTray = false;
}

void createMusicList(MainWindow::State& s) {
    SoundPlayer* sound = s.services.sound;
    if (sound == nullptr) {
        s.ownSound = std::make_unique<SilentSound>();
        sound = s.ownSound.get();
    }
    s.musicView = std::make_unique<MusicViewAdapter>(s);
    MusicListServices services;
    services.chooseFiles = [](const std::string& title, const std::string& label,
                              const std::string& patterns, std::string& folder) {
        FileFilter filter{label, {}};
        for (size_t start = 0; start <= patterns.size();) {
            const size_t end = std::min(patterns.find(';', start), patterns.size());
            if (end > start)
                filter.patterns.push_back(patterns.substr(start, end - start));
            start = end + 1;
        }
        return chooseFilesToOpen(title, {filter}, folder);
    };
    services.openExternally = [&s](const std::string& path) {
        if (s.services.openMusicExternally)
            return s.services.openMusicExternally(path);
        ExternalOpenResult result;
        if (!s.view.openExternal(path))
            result.outcome = ExternalOpenResult::Outcome::Failed;
        return result;
    };
    services.musicChanged = [&s] {
        refreshVideoLength(s);
        runAutoDisplayTime(s);
    };
    services.musicFolder = s.services.folders.mp3Folder.string();
    s.music = std::make_unique<MusicList>(s.album, *sound, *s.musicView, std::move(services));
}

} // namespace

void showAllOptions(MainWindow::State& s) {
    const VideoSettings& settings = s.album.settings;
    MainWindowView& view = s.view;
    view.setChecked(Command::CaptionSwitch, settings.text_watermark);
    view.setChoice(Command::CaptionFont, s.fontNames.empty() ? -1 : settings.text_watermark_font);
    view.setChoice(Command::CaptionSize, settings.text_watermark_font_size);
    view.setChoice(Command::CaptionColour, settings.text_watermark_color);
    showCaptionGroup(s);
    showCaptionSample(s);
    view.setChecked(Command::LogoSwitch, settings.logo);
    view.setFieldText(Command::LogoPath, settings.logo_path);
    view.setChoice(Command::LogoPosition, settings.logo_location);
    enableGroup(view,
                {Command::LogoPosition, Command::LogoPath, Command::LogoChoose, Command::LogoHelp},
                settings.logo);
    view.setChecked(Command::MusicSwitch, settings.bgsound);
    view.setChecked(Command::AutoDisplayTime, settings.bgsound_auto_set_pause_time);
    view.setChecked(Command::LoopPlay, settings.bgsound_auto_set_image_loop_play);
    s.music->showAlbum();
    view.setChecked(Command::CoverSwitch, settings.cover);
    view.setFieldText(Command::CoverPath, settings.cover_path);
    enableGroup(view, {Command::CoverPath, Command::CoverChoose, Command::CoverHelp},
                settings.cover);
    view.setChoices(Command::VideoSize, videoSizeChoiceLabels(settings));
    view.setChoice(Command::VideoSize, settings.video_size);
    view.setChoice(Command::DisplayTime, settings.pause_time);
    if (!settings.customDisplayTime) {
        view.setVisible(Command::DisplayTimeText, false);
        view.setVisible(Command::DisplayTime, true);
    }
}

void openWebPage(MainWindow::State& s, const std::string& pathAndQuery) {
    std::string site = s.services.vendorHost;
    if (site.empty()) {
        showMessage(kNoWebSite, "提示", MessageKind::Information);
        return;
    }
    if (site.find("://") == std::string::npos)
        site = "http://" + site;
    while (!site.empty() && site.back() == '/')
        site.pop_back();
    const std::string tail =
        pathAndQuery.empty() || pathAndQuery.front() == '/' ? pathAndQuery : "/" + pathAndQuery;
    s.view.openExternal(site + tail);
}

std::string windowTitle(const ProjectFileState& file) {
    std::string title = std::string(kProductName) + "(V" + versionText() + ")";
    if (!file.path.empty())
        title += " - " + file.name;
    return title;
}

MainWindow::MainWindow(MainWindowView& view, MainWindowServices services)
    : state_(std::make_unique<State>(view, std::move(services))) {
    if (state_->services.fonts != nullptr)
        for (const CaptionFont& font : *state_->services.fonts)
            state_->fontNames.push_back(font.displayName);
    State& s = *state_;
    if (s.services.preferences == nullptr) {
        s.services.preferences = &s.ownPreferences; // a window without a store still has some
    }
    resetProjectOptions(s.album, s.fontNames.empty() ? "" : s.fontNames.front());
    createMusicList(s);
    createProductLoader(s);
    createPreview(s);
    const Preferences& prefs = s.preferences();
    s.album.settings.video_bg_fill_color = static_cast<int>(prefs.videoBgFillColor);
    s.album.settings.outputNaming = static_cast<int>(prefs.mp4DefaultFileName);
    s.album.settings.loopPlayAnimation = static_cast<int>(prefs.imageLoopPlayAnimation);
}

MainWindow::~MainWindow() {
    state_->productLoad->shutdown();
    // The preview's threads read the album and post to the window: they end first.
    if (state_->preview != nullptr) {
        state_->preview->close();
        state_->preview->wait();
    }
    *state_->alive = false;
    state_->alive.reset();
    state_->worker.requestStop();
    state_->worker.wait();
}

void MainWindow::start() {
    State& s = *state_;
    MainWindowView& view = s.view;
    view.setTitle(windowTitle(s.file));
    view.setChoices(Command::CaptionPosition, toStrings(captionLocationLabels()));
    view.setChoices(Command::CaptionFont, s.fontNames);
    std::vector<std::string> sizes;
    for (int size : captionFontSizes())
        sizes.push_back(std::to_string(size));
    view.setChoices(Command::CaptionSize, sizes);
    std::vector<std::string> colours;
    for (const CaptionColour& colour : captionColourTable())
        colours.emplace_back(colour.label);
    view.setChoices(Command::CaptionColour, colours);
    view.setChoices(Command::LogoPosition, toStrings(logoLocationLabels()));
    std::vector<std::string> times;
    for (const PauseTime& time : pauseTimeTable())
        times.emplace_back(time.label);
    view.setChoices(Command::DisplayTime, times);
    choosePauseTime(s.album.settings, kDefaultPauseTime);
    showAllOptions(s);
    // The shop loader needs its dialog.
    view.setEnabled(Command::LoadProduct,
                    s.services.productDialog != nullptr && s.services.netConfig != nullptr);
    for (Command c :
         {Command::ProjectMenu, Command::AddPictures, Command::ImportAnimation,
          Command::DesktopShortcut, Command::OfficialSite, Command::About, Command::SettingsMenu})
        view.setEnabled(c, true);
    view.setStatusText(1, "");
    refreshPictureCount(s);
    refreshSelectionStatus(s);
    refreshVideoLength(s);
    refreshCaptionBadges(s);
}

void MainWindow::dispatch(Command command) {
    State& s = *state_;
    if (s.generationRunning && command != Command::TrayShowWindow)
        return;
    switch (command) {
    case Command::AddPictures:
    case Command::ContextAddPictures:
        return addPicturesCommand(s, AddMode::Append);
    case Command::ContextInsertPictures:
        if (s.hasSelection())
            addPicturesCommand(s, AddMode::Insert);
        return;
    case Command::RemovePictures:
    case Command::ContextRemoveSelected:
        return removeSelectedPictures(s);
    case Command::ContextRemoveAll:
        return removeAllPictures(s);
    case Command::RotateLeft:
        return rotatePictures(s, false);
    case Command::RotateRight:
        return rotatePictures(s, true);
    case Command::MoveForward:
        return movePictures(s, true);
    case Command::MoveBack:
        return movePictures(s, false);
    case Command::ContextShuffle:
        return shufflePictures(s);
    case Command::ContextNewTransitionSet:
        return newTransitionSet(s);
    case Command::ContextSameTransitionForAll:
        return sameTransitionForAll(s);
    case Command::ContextCaptionsEdgeDiagonal:
    case Command::ContextCaptionsEdgeCross:
    case Command::ContextCaptionsInsetDiagonal:
    case Command::ContextCaptionsInsetCross:
    case Command::ContextCaptionsMiddleBottom:
        if (s.album.settings.text_watermark)
            arrangeCaptions(s, command);
        return;
    case Command::ContextSetAsCover:
        return setAsCover(s);
    case Command::ImportAnimation:
        return importAnimation(s);
    case Command::LoadProduct:
        return loadProductCommand(s);
    case Command::ContextPreviewTransition: {
        const int row = s.focusedSelectedRow();
        if (row >= 0)
            openWebPage(s, "/preview.asp?id=" + std::to_string(s.album.items[row].animationIndex) +
                               "&");
        return;
    }
    case Command::GenerateVideo:
    case Command::GenerateButton:
        return generateVideoCommand(s);
    case Command::DesktopShortcut:
        return createDesktopShortcut(s);
    case Command::OfficialSite:
        return openWebPage(s, "/");
    case Command::Guide:
        return openWebPage(s, "/help.html");
    case Command::About:
        return aboutBox(s);
    case Command::NewProject:
        return newProjectCommand(s);
    case Command::OpenProject:
        return openProjectCommand(s);
    case Command::SaveProject:
        if (s.pictureCount() > 0)
            saveProjectCommand(s, false);
        return;
    case Command::SaveProjectAs:
        if (s.pictureCount() > 0)
            saveProjectCommand(s, true);
        return;
    case Command::BackgroundWhite:
        return setBackground(s, 0);
    case Command::BackgroundBlack:
        return setBackground(s, 1);
    case Command::DefaultNameEmpty:
        return setOutputNaming(s, 0);
    case Command::DefaultNameTime:
        return setOutputNaming(s, 1);
    case Command::DefaultNameFirstPicture:
        return setOutputNaming(s, 2);
    case Command::CloseExits:
        return setCloseBehaviour(s, 0);
    case Command::CloseHidesToTray:
        return setCloseBehaviour(s, 1);
    case Command::CaptionMarginsDialog:
        return marginsDialog(s);
    case Command::LoopPlayDialog:
        return loopPlayDialog(s);
    case Command::RawFrameTransport:
        return toggleRawFrames(s);
    case Command::AutoOrient:
        return toggleAutoOrient(s);
    case Command::CaptionHelp:
        return showMessage(kCaptionHelp, "提示", MessageKind::Information);
    case Command::LogoHelp:
        return showMessage(kLogoHelp, "关于图标", MessageKind::Information);
    case Command::CoverHelp:
        return showMessage(kCoverHelp, "关于【设置封面】选项", MessageKind::Information);
    case Command::LogoChoose:
        return choosePicture(s, true);
    case Command::CoverChoose:
        return choosePicture(s, false);
    case Command::MusicAdd:
        return s.music->addFiles();
    case Command::MusicRemove:
        return s.music->removeSelected();
    case Command::MusicListen:
        return s.music->toggleListen();
    case Command::Preview:
        return startPreviewCommand(s);
    case Command::PreviewMusicPlay:
    case Command::PreviewMusicRestart:
    case Command::PreviewMusicPause:
    case Command::PreviewMusicResume:
    case Command::PreviewMusicStop:
        return previewMusicCommand(s, command);
    case Command::TrayShowWindow:
        return restoreFromTray(s);
    case Command::TrayExit:
        return exitFlow(s);
    default:
        return;
    }
}

void MainWindow::choiceChanged(Command control, int index) {
    State& s = *state_;
    VideoSettings& settings = s.album.settings;
    switch (control) {
    case Command::CaptionPosition:
        if (index < 0 || index >= kCaptionLocationCount)
            return;
        for (int row : s.selection)
            s.album.items[row].caption.location = index;
        return refreshCaptionBadges(s);
    case Command::CaptionFont:
        if (index < 0 || index >= static_cast<int>(s.fontNames.size()))
            return;
        applyCaptionFont(s.album, index, s.fontNames[index]);
        return showCaptionSample(s);
    case Command::CaptionSize:
        if (captionPointSizeAt(index))
            settings.text_watermark_font_size = index;
        return;
    case Command::CaptionColour:
        if (applyCaptionColour(s.album, index))
            showCaptionSample(s);
        return;
    case Command::LogoPosition:
        if (index >= 0 && index < kLogoLocationCount)
            settings.logo_location = index;
        return;
    case Command::VideoSize:
        return videoSizeChanged(s, index);
    case Command::MusicList:
        return s.music->selectionChanged(index);
    case Command::DisplayTime:
        if (!choosePauseTime(settings, index))
            return;
        refreshSelectionStatus(s);
        return refreshVideoLength(s);
    default:
        return;
    }
}

void MainWindow::checkChanged(Command control, bool checked) {
    State& s = *state_;
    VideoSettings& settings = s.album.settings;
    switch (control) {
    case Command::CaptionSwitch:
        return captionSwitchChanged(s, checked);
    case Command::LogoSwitch:
        settings.logo = checked;
        return enableGroup(
            s.view,
            {Command::LogoPosition, Command::LogoPath, Command::LogoChoose, Command::LogoHelp},
            checked);
    case Command::CoverSwitch:
        settings.cover = checked;
        return enableGroup(s.view, {Command::CoverPath, Command::CoverChoose, Command::CoverHelp},
                           checked);
    case Command::MusicSwitch:
        s.music->switchChanged(checked);
        settings.bgsound = checked;
        refreshVideoLength(s);
        return runAutoDisplayTime(s);
    case Command::AutoDisplayTime:
        return autoDisplayTimeChanged(s, checked);
    case Command::LoopPlay:
        return loopPlayChanged(s, checked);
    default:
        return;
    }
}

void MainWindow::textEdited(Command control, const std::string& text) {
    State& s = *state_;
    if (control != Command::CaptionText || !s.album.settings.text_watermark)
        return;
    const std::string trimmed = [&] {
        const auto first = text.find_first_not_of(" \t\r\n");
        if (first == std::string::npos)
            return std::string();
        const auto last = text.find_last_not_of(" \t\r\n");
        return text.substr(first, last - first + 1);
    }();
    for (int row : s.selection)
        setAlbumItemCaptionText(s.album, row, trimmed);
    refreshCaptionBadges(s);
}

void MainWindow::transitionChosen(const std::string& entry) {
    State& s = *state_;
    const auto index = pickerChoiceToIndex(entry);
    const int row = s.focusedSelectedRow();
    if (index && row >= 0 && s.selection.size() == 1) {
        setPictureTransition(s, row, *index);
        refreshAfterAlbumChange(s, false);
    }
    s.view.hideTransitionEditor();
}

void MainWindow::selectionChanged(const std::vector<int>& rows, int focusedRow, bool listHasFocus) {
    State& s = *state_;
    s.selection = rows;
    std::sort(s.selection.begin(), s.selection.end());
    s.selection.erase(std::unique(s.selection.begin(), s.selection.end()), s.selection.end());
    std::erase_if(s.selection, [&](int row) { return row < 0 || row >= s.pictureCount(); });
    s.focusedRow = focusedRow;
    s.listHasFocus = listHasFocus;
    refreshSelectionStatus(s);
}

void MainWindow::pictureDoubleClicked(int row) {
    State& s = *state_;
    if (row < 0)
        return dispatch(Command::AddPictures);
    if (s.hasSelection())
        s.view.openExternal(s.album.items[s.selection.front()].path);
}

void MainWindow::filesDropped(const std::vector<std::string>& paths) {
    State& s = *state_;
    if (s.generationRunning)
        return;
    s.view.raiseWindow();
    s.view.setWaitCursor(true);
    s.view.setStatusText(1, "加载图片中...");
    std::vector<std::string> pictures;
    for (const std::string& path : paths) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec))
            continue;
        std::string lower = path;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        for (const char* ending : {"jpg", "jpeg", "png", "gif", "bmp", "tbi"}) {
            if (lower.ends_with(ending)) {
                pictures.push_back(path);
                break;
            }
        }
    }
    if (!pictures.empty()) {
        if (s.pictureCount() >= maxPictures)
            showMessage(albumFullMessage(), "提示", MessageKind::Warning);
        else
            addPictureFiles(s, pictures, -1);
    }
    s.view.setStatusText(1, "");
    refreshAfterAlbumChange(s, true);
    s.view.setWaitCursor(false);
}

void MainWindow::selectAllPictures() {
    State& s = *state_;
    std::vector<int> rows(s.pictureCount());
    for (int row = 0; row < s.pictureCount(); ++row)
        rows[row] = row;
    setSelection(s, rows, rows.empty() ? -1 : (s.focusedRow >= 0 ? s.focusedRow : 0));
    refreshSelectionStatus(s);
}

void MainWindow::deleteKey() {
    if (state_->hasSelection())
        dispatch(Command::RemovePictures);
}

void MainWindow::toggleInfoWindow() {
    if (state_->services.info != nullptr)
        state_->services.info->toggle();
}

void MainWindow::musicLineDoubleClicked(int row) {
    if (!state_->generationRunning)
        state_->music->lineDoubleClicked(row);
}

void MainWindow::musicDeleteKey() {
    if (!state_->generationRunning)
        state_->music->deleteKey();
}

void MainWindow::closeRequested() {
    State& s = *state_;
    if (s.generationRunning)
        return;
    if (s.preferences().clickCloseButtonStatus != 1)
        return exitFlow(s);
    // Without a tray the window would become unreachable: it is minimised instead.
    if (!s.view.trayAvailable())
        return s.view.minimizeWindow();
    s.view.setWindowShown(false);
    s.view.setTrayIconShown(true);
    s.hiddenInTray = true;
}

void MainWindow::trayIconClicked() {
    restoreFromTray(*state_);
}

void MainWindow::stopGeneration() {
    State& s = *state_;
    if (!s.generationRunning || s.generationStopRequested)
        return;
    s.generationStopRequested = true;
    s.worker.requestStop();
    s.view.setGenerationStopping();
}

bool MainWindow::openProjectAtStart(const std::string& path) {
    return openProjectPath(*state_, path);
}

std::vector<MenuEntryState> MainWindow::projectMenu() const {
    const State& s = *state_;
    const bool pictures = s.pictureCount() > 0;
    const std::string& temp = s.services.folders.tempPictureFolder.string();
    const bool anyTemporary =
        !temp.empty() &&
        std::any_of(s.album.items.begin(), s.album.items.end(), [&](const AlbumItem& item) {
            return item.path.find(temp) != std::string::npos;
        });
    return {{Command::NewProject},
            {Command::OpenProject},
            {Command::SaveProject, pictures && projectModified(s)},
            {Command::SaveProjectAs, pictures && !s.file.path.empty() && !anyTemporary}};
}

std::vector<MenuEntryState> MainWindow::settingsMenu() const {
    const Preferences& prefs = *state_->services.preferences;
    const int background = state_->album.settings.video_bg_fill_color;
    const uint32_t naming = prefs.mp4DefaultFileName;
    return {{Command::BackgroundWhite, true, background == 0},
            {Command::BackgroundBlack, true, background == 1},
            {Command::DefaultNameEmpty, true, naming != 1 && naming != 2},
            {Command::DefaultNameTime, true, naming == 1},
            {Command::DefaultNameFirstPicture, true, naming == 2},
            {Command::CaptionMarginsDialog},
            {Command::LoopPlayDialog},
            {Command::RawFrameTransport, true, prefs.frameTransport == 1},
            {Command::AutoOrient, true, prefs.autoOrient != 0},
            {Command::CloseExits, true, prefs.clickCloseButtonStatus != 1},
            {Command::CloseHidesToTray, true, prefs.clickCloseButtonStatus == 1},
            {Command::Guide}};
}

std::vector<MenuEntryState> MainWindow::contextMenu() const {
    const State& s = *state_;
    const int count = s.pictureCount();
    const bool any = count > 0;
    const bool selection = any && s.hasSelection();
    const bool captions = any && s.album.settings.text_watermark;
    return {{Command::ContextAddPictures},
            {Command::ContextInsertPictures, selection},
            {Command::ContextRemoveSelected, selection},
            {Command::ContextRemoveAll, any},
            {Command::ContextShuffle, count >= 2},
            {Command::ContextNewTransitionSet, any},
            {Command::ContextSameTransitionForAll, any && s.selection.size() == 1},
            {Command::ContextCaptionsEdgeDiagonal, captions},
            {Command::ContextCaptionsEdgeCross, captions},
            {Command::ContextCaptionsInsetDiagonal, captions},
            {Command::ContextCaptionsInsetCross, captions},
            {Command::ContextCaptionsMiddleBottom, captions},
            {Command::ContextSetAsCover, selection},
            {Command::ContextPreviewTransition, selection}};
}

std::vector<std::string> MainWindow::transitionEditorEntries() const {
    return toStrings(transitionPickerTexts());
}

const AlbumProject& MainWindow::album() const {
    return state_->album;
}

const ProjectFileState& MainWindow::projectFile() const {
    return state_->file;
}

std::vector<int> MainWindow::selectedRows() const {
    return state_->selection;
}

bool MainWindow::generating() const {
    return state_->generationRunning;
}

bool MainWindow::hiddenInTray() const {
    return state_->hiddenInTray;
}

} // namespace velomira
