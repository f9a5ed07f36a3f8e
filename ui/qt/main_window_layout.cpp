// The main window's layout: toolbar, picture list, option groups, status bar, tray, shortcuts
// and the menus filled from the controller each time they open.
#include "album/album_model.h"
#include "app/startup.h"
#include "platform/translation.h"
#include "ui/option_forms.h"
#include "ui/picture_formats.h"
#include "ui/qt/accessible_names.h"
#include "ui/qt/badge_delegate.h"
#include "ui/qt/caption_sample.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_text.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>
#include <functional>
#include <optional>

namespace velomira::qt {

namespace {

struct ToolbarButton {
    Command command;
    const char* icon;  // ours, in the resources
    const char* theme; // the desktop theme's name for the same idea
    const char* tip;   // empty: the label
};

// nullopt rows are separators.
const std::vector<std::optional<ToolbarButton>>& toolbarButtons() {
    static const std::vector<std::optional<ToolbarButton>> buttons = {
        ToolbarButton{Command::ProjectMenu, "project", "folder", ""},
        std::nullopt,
        ToolbarButton{Command::AddPictures, "add_pictures", "list-add", ""},
        ToolbarButton{Command::LoadProduct, "load_product", "emblem-downloads",
                      "加载淘宝,天猫宝贝图片"},
        ToolbarButton{Command::RemovePictures, "remove_pictures", "list-remove", ""},
        std::nullopt,
        ToolbarButton{Command::ImportAnimation, "import_animation", "document-import",
                      "导入gif动画"},
        std::nullopt,
        ToolbarButton{Command::RotateLeft, "rotate_left", "object-rotate-left", ""},
        ToolbarButton{Command::RotateRight, "rotate_right", "object-rotate-right", ""},
        std::nullopt,
        ToolbarButton{Command::MoveForward, "move_left", "go-previous", "快捷键: Ctrl + ←"},
        ToolbarButton{Command::MoveBack, "move_right", "go-next", "快捷键: Ctrl + →"},
        std::nullopt,
        ToolbarButton{Command::Preview, "preview", "media-playback-start", ""},
        ToolbarButton{Command::GenerateVideo, "generate_video", "video-x-generic", ""},
        std::nullopt,
        ToolbarButton{Command::DesktopShortcut, "desktop_shortcut", "user-desktop",
                      "在桌面创建一个快捷方式"},
        ToolbarButton{Command::OfficialSite, "official_site", "applications-internet", ""},
        ToolbarButton{Command::About, "about", "help-about", ""},
        std::nullopt,
        ToolbarButton{Command::SettingsMenu, "settings", "preferences-system", ""},
    };
    return buttons;
}

// The caption text field takes only texts within the form's length rule.
class CaptionTextValidator final : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        return captionTextFits(utf8(input)) ? Acceptable : Invalid;
    }
};

const MenuEntryState* findEntry(const std::vector<MenuEntryState>& entries, Command command) {
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&](const MenuEntryState& e) { return e.command == command; });
    return found == entries.end() ? nullptr : &*found;
}

// Entries of a menu in their order; Separator marks a line between groups.
constexpr Command kSeparator = static_cast<Command>(0);

} // namespace

