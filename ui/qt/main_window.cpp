#include "ui/qt/main_window.h"

#include "album/album_model.h"
#include "app/startup.h"
#include "app/text_conversion.h"
#include "ui/qt/badge_delegate.h"
#include "ui/qt/caption_sample.h"
#include "ui/qt/generation_progress.h"

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
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>

// Resources of a static library are registered by hand: nothing else pulls their object in.
static void registerWindowResources() {
    Q_INIT_RESOURCE(icons);
}

namespace velomira::qt {

namespace {

constexpr int kWindowWidth = 1000;
constexpr int kStatusPartEnds[3] = {130, 750, 885};
constexpr int kToolButtonWidth = 62;
constexpr int kEditorWidth = 144;
constexpr int kCaptionTextBytes = 97;
// Grid of the picture list: the thumbnail, the transition name under it and some air.
constexpr int kCellWidth = 160;
constexpr int kCellHeight = 176;

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

QString label(Command command) {
    return qs(commandLabel(command));
}

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

// The caption text field holds at most 97 bytes in GBK, as the project file stores it.
class CaptionTextValidator final : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        return gbkByteLength(utf8(input)) <= kCaptionTextBytes ? Acceptable : Invalid;
    }
};

const MenuEntryState* findEntry(const std::vector<MenuEntryState>& entries, Command command) {
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&](const MenuEntryState& e) { return e.command == command; });
    return found == entries.end() ? nullptr : &*found;
}

// Entries of a menu in their order; Separator marks a line between groups.
constexpr Command kSeparator = static_cast<Command>(0);

bool isTextField(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) != nullptr;
}

} // namespace

QtMainWindow::QtMainWindow(const CaptionFontTable* fonts)
    : fonts_(fonts), quitHandler_([] { QCoreApplication::quit(); }) {
    registerWindowResources();
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(QStringLiteral(":/icons/velomira.png")));
    setAcceptDrops(true);

    toolbar_ = buildToolbar();
    contents_ = new QWidget(this);
    auto* layout = new QVBoxLayout(contents_);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(6);
    layout->addWidget(buildPictureList());
    auto* groups = new QGridLayout;
    groups->setHorizontalSpacing(8);
    groups->setVerticalSpacing(4);
    groups->addWidget(buildCaptionGroup(), 0, 0);
    groups->addWidget(buildLogoGroup(), 1, 0);
    groups->addWidget(buildMusicGroup(), 0, 1, 2, 1);
    groups->addWidget(buildCoverGroup(), 2, 0);
    groups->addWidget(buildOutputGroup(), 2, 1);
    groups->setColumnStretch(0, 3);
    groups->setColumnStretch(1, 2);
    layout->addLayout(groups);
    setCentralWidget(contents_);
    buildStatusBar();
    buildTray();
    buildShortcuts();

    progress_ = new GenerationProgressDialog(this);
    connect(progress_, &GenerationProgressDialog::stopRequested, this,
            [this] { controller().stopGeneration(); });

    qApp->installEventFilter(this);
    setWindowTitle(QStringLiteral("Velomira(V8.3)"));
    layout->activate();
    // Wide enough for every toolbar button: none may hide behind the overflow arrow.
    // The last status part holds "视频长度: 00:00:00" beyond the 885 pixels of the others.
    const int toolbarWidth = toolbar_->sizeHint().width() + 8;
    const int statusWidth = kStatusPartEnds[2] +
                            fontMetrics().horizontalAdvance(QStringLiteral("视频长度: 00:00:00")) +
                            16;
    setFixedSize(std::max({kWindowWidth, toolbarWidth, statusWidth}), sizeHint().height());
    placeEmptyHint();
}

QtMainWindow::~QtMainWindow() {
    qApp->removeEventFilter(this);
    while (waitCursors_ > 0) {
        QApplication::restoreOverrideCursor();
        --waitCursors_;
    }
}

void QtMainWindow::attach(MainWindow& controller) {
    controller_ = &controller;
}

void QtMainWindow::setQuitHandler(std::function<void()> handler) {
    quitHandler_ = std::move(handler);
}

