#include "ui/commands.h"

#include "album/fill_mode.h"
#include "platform/translation.h"

#include <array>
#include <utility>

namespace velomira {

namespace {

struct CommandLabel {
    Command command;
    std::string_view label;
};

constexpr std::array kLabels = {
    CommandLabel{Command::ProjectMenu, "我的项目"},
    CommandLabel{Command::AddPictures, "添加图片"},
    CommandLabel{Command::LoadProduct, "加载宝贝"},
    CommandLabel{Command::RemovePictures, "移除图片"},
    CommandLabel{Command::ImportAnimation, "导入动画"},
    CommandLabel{Command::RotateLeft, "图片左转"},
    CommandLabel{Command::RotateRight, "图片右转"},
    CommandLabel{Command::MoveForward, "向左移动"},
    CommandLabel{Command::MoveBack, "向右移动"},
    CommandLabel{Command::Preview, "视频预览"},
    CommandLabel{Command::GenerateVideo, "生成视频"},
    CommandLabel{Command::DesktopShortcut, "快捷方式"},
    CommandLabel{Command::OfficialSite, "官方网站"},
    CommandLabel{Command::About, "关于软件"},
    CommandLabel{Command::SettingsMenu, "软件设置"},
    CommandLabel{Command::ContextAddPictures, "添加图片"},
    CommandLabel{Command::ContextInsertPictures, "插入图片"},
    CommandLabel{Command::ContextRemoveSelected, "移除选中"},
    CommandLabel{Command::ContextRemoveAll, "移除全部\tCtrl+D"},
    CommandLabel{Command::ContextShuffle, "随机排列图片"},
    CommandLabel{Command::ContextNewTransitionSet, "更换一组动画"},
    CommandLabel{Command::ContextSameTransitionForAll, "全部设置为该动画"},
    CommandLabel{Command::ContextCaptionsEdgeDiagonal, "自动贴边对角排列文字"},
    CommandLabel{Command::ContextCaptionsEdgeCross, "自动贴边交叉排列文字"},
    CommandLabel{Command::ContextCaptionsInsetDiagonal, "自动不贴边对角排列文字"},
    CommandLabel{Command::ContextCaptionsInsetCross, "自动不贴边交叉排列文字"},
    CommandLabel{Command::ContextCaptionsMiddleBottom, "自动中间下方排列文字"},
    CommandLabel{Command::ContextSetAsCover, "设置为封面"},
    CommandLabel{Command::ContextPictureTime, N_("停顿时间…")},
    CommandLabel{Command::BeatSync, N_("按节拍切换图片")},
    CommandLabel{Command::ContextUndoRemoval, "撤销移除\tCtrl+Z"},
    CommandLabel{Command::ContextPreviewTransition, "预览该图片动画\tF5"},
    CommandLabel{Command::ContextPreviewFromStart, N_("从头预览")},
    CommandLabel{Command::ContextPreviewTransitionPage, N_("在网站上查看该动画")},
    CommandLabel{Command::ContextMotionNone, "无"},
    CommandLabel{Command::ContextMotionZoomIn, "放大"},
    CommandLabel{Command::ContextMotionZoomOut, "缩小"},
    CommandLabel{Command::ContextMotionPanLeft, "向左平移"},
    CommandLabel{Command::ContextMotionPanRight, "向右平移"},
    CommandLabel{Command::ContextMotionPanUp, "向上平移"},
    CommandLabel{Command::ContextMotionPanDown, "向下平移"},
    CommandLabel{Command::ContextMotionRandom, "随机"},
    CommandLabel{Command::ContextFillAlbum, "跟随视频设置"},
    CommandLabel{Command::ContextFillFit, "适应画面"},
    CommandLabel{Command::ContextFillCrop, "裁剪铺满"},
    CommandLabel{Command::ContextFillBlur, "模糊背景"},
    CommandLabel{Command::ContextFollowSubject, N_("画面跟随主体")},
    CommandLabel{Command::ContextSetFocus, N_("设置焦点…")},
    CommandLabel{Command::DefaultMotionNone, "无"},
    CommandLabel{Command::DefaultMotionZoomIn, "放大"},
    CommandLabel{Command::DefaultMotionZoomOut, "缩小"},
    CommandLabel{Command::DefaultMotionPanLeft, "向左平移"},
    CommandLabel{Command::DefaultMotionPanRight, "向右平移"},
    CommandLabel{Command::DefaultMotionPanUp, "向上平移"},
    CommandLabel{Command::DefaultMotionPanDown, "向下平移"},
    CommandLabel{Command::DefaultMotionRandom, "随机"},
    CommandLabel{Command::EncoderSpeedFast, N_("快速")},
    CommandLabel{Command::EncoderSpeedStandard, N_("标准")},
    CommandLabel{Command::EncoderSpeedFine, N_("精细")},
    CommandLabel{Command::NewProject, "新建"},
    CommandLabel{Command::OpenProject, "打开"},
    CommandLabel{Command::SaveProject, "保存"},
    CommandLabel{Command::SaveProjectAs, "另存为"},
    CommandLabel{Command::BackgroundWhite, "白色"},
    CommandLabel{Command::BackgroundBlack, "黑色"},
    CommandLabel{Command::DefaultNameEmpty, "空白"},
    CommandLabel{Command::DefaultNameTime, "当前时间"},
    CommandLabel{Command::DefaultNameFirstPicture, "第一张图片的文件名"},
    CommandLabel{Command::CaptionMarginsDialog, "【加文字】边距设置..."},
    CommandLabel{Command::LoopPlayDialog, "图片循环播放设置..."},
    CommandLabel{Command::RawFrameTransport, "快速生成视频(原始画面直接传给编码器)"},
    CommandLabel{Command::AutoOrient, "按照片方向自动旋转"},
    CommandLabel{Command::MusicFade, N_("音乐淡入淡出")},
    CommandLabel{Command::EvenLoudness, N_("统一音量")},
    CommandLabel{Command::CloseExits, "退出程序"},
    CommandLabel{Command::CloseHidesToTray, "窗口隐藏到系统托盘中"},
    CommandLabel{Command::Guide, "使用指南"},
    CommandLabel{Command::GenerateButton, "生成视频"},
    CommandLabel{Command::MusicAdd, "添加"},
    CommandLabel{Command::MusicRemove, "删除"},
    CommandLabel{Command::MusicListen, "试听"},
    CommandLabel{Command::TrayShowWindow, "显示主窗口"},
    CommandLabel{Command::TrayExit, "退出"},
};

// Every command, so a number from outside can be checked against the ones that exist.
constexpr std::array kAllCommands = {
    Command::AddPictures,
    Command::LoadProduct,
    Command::RemovePictures,
    Command::ImportAnimation,
    Command::RotateLeft,
    Command::RotateRight,
    Command::MoveForward,
    Command::MoveBack,
    Command::ProjectMenu,
    Command::Preview,
    Command::GenerateVideo,
    Command::DesktopShortcut,
    Command::OfficialSite,
    Command::About,
    Command::SettingsMenu,
    Command::ContextAddPictures,
    Command::ContextRemoveSelected,
    Command::ContextRemoveAll,
    Command::ContextShuffle,
    Command::ContextNewTransitionSet,
    Command::ContextSameTransitionForAll,
    Command::ContextCaptionsEdgeDiagonal,
    Command::ContextCaptionsEdgeCross,
    Command::ContextCaptionsInsetDiagonal,
    Command::ContextCaptionsInsetCross,
    Command::ContextCaptionsMiddleBottom,
    Command::ContextPreviewTransition,
    Command::ContextPreviewFromStart,
    Command::ContextPreviewTransitionPage,
    Command::ContextInsertPictures,
    Command::ContextSetAsCover,
    Command::ContextPictureTime,
    Command::ContextUndoRemoval,
    Command::DefaultNameEmpty,
    Command::DefaultNameTime,
    Command::DefaultNameFirstPicture,
    Command::BackgroundWhite,
    Command::BackgroundBlack,
    Command::CloseExits,
    Command::CloseHidesToTray,
    Command::Guide,
    Command::CaptionMarginsDialog,
    Command::LoopPlayDialog,
    Command::RawFrameTransport,
    Command::AutoOrient,
    Command::MusicFade,
    Command::EvenLoudness,
    Command::ContextMotionNone,
    Command::ContextMotionZoomIn,
    Command::ContextMotionZoomOut,
    Command::ContextMotionPanLeft,
    Command::ContextMotionPanRight,
    Command::ContextMotionPanUp,
    Command::ContextMotionPanDown,
    Command::ContextMotionRandom,
    Command::ContextFillAlbum,
    Command::ContextFillFit,
    Command::ContextFillCrop,
    Command::ContextFillBlur,
    Command::ContextFollowSubject,
    Command::ContextSetFocus,
    Command::DefaultMotionNone,
    Command::DefaultMotionZoomIn,
    Command::DefaultMotionZoomOut,
    Command::DefaultMotionPanLeft,
    Command::DefaultMotionPanRight,
    Command::DefaultMotionPanUp,
    Command::DefaultMotionPanDown,
    Command::DefaultMotionRandom,
    Command::EncoderSpeedFast,
    Command::EncoderSpeedStandard,
    Command::EncoderSpeedFine,
    Command::NewProject,
    Command::OpenProject,
    Command::SaveProject,
    Command::SaveProjectAs,
    Command::CaptionSwitch,
    Command::CaptionPosition,
    Command::CaptionFont,
    Command::CaptionSize,
    Command::CaptionColour,
    Command::CaptionText,
    Command::CaptionHelp,
    Command::LogoSwitch,
    Command::LogoPosition,
    Command::LogoPath,
    Command::LogoChoose,
    Command::LogoHelp,
    Command::CoverSwitch,
    Command::CoverPath,
    Command::CoverChoose,
    Command::CoverHelp,
    Command::MusicSwitch,
    Command::AutoDisplayTime,
    Command::LoopPlay,
    Command::MusicList,
    Command::MusicAdd,
    Command::MusicRemove,
    Command::MusicListen,
    Command::VideoSize,
    Command::DisplayTime,
    Command::DisplayTimeText,
    Command::GenerateButton,
    Command::FillModeChoice,
    Command::PictureTransition,
    Command::PreviewMusicPlay,
    Command::PreviewMusicRestart,
    Command::PreviewMusicPause,
    Command::PreviewMusicResume,
    Command::PreviewMusicStop,
    Command::VideoSizeCap,
    Command::VideoPreset,
    Command::BeatSync,
    Command::TrayShowWindow,
    Command::TrayExit,
};

} // namespace

std::optional<Command> commandFromNumber(int number) {
    for (Command command : kAllCommands) {
        if (commandNumber(command) == number)
            return command;
    }
    return std::nullopt;
}

namespace {

constexpr int kMotionChoices = 8;

std::optional<int> choiceFrom(Command command, Command first) {
    const int offset = commandNumber(command) - commandNumber(first);
    if (offset < 0 || offset >= kMotionChoices)
        return std::nullopt;
    return offset;
}

} // namespace

std::optional<int> contextFillChoice(Command command) {
    const int offset = commandNumber(command) - commandNumber(Command::ContextFillAlbum);
    if (offset < 0 || offset >= kItemFillChoiceCount)
        return std::nullopt;
    return offset;
}

Command contextFillCommand(int choice) {
    return static_cast<Command>(commandNumber(Command::ContextFillAlbum) + choice);
}

std::optional<int> contextMotionChoice(Command command) {
    return choiceFrom(command, Command::ContextMotionNone);
}

std::optional<int> defaultMotionChoice(Command command) {
    return choiceFrom(command, Command::DefaultMotionNone);
}

Command contextMotionCommand(int choice) {
    return static_cast<Command>(commandNumber(Command::ContextMotionNone) + choice);
}

Command defaultMotionCommand(int choice) {
    return static_cast<Command>(commandNumber(Command::DefaultMotionNone) + choice);
}

std::string_view commandLabel(Command command) {
    for (const auto& entry : kLabels) {
        if (entry.command == command)
            return tr_(entry.label.data()); // every label is a whole literal
    }
    return {};
}

} // namespace velomira