QWidget* QtMainWindow::buildToolbar() {
    auto* bar = addToolBar(QStringLiteral("toolbar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setIconSize(QSize(32, 32));
    bar->setStyleSheet(QStringLiteral("QToolBar { spacing: 0px; }"));
    projectMenu_ = new QMenu(this);
    settingsMenu_ = new QMenu(this);
    connect(projectMenu_, &QMenu::aboutToShow, this, &QtMainWindow::fillProjectMenu);
    connect(settingsMenu_, &QMenu::aboutToShow, this, &QtMainWindow::fillSettingsMenu);
    for (const auto& button : toolbarButtons()) {
        if (!button) {
            bar->addSeparator();
            continue;
        }
        const QIcon ours(QStringLiteral(":/icons/%1.png").arg(QLatin1String(button->icon)));
        QAction* action = bar->addAction(QIcon::fromTheme(QLatin1String(button->theme), ours),
                                         label(button->command));
        action->setToolTip(*button->tip != '\0' ? QString::fromUtf8(button->tip)
                                                : label(button->command));
        action->setData(commandNumber(button->command));
        actions_[button->command] = action;
        auto* tool = qobject_cast<QToolButton*>(bar->widgetForAction(action));
        if (tool != nullptr) {
            tool->setFixedWidth(kToolButtonWidth);
            // Reached with Tab (a click still leaves the focus where it was); the tip says more.
            tool->setFocusPolicy(Qt::TabFocus);
            if (*button->tip != '\0')
                tool->setAccessibleDescription(QString::fromUtf8(button->tip));
            if (button->command == Command::ProjectMenu)
                tool->setAccessibleDescription(qs(tr_("快捷键: Alt + P")));
            if (button->command == Command::SettingsMenu)
                tool->setAccessibleDescription(qs(tr_("快捷键: Alt + S")));
        }
        if (button->command == Command::ProjectMenu || button->command == Command::SettingsMenu) {
            action->setMenu(button->command == Command::ProjectMenu ? projectMenu_ : settingsMenu_);
            if (tool != nullptr)
                tool->setPopupMode(QToolButton::InstantPopup);
            continue;
        }
        const Command command = button->command;
        connect(action, &QAction::triggered, this,
                [this, command] { controller().dispatch(command); });
    }
    return bar;
}

namespace {

// The hint's picture with its last line, the formats, written from the list the picture dialog
// takes (two lines: it is longer than the space the picture had for it).
QPixmap emptyHintPicture() {
    QPixmap picture(QStringLiteral(":/icons/empty_list.png"));
    if (picture.isNull())
        return picture;
    const QImage image = picture.toImage();
    const QRect formats(126, 100, picture.width() - 136, 36);
    QPainter painter(&picture);
    painter.fillRect(formats, image.pixelColor(formats.right(), formats.top()));
    QFont font = painter.font();
    font.setPixelSize(12);
    painter.setFont(font);
    painter.setPen(QColor(0x55, 0x5b, 0x66));
    const QString text = qs("支持 " + readablePictureFormats());
    painter.drawText(formats.adjusted(3, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text);
    return picture;
}

} // namespace

QWidget* QtMainWindow::buildPictureList() {
    pictures_ = new QListWidget(this);
    pictures_->setObjectName(QStringLiteral("pictureList"));
    pictures_->setViewMode(QListView::IconMode);
    pictures_->setMovement(QListView::Static);
    pictures_->setFlow(QListView::LeftToRight);
    pictures_->setWrapping(true);
    pictures_->setResizeMode(QListView::Adjust);
    pictures_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    pictures_->setIconSize(QSize(thumbnailSize, thumbnailSize));
    pictures_->setGridSize(QSize(kCellWidth, kCellHeight));
    pictures_->setUniformItemSizes(true);
    pictures_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Pictures are dragged to a new place; the drop is handed to the controller, which owns the
    // rows (files dropped on the list go to the window's own drop handling).
    pictures_->setDragEnabled(true);
    pictures_->setDragDropMode(QAbstractItemView::DragOnly);
    pictures_->setDefaultDropAction(Qt::MoveAction);
    pictures_->setAcceptDrops(false);
    pictures_->viewport()->setAcceptDrops(true);
    pictures_->setContextMenuPolicy(Qt::CustomContextMenu);
    pictures_->setAccessibleName(qs(tr_("图片列表")));
    pictures_->setAccessibleDescription(
        qs(tr_("方向键选择图片，Delete 删除，Ctrl+←/→ 移动，菜单键打开右键菜单")));
    pictures_->setFixedHeight(2 * kCellHeight + 2 * pictures_->frameWidth() + 8);
    // The selection stays visible while another control has the focus.
    QPalette palette = pictures_->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    pictures_->setPalette(palette);
    badges_ = new BadgeDelegate(pictures_);
    pictures_->setItemDelegate(badges_);
    pictures_->viewport()->installEventFilter(this);

    QItemSelectionModel* selection = pictures_->selectionModel();
    connect(selection, &QItemSelectionModel::selectionChanged, this,
            &QtMainWindow::scheduleSelectionReport);
    connect(selection, &QItemSelectionModel::currentChanged, this,
            &QtMainWindow::scheduleSelectionReport);
    connect(pictures_, &QListWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = buildContextMenu();
        menu->exec(pictures_->viewport()->mapToGlobal(at));
        menu->deleteLater();
    });
    for (QScrollBar* bar : {pictures_->verticalScrollBar(), pictures_->horizontalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, this, [this] { placeTransitionEditor(); });

    editor_ = new QComboBox(pictures_->viewport());
    editor_->setObjectName(QStringLiteral("transitionEditor"));
    editor_->setFixedWidth(kEditorWidth);
    editor_->hide();
    const QScreen* screen = QGuiApplication::primaryScreen();
    editor_->setMaxVisibleItems(listDropHeight(screen != nullptr ? screen->size().height() : 768));
    connect(editor_, &QComboBox::activated, this,
            [this](int index) { controller().transitionChosen(utf8(editor_->itemText(index))); });
    registerControl(Command::PictureTransition, editor_);

    emptyHint_ = new QLabel(pictures_->viewport());
    emptyHint_->setObjectName(QStringLiteral("emptyHint"));
    emptyHint_->setPixmap(emptyHintPicture());
    emptyHint_->setAccessibleDescription(qs("支持 " + readablePictureFormats()));
    emptyHint_->setAttribute(Qt::WA_TransparentForMouseEvents);
    emptyHint_->adjustSize();
    return pictures_;
}

namespace {

QGroupBox* checkableGroup(const QString& title, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    group->setCheckable(true);
    group->setChecked(false);
    return group;
}

QLineEdit* pathField(QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setReadOnly(true);
    // Read-only paths read on white while they are enabled.
    QPalette palette = field->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::Base, Qt::white);
    field->setPalette(palette);
    return field;
}

QPushButton* smallButton(const QString& text, QWidget* parent, int width) {
    auto* button = new QPushButton(text, parent);
    button->setFixedWidth(width);
    button->setAutoDefault(false);
    return button;
}

// The commands of a switchable option that names a file; the option may have a position choice.
struct FileOptionCommands {
    Command switchOn;
    std::optional<Command> position;
    Command path;
    Command choose;
    Command help;
};

// The option's group in one row: its position choice, the path labelled pathLabel, a button that
// chooses the file and a help button. Each control is handed to registerControl.
QGroupBox* fileOptionGroup(const QString& title, const QString& pathLabel,
                           const FileOptionCommands& commands, QWidget* parent,
                           const std::function<void(Command, QWidget*)>& registerControl) {
    QGroupBox* group = checkableGroup(title, parent);
    registerControl(commands.switchOn, group);
    QComboBox* position = commands.position ? new QComboBox(group) : nullptr;
    QLineEdit* path = pathField(group);
    auto* choose = smallButton(QStringLiteral("选择..."), group, 64);
    auto* help = smallButton(QStringLiteral("?"), group, 28);
    if (position != nullptr)
        registerControl(*commands.position, position);
    registerControl(commands.path, path);
    registerControl(commands.choose, choose);
    registerControl(commands.help, help);
    auto* row = new QHBoxLayout(group);
    row->setContentsMargins(8, 4, 8, 6);
    if (position != nullptr) {
        row->addWidget(new QLabel(QStringLiteral("位置："), group));
        row->addWidget(position);
    }
    row->addWidget(new QLabel(pathLabel, group));
    row->addWidget(path, 1);
    row->addWidget(choose);
    row->addWidget(help);
    return group;
}

} // namespace

void QtMainWindow::registerControl(Command command, QWidget* widget) {
    controls_[command] = widget;
    nameControl(widget, command);
    widget->setProperty("command", commandNumber(command));
    if (auto* combo = qobject_cast<QComboBox*>(widget); combo != nullptr && combo != editor_) {
        connect(combo, &QComboBox::activated, this,
                [this, command](int index) { controller().choiceChanged(command, index); });
    } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
        connect(box, &QCheckBox::clicked, this,
                [this, command](bool on) { controller().checkChanged(command, on); });
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        connect(group, &QGroupBox::clicked, this,
                [this, command](bool on) { controller().checkChanged(command, on); });
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        connect(button, &QPushButton::clicked, this,
                [this, command] { controller().dispatch(command); });
    } else if (auto* field = qobject_cast<QLineEdit*>(widget);
               field != nullptr && !field->isReadOnly()) {
        connect(field, &QLineEdit::textEdited, this, [this, command](const QString& text) {
            controller().textEdited(command, utf8(text));
        });
    }
}

QWidget* QtMainWindow::buildCaptionGroup() {
    QGroupBox* group = checkableGroup(QStringLiteral("加文字"), this);
    registerControl(Command::CaptionSwitch, group);
    auto* position = new QComboBox(group);
    position->setMinimumWidth(120);
    auto* font = new QComboBox(group);
    auto* size = new QComboBox(group);
    auto* colour = new QComboBox(group);
    auto* text = new QLineEdit(group);
    text->setValidator(new CaptionTextValidator(text));
    sample_ = new CaptionSampleWidget(group);
    auto* help = smallButton(QStringLiteral("?"), group, 28);
    registerControl(Command::CaptionPosition, position);
    registerControl(Command::CaptionFont, font);
    registerControl(Command::CaptionSize, size);
    registerControl(Command::CaptionColour, colour);
    registerControl(Command::CaptionText, text);
    registerControl(Command::CaptionHelp, help);
    font->setMinimumWidth(110);

    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(8, 4, 8, 6);
    grid->setVerticalSpacing(4);
    grid->addWidget(new QLabel(QStringLiteral("位置："), group), 0, 0);
    grid->addWidget(position, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("字体："), group), 0, 2);
    grid->addWidget(font, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("字号："), group), 0, 4);
    grid->addWidget(size, 0, 5);
    grid->addWidget(new QLabel(QStringLiteral("颜色："), group), 0, 6);
    grid->addWidget(colour, 0, 7);
    grid->addWidget(new QLabel(QStringLiteral("文字："), group), 1, 0);
    grid->addWidget(text, 1, 1, 1, 5);
    grid->addWidget(sample_, 1, 6, 1, 2);
    grid->addWidget(help, 1, 8);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return group;
}