MainWindow& QtMainWindow::controller() {
    flushSelectionReport();
    return *controller_;
}

// ---- building -------------------------------------------------------------------------------

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
        if (tool != nullptr)
            tool->setFixedWidth(kToolButtonWidth);
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
    pictures_->setDragDropMode(QAbstractItemView::NoDragDrop);
    pictures_->setAcceptDrops(false);
    pictures_->viewport()->setAcceptDrops(false);
    pictures_->setContextMenuPolicy(Qt::CustomContextMenu);
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
    emptyHint_->setPixmap(QPixmap(QStringLiteral(":/icons/empty_list.png")));
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

} // namespace

template <class Widget> Widget* QtMainWindow::controlAs(Command command) const {
    return qobject_cast<Widget*>(control(command));
}

void QtMainWindow::registerControl(Command command, QWidget* widget) {
    controls_[command] = widget;
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
    QGroupBox* group = checkableGroup(QStringLiteral("加图标"), this);
    registerControl(Command::LogoSwitch, group);
    auto* position = new QComboBox(group);
    QLineEdit* path = pathField(group);
    auto* choose = smallButton(QStringLiteral("选择..."), group, 64);
    auto* help = smallButton(QStringLiteral("?"), group, 28);
    registerControl(Command::LogoPosition, position);
    registerControl(Command::LogoPath, path);
    registerControl(Command::LogoChoose, choose);
    registerControl(Command::LogoHelp, help);
    auto* row = new QHBoxLayout(group);
    row->setContentsMargins(8, 4, 8, 6);
    row->addWidget(new QLabel(QStringLiteral("位置："), group));
    row->addWidget(position);
    row->addWidget(new QLabel(QStringLiteral("图标："), group));
    row->addWidget(path, 1);
    row->addWidget(choose);
    row->addWidget(help);
    return group;
}

QWidget* QtMainWindow::buildMusicGroup() {
    QGroupBox* group = checkableGroup(QStringLiteral("加背景音乐"), this);
    registerControl(Command::MusicSwitch, group);
    auto* automatic = new QCheckBox(QStringLiteral("根据背景音乐自动调整图片停顿时间"), group);
    auto* loop = new QCheckBox(QStringLiteral("当音频长度 > 视频长度时, 图片循环播放"), group);
    auto* list = new QListWidget(group);
    list->setObjectName(QStringLiteral("musicList"));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* add = smallButton(label(Command::MusicAdd), group, 56);
    auto* remove = smallButton(label(Command::MusicRemove), group, 56);
    auto* listen = smallButton(label(Command::MusicListen), group, 56);
    registerControl(Command::AutoDisplayTime, automatic);
    registerControl(Command::LoopPlay, loop);
    registerControl(Command::MusicList, list);
    registerControl(Command::MusicAdd, add);
    registerControl(Command::MusicRemove, remove);
    registerControl(Command::MusicListen, listen);
    connect(list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (ignoreSelection_ == 0)
            controller().choiceChanged(Command::MusicList, row);
    });
    connect(list, &QListWidget::itemDoubleClicked, this, [this, list](QListWidgetItem* item) {
        controller().musicLineDoubleClicked(list->row(item));
    });
    // The lines are padded into columns: "%-108s %dHz     %s".
    list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
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
    column->addWidget(automatic);
    column->addWidget(loop);
    column->addLayout(listRow, 1);
    return group;
}

