#include "ui/qt/accessible_names.h"

#include "app/string_utils.h"
#include "platform/translation.h"
#include "ui/qt/qt_text.h"

#include <QListWidget>

#include <array>

namespace velomira::qt {

namespace {

struct AccessibleText {
    Command command;
    const char* name;        // empty: the control's own text names it
    const char* description; // empty: none
};

const std::array<AccessibleText, 23> kAccessibleTexts = {{
    {Command::CaptionPosition, N_("文字位置"), N_("选中图片的文字在画面中的位置")},
    {Command::CaptionFont, N_("文字字体"), ""},
    {Command::CaptionSize, N_("文字字号"), ""},
    {Command::CaptionColour, N_("文字颜色"), N_("文字和底色的颜色")},
    {Command::CaptionText, N_("文字内容"), N_("选中图片的文字，最多97个字节")},
    {Command::CaptionHelp, N_("加文字的说明"), ""},
    {Command::LogoPosition, N_("图标位置"), ""},
    {Command::LogoPath, N_("图标文件"), ""},
    {Command::LogoChoose, N_("选择图标文件"), ""},
    {Command::LogoHelp, N_("加图标的说明"), ""},
    {Command::CoverPath, N_("封面图片文件"), ""},
    {Command::CoverChoose, N_("选择封面图片"), ""},
    {Command::CoverHelp, N_("设置封面的说明"), ""},
    {Command::MusicList, N_("背景音乐列表"),
     N_("每行一首：文件名、采样率、时长、试听。Delete 删除选中的音乐")},
    {Command::VideoSize, N_("视频尺寸"), ""},
    {Command::DisplayTime, N_("图片停顿时间"), ""},
    {Command::DisplayTimeText, N_("图片停顿时间"), N_("根据背景音乐自动调整")},
    {Command::VideoPreset, N_("预设"), N_("视频平台的尺寸和长度预设")},
    {Command::FillModeChoice, N_("画面填充"), N_("图片与画面比例不同时的填充方式")},
    {Command::VideoSizeCap, N_("文件大小上限"), ""},
    {Command::PictureTransition, N_("转场效果"), N_("选中图片进入时的转场效果")},
    {Command::GenerateButton, "", N_("把图片列表生成MP4视频")},
    {Command::MusicListen, "", N_("试听选中的音乐")},
}};

} // namespace

void nameControl(QWidget* widget, Command command) {
    for (const AccessibleText& text : kAccessibleTexts) {
        if (text.command != command)
            continue;
        if (*text.name != '\0')
            widget->setAccessibleName(qs(tr_(text.name)));
        if (*text.description != '\0')
            widget->setAccessibleDescription(qs(tr_(text.description)));
        return;
    }
}

const std::vector<Command>& tabOrder() {
    static const std::vector<Command> order = {
        Command::CaptionSwitch,   Command::CaptionPosition, Command::CaptionFont,
        Command::CaptionSize,     Command::CaptionColour,   Command::CaptionText,
        Command::CaptionHelp,     Command::MusicSwitch,     Command::AutoDisplayTime,
        Command::BeatSync,        Command::LoopPlay,        Command::MusicList,
        Command::MusicAdd,        Command::MusicRemove,     Command::MusicListen,
        Command::LogoSwitch,      Command::LogoPosition,    Command::LogoPath,
        Command::LogoChoose,      Command::LogoHelp,        Command::CoverSwitch,
        Command::CoverPath,       Command::CoverChoose,     Command::CoverHelp,
        Command::VideoSize,       Command::GenerateButton,  Command::DisplayTime,
        Command::DisplayTimeText, Command::VideoPreset,     Command::FillModeChoice,
        Command::VideoSizeCap,
    };
    return order;
}

QString pictureName(int row, const AlbumItem& item) {
    const bool captioned = item.caption.enabled != 0 && !item.caption.text.empty();
    return qs(formatText(tr_("第 %d 张：%s"), row + 1,
                         captioned ? item.caption.text.c_str() : item.fileName.c_str()));
}

QString transitionDescription(const QString& transition) {
    return qs(tr_("转场效果：")) + transition;
}

PictureListItem::PictureListItem(const QIcon& icon, const QString& text, Describe name)
    : QListWidgetItem(icon, text), name_(std::move(name)) {}

QVariant PictureListItem::data(int role) const {
    if (role == Qt::AccessibleTextRole && listWidget() != nullptr && name_)
        return name_(listWidget()->row(this));
    if (role == Qt::AccessibleDescriptionRole)
        return transitionDescription(QListWidgetItem::data(Qt::DisplayRole).toString());
    return QListWidgetItem::data(role);
}

} // namespace velomira::qt