QWidget* QtMainWindow::buildLogoGroup() {
    return fileOptionGroup(QStringLiteral("加图标"), QStringLiteral("图标："),
                           {Command::LogoSwitch, Command::LogoPosition, Command::LogoPath,
                            Command::LogoChoose, Command::LogoHelp},
                           this, std::bind_front(&QtMainWindow::registerControl, this));
}

QWidget* QtMainWindow::buildMusicGroup() {
    QGroupBox* group = checkableGroup(QStringLiteral("加背景音乐"), this);
    registerControl(Command::MusicSwitch, group);
    auto* automatic = new QCheckBox(QStringLiteral("根据背景音乐自动调整图片停顿时间"), group);
    auto* loop = new QCheckBox(QStringLiteral("当音频长度 > 视频长度时, 图片循环播放"), group);
    auto* beats = new QCheckBox(QString::fromUtf8(tr_("按节拍切换图片")), group);
    // The tracks in columns: the name gives way (elided in the middle), rate, length and the
    // listening mark keep their width, and nothing scrolls sideways.
    auto* list = new QTreeWidget(group);
    list->setObjectName(QStringLiteral("musicList"));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setTextElideMode(Qt::ElideMiddle);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setHeaderLabels({QStringLiteral("文件名"), QStringLiteral("采样率"),
                           QStringLiteral("时长"), QStringLiteral("试听")});
    QHeaderView* header = list->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < 4; ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    auto* add = smallButton(label(Command::MusicAdd), group, 56);
    auto* remove = smallButton(label(Command::MusicRemove), group, 56);
    auto* listen = smallButton(label(Command::MusicListen), group, 56);
    registerControl(Command::AutoDisplayTime, automatic);
    registerControl(Command::LoopPlay, loop);
    registerControl(Command::BeatSync, beats);
    registerControl(Command::MusicList, list);
    registerControl(Command::MusicAdd, add);
    registerControl(Command::MusicRemove, remove);
    registerControl(Command::MusicListen, listen);
    connect(list, &QTreeWidget::currentItemChanged, this, [this, list](QTreeWidgetItem* item) {
        if (ignoreSelection_ == 0)
            controller().choiceChanged(Command::MusicList,
                                       item != nullptr ? list->indexOfTopLevelItem(item) : -1);
    });
    connect(list, &QTreeWidget::itemDoubleClicked, this, [this, list](QTreeWidgetItem* item) {
        controller().musicLineDoubleClicked(list->indexOfTopLevelItem(item));
    });
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addWidget(listen);
    buttons->addStretch();
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(list, 1);
    listRow->addLayout(buttons);
    auto* column = new QVBoxLayout(group);
    column->setContentsMargins(8, 4, 8, 6);
    column->setSpacing(3);
    // The beat option shares the first line, so the group keeps its height.
    auto* firstRow = new QHBoxLayout;
    firstRow->addWidget(automatic);
    firstRow->addWidget(beats);
    firstRow->addStretch();
    column->addLayout(firstRow);
    column->addWidget(loop);
    column->addLayout(listRow, 1);
    return group;
}

