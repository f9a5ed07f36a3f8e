#include "ui/qt/main_window.h"

#include "ui/qt/accessible_names.h"
#include "ui/qt/badge_delegate.h"
#include "ui/qt/caption_sample.h"
#include "ui/qt/generation_progress.h"
#include "ui/qt/launcher_progress.h"
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
#include <QStandardItemModel>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>

// Resources of a static library are registered by hand: nothing else pulls their object in.
static void registerWindowResources() {
    Q_INIT_RESOURCE(icons);
}

namespace velomira::qt {

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
    applyTabOrder();

    progress_ = new GenerationProgressDialog(this);
    connect(progress_, &GenerationProgressDialog::stopRequested, this,
            [this] { controller().stopGeneration(); });

    qApp->installEventFilter(this);
    setTitle("Velomira(V8.3)");
    layout->activate();
    // Wide enough for every toolbar button: none may hide behind the overflow arrow.
    // The last status part holds "视频长度: 00:00:00" beyond the 885 pixels of the others.
    const int toolbarWidth = toolbar_->sizeHint().width() + 8;
    const int statusWidth = kStatusPartEnds[2] +
                            fontMetrics().horizontalAdvance(QStringLiteral("视频长度: 00:00:00")) +
                            16;
    setFixedSize(std::max({kWindowWidth, toolbarWidth, statusWidth}), sizeHint().height());
    if (const QScreen* s = screen())
        fitToHeight(s->availableGeometry().height());
    placeEmptyHint();
}

int fittedListHeight(int fullList, int minimalList, int windowHeight, int availableHeight) {
    const int excess = windowHeight - availableHeight;
    if (excess <= 0)
        return fullList;
    return std::max(minimalList, fullList - excess);
}

void QtMainWindow::fitToHeight(int availableHeight) {
    const int listFrame = 2 * pictures_->frameWidth() + 8;
    const int fullList = 2 * kCellHeight + listFrame;
    const int decoration = std::max(frameGeometry().height() - height(), kFrameAllowance);
    const int windowHeight = height() - pictures_->height() + fullList + decoration;
    const int list =
        fittedListHeight(fullList, kCellHeight + listFrame, windowHeight, availableHeight);
    if (list == pictures_->height())
        return;
    pictures_->setFixedHeight(list);
    contents_->layout()->activate();
    setFixedSize(width(), sizeHint().height());
    placeEmptyHint();
}

void QtMainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The screen and the real title bar are known now.
    if (const QScreen* s = screen())
        fitToHeight(s->availableGeometry().height());
    if (placingAtStart_)
        QMetaObject::invokeMethod(
            this, [this] { keepOnScreen(); }, Qt::QueuedConnection);
}

QPoint fittedFramePosition(const QRect& frame, const QRect& available) {
    const int x =
        std::max(available.left(), std::min(frame.left(), available.right() + 1 - frame.width()));
    const int y =
        std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - frame.height()));
    return {x, y};
}

bool QtMainWindow::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    // A window manager places a new window where it likes (on a laptop often so low that the
    // status bar is cut off) and only then tells the frame: checked again until the user has
    // the window.
    if (placingAtStart_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        keepOnScreen();
    else if (placingAtStart_ && event->type() == QEvent::WindowActivate) {
        keepOnScreen();
        placingAtStart_ = false;
    }
    return handled;
}

void QtMainWindow::keepOnScreen() {
    const QScreen* s = screen();
    if (!placingAtStart_ || s == nullptr || !isVisible() || isMinimized())
        return;
    const QRect frame = frameGeometry();
    const QRect available = s->availableGeometry();
    QPoint target = fittedFramePosition(frame, available);
    if (const auto place = rememberedPlacement(
            remembered_, frame.width(), frame.height(),
            {available.x(), available.y(), available.width(), available.height()}))
        target = QPoint(place->x, place->y);
    if (target != frame.topLeft())
        move(target);
}

void QtMainWindow::setRememberedPosition(std::optional<ScreenPoint> framePosition) {
    remembered_ = framePosition;
}

ScreenPoint QtMainWindow::framePositionNow() const {
    const QRect frame = frameGeometry();
    return {frame.x(), frame.y()};
}

