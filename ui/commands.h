#pragma once
// The window commands by number: toolbar buttons, menu entries, accelerators, option controls,
// tray menu and the messages other parts send. The toolbar, menus, shortcuts, tests and
// scripts all go through one dispatcher with these numbers.
#include <optional>
#include <string_view>

namespace velomira {

enum class Command : int {
    // Toolbar
    AddPictures = 35100,
    LoadProduct = 35101,
    RemovePictures = 35102,
    ImportAnimation = 35103,
    RotateLeft = 35104,
    RotateRight = 35105,
    MoveForward = 35106,
    MoveBack = 35107,
    ProjectMenu = 35108,
    Preview = 35109,
    GenerateVideo = 35110,
    DesktopShortcut = 35111,
    OfficialSite = 35112,
    About = 35113,
    SettingsMenu = 35116,

    // Picture context menu
    ContextAddPictures = 35210,
    ContextRemoveSelected = 35211,
    ContextRemoveAll = 35212,
    ContextShuffle = 35213,
    ContextNewTransitionSet = 35214,
    ContextSameTransitionForAll = 35215,
    ContextCaptionsEdgeDiagonal = 35216,
    ContextCaptionsEdgeCross = 35217,
    ContextCaptionsInsetDiagonal = 35218,
    ContextCaptionsInsetCross = 35219,
    ContextCaptionsMiddleBottom = 35220,
    ContextPreviewTransition = 35221,
    ContextInsertPictures = 35223,
    ContextSetAsCover = 35224,
    ContextPreviewFromStart = 35225,      // "从头预览": the preview from the first picture
    ContextPreviewTransitionPage = 35226, // the transition's page on the vendor's site
    ContextPictureTime = 35227, // "停顿时间…": the selected pictures' own display time
    ContextUndoRemoval = 35290, // Ctrl+Z: the pictures the last removal took
    // "镜头运动" submenu: the selected pictures' camera motion, in the order of the motion
    // choices (none, the six moves, random).
    ContextMotionNone = 35230,
    ContextMotionZoomIn = 35231,
    ContextMotionZoomOut = 35232,
    ContextMotionPanLeft = 35233,
    ContextMotionPanRight = 35234,
    ContextMotionPanUp = 35235,
    ContextMotionPanDown = 35236,
    ContextMotionRandom = 35237,
    // "画面填充" submenu: the selected pictures' fill mode, in the order of the picture fill
    // choices (the album's, then fit, crop, blur).
    ContextFillAlbum = 35240,
    ContextFillFit = 35241,
    ContextFillCrop = 35242,
    ContextFillBlur = 35243,
    // The framing that follows the subject: the album's switch and one picture's region.
    ContextFollowSubject = 35250,
    ContextSetFocus = 35251,

    // Settings menu
    DefaultNameEmpty = 35700,
    DefaultNameTime = 35701,
    DefaultNameFirstPicture = 35702,
    BackgroundWhite = 35703,
    BackgroundBlack = 35704,
    CloseExits = 35705,
    CloseHidesToTray = 35706,
    Guide = 35707,
    CaptionMarginsDialog = 35712,
    LoopPlayDialog = 35713,
    RawFrameTransport = 35714, // frames reach the encoder as raw pixels (faster)
    AutoOrient = 35715,        // added photos are turned upright by their EXIF orientation
    MusicFade = 35716,         // the album's music fades in and out, tracks cross-fade
    EvenLoudness = 35717,      // the album's music is brought to an even loudness
    // "新图片的镜头运动" submenu: the camera motion newly added pictures get, same order.
    DefaultMotionNone = 35720,
    DefaultMotionZoomIn = 35721,
    DefaultMotionZoomOut = 35722,
    DefaultMotionPanLeft = 35723,
    DefaultMotionPanRight = 35724,
    DefaultMotionPanUp = 35725,
    DefaultMotionPanDown = 35726,
    DefaultMotionRandom = 35727,
    // "编码速度" submenu: the album's encoder speed.
    EncoderSpeedFast = 35730,
    EncoderSpeedStandard = 35731,
    EncoderSpeedFine = 35732,

    // Project menu
    NewProject = 35708,
    OpenProject = 35709,
    SaveProject = 35710,
    SaveProjectAs = 35711,

    // Option controls
    CaptionSwitch = 36111,
    CaptionPosition = 36112,
    CaptionFont = 36113,
    CaptionSize = 36114,
    CaptionColour = 36115,
    CaptionText = 36116,
    CaptionHelp = 36117,
    LogoSwitch = 36119,
    LogoPosition = 36120,
    LogoPath = 36121,
    LogoChoose = 36122,
    LogoHelp = 36123,
    CoverSwitch = 36124,
    CoverPath = 36125,
    CoverChoose = 36126,
    CoverHelp = 36127,
    MusicSwitch = 36128,
    AutoDisplayTime = 36129,
    LoopPlay = 36130,
    MusicList = 36131,
    MusicAdd = 36132,
    MusicRemove = 36133,
    MusicListen = 36134,
    VideoSize = 36135,
    DisplayTime = 36136,
    DisplayTimeText = 36137, // the text field that replaces the display time list
    GenerateButton = 36138,
    FillModeChoice = 36139, // how pictures fill the frame (fit, crop, blur)
    PictureTransition = 36140,
    PreviewMusicPlay = 36141,
    PreviewMusicRestart = 36142,
    PreviewMusicPause = 36143,
    PreviewMusicResume = 36144,
    PreviewMusicStop = 36145,
    VideoSizeCap = 36146, // the file-size cap selection beside the video size
    VideoPreset = 36147,  // the platform preset selection ("预设")
    BeatSync = 36148,     // "按节拍切换图片": picture changes on the music's beats

    // Tray menu
    TrayShowWindow = 36202,
    TrayExit = 36203,
};

inline constexpr int commandNumber(Command command) {
    return static_cast<int>(command);
}

// The command of a number, or nothing for a number that names none.
std::optional<Command> commandFromNumber(int number);

// The motion choice (index of cameraMotionChoiceAt) of a "镜头运动" or "新图片的镜头运动"
// entry, and the entries of a choice; nothing for other commands.
std::optional<int> contextMotionChoice(Command command);
std::optional<int> defaultMotionChoice(Command command);
Command contextMotionCommand(int choice);
Command defaultMotionCommand(int choice);

// The picture fill choice (index of itemFillChoiceAt) of a "画面填充" entry, and the entry of
// a choice.
std::optional<int> contextFillChoice(Command command);
Command contextFillCommand(int choice);

// The label the toolbar or a menu shows for a command; empty for controls without one.
std::string_view commandLabel(Command command);

} // namespace velomira