QWidget* QtMainWindow::buildCoverGroup() {
    return fileOptionGroup(QStringLiteral("设置封面：文件管理器中显示的视频缩略图"),
                           QStringLiteral("图片："),
                           {Command::CoverSwitch, std::nullopt, Command::CoverPath,
                            Command::CoverChoose, Command::CoverHelp},
                           this, std::bind_front(&QtMainWindow::registerControl, this));
}

QWidget* QtMainWindow::buildOutputGroup() {
    auto* group = new QGroupBox(QStringLiteral("视频输出设置"), this);
    auto* size = new QComboBox(group);
    size->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont)); // the labels line up
    size->setMinimumWidth(170);
    auto* time = new QComboBox(group);
    time->setMaxVisibleItems(40);
    auto* timeText = new QLineEdit(group);
    timeText->setReadOnly(true);
    timeText->hide();
    auto* generate = new QPushButton(label(Command::GenerateButton), group);
    generate->setAutoDefault(false);
    generate->setMinimumSize(96, 48);
    generate->setIcon(QIcon(QStringLiteral(":/icons/generate_video.png")));
    auto* fill = new QComboBox(group);
    registerControl(Command::VideoSize, size);
    registerControl(Command::FillModeChoice, fill);
    registerControl(Command::DisplayTime, time);
    registerControl(Command::DisplayTimeText, timeText);
    registerControl(Command::GenerateButton, generate);
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(8, 4, 8, 6);
    grid->addWidget(new QLabel(QStringLiteral("视频尺寸："), group), 0, 0);
    grid->addWidget(size, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("图片停顿："), group), 1, 0);
    grid->addWidget(time, 1, 1);
    grid->addWidget(timeText, 1, 1); // takes the list's place while times follow the music
    grid->addWidget(generate, 0, 2, 2, 1);
    addLimitRows(grid, group, fill);
    grid->setColumnStretch(1, 1);
    return group;
}