ScreenPoint QtMainWindow::framePosition() const {
    return isVisible() && !isMinimized() ? framePositionNow()
                                         : shownFrame_.value_or(framePositionNow());
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

template <class Widget> Widget* QtMainWindow::controlAs(Command command) const {
    return qobject_cast<Widget*>(control(command));
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
    title_ = title;
    setWindowTitle(qs((modifiedMark_ ? "*" : "") + title_));
}

void QtMainWindow::setModifiedMark(bool modified) {
    if (modified == modifiedMark_)
        return;
    modifiedMark_ = modified;
    setTitle(title_);
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

namespace {

// A music line as a row of columns; the whole line stays in the row as its data.
QTreeWidgetItem* musicRow(const std::string& line) {
    const MusicLineColumns columns = musicLineColumns(line);
    auto* row = new QTreeWidgetItem(
        {qs(columns.name), qs(columns.rate), qs(columns.length), qs(columns.mark)});
    row->setData(0, Qt::UserRole, qs(line));
    row->setToolTip(0, qs(columns.name));
    for (int column = 1; column < 4; ++column)
        row->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    return row;
}

} // namespace

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
    } else if (auto* tree = controlAs<QTreeWidget>(command)) {
        ++ignoreSelection_;
        tree->clear();
        for (const std::string& entry : entries)
            tree->addTopLevelItem(musicRow(entry));
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
    } else if (auto* tree = controlAs<QTreeWidget>(command)) {
        ++ignoreSelection_;
        tree->setCurrentItem(tree->topLevelItem(index));
        if (index < 0)
            tree->clearSelection();
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
    auto* item = new PictureListItem(iconFromPng(icon), qs(text), [this](int at) {
        const std::vector<AlbumItem>& items = controller().album().items;
        return at >= 0 && at < static_cast<int>(items.size()) ? pictureName(at, items[at])
                                                              : QString();
    });
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

namespace {

// The dashed rows between the groups only divide them: they can be neither highlighted nor
// chosen, by mouse or keys.
void disableSeparatorEntries(QComboBox& box) {
    auto* model = qobject_cast<QStandardItemModel*>(box.model());
    for (int i = 0; model != nullptr && i < box.count(); ++i)
        if (box.itemText(i).startsWith(QStringLiteral("----")))
            model->item(i)->setFlags(Qt::NoItemFlags);
}

} // namespace

void QtMainWindow::showTransitionEditor(int row, const std::string& entry) {
    if (editor_->count() == 0 && controller_ != nullptr) {
        const QSignalBlocker blocker(editor_);
        for (const std::string& text : controller_->transitionEditorEntries())
            editor_->addItem(qs(text));
        disableSeparatorEntries(*editor_);
    }
    // The drop-down is as wide as its longest entry needs (the closed box keeps its width),
    // measured over every entry in the box's current font, with room for the style's menu-like
    // item margins and check column.
    QAbstractItemView* dropDown = editor_->view();
    const QFontMetrics metrics(editor_->font());
    int longest = 0;
    for (int i = 0; i < editor_->count(); ++i)
        longest = std::max(longest, metrics.horizontalAdvance(editor_->itemText(i)));
    const QStyle* style = editor_->style();
    const int margins = 2 * style->pixelMetric(QStyle::PM_MenuHMargin, nullptr, editor_) +
                        style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, editor_) +
                        2 * dropDown->frameWidth() + 16;
    dropDown->setMinimumWidth(std::max(
        kEditorWidth, longest + margins + dropDown->verticalScrollBar()->sizeHint().width()));
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

void QtMainWindow::setMotionMarks(const std::vector<int>& rows) {
    badges_->setMotionRows(std::set<int>(rows.begin(), rows.end()));
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
    if (!shown) {
        if (isVisible()) {
            trayGeometry_ = saveGeometry();
            // A hidden window may no longer know its frame: its place is taken while it shows.
            shownFrame_ = framePositionNow();
        }
        return hide();
    }
    if (!isVisible() && !trayGeometry_.isEmpty())
        restoreGeometry(trayGeometry_);
    // A window once minimised (no tray then) keeps that state while hidden: restoring it from
    // the tray must bring it back normal.
    setWindowState(windowState() & ~Qt::WindowMinimized);
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

void QtMainWindow::showBeatAnalysis(int percent) {
    progress_->showBeats(percent);
}

void QtMainWindow::showGenerationEncode(int encode, int most) {
    progress_->showEncode(encode, most);
}

void QtMainWindow::showGenerationShare(int percent, const std::string& timeLeft) {
    progress_->showShare(percent, qs(timeLeft));
    showLauncherProgress(percent / 100.0, true);
}

void QtMainWindow::setGenerationStopping() {
    progress_->showStopping();
}

void QtMainWindow::hideGenerationProgress() {
    progress_->hide();
    showLauncherProgress(0, false);
}

void QtMainWindow::postToWindowThread(std::function<void()> fn) {
    QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

void QtMainWindow::startRepeatingTimer(int intervalMs, std::function<void()> fn) {
    // Owned by the window, so it stops with it.
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, std::move(fn));
    timer->start(intervalMs);
}

} // namespace velomira::qt