QWidget* QtMainWindow::buildCoverGroup() {
    QGroupBox* group =
        checkableGroup(QStringLiteral("设置封面：Windows 文件夹中显示的视频缩略图"), this);
    registerControl(Command::CoverSwitch, group);
    QLineEdit* path = pathField(group);
    auto* choose = smallButton(QStringLiteral("选择..."), group, 64);
    auto* help = smallButton(QStringLiteral("?"), group, 28);
    registerControl(Command::CoverPath, path);
    registerControl(Command::CoverChoose, choose);
    registerControl(Command::CoverHelp, help);
    auto* row = new QHBoxLayout(group);
    row->setContentsMargins(8, 4, 8, 6);
    row->addWidget(new QLabel(QStringLiteral("图片："), group));
    row->addWidget(path, 1);
    row->addWidget(choose);
    row->addWidget(help);
    return group;
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
    registerControl(Command::VideoSize, size);
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
    grid->setColumnStretch(1, 1);
    return group;
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
        {QKeySequence(Qt::CTRL | Qt::Key_Left), Command::MoveForward},
        {QKeySequence(Qt::CTRL | Qt::Key_Right), Command::MoveBack},
        {QKeySequence(Qt::Key_F5), Command::ContextPreviewTransition},
    };
    for (const auto& key : keys) {
        const Command command = key.second;
        auto* shortcut = new QShortcut(key.first, this);
        connect(shortcut, &QShortcut::activated, this,
                [this, command] { controller().dispatch(command); });
        shortcuts_.push_back(shortcut);
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
                    kSeparator,
                    Command::ContextPreviewTransition},
                   false, run);
    return menu;
}

// ---- accessors ------------------------------------------------------------------------------

QWidget* QtMainWindow::control(Command command) const {
    const auto found = controls_.find(command);
    return found == controls_.end() ? nullptr : found->second;
}

QAction* QtMainWindow::toolbarAction(Command command) const {
    const auto found = actions_.find(command);
    return found == actions_.end() ? nullptr : found->second;
}

QListWidget* QtMainWindow::pictureList() const {
    return pictures_;
}

QComboBox* QtMainWindow::transitionEditor() const {
    return editor_;
}

QLabel* QtMainWindow::statusPart(int part) const {
    return part >= 0 && part < 4 ? status_[part] : nullptr;
}

QWidget* QtMainWindow::emptyHint() const {
    return emptyHint_;
}

QSystemTrayIcon* QtMainWindow::trayIcon() const {
    return tray_;
}

QMenu* QtMainWindow::projectMenuWidget() const {
    return projectMenu_;
}

QMenu* QtMainWindow::settingsMenuWidget() const {
    return settingsMenu_;
}

bool QtMainWindow::windowContentsEnabled() const {
    return contentsEnabled_;
}

// ---- MainWindowView: window -----------------------------------------------------------------

void QtMainWindow::setTitle(const std::string& title) {
    setWindowTitle(qs(title));
}

void QtMainWindow::setStatusText(int part, const std::string& text) {
    if (QLabel* label = statusPart(part))
        label->setText(qs(text));
}

void QtMainWindow::setWindowEnabled(bool enabled) {
    // The contents, not the window: the progress dialog is its child and must stay usable.
    contentsEnabled_ = enabled;
    contents_->setEnabled(enabled);
    toolbar_->setEnabled(enabled);
    for (QObject* shortcut : shortcuts_)
        static_cast<QShortcut*>(shortcut)->setEnabled(enabled);
}

void QtMainWindow::setWaitCursor(bool on) {
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++waitCursors_;
    } else if (waitCursors_ > 0) {
        QApplication::restoreOverrideCursor();
        --waitCursors_;
    }
}