// The preset, the fill mode and the file-size cap in one row below the size and the display time
// (a low screen has no height to spare, and a wider group would squeeze the caption group's
// labels); the fill's and the cap's entries say what they are ("模糊背景", "≤ 16 MB").
void QtMainWindow::addLimitRows(QGridLayout* grid, QWidget* group, QComboBox* fill) {
    auto* preset = new QComboBox(group);
    preset->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    preset->setMinimumContentsLength(6);
    auto* cap = new QComboBox(group);
    cap->setToolTip(QStringLiteral("文件大小上限"));
    fill->setToolTip(QStringLiteral("画面填充"));
    fill->setAccessibleName(QStringLiteral("画面填充"));
    registerControl(Command::VideoPreset, preset);
    registerControl(Command::VideoSizeCap, cap);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(preset, 1);
    row->addWidget(fill);
    grid->addWidget(new QLabel(QStringLiteral("预设："), group), 2, 0);
    grid->addLayout(row, 2, 1);
    grid->addWidget(cap, 2, 2);
}

void QtMainWindow::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);
    bar->setMinimumHeight(22);
    // One row of parts without gaps, so each part ends where the one after it starts.
    statusParts_ = new QWidget(bar);
    auto* row = new QHBoxLayout(statusParts_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (int part = 0; part < 4; ++part) {
        status_[part] = new QLabel(statusParts_);
        status_[part]->setObjectName(QStringLiteral("statusPart%1").arg(part));
        status_[part]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        row->addWidget(status_[part], part == 3 ? 1 : 0);
    }
    // A long text in the last part is cut at the window's edge rather than squeezing the others.
    status_[3]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(statusParts_, 1);
    bar->installEventFilter(this);
    alignStatusParts();
}

