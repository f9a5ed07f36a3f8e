#include "ui/commands.h"

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
    CommandLabel{Command::ContextPreviewTransition, "预览该图片动画\tF5"},
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

constexpr int kFirstNumber = 35100;
constexpr int kLastNumber = 36203;

} // namespace

std::optional<Command> commandFromNumber(int number) {
    if (number < kFirstNumber || number > kLastNumber)
        return std::nullopt;
    const auto command = static_cast<Command>(number);
    // Only the numbers the enumeration names; the range holds gaps.
    switch (command) {
#define VELOMIRA_KNOWN(name) case Command::name:
        VELOMIRA_KNOWN(AddPictures)
        VELOMIRA_KNOWN(LoadProduct) VELOMIRA_KNOWN(RemovePictures) VELOMIRA_KNOWN(ImportAnimation) VELOMIRA_KNOWN(
            RotateLeft) VELOMIRA_KNOWN(RotateRight) VELOMIRA_KNOWN(MoveForward) VELOMIRA_KNOWN(MoveBack)
            VELOMIRA_KNOWN(ProjectMenu) VELOMIRA_KNOWN(Preview) VELOMIRA_KNOWN(GenerateVideo) VELOMIRA_KNOWN(
                DesktopShortcut) VELOMIRA_KNOWN(OfficialSite) VELOMIRA_KNOWN(About) VELOMIRA_KNOWN(SettingsMenu)
                VELOMIRA_KNOWN(ContextAddPictures) VELOMIRA_KNOWN(ContextRemoveSelected) VELOMIRA_KNOWN(
                    ContextRemoveAll) VELOMIRA_KNOWN(ContextShuffle) VELOMIRA_KNOWN(ContextNewTransitionSet)
                    VELOMIRA_KNOWN(ContextSameTransitionForAll) VELOMIRA_KNOWN(ContextCaptionsEdgeDiagonal) VELOMIRA_KNOWN(
                        ContextCaptionsEdgeCross) VELOMIRA_KNOWN(ContextCaptionsInsetDiagonal)
                        VELOMIRA_KNOWN(ContextCaptionsInsetCross) VELOMIRA_KNOWN(
                            ContextCaptionsMiddleBottom) VELOMIRA_KNOWN(ContextPreviewTransition)
                            VELOMIRA_KNOWN(ContextInsertPictures) VELOMIRA_KNOWN(ContextSetAsCover) VELOMIRA_KNOWN(
                                DefaultNameEmpty) VELOMIRA_KNOWN(DefaultNameTime) VELOMIRA_KNOWN(DefaultNameFirstPicture)
                                VELOMIRA_KNOWN(BackgroundWhite) VELOMIRA_KNOWN(BackgroundBlack) VELOMIRA_KNOWN(
                                    CloseExits) VELOMIRA_KNOWN(CloseHidesToTray) VELOMIRA_KNOWN(Guide)
                                    VELOMIRA_KNOWN(CaptionMarginsDialog) VELOMIRA_KNOWN(LoopPlayDialog) VELOMIRA_KNOWN(
                                        NewProject) VELOMIRA_KNOWN(OpenProject) VELOMIRA_KNOWN(SaveProject)
                                        VELOMIRA_KNOWN(SaveProjectAs) VELOMIRA_KNOWN(CaptionSwitch) VELOMIRA_KNOWN(
                                            CaptionPosition) VELOMIRA_KNOWN(CaptionFont) VELOMIRA_KNOWN(CaptionSize)
                                            VELOMIRA_KNOWN(CaptionColour) VELOMIRA_KNOWN(CaptionText) VELOMIRA_KNOWN(
                                                CaptionHelp) VELOMIRA_KNOWN(LogoSwitch) VELOMIRA_KNOWN(LogoPosition)
                                                VELOMIRA_KNOWN(LogoPath) VELOMIRA_KNOWN(LogoChoose) VELOMIRA_KNOWN(
                                                    LogoHelp) VELOMIRA_KNOWN(CoverSwitch)
                                                    VELOMIRA_KNOWN(CoverPath) VELOMIRA_KNOWN(
                                                        CoverChoose) VELOMIRA_KNOWN(CoverHelp)
                                                        VELOMIRA_KNOWN(MusicSwitch) VELOMIRA_KNOWN(
                                                            AutoDisplayTime) VELOMIRA_KNOWN(LoopPlay)
                                                            VELOMIRA_KNOWN(MusicList) VELOMIRA_KNOWN(
                                                                MusicAdd) VELOMIRA_KNOWN(MusicRemove)
                                                                VELOMIRA_KNOWN(MusicListen) VELOMIRA_KNOWN(
                                                                    VideoSize) VELOMIRA_KNOWN(DisplayTime)
                                                                    VELOMIRA_KNOWN(DisplayTimeText) VELOMIRA_KNOWN(
                                                                        GenerateButton) VELOMIRA_KNOWN(PictureTransition)
                                                                        VELOMIRA_KNOWN(PreviewMusicPlay) VELOMIRA_KNOWN(
                                                                            PreviewMusicRestart)
                                                                            VELOMIRA_KNOWN(
                                                                                PreviewMusicPause)
                                                                                VELOMIRA_KNOWN(
                                                                                    PreviewMusicResume)
                                                                                    VELOMIRA_KNOWN(
                                                                                        PreviewMusicStop)
                                                                                        VELOMIRA_KNOWN(
                                                                                            TrayShowWindow)
                                                                                            VELOMIRA_KNOWN(
                                                                                                TrayExit)
#undef VELOMIRA_KNOWN
                                                                                                return command;
    }
    return std::nullopt;
}

std::string_view commandLabel(Command command) {
    for (const auto& entry : kLabels) {
        if (entry.command == command)
            return entry.label;
    }
    return {};
}

} // namespace velomira