void QtMainWindow::pumpEvents() {
    // Repaint between the files of a batch; input waits until the batch ends, so no second
    // command can run inside the first.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// ---- MainWindowView: controls ---------------------------------------------------------------

void QtMainWindow::setEnabled(Command command, bool enabled) {
    if (QAction* action = toolbarAction(command))
        action->setEnabled(enabled);
    if (QWidget* widget = control(command))
        widget->setEnabled(enabled);
}

void QtMainWindow::setChecked(Command command, bool checked) {
    QWidget* widget = control(command);
    const QSignalBlocker blocker(widget);
    if (auto* box = qobject_cast<QCheckBox*>(widget))
        box->setChecked(checked);
    else if (auto* group = qobject_cast<QGroupBox*>(widget))
        group->setChecked(checked);
}

void QtMainWindow::setFieldText(Command command, const std::string& text) {
    if (auto* field = controlAs<QLineEdit>(command)) {
        const QSignalBlocker blocker(field);
        field->setText(qs(text));
        field->setCursorPosition(0);
    }
}

void QtMainWindow::setChoices(Command command, const std::vector<std::string>& entries) {
    QStringList texts;
    for (const std::string& entry : entries)
        texts << qs(entry);
    if (auto* combo = controlAs<QComboBox>(command)) {
        const QSignalBlocker blocker(combo);
        combo->clear();
        combo->addItems(texts);
        combo->setCurrentIndex(-1);
    } else if (auto* list = controlAs<QListWidget>(command)) {
        ++ignoreSelection_;
        list->clear();
        list->addItems(texts);
        --ignoreSelection_;
    }
}

void QtMainWindow::setChoice(Command command, int index) {
    if (auto* combo = controlAs<QComboBox>(command)) {
        const QSignalBlocker blocker(combo);
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
    } else if (auto* list = controlAs<QListWidget>(command)) {
        ++ignoreSelection_;
        list->setCurrentRow(index);
        --ignoreSelection_;
    }
}

void QtMainWindow::setVisible(Command command, bool visible) {
    if (QWidget* widget = control(command))
        widget->setVisible(visible);
}

void QtMainWindow::setButtonText(Command command, const std::string& text) {
    if (auto* button = controlAs<QAbstractButton>(command))
        button->setText(qs(text));
}

void QtMainWindow::focus(Command command) {
    if (QWidget* widget = control(command))
        widget->setFocus(Qt::OtherFocusReason);
}

void QtMainWindow::setCaptionSample(const CaptionSample& sample) {
    QString family;
    if (fonts_ != nullptr && !sample.fontName.empty()) {
        if (const auto file = lookupCaptionFont(*fonts_, sample.fontName)) {
            static std::map<std::string, QString> loaded; // a font file is registered once
            auto [entry, added] = loaded.try_emplace(*file);
            if (added) {
                const int id = QFontDatabase::addApplicationFont(qs(*file));
                const QStringList families = QFontDatabase::applicationFontFamilies(id);
                if (!families.isEmpty())
                    entry->second = families.front();
            }
            family = entry->second;
        }
    }
    sample_->setSample(sample, family);
}

// ---- MainWindowView: picture list -----------------------------------------------------------

namespace {

QIcon iconFromPng(const PngBytes& png) {
    QPixmap pixmap;
    pixmap.loadFromData(png.data(), static_cast<uint>(png.size()), "PNG");
    return QIcon(pixmap);
}

} // namespace

void QtMainWindow::insertPictureRow(int row, const PngBytes& icon, const std::string& text) {
    ++ignoreSelection_;
    auto* item = new QListWidgetItem(iconFromPng(icon), qs(text));
    item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
    pictures_->insertItem(row < 0 ? pictures_->count() : row, item);
    --ignoreSelection_;
}

void QtMainWindow::setPictureRowText(int row, const std::string& text) {
    if (QListWidgetItem* item = pictures_->item(row))
        item->setText(qs(text));
}

void QtMainWindow::setPictureRowIcon(int row, const PngBytes& icon) {
    if (QListWidgetItem* item = pictures_->item(row))
        item->setIcon(iconFromPng(icon));
}

void QtMainWindow::removePictureRow(int row) {
    ++ignoreSelection_;
    delete pictures_->takeItem(row);
    --ignoreSelection_;
    if (row == editorRow_)
        hideTransitionEditor();
}

void QtMainWindow::clearPictureRows() {
    ++ignoreSelection_;
    pictures_->clear();
    --ignoreSelection_;
    hideTransitionEditor();
}

void QtMainWindow::setPictureSelection(const std::vector<int>& rows, int focusedRow) {
    ++ignoreSelection_;
    QItemSelectionModel* model = pictures_->selectionModel();
    QItemSelection selection;
    for (int row : rows) {
        const QModelIndex index = pictures_->model()->index(row, 0);
        if (index.isValid())
            selection.select(index, index);
    }
    model->select(selection, QItemSelectionModel::ClearAndSelect);
    const QModelIndex focused = pictures_->model()->index(focusedRow, 0);
    model->setCurrentIndex(focused, QItemSelectionModel::NoUpdate);
    --ignoreSelection_;
}

void QtMainWindow::scrollToPicture(int row) {
    if (QListWidgetItem* item = pictures_->item(row))
        pictures_->scrollToItem(item);
}

void QtMainWindow::setEmptyHintShown(bool shown) {
    emptyHint_->setVisible(shown);
    if (shown)
        placeEmptyHint();
}

void QtMainWindow::placeEmptyHint() {
    const QSize area = pictures_->viewport()->size();
    emptyHint_->move((area.width() - emptyHint_->width()) / 2,
                     (area.height() - emptyHint_->height()) / 2);
}

void QtMainWindow::showTransitionEditor(int row, const std::string& entry) {
    if (editor_->count() == 0 && controller_ != nullptr) {
        const QSignalBlocker blocker(editor_);
        for (const std::string& text : controller_->transitionEditorEntries())
            editor_->addItem(qs(text));
        // The drop-down is as wide as the longest effect name needs.
        const int wide =
            editor_->fontMetrics().horizontalAdvance(QStringLiteral("从左右两侧向中间展开")) + 6 +
            editor_->view()->verticalScrollBar()->sizeHint().width();
        editor_->view()->setMinimumWidth(std::max(kEditorWidth, wide));
    }
    {
        const QSignalBlocker blocker(editor_);
        editor_->setCurrentIndex(editor_->findText(qs(entry)));
    }
    editorRow_ = row;
    placeTransitionEditor();
}

void QtMainWindow::hideTransitionEditor() {
    editorRow_ = -1;
    editor_->hide();
}

void QtMainWindow::placeTransitionEditor() {
    QListWidgetItem* item = editorRow_ >= 0 ? pictures_->item(editorRow_) : nullptr;
    if (item == nullptr)
        return editor_->hide();
    const QRect cell = pictures_->visualItemRect(item);
    const int x = cell.left() + (cell.width() - kEditorWidth) / 2;
    const int y = cell.bottom() - editor_->sizeHint().height() + 1;
    editor_->move(x, y);
    editor_->show();
    editor_->raise();
}

void QtMainWindow::setCaptionBadges(const std::vector<CaptionBadge>& badges) {
    std::map<int, int> byRow;
    for (const CaptionBadge& badge : badges)
        byRow[badge.row] = badge.location;
    badges_->setBadges(std::move(byRow));
    pictures_->viewport()->update();
}

// ---- selection reports ----------------------------------------------------------------------

void QtMainWindow::scheduleSelectionReport() {
    // The selection and the current row change one after the other; one report carries both.
    if (ignoreSelection_ > 0 || selectionReportPending_)
        return;
    selectionReportPending_ = true;
    QMetaObject::invokeMethod(
        this, [this] { flushSelectionReport(); }, Qt::QueuedConnection);
}

void QtMainWindow::flushSelectionReport() {
    if (!selectionReportPending_)
        return;
    selectionReportPending_ = false;
    reportSelection();
}

void QtMainWindow::reportSelection() {
    if (controller_ == nullptr)
        return;
    std::vector<int> rows;
    for (const QModelIndex& index : pictures_->selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    const QModelIndex current = pictures_->currentIndex();
    const bool listFocus = pictures_->hasFocus() || editor_->hasFocus();
    controller_->selectionChanged(rows, current.isValid() ? current.row() : -1, listFocus);
}

// ---- MainWindowView: window states ----------------------------------------------------------

bool QtMainWindow::trayAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtMainWindow::setTrayIconShown(bool shown) {
    tray_->setVisible(shown);
}

void QtMainWindow::setWindowShown(bool shown) {
    if (!shown)
        return hide();
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void QtMainWindow::minimizeWindow() {
    showMinimized();
}

void QtMainWindow::raiseWindow() {
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void QtMainWindow::quit() {
    if (quitHandler_)
        quitHandler_();
}

bool QtMainWindow::openExternal(const std::string& fileOrUrl) {
    const QString text = qs(fileOrUrl);
    const QUrl url = text.contains(QStringLiteral("://")) ? QUrl(text) : QUrl::fromLocalFile(text);
    return QDesktopServices::openUrl(url);
}

void QtMainWindow::showGenerationProgress(int picture, int total) {
    progress_->showProgress(picture, total);
}

void QtMainWindow::setGenerationStopping() {
    progress_->showStopping();
}

void QtMainWindow::hideGenerationProgress() {
    progress_->hide();
}

void QtMainWindow::postToWindowThread(std::function<void()> fn) {
    QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

// ---- events ---------------------------------------------------------------------------------

void QtMainWindow::closeEvent(QCloseEvent* event) {
    // The controller decides: exit flow, hide into the tray, or nothing during a run.
    event->ignore();
    if (controller_ != nullptr && contentsEnabled_)
        controller().closeRequested();
}

namespace {

std::vector<std::string> localFiles(const QMimeData* data) {
    std::vector<std::string> files;
    if (data == nullptr || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            files.push_back(utf8(url.toLocalFile()));
    return files;
}

} // namespace

void QtMainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (contentsEnabled_ && !localFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void QtMainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (contentsEnabled_ && !localFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void QtMainWindow::dropEvent(QDropEvent* event) {
    const std::vector<std::string> files = localFiles(event->mimeData());
    if (files.empty() || controller_ == nullptr || !contentsEnabled_)
        return;
    event->acceptProposedAction();
    raiseWindow();
    controller().filesDropped(files);
}

bool QtMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == statusBar() &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        alignStatusParts();
    if (watched == pictures_->viewport()) {
        if (event->type() == QEvent::MouseButtonDblClick && controller_ != nullptr) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                const QModelIndex index = pictures_->indexAt(mouse->position().toPoint());
                controller().pictureDoubleClicked(index.isValid() ? index.row() : -1);
                return true;
            }
        } else if (event->type() == QEvent::Resize) {
            placeEmptyHint();
            placeTransitionEditor();
        }
        return false;
    }
    if (event->type() == QEvent::KeyPress && controller_ != nullptr)
        return handleWindowKey(watched, static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::FocusIn && editor_->isVisible()) {
        // Focus that goes anywhere but the list or its editor takes the editor away.
        QWidget* now = QApplication::focusWidget();
        if (now != nullptr && now->window() == this && now != pictures_ && now != editor_ &&
            !editor_->isAncestorOf(now))
            hideTransitionEditor();
    }
    return false;
}

// Ctrl+A, Delete and F2 go by where the focus is, before the focused control sees them.
bool QtMainWindow::handleWindowKey(QObject* watched, QKeyEvent* key) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr)
        return false;
    if (key->key() == Qt::Key_F2 && key->modifiers() == Qt::NoModifier) {
        if (QApplication::activeModalWidget() != nullptr)
            return false;
        controller().toggleInfoWindow();
        return true;
    }
    if (widget->window() != this || !contentsEnabled_)
        return false;
    // Each key is looked at once, on its way to the focused control (or the window itself).
    QWidget* focused = QApplication::focusWidget();
    if (widget != (focused != nullptr ? focused : this))
        return false;
    const bool pictureSide = focused == nullptr || focused == this || focused == pictures_ ||
                             qobject_cast<QAbstractButton*>(focused) != nullptr ||
                             qobject_cast<QComboBox*>(focused) != nullptr;
    if (key->matches(QKeySequence::SelectAll)) {
        if (isTextField(focused) || !pictureSide)
            return false;
        controller().selectAllPictures();
        return true;
    }
    if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
        if (focused == control(Command::MusicList)) {
            auto* music = static_cast<QListWidget*>(focused);
            if (!music->selectedItems().isEmpty())
                controller().dispatch(Command::MusicRemove);
            return true;
        }
        if (!pictureSide || controller().selectedRows().empty())
            return false;
        controller().deleteKey();
        return true;
    }
    return false;
}

} // namespace velomira::qt