void QtMainWindow::alignStatusParts() {
    // The bar's own margin decides where the first part starts; the widths make up for it.
    int start = statusParts_->mapTo(this, QPoint(0, 0)).x();
    for (int part = 0; part < 3; ++part) {
        status_[part]->setFixedWidth(kStatusPartEnds[part] - start);
        start = kStatusPartEnds[part];
    }
}

void QtMainWindow::buildTray() {
    tray_ = new QSystemTrayIcon(windowIcon(), this);
    tray_->setToolTip(QStringLiteral("Velomira"));
    auto* menu = new QMenu(this);
    for (Command command : {Command::TrayShowWindow, kSeparator, Command::TrayExit}) {
        if (command == kSeparator) {
            menu->addSeparator();
            continue;
        }
        connect(menu->addAction(label(command)), &QAction::triggered, this,
                [this, command] { controller().dispatch(command); });
    }
    tray_->setContextMenu(menu);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger)
            controller().trayIconClicked();
    });
}

void QtMainWindow::buildShortcuts() {
    const std::pair<QKeySequence, Command> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_D), Command::ContextRemoveAll},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), Command::ContextUndoRemoval},
        {QKeySequence(Qt::CTRL | Qt::Key_Left), Command::MoveForward},
        {QKeySequence(Qt::CTRL | Qt::Key_Right), Command::MoveBack},
        {QKeySequence(Qt::Key_F5), Command::ContextPreviewTransition},
        {QKeySequence(Qt::CTRL | Qt::Key_N), Command::NewProject},
        {QKeySequence(Qt::CTRL | Qt::Key_O), Command::OpenProject},
        {QKeySequence(Qt::CTRL | Qt::Key_S), Command::SaveProject},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), Command::SaveProjectAs},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), Command::TrayExit},
    };
    for (const auto& key : keys) {
        const Command command = key.second;
        auto* shortcut = new QShortcut(key.first, this);
        connect(shortcut, &QShortcut::activated, this,
                [this, command] { controller().dispatch(command); });
        shortcuts_.push_back(shortcut);
    }
    // The toolbar's two menus open from the keyboard without a mnemonic in their visible texts.
    for (const auto& entry : {std::pair{Qt::ALT | Qt::Key_P, Command::ProjectMenu},
                              std::pair{Qt::ALT | Qt::Key_S, Command::SettingsMenu}}) {
        const Command command = entry.second;
        auto* shortcut = new QShortcut(QKeySequence(entry.first), this);
        connect(shortcut, &QShortcut::activated, this, [this, command] {
            auto* bar = qobject_cast<QToolBar*>(toolbar_);
            auto* tool = bar != nullptr
                             ? qobject_cast<QToolButton*>(bar->widgetForAction(actions_[command]))
                             : nullptr;
            QMenu* menu = command == Command::ProjectMenu ? projectMenu_ : settingsMenu_;
            if (tool != nullptr && contentsEnabled_)
                menu->popup(tool->mapToGlobal(tool->rect().bottomLeft()));
        });
        shortcuts_.push_back(shortcut);
    }
}

