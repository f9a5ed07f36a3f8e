#include "ui/options_controller.h"

#include "album/safe_area.h"
#include "platform/dialogs.h"
#include "services/picture_info.h"
#include "ui/file_dialogs.h"
#include "ui/option_dialogs.h"
#include "ui/web_pages.h"

namespace velomira {

namespace {

constexpr const char* kSafeAreaNote =
    "竖屏视频：字幕和图标会避开画面底部 20% 和右侧 12%（手机应用的按钮和说明所在处）";

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

constexpr std::initializer_list<Command> kLogoGroup = {Command::LogoPosition, Command::LogoPath,
                                                       Command::LogoChoose, Command::LogoHelp};
constexpr std::initializer_list<Command> kCoverGroup = {Command::CoverPath, Command::CoverChoose,
                                                        Command::CoverHelp};

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

} // namespace

OptionsController::OptionsController(MainWindowView& view, AlbumProject& album,
                                     const MainWindowServices& services,
                                     const std::vector<std::string>& fontNames, MusicList& music,
                                     PictureListController& pictures)
    : view_(view), album_(album), services_(services), fontNames_(fontNames), music_(music),
      pictures_(pictures) {}

void OptionsController::registerCommands(CommandTable& table) {
    table.on(Command::BackgroundWhite, [this] { setBackground(BackgroundFill::White); });
    table.on(Command::BackgroundBlack, [this] { setBackground(BackgroundFill::Black); });
    table.on(Command::DefaultNameEmpty, [this] { setOutputNaming(OutputNaming::Empty); });
    table.on(Command::DefaultNameTime, [this] { setOutputNaming(OutputNaming::Time); });
    table.on(Command::DefaultNameFirstPicture,
             [this] { setOutputNaming(OutputNaming::FirstPicture); });
    table.on(Command::CloseExits, [this] { setCloseBehaviour(CloseBehaviour::Exit); });
    table.on(Command::CloseHidesToTray, [this] { setCloseBehaviour(CloseBehaviour::HideToTray); });
    table.on(Command::CaptionMarginsDialog, [this] { marginsDialog(); });
    table.on(Command::LoopPlayDialog, [this] { loopPlayDialog(); });
    table.on(Command::RawFrameTransport, [this] { toggleRawFrames(); });
    table.on(Command::AutoOrient, [this] { toggleAutoOrient(); });
    table.on(Command::MusicFade, [this] { toggleMusicShaping(true); });
    table.on(Command::EvenLoudness, [this] { toggleMusicShaping(false); });
    table.on(Command::EncoderSpeedFast,
             [this] { album_.settings.encoderSpeed = EncoderSpeed::Fast; });
    table.on(Command::EncoderSpeedStandard,
             [this] { album_.settings.encoderSpeed = EncoderSpeed::Standard; });
    table.on(Command::EncoderSpeedFine,
             [this] { album_.settings.encoderSpeed = EncoderSpeed::Fine; });
    for (int choice = 0; choice < kCameraMotionChoiceCount; ++choice)
        table.on(defaultMotionCommand(choice), [this, choice] {
            preferences().newPictureMotion = static_cast<uint32_t>(choice);
            if (services_.settingsFile)
                writeSetting(*services_.settingsFile, SettingKey::NewPictureMotion,
                             preferences().newPictureMotion);
        });
    table.on(Command::CaptionHelp,
             [] { showMessage(kCaptionHelp, "提示", MessageKind::Information); });
    table.on(Command::LogoHelp,
             [] { showMessage(kLogoHelp, "关于图标", MessageKind::Information); });
    table.on(Command::CoverHelp,
             [] { showMessage(kCoverHelp, "关于【设置封面】选项", MessageKind::Information); });
    table.on(Command::LogoChoose, [this] { choosePicture(true); });
    table.on(Command::CoverChoose, [this] { choosePicture(false); });
    table.on(Command::ContextSetAsCover, [this] { setAsCover(); });
}

void OptionsController::fillChoices() {
    view_.setChoices(Command::CaptionPosition, toStrings(captionLocationLabels()));
    view_.setChoices(Command::CaptionFont, fontNames_);
    std::vector<std::string> sizes;
    for (int size : captionFontSizes())
        sizes.push_back(std::to_string(size));
    view_.setChoices(Command::CaptionSize, sizes);
    std::vector<std::string> colours;
    for (const CaptionColour& colour : captionColourTable())
        colours.emplace_back(colour.label);
    view_.setChoices(Command::CaptionColour, colours);
    view_.setChoices(Command::LogoPosition, toStrings(logoLocationLabels()));
    std::vector<std::string> times;
    for (const PauseTime& time : pauseTimeTable())
        times.emplace_back(time.label);
    view_.setChoices(Command::DisplayTime, times);
    std::vector<std::string> fills;
    for (int mode = 0; mode < kFillModeCount; ++mode)
        fills.emplace_back(fillModeLabel(static_cast<FillMode>(mode)));
    view_.setChoices(Command::FillModeChoice, fills);
    choosePauseTime(album_.settings, kDefaultPauseTime);
}

void OptionsController::showAll() {
    const VideoSettings& settings = album_.settings;
    view_.setChecked(Command::CaptionSwitch, settings.textWatermark);
    view_.setChoice(Command::CaptionFont, fontNames_.empty() ? -1 : settings.textWatermarkFont);
    view_.setChoice(Command::CaptionSize, settings.textWatermarkFontSize);
    view_.setChoice(Command::CaptionColour, settings.textWatermarkColor);
    showCaptionGroup();
    showCaptionSample();
    view_.setChecked(Command::LogoSwitch, settings.logo);
    view_.setFieldText(Command::LogoPath, settings.logoPath);
    view_.setChoice(Command::LogoPosition, settings.logoLocation);
    enableGroup(view_, kLogoGroup, settings.logo);
    view_.setChecked(Command::MusicSwitch, settings.bgsound);
    view_.setChecked(Command::AutoDisplayTime, settings.bgsoundAutoSetPauseTime);
    view_.setChecked(Command::LoopPlay, settings.bgsoundAutoSetImageLoopPlay);
    view_.setChecked(Command::BeatSync, settings.beatSync);
    music_.showAlbum();
    view_.setChecked(Command::CoverSwitch, settings.cover);
    view_.setFieldText(Command::CoverPath, settings.coverPath);
    enableGroup(view_, kCoverGroup, settings.cover);
    view_.setChoices(Command::VideoSize, videoSizeChoiceLabels(settings));
    view_.setChoice(Command::VideoSize, settings.videoSize);
    view_.setChoice(Command::DisplayTime, settings.pauseTime);
    showFillMode();
    if (!settings.customDisplayTime) {
        view_.setVisible(Command::DisplayTimeText, false);
        view_.setVisible(Command::DisplayTime, true);
    }
}

void OptionsController::showCaptionSample() {
    const VideoSettings& settings = album_.settings;
    CaptionSample sample;
    sample.fontName = settings.captionFontName;
    if (const auto colour = captionColourAt(settings.textWatermarkColor)) {
        sample.boxColor = colour->boxColor;
        sample.textColor = colour->textColor;
    }
    sample.captionsOn = settings.textWatermark;
    view_.setCaptionSample(sample);
}

void OptionsController::showCaptionGroup() {
    const bool on = album_.settings.textWatermark;
    enableGroup(view_, {Command::CaptionFont, Command::CaptionSize, Command::CaptionColour}, on);
    const bool withSelection = on && pictures_.hasSelection();
    enableGroup(view_, {Command::CaptionPosition, Command::CaptionText}, withSelection);
}

// The display time list again, and its entry applied.
void OptionsController::showDisplayTimeList() {
    view_.setVisible(Command::DisplayTimeText, false);
    view_.setVisible(Command::DisplayTime, true);
    choosePauseTime(album_.settings, album_.settings.pauseTime);
    pictures_.refreshSelectionStatus();
    pictures_.refreshVideoLength();
}

void OptionsController::captionSwitchChanged(bool on) {
    if (fontNames_.empty()) {
        if (ask(kFontQuestion, "注意", false, Answer::No) == Answer::Yes)
            openWebPage(view_, services_.vendorHost, "/font.asp");
        view_.setChecked(Command::CaptionSwitch, false);
        on = false;
    }
    applyCaptionSwitch(album_, on);
    showCaptionGroup();
    pictures_.refreshCaptionBadges();
    showCaptionSample();
}

void OptionsController::autoDisplayTimeChanged(bool on) {
    VideoSettings& settings = album_.settings;
    settings.bgsoundAutoSetPauseTime = on;
    if (on) {
        if (settings.bgsoundAutoSetImageLoopPlay) {
            settings.bgsoundAutoSetImageLoopPlay = false;
            view_.setChecked(Command::LoopPlay, false);
        }
        pictures_.runAutoDisplayTime();
    } else {
        showDisplayTimeList();
    }
}

void OptionsController::loopPlayChanged(bool on) {
    VideoSettings& settings = album_.settings;
    settings.bgsoundAutoSetImageLoopPlay = on;
    if (on && settings.bgsoundAutoSetPauseTime) {
        settings.bgsoundAutoSetPauseTime = false;
        view_.setChecked(Command::AutoDisplayTime, false);
        showDisplayTimeList();
    }
    pictures_.refreshVideoLength();
}

// "选择..." of the logo and cover groups: PNG and JPEG by their headers; a logo also no CMYK.
void OptionsController::choosePicture(bool logo) {
    const std::vector<FileFilter> filters =
        logo ? std::vector<FileFilter>{{"PNG图片 (*.PNG)", {"*.png"}},
                                       {"JPG图片 (*.JPG)", {"*.jpg", "*.jpeg"}}}
             : std::vector<FileFilter>{{"图片 (*.JPG, *.PNG)", {"*.jpg", "*.jpeg", "*.png"}},
                                       {"PNG图片 (*.PNG)", {"*.png"}}};
    const auto path =
        chooseFileToOpen(logo ? "选择图片" : "选择封面图片", filters, preferences().folders.logo);
    if (!path)
        return;
    const Command field = logo ? Command::LogoPath : Command::CoverPath;
    const Command button = logo ? Command::LogoChoose : Command::CoverChoose;
    std::string& stored = logo ? album_.settings.logoPath : album_.settings.coverPath;
    const ChosenPicture check = checkChosenPicture(*path, logo);
    auto refuse = [&](const char* text, const char* title) {
        showMessage(text, title, MessageKind::Warning);
        stored.clear();
        view_.setFieldText(field, "");
        view_.focus(button);
    };
    if (check == ChosenPicture::NotPngOrJpeg)
        return refuse(kUnsupportedPicture, "错误");
    if (check == ChosenPicture::CmykLogo)
        return refuse(kCmykLogo, "提示");
    stored = *path;
    view_.setFieldText(field, *path);
}

void OptionsController::videoSizeChanged(int index) {
    VideoSettings& settings = album_.settings;
    if (index == customVideoSizeEntry(settings)) {
        const int previous = settings.videoSize;
        const auto size = services_.optionDialogs != nullptr
                              ? services_.optionDialogs->askCustomVideoSize()
                              : std::nullopt;
        const int chosen = size ? setCustomVideoSize(settings, size->width, size->height) : -1;
        view_.setChoices(Command::VideoSize, videoSizeChoiceLabels(settings));
        view_.setChoice(Command::VideoSize, chosen >= 0 ? chosen : previous);
    } else if (!chooseVideoSize(settings, index)) {
        view_.setChoice(Command::VideoSize, settings.videoSize);
        return;
    }
    pictures_.refreshSelectionStatus();
    pictures_.refreshVideoLength();
    pictures_.runAutoDisplayTime();
    showFillMode(); // a new album's mode follows the size
    if (keepsSafeAreas(settings) && !safeAreaNoted_) {
        safeAreaNoted_ = true;
        view_.setStatusText(1, kSafeAreaNote);
    }
}

void OptionsController::showFillMode() {
    view_.setChoice(Command::FillModeChoice, static_cast<int>(album_.settings.fillMode));
}

void OptionsController::setBackground(BackgroundFill fill) {
    album_.settings.videoBgFillColor = fill;
    preferences().videoBgFillColor = fill;
    if (services_.settingsFile)
        writeSetting(*services_.settingsFile, SettingKey::VideoBgFillColor, fill);
}

void OptionsController::setOutputNaming(OutputNaming naming) {
    album_.settings.outputNaming = naming;
    preferences().mp4DefaultFileName = naming;
    if (services_.settingsFile)
        writeSetting(*services_.settingsFile, SettingKey::Mp4DefaultFileName, naming);
}

void OptionsController::setCloseBehaviour(CloseBehaviour behaviour) {
    preferences().clickCloseButtonStatus = behaviour;
    if (services_.settingsFile)
        writeSetting(*services_.settingsFile, SettingKey::ClickCloseButtonStatus, behaviour);
}

void OptionsController::toggleRawFrames() {
    const FrameTransport transport = preferences().frameTransport == FrameTransport::RawPixels
                                         ? FrameTransport::JpegFiles
                                         : FrameTransport::RawPixels;
    preferences().frameTransport = transport;
    if (services_.settingsFile)
        writeSetting(*services_.settingsFile, SettingKey::FrameTransport, transport);
}

void OptionsController::toggleAutoOrient() {
    preferences().autoOrient = preferences().autoOrient == 0 ? 1 : 0;
    if (services_.settingsFile)
        writeSetting(*services_.settingsFile, SettingKey::AutoOrient, preferences().autoOrient);
}

void OptionsController::toggleMusicShaping(bool fade) {
    // The album's choice, kept with its project; new albums start with the latest one.
    VideoSettings& settings = album_.settings;
    bool on = false;
    if (fade) {
        on = !(settings.musicFadeSeconds > 0.0);
        settings.musicFadeSeconds = on ? kMusicFadeOutSeconds : 0.0;
        preferences().newAlbumMusicFade = on ? 1 : 0;
    } else {
        on = !settings.musicLoudness;
        settings.musicLoudness = on ? std::optional<double>(kMusicLoudnessLufs) : std::nullopt;
        preferences().newAlbumLoudness = on ? 1 : 0;
    }
    settings.newAlbumMusicFade = preferences().newAlbumMusicFade != 0;
    settings.newAlbumLoudness = preferences().newAlbumLoudness != 0;
    if (services_.settingsFile)
        writeSetting(*services_.settingsFile,
                     fade ? SettingKey::NewAlbumMusicFade : SettingKey::NewAlbumLoudness,
                     on ? 1u : 0u);
}

void OptionsController::loopPlayDialog() {
    if (services_.optionDialogs == nullptr)
        return;
    const auto index =
        services_.optionDialogs->askLoopPlayTransition(album_.settings.loopPlayAnimation);
    if (!index)
        return;
    album_.settings.loopPlayAnimation = *index;
    preferences().imageLoopPlayAnimation = static_cast<uint32_t>(*index);
    if (services_.settingsFile)
        writeSetting(*services_.settingsFile, SettingKey::ImageLoopPlayAnimation, *index);
    pictures_.refreshVideoLength();
}

void OptionsController::marginsDialog() {
    if (services_.optionDialogs == nullptr)
        return;
    const auto margins = services_.optionDialogs->askCaptionMargins(preferences().captionMargins);
    if (!margins)
        return;
    preferences().captionMargins = *margins;
    if (services_.settingsFile)
        writeCaptionMargins(*services_.settingsFile, *margins);
}

void OptionsController::setAsCover() {
    const int row = pictures_.focusedSelectedRow();
    if (row < 0)
        return;
    if (!album_.settings.cover) {
        album_.settings.cover = true;
        view_.setChecked(Command::CoverSwitch, true);
        enableGroup(view_, kCoverGroup, true);
    }
    album_.settings.coverPath = album_.items[row].path;
    view_.setFieldText(Command::CoverPath, album_.settings.coverPath);
}

void OptionsController::choiceChanged(Command control, int index) {
    VideoSettings& settings = album_.settings;
    switch (control) {
    case Command::CaptionPosition:
        return pictures_.captionPositionChosen(index);
    case Command::CaptionFont:
        if (index < 0 || index >= static_cast<int>(fontNames_.size()))
            return;
        applyCaptionFont(album_, index, fontNames_[index]);
        return showCaptionSample();
    case Command::CaptionSize:
        if (captionPointSizeAt(index))
            settings.textWatermarkFontSize = index;
        return;
    case Command::CaptionColour:
        if (applyCaptionColour(album_, index))
            showCaptionSample();
        return;
    case Command::LogoPosition:
        if (index >= 0 && index < kLogoLocationCount)
            settings.logoLocation = index;
        return;
    case Command::VideoSize:
        return videoSizeChanged(index);
    case Command::FillModeChoice:
        if (index >= 0 && index < kFillModeCount)
            chooseFillMode(settings, static_cast<FillMode>(index));
        return;
    case Command::MusicList:
        return music_.selectionChanged(index);
    case Command::DisplayTime:
        if (!choosePauseTime(settings, index))
            return;
        pictures_.refreshSelectionStatus();
        return pictures_.refreshVideoLength();
    default:
        return;
    }
}

void OptionsController::checkChanged(Command control, bool checked) {
    VideoSettings& settings = album_.settings;
    switch (control) {
    case Command::CaptionSwitch:
        return captionSwitchChanged(checked);
    case Command::LogoSwitch:
        settings.logo = checked;
        return enableGroup(view_, kLogoGroup, checked);
    case Command::CoverSwitch:
        settings.cover = checked;
        return enableGroup(view_, kCoverGroup, checked);
    case Command::MusicSwitch:
        music_.switchChanged(checked);
        settings.bgsound = checked;
        pictures_.refreshVideoLength();
        return pictures_.runAutoDisplayTime();
    case Command::AutoDisplayTime:
        return autoDisplayTimeChanged(checked);
    case Command::LoopPlay:
        return loopPlayChanged(checked);
    case Command::BeatSync:
        settings.beatSync = checked;
        return;
    default:
        return;
    }
}

std::vector<MenuEntryState> OptionsController::settingsMenu() const {
    const Preferences& prefs = *services_.preferences;
    const BackgroundFill background = album_.settings.videoBgFillColor;
    const OutputNaming naming = prefs.mp4DefaultFileName;
    const bool time = naming == OutputNaming::Time;
    const bool firstPicture = naming == OutputNaming::FirstPicture;
    const bool hides = prefs.clickCloseButtonStatus == CloseBehaviour::HideToTray;
    const EncoderSpeed speed = album_.settings.encoderSpeed;
    return {{Command::BackgroundWhite, true, background == BackgroundFill::White},
            {Command::BackgroundBlack, true, background == BackgroundFill::Black},
            {Command::DefaultNameEmpty, true, !time && !firstPicture},
            {Command::DefaultNameTime, true, time},
            {Command::DefaultNameFirstPicture, true, firstPicture},
            {Command::CaptionMarginsDialog},
            {Command::LoopPlayDialog},
            {Command::RawFrameTransport, true, prefs.frameTransport == FrameTransport::RawPixels},
            {Command::AutoOrient, true, prefs.autoOrient != 0},
            {Command::MusicFade, true, album_.settings.musicFadeSeconds > 0.0},
            {Command::EvenLoudness, true, album_.settings.musicLoudness.has_value()},
            {Command::CloseExits, true, !hides},
            {Command::CloseHidesToTray, true, hides},
            {Command::Guide},
            {Command::DefaultMotionNone, true, prefs.newPictureMotion == 0},
            {Command::DefaultMotionZoomIn, true, prefs.newPictureMotion == 1},
            {Command::DefaultMotionZoomOut, true, prefs.newPictureMotion == 2},
            {Command::DefaultMotionPanLeft, true, prefs.newPictureMotion == 3},
            {Command::DefaultMotionPanRight, true, prefs.newPictureMotion == 4},
            {Command::DefaultMotionPanUp, true, prefs.newPictureMotion == 5},
            {Command::DefaultMotionPanDown, true, prefs.newPictureMotion == 6},
            {Command::DefaultMotionRandom, true, prefs.newPictureMotion == 7},
            {Command::EncoderSpeedFast, true, speed == EncoderSpeed::Fast},
            {Command::EncoderSpeedStandard, true, speed == EncoderSpeed::Standard},
            {Command::EncoderSpeedFine, true, speed == EncoderSpeed::Fine}};
}

} // namespace velomira
