// The main window: its controllers wired together, the command table, and the
// window's own commands (tray, exit, desktop launcher, web pages, about box).
#include "ui/main_window.h"

#include "album/music_shaping.h"
#include "platform/paths.h"

#include "platform/dialogs.h"
#include "render/frame_sequencer.h"
#include "services/new_album.h"
#include "ui/caption_logo_warning.h"
#include "ui/desktop_launcher.h"
#include "ui/info_log.h"
#include "ui/picture_formats.h"
#include "ui/user_guide.h"
#include "ui/web_pages.h"

#include <filesystem>

namespace velomira {

namespace {

MainWindowServices withPreferences(MainWindowServices services, Preferences& own) {
    if (services.preferences == nullptr)
        services.preferences = &own; // a window without a store still has some
    return services;
}

std::vector<std::string> fontNamesOf(const CaptionFontTable* fonts) {
    std::vector<std::string> names;
    if (fonts != nullptr)
        for (const CaptionFont& font : *fonts)
            names.push_back(font.displayName);
    return names;
}

std::vector<std::string> toStrings(auto&& range) {
    std::vector<std::string> out;
    for (const auto& entry : range)
        out.emplace_back(entry);
    return out;
}

} // namespace

MainWindow::MainWindow(MainWindowView& view, MainWindowServices services)
    : view_(view), services_(withPreferences(std::move(services), ownPreferences_)),
      fontNames_(fontNamesOf(services_.fonts)),
      album_(newAlbumFromPreferences(fontNames_, *services_.preferences)),
      random_(services_.randomSeed),
      pictures_(PictureListContext{view, album_, random_, fontNames_, *services_.preferences,
                                   services_.info, services_.vendorHost,
                                   services_.folders.tempPictureFolder, services_.optionDialogs}),
      music_(view, album_, services_,
             [this] {
                 pictures_.refreshVideoLength();
                 pictures_.runAutoDisplayTime();
             }),
      generation_(
          view, album_, services_, music_.list(), [this] { return preview_.busy(); },
          [this] { return limits_.limits(); }, [this] { return pictures_.selection(); }),
      preview_(view, album_, services_, music_.list(), pictures_,
               [this] { return generation_.running(); }),
      product_(view, album_, random_, services_, pictures_),
      options_(view, album_, services_, fontNames_, music_.list(), pictures_),
      recovery_(view, album_, services_,
                [this]() -> const ProjectFileState& { return project_.file(); }),
      project_(view, album_, random_, services_, fontNames_, pictures_, options_, recovery_),
      limits_(view, album_, services_,
              [this] {
                  options_.showAll();
                  pictures_.refreshSelectionStatus();
                  pictures_.refreshVideoLength();
                  pictures_.runAutoDisplayTime();
              }),
      focus_(view, album_, services_, [this] { return pictures_.selection(); }) {
    pictures_.setPreviewAvailable([this] { return preview_.available(); });
    pictures_.registerCommands(commands_);
    music_.registerCommands(commands_);
    generation_.registerCommands(commands_);
    preview_.registerCommands(commands_);
    product_.registerCommands(commands_);
    options_.registerCommands(commands_);
    project_.registerCommands(commands_);
    focus_.registerCommands(commands_);
    registerWindowCommands();
}

MainWindow::~MainWindow() = default;

void MainWindow::registerWindowCommands() {
    commands_.on(Command::ContextPreviewTransitionPage, [this] { previewTransitionPage(); });
    commands_.on(Command::DesktopShortcut, [this] { createDesktopShortcut(); });
    commands_.on(Command::OfficialSite, [this] { openWebPage(view_, services_.vendorHost, "/"); });
    commands_.on(Command::Guide, [this] {
        openUserGuide(view_, services_.vendorHost,
                      std::filesystem::path(services_.programPath).parent_path());
    });
    commands_.on(Command::About, [this] { aboutBox(); });
    commands_.on(Command::TrayShowWindow, [this] { restoreFromTray(); });
    commands_.on(Command::TrayExit, [this] { exitFlow(); });
}

void MainWindow::start() {
    view_.setTitle(windowTitle(project_.file()));
    options_.fillChoices();
    options_.showAll();
    limits_.fillChoices();
    // The shop loader needs its dialog.
    view_.setEnabled(Command::LoadProduct, product_.available());
    for (Command c :
         {Command::ProjectMenu, Command::AddPictures, Command::ImportAnimation,
          Command::DesktopShortcut, Command::OfficialSite, Command::About, Command::SettingsMenu})
        view_.setEnabled(c, true);
    view_.setStatusText(1, "");
    pictures_.refreshPictureCount();
    pictures_.refreshSelectionStatus();
    pictures_.refreshVideoLength();
    pictures_.refreshCaptionBadges();
    recovery_.start();
}

void MainWindow::dispatch(Command command) {
    if (generation_.running() && command != Command::TrayShowWindow)
        return;
    commands_.run(command);
    afterUserChange();
}

void MainWindow::afterUserChange() {
    focus_.findMissing();
    warnCaptionUnderLogo();
    view_.setModifiedMark(project_.modified());
}

void MainWindow::warnCaptionUnderLogo() {
    const bool under = captionUnderLogo(album_);
    if (under && !captionUnderLogoWarned_)
        view_.setStatusText(1, kCaptionUnderLogoText);
    captionUnderLogoWarned_ = under;
}

void MainWindow::previewTransitionPage() {
    const int row = pictures_.focusedSelectedRow();
    if (row >= 0)
        openWebPage(view_, services_.vendorHost,
                    "/preview.asp?id=" + std::to_string(album_.items[row].animationIndex) + "&");
}

void MainWindow::createDesktopShortcut() {
    const std::filesystem::path program = services_.programPath;
    const std::filesystem::path icon = program.parent_path() / "velomira.png";
    const std::filesystem::path& desktop = services_.folders.desktopFolder;
    if (!writeDesktopLauncher(desktop, program,
                              std::filesystem::exists(icon) ? icon : std::filesystem::path()))
        showMessage("在桌面上创建快捷方式失败", "提示", MessageKind::Error);
    else if (desktop == homeFolder()) // no desktop folder: the launcher went to the home folder
        showMessage("没有找到桌面文件夹，快捷方式创建在: " + (desktop / kLauncherFileName).string(),
                    "提示", MessageKind::Information);
    else
        showMessage("在桌面上成功创建了一个快捷方式", "提示", MessageKind::Information);
}

void MainWindow::aboutBox() {
    std::string text = std::string(kProductName) + " V" + versionText() +
                       "\n\n\n制作由多张图片(最多1000张)"
                       "组成带多种播放特效的视频，输出视频格式：MP4。\n\n"
                       "支持处理的图片格式：" +
                       readablePictureFormats() + "。";
    // Without a configured site the line would name nothing.
    if (!services_.vendorHost.empty())
        text += "\n\n\n官网：" + services_.vendorHost;
    showMessage(text, "关于", MessageKind::Information);
}

void MainWindow::exitFlow() {
    if (project_.modified()) {
        if (hiddenInTray_) {
            view_.setTrayIconShown(false);
            view_.setWindowShown(true);
            hiddenInTray_ = false;
        }
        const Answer answer = ask("项目已更改，是否保存更改？", "询问", true, Answer::Cancel);
        if (answer == Answer::Cancel)
            return;
        // A save that was cancelled or failed keeps the program open: leaving now
        // would lose the album the user just asked to keep.
        if (answer == Answer::Yes && !project_.save(false))
            return;
    }
    // A download still running is abandoned: the program never waits for a slow
    // server.
    product_.shutdown();
    view_.setWindowShown(false);
    Preferences& prefs = *services_.preferences;
    prefs.folders.mp3 = music_.list().musicFolder();
    if (services_.settingsFile)
        writeRememberedFolders(*services_.settingsFile, prefs.folders);
    recovery_.discard();
    removeOwnTempFolders(services_.folders);
    view_.setTrayIconShown(false);
    view_.quit();
}

void MainWindow::restoreFromTray() {
    // The window first: the icon goes only once there is a window to reach.
    view_.setWindowShown(true);
    view_.raiseWindow();
    view_.setTrayIconShown(false);
    hiddenInTray_ = false;
}

void MainWindow::choiceChanged(Command control, int index) {
    if (!limits_.choiceChanged(control, index))
        options_.choiceChanged(control, index);
    afterUserChange();
}

void MainWindow::checkChanged(Command control, bool checked) {
    options_.checkChanged(control, checked);
    afterUserChange();
}

void MainWindow::textEdited(Command control, const std::string& text) {
    if (control == Command::CaptionText)
        pictures_.captionTextEdited(text);
    afterUserChange();
}

void MainWindow::transitionChosen(const std::string& entry) {
    pictures_.transitionChosen(entry);
    afterUserChange();
}

void MainWindow::selectionChanged(const std::vector<int>& rows, int focusedRow, bool listHasFocus) {
    pictures_.selectionChanged(rows, focusedRow, listHasFocus);
}

void MainWindow::pictureDoubleClicked(int row) {
    if (row < 0)
        return dispatch(Command::AddPictures);
    if (!pictures_.hasSelection())
        return;
    // With captions on, a double-click is the way to write the picture's caption; otherwise it
    // shows the picture in the desktop's viewer.
    if (album_.settings.textWatermark)
        return view_.focus(Command::CaptionText);
    view_.openExternal(album_.items[pictures_.selection().front()].path);
}

void MainWindow::filesDropped(const std::vector<std::string>& paths) {
    if (generation_.running())
        return;
    // Audio files join the music list; everything else goes to the pictures as before.
    std::vector<std::string> music, others;
    for (const std::string& path : paths)
        (isMusicFileName(path) ? music : others).push_back(path);
    if (!music.empty())
        music_.list().addPaths(music);
    if (!others.empty() || music.empty())
        pictures_.filesDropped(others);
    afterUserChange();
}

void MainWindow::picturesDragged(int before) {
    if (generation_.running())
        return;
    pictures_.dragSelectionTo(before);
    afterUserChange();
}

void MainWindow::selectAllPictures() {
    pictures_.selectAll();
}

void MainWindow::deleteKey() {
    if (pictures_.hasSelection())
        dispatch(Command::RemovePictures);
}

void MainWindow::toggleInfoWindow() {
    if (services_.info != nullptr)
        services_.info->toggle();
}

void MainWindow::musicLineDoubleClicked(int row) {
    if (!generation_.running())
        music_.list().lineDoubleClicked(row);
}

void MainWindow::musicDeleteKey() {
    if (!generation_.running())
        music_.list().deleteKey();
}

void MainWindow::closeRequested() {
    if (generation_.running())
        return;
    if (services_.preferences->clickCloseButtonStatus != CloseBehaviour::HideToTray)
        return exitFlow();
    // Without a tray the window would become unreachable: it is minimised
    // instead.
    if (!view_.trayAvailable())
        return view_.minimizeWindow();
    view_.setWindowShown(false);
    view_.setTrayIconShown(true);
    hiddenInTray_ = true;
}

void MainWindow::trayIconClicked() {
    restoreFromTray();
}

void MainWindow::stopGeneration() {
    generation_.stop();
}

void MainWindow::previewClosed() {
    preview_.closed();
}

void MainWindow::previewClicked() {
    preview_.clicked();
}

bool MainWindow::openProjectAtStart(const std::string& path) {
    const bool opened = project_.openPath(path);
    afterUserChange();
    return opened;
}

bool MainWindow::offerRecoveryAtStart() {
    for (const FoundRecovery& found : recovery_.findCopies().offers) {
        if (ask(recoveryQuestion(found), "询问", false, Answer::Yes) == Answer::Yes)
            return project_.openRecovered(found);
        recovery_.decline(found);
    }
    return false;
}

void MainWindow::openRecentProject(std::size_t index) {
    if (generation_.running())
        return;
    project_.openRecent(index);
    warnCaptionUnderLogo();
}

void MainWindow::openFilesAtStart(const std::vector<std::string>& paths) {
    std::vector<std::string> pictures;
    bool projectGiven = false;
    for (const std::string& path : paths) {
        if (isPictureFileName(path))
            pictures.push_back(path);
        else if (!projectGiven)
            projectGiven = openProjectAtStart(path) || true;
    }
    if (!pictures.empty())
        filesDropped(pictures);
}

std::vector<MenuEntryState> MainWindow::projectMenu() const {
    const bool pictures = pictures_.count() > 0;
    return {{Command::NewProject},
            {Command::OpenProject},
            {Command::SaveProject, pictures && project_.modified()},
            {Command::SaveProjectAs, pictures && project_.canSaveAs()}};
}

std::vector<MenuEntryState> MainWindow::settingsMenu() const {
    return options_.settingsMenu();
}

std::vector<MenuEntryState> MainWindow::contextMenu() const {
    const int count = pictures_.count();
    const bool any = count > 0;
    const bool selection = any && pictures_.hasSelection();
    const bool captions = any && album_.settings.textWatermark;
    const int motion = pictures_.selectionMotionChoice().value_or(-1);
    const int fill = pictures_.selectionFillChoice().value_or(-1);
    std::vector<MenuEntryState> entries = {
        {Command::ContextAddPictures},
        {Command::ContextInsertPictures, selection},
        {Command::ContextRemoveSelected, selection},
        {Command::ContextRemoveAll, any},
        {Command::ContextUndoRemoval, pictures_.canUndoRemoval()},
        {Command::ContextShuffle, count >= 2},
        {Command::ContextNewTransitionSet, any},
        {Command::ContextSameTransitionForAll, any && pictures_.selection().size() == 1},
        {Command::ContextCaptionsEdgeDiagonal, captions},
        {Command::ContextCaptionsEdgeCross, captions},
        {Command::ContextCaptionsInsetDiagonal, captions},
        {Command::ContextCaptionsInsetCross, captions},
        {Command::ContextCaptionsMiddleBottom, captions},
        {Command::ContextSetAsCover, selection},
        {Command::ContextPictureTime, selection},
        {Command::ContextPreviewTransition, selection},
        {Command::ContextPreviewFromStart, any},
        {Command::ContextMotionNone, selection, motion == 0},
        {Command::ContextMotionZoomIn, selection, motion == 1},
        {Command::ContextMotionZoomOut, selection, motion == 2},
        {Command::ContextMotionPanLeft, selection, motion == 3},
        {Command::ContextMotionPanRight, selection, motion == 4},
        {Command::ContextMotionPanUp, selection, motion == 5},
        {Command::ContextMotionPanDown, selection, motion == 6},
        {Command::ContextMotionRandom, selection},
        {Command::ContextFillAlbum, selection, fill == 0},
        {Command::ContextFillFit, selection, fill == 1},
        {Command::ContextFillCrop, selection, fill == 2},
        {Command::ContextFillBlur, selection, fill == 3},
        {Command::ContextFollowSubject, any, focus_.following()},
        {Command::ContextSetFocus, focus_.canSetFocus()}};
    // The vendor's page of the transition is offered only where a site is configured.
    if (!services_.vendorHost.empty())
        entries.push_back({Command::ContextPreviewTransitionPage, selection});
    return entries;
}

std::vector<std::string> MainWindow::transitionEditorEntries() const {
    return toStrings(transitionPickerTexts());
}

} // namespace velomira