void QtMainWindow::applyTabOrder() {
    QWidget* previous = pictures_;
    for (Command command : tabOrder()) {
        if (QWidget* next = control(command)) {
            setTabOrder(previous, next);
            previous = next;
        }
    }
}

// ---- menus ----------------------------------------------------------------------------------

namespace {

void addMenuEntries(QMenu* menu, const std::vector<MenuEntryState>& states,
                    std::initializer_list<Command> layout, bool checkable,
                    const std::function<void(Command)>& run) {
    for (Command command : layout) {
        if (command == kSeparator) {
            menu->addSeparator();
            continue;
        }
        const MenuEntryState* state = findEntry(states, command);
        QAction* action = menu->addAction(label(command));
        action->setData(commandNumber(command));
        action->setEnabled(state == nullptr || state->enabled);
        if (checkable) {
            action->setCheckable(true);
            action->setChecked(state != nullptr && state->checked);
        }
        QObject::connect(action, &QAction::triggered, menu, [run, command] { run(command); });
    }
}

} // namespace

void QtMainWindow::fillProjectMenu() {
    projectMenu_->clear();
    const auto run = [this](Command c) { controller().dispatch(c); };
    addMenuEntries(projectMenu_, controller().projectMenu(),
                   {Command::NewProject, kSeparator, Command::OpenProject, kSeparator,
                    Command::SaveProject, Command::SaveProjectAs},
                   false, run);
    fillRecentProjects(projectMenu_);
}

void QtMainWindow::fillRecentProjects(QMenu* menu) {
    const auto entries = controller().recentProjects();
    if (!entries.empty())
        menu->addSeparator();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        // A missing file looks disabled but still takes the click that removes it.
        QString text =
            QStringLiteral("&%1 %2    %3").arg(i + 1).arg(qs(entries[i].name), qs(entries[i].path));
        if (entries[i].missing)
            text += QStringLiteral("（文件不存在）");
        QAction* action = menu->addAction(text);
        if (entries[i].missing) {
            QFont font = action->font();
            font.setItalic(true);
            action->setFont(font);
        }
        connect(action, &QAction::triggered, this,
                [this, i] { controller().openRecentProject(i); });
    }
}

void QtMainWindow::fillSettingsMenu() {
    settingsMenu_->clear();
    const std::vector<MenuEntryState> states = controller().settingsMenu();
    const auto run = [this](Command c) { controller().dispatch(c); };
    addMenuEntries(settingsMenu_->addMenu(QStringLiteral("视频背景填充色")), states,
                   {Command::BackgroundWhite, Command::BackgroundBlack}, true, run);
    addMenuEntries(
        settingsMenu_->addMenu(QStringLiteral("生成视频的默认文件名")), states,
        {Command::DefaultNameEmpty, Command::DefaultNameTime, Command::DefaultNameFirstPicture},
        true, run);
    addMenuEntries(settingsMenu_, states,
                   {kSeparator, Command::CaptionMarginsDialog, Command::LoopPlayDialog}, false,
                   run);
    addMenuEntries(settingsMenu_, states, {Command::RawFrameTransport, Command::AutoOrient}, true,
                   run);
    addMenuEntries(settingsMenu_, states, {kSeparator, Command::MusicFade, Command::EvenLoudness},
                   true, run);
    QMenu* newMotion = settingsMenu_->addMenu(QStringLiteral("新图片的镜头运动"));
    addMenuEntries(newMotion, states,
                   {Command::DefaultMotionNone, Command::DefaultMotionZoomIn,
                    Command::DefaultMotionZoomOut, Command::DefaultMotionPanLeft,
                    Command::DefaultMotionPanRight, Command::DefaultMotionPanUp,
                    Command::DefaultMotionPanDown, kSeparator, Command::DefaultMotionRandom},
                   true, run);
    addMenuEntries(
        settingsMenu_->addMenu(QString::fromUtf8(tr_("编码速度"))), states,
        {Command::EncoderSpeedFast, Command::EncoderSpeedStandard, Command::EncoderSpeedFine}, true,
        run);
    settingsMenu_->addSeparator();
    addMenuEntries(settingsMenu_->addMenu(QStringLiteral("关闭窗口时")), states,
                   {Command::CloseExits, Command::CloseHidesToTray}, true, run);
    addMenuEntries(settingsMenu_, states, {kSeparator, Command::Guide}, false, run);
}

QMenu* QtMainWindow::buildContextMenu() {
    auto* menu = new QMenu(this);
    const auto run = [this](Command c) { controller().dispatch(c); };
    addMenuEntries(menu, controller().contextMenu(),
                   {Command::ContextAddPictures,
                    Command::ContextInsertPictures,
                    kSeparator,
                    Command::ContextRemoveSelected,
                    Command::ContextRemoveAll,
                    Command::ContextUndoRemoval,
                    kSeparator,
                    Command::ContextShuffle,
                    kSeparator,
                    Command::ContextNewTransitionSet,
                    Command::ContextSameTransitionForAll,
                    kSeparator,
                    Command::ContextCaptionsEdgeDiagonal,
                    Command::ContextCaptionsEdgeCross,
                    kSeparator,
                    Command::ContextCaptionsInsetDiagonal,
                    Command::ContextCaptionsInsetCross,
                    kSeparator,
                    Command::ContextCaptionsMiddleBottom,
                    kSeparator,
                    Command::ContextSetAsCover,
                    Command::ContextPictureTime,
                    kSeparator,
                    Command::ContextPreviewTransition,
                    Command::ContextPreviewFromStart},
                   false, run);
    const std::vector<MenuEntryState> states = controller().contextMenu();
    // The framing that follows the subject: the album's switch and one picture's region.
    addMenuEntries(menu, states, {Command::ContextFollowSubject}, true, run);
    addMenuEntries(menu, states, {Command::ContextSetFocus, kSeparator}, false, run);
    // The vendor's page of a transition, only where a site is configured.
    if (findEntry(states, Command::ContextPreviewTransitionPage) != nullptr)
        addMenuEntries(menu, states, {Command::ContextPreviewTransitionPage}, false, run);
    menu->addSeparator();
    // How the selected pictures fill the frame; the first entry follows the album's choice.
    QMenu* fill = menu->addMenu(QStringLiteral("画面填充"));
    addMenuEntries(fill, states,
                   {Command::ContextFillAlbum, kSeparator, Command::ContextFillFit,
                    Command::ContextFillCrop, Command::ContextFillBlur},
                   true, run);
    // The camera motion of the selected pictures; random is drawn and then shows as the move.
    QMenu* motion = menu->addMenu(QStringLiteral("镜头运动"));
    addMenuEntries(motion, states,
                   {Command::ContextMotionNone, Command::ContextMotionZoomIn,
                    Command::ContextMotionZoomOut, Command::ContextMotionPanLeft,
                    Command::ContextMotionPanRight, Command::ContextMotionPanUp,
                    Command::ContextMotionPanDown},
                   true, run);
    // Random is an action, not a state: once drawn, the move it drew is the one checked.
    addMenuEntries(motion, states, {kSeparator, Command::ContextMotionRandom}, false, run);
    return menu;
}

} // namespace velomira::qt
