// The Qt main window with the real controller on the offscreen platform: toolbar clicks,
// dropped files, keys, menus and the close button, read back from the widgets themselves.
#include "qt_window_application.h"
#include "support/picture_files.h"
#include "support/recording_dialogs.h"
#include "support/recording_sound.h"
#include "support/temp_folder.h"
#include "ui/accessible_walk.h"
#include "ui/main_window.h"
#include "ui/picture_formats.h"
#include "ui/qt/badge_delegate.h"
#include "ui/qt/caption_sample.h"
#include "ui/qt/main_window.h"
#include "ui/scripted_view.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <thread>

namespace velomira::qt {
namespace {

using velomira::testing::RecordingDialogs;
using velomira::testing::TempFolder;

QApplication& application() {
    return windowTestApplication();
}

std::string text(const QString& s) {
    return s.toStdString();
}

// Takes the addresses the window hands to the desktop instead of starting programs.
class OpenedUrls : public QObject {
    Q_OBJECT
  public:
    std::vector<QUrl> urls;
  public slots:
    void open(const QUrl& url) { urls.push_back(url); }
};

class QtMainWindowTest : public ::testing::Test {
  protected:
    QtMainWindowTest() : info(infoView) {
        application();
        folders.programFolder = folder.path() / "program";
        folders.workFolder = folders.programFolder;
        folders.desktopFolder = folder.path() / "desktop";
        folders.tempPictureFolder = folders.programFolder / "temp-pictures";
        folders.workTempFolder = folders.programFolder / "temp";
        std::filesystem::create_directories(folders.tempPictureFolder);
        std::filesystem::create_directories(folders.workTempFolder);
        std::filesystem::create_directories(folders.desktopFolder);
        for (const char* scheme : {"file", "http"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), &opened, "open");

        MainWindowServices services;
        services.folders = folders;
        services.fonts = &fonts;
        services.preferences = &preferences;
        services.optionDialogs = &options;
        services.info = &info;
        services.vendorHost = "www.example.com";
        services.sound = &sound;
        services.programPath = (folders.programFolder / "velomira").string();
        window = std::make_unique<QtMainWindow>(&fonts);
        controller = std::make_unique<MainWindow>(*window, services);
        window->attach(*controller);
        window->setQuitHandler([this] { ++quits; });
        controller->start();
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        // A screen tall enough for the whole window, whatever the platform reports.
        window->fitToHeight(4000);
    }

    ~QtMainWindowTest() override {
        for (const char* scheme : {"file", "http"})
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
        controller.reset();
        window.reset();
    }

    std::string picture(const std::string& name, const std::string& format = "png") {
        return velomira::testing::writeSolidPicture(folder.file(name + "." + format), 64, 48,
                                                    "#336699", format);
    }

    void drop(const std::vector<std::string>& paths) {
        QList<QUrl> urls;
        for (const std::string& path : paths)
            urls << QUrl::fromLocalFile(QString::fromStdString(path));
        QMimeData mime;
        mime.setUrls(urls);
        const QPoint at = window->pictureList()->geometry().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &dropped);
        QCoreApplication::processEvents();
    }

    void addPictures(int n) {
        std::vector<std::string> paths;
        for (int i = 0; i < n; ++i)
            paths.push_back(picture("p" + std::to_string(i)));
        drop(paths);
    }

    QListWidget& list() { return *window->pictureList(); }

    void clickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QRect cell = list().visualItemRect(list().item(row));
        QTest::mouseClick(list().viewport(), Qt::LeftButton, modifiers, cell.center());
        QCoreApplication::processEvents();
    }

    // Typing as an input method delivers it: one character per key event.
    static void type(QWidget* target, const QString& characters) {
        for (QChar c : characters) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(target, &press);
        }
        QCoreApplication::processEvents();
    }

    void key(QWidget* target, int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        target->setFocus();
        QTest::keyClick(target, static_cast<Qt::Key>(k), modifiers);
        QCoreApplication::processEvents();
    }

    std::string status(int part) { return text(window->statusPart(part)->text()); }
    bool enabled(Command c) {
        if (QAction* action = window->toolbarAction(c))
            return action->isEnabled();
        return window->control(c)->isEnabled();
    }
    std::vector<std::string> rowTexts() {
        std::vector<std::string> texts;
        for (int i = 0; i < list().count(); ++i)
            texts.push_back(text(list().item(i)->text()));
        return texts;
    }
    std::string albumName(int row) { return controller->album().items.at(row).fileName; }

    // Entries of a menu as "label" with "-" for disabled ones and "*" for checked ones.
    static std::vector<std::string> entries(QMenu* menu) {
        std::vector<std::string> out;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                continue;
            if (action->menu() != nullptr) {
                emit action->menu()->aboutToShow();
                for (const std::string& e : entries(action->menu()))
                    out.push_back(e);
                continue;
            }
            out.push_back((action->isEnabled() ? "" : "-") + text(action->text()) +
                          (action->isChecked() ? "*" : ""));
        }
        return out;
    }
    static QAction* entry(QMenu* menu, const QString& label) {
        for (QAction* action : menu->findChildren<QAction*>())
            if (action->text() == label)
                return action;
        return nullptr;
    }

    TempFolder folder;
    RecordingDialogs dialogs;
    StartupFolders folders;
    CaptionFontTable fonts{{"黑体", "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"}};
    Preferences preferences;
    velomira::testing::ScriptedInfoView infoView;
    InfoLog info;
    velomira::testing::ScriptedOptionDialogs options;
    velomira::testing::RecordingSound sound;
    OpenedUrls opened;
    std::unique_ptr<QtMainWindow> window;
    std::unique_ptr<MainWindow> controller;
    int quits = 0;
};

TEST_F(QtMainWindowTest, StartsEmptyWithTheStatusPartsAndEnablingOfAFreshWindow) {
    EXPECT_EQ(text(window->windowTitle()), "Velomira(V8.3)");
    EXPECT_EQ(status(0), "0 张图片");
    EXPECT_EQ(status(3), "视频长度: 00:00:00");
    EXPECT_TRUE(window->emptyHint()->isVisible());
    // The parts end at 130, 750 and 885 pixels and the last one at the window's right edge.
    QCoreApplication::processEvents();
    const int ends[] = {130, 750, 885};
    for (int part = 0; part < 3; ++part) {
        const QLabel* label = window->statusPart(part);
        EXPECT_EQ(label->mapTo(window.get(), QPoint(label->width(), 0)).x(), ends[part]);
    }
    const QLabel* last = window->statusPart(3);
    EXPECT_NEAR(last->mapTo(window.get(), QPoint(last->width(), 0)).x(), window->width(), 4);
    const std::pair<Command, bool> expected[] = {
        {Command::ProjectMenu, true},     {Command::AddPictures, true},
        {Command::RemovePictures, false}, {Command::RotateLeft, false},
        {Command::RotateRight, false},    {Command::MoveForward, false},
        {Command::MoveBack, false},       {Command::GenerateVideo, false},
        {Command::GenerateButton, false}, {Command::About, true},
        {Command::SettingsMenu, true},    {Command::MusicRemove, false},
        {Command::MusicListen, false},    {Command::CaptionPosition, false},
    };
    for (const auto& [command, on] : expected)
        EXPECT_EQ(enabled(command), on) << commandNumber(command);
    auto* time = qobject_cast<QComboBox*>(window->control(Command::DisplayTime));
    EXPECT_EQ(text(time->currentText()), "2.0秒");
    EXPECT_TRUE(time->isVisible());
    EXPECT_FALSE(window->control(Command::DisplayTimeText)->isVisible());
    // Every toolbar button is on screen, none behind the overflow arrow.
    for (const auto& [command, action] : std::map<Command, QAction*>{
             {Command::ProjectMenu, window->toolbarAction(Command::ProjectMenu)},
             {Command::SettingsMenu, window->toolbarAction(Command::SettingsMenu)}})
        EXPECT_TRUE(action->isVisible()) << commandNumber(command);
    EXPECT_EQ(text(window->toolbarAction(Command::MoveForward)->toolTip()), "快捷键: Ctrl + ←");
}

TEST_F(QtMainWindowTest, MusicListShowsColumnsListensToALineAndLosesItToTheDeleteKey) {
    std::vector<std::string> tracks;
    for (const char* name : {"a.mp3", "b.MP3"}) {
        tracks.push_back(folder.file(name));
        const std::string make = "ffmpeg -loglevel error -f lavfi -i sine=duration=1 -f mp3 ";
        ASSERT_EQ(std::system((make + tracks.back()).c_str()), 0);
    }
    dialogs.scriptFiles(tracks);
    QTest::mouseClick(qobject_cast<QPushButton*>(window->control(Command::MusicAdd)),
                      Qt::LeftButton);
    auto* music = qobject_cast<QTreeWidget*>(window->control(Command::MusicList));
    ASSERT_NE(music, nullptr);
    ASSERT_EQ(music->topLevelItemCount(), 2);
    auto columns = [&](int row) {
        std::vector<std::string> texts;
        for (int column = 0; column < music->columnCount(); ++column)
            texts.push_back(text(music->topLevelItem(row)->text(column)));
        return texts;
    };
    EXPECT_EQ(columns(1), (std::vector<std::string>{"b.MP3", "44100Hz", "00:00:01", ""}));
    EXPECT_EQ(text(music->headerItem()->text(0)), "文件名");
    // The line itself stays the row's data.
    const std::string line = text(music->topLevelItem(1)->data(0, Qt::UserRole).toString());
    EXPECT_EQ(line.substr(0, 6), "b.MP3 ");
    EXPECT_EQ(line.substr(108), " 44100Hz     00:00:01");
    // A long name gives way in the middle, on a font set here: rate and length stay in view.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    music->setFont(font);
    music->topLevelItem(0)->setText(0, QString(200, QLatin1Char('n')));
    QCoreApplication::processEvents();
    EXPECT_FALSE(music->horizontalScrollBar()->isVisible());
    EXPECT_GT(music->header()->sectionSize(2), 0);
    EXPECT_LE(music->header()->sectionPosition(3) + music->header()->sectionSize(3),
              music->viewport()->width());
    EXPECT_EQ(status(2), "音频长度: 00:00:02");
    EXPECT_FALSE(enabled(Command::MusicListen));

    music->setCurrentItem(music->topLevelItem(1));
    auto* listen = qobject_cast<QPushButton*>(window->control(Command::MusicListen));
    ASSERT_TRUE(listen->isEnabled());
    QTest::mouseClick(listen, Qt::LeftButton);
    EXPECT_EQ(text(listen->text()), "停止");
    EXPECT_EQ(columns(1)[3], "试听中");
    EXPECT_EQ(text(music->topLevelItem(1)->data(0, Qt::UserRole).toString()), line + " 试听中");
    EXPECT_EQ(sound.calls, (std::vector<std::string>{"open " + tracks[1], "play"}));

    key(music, Qt::Key_Delete);
    ASSERT_EQ(music->topLevelItemCount(), 1);
    EXPECT_EQ(sound.calls.back(), "close");
    EXPECT_EQ(text(listen->text()), "试听");
    EXPECT_EQ(music->indexOfTopLevelItem(music->currentItem()), 0)
        << "the line before the removed last one";
    EXPECT_EQ(status(2), "音频长度: 00:00:01");
}

TEST_F(QtMainWindowTest, DroppedFilesAddOnlyPicturesInTheirOrder) {
    std::filesystem::create_directories(folder.path() / "a-folder.jpg");
    const std::string notes = folder.writeFile("notes.txt", "text");
    const std::string gif = velomira::testing::writeAnimatedGif(folder.file("moving.gif"), 32, 32,
                                                                "#ff0000", "#00ff00");
    drop({picture("first", "jpg"), notes, (folder.path() / "a-folder.jpg").string(),
          picture("second", "png"), gif, picture("third", "bmp")});
    EXPECT_EQ(list().count(), 3);
    EXPECT_EQ(albumName(0), "first.jpg");
    EXPECT_EQ(albumName(1), "second.png");
    EXPECT_EQ(albumName(2), "third.bmp");
    EXPECT_EQ(rowTexts().front(), "无动画");
    EXPECT_EQ(status(0), "3 张图片");
    EXPECT_NE(status(3), "视频长度: 00:00:00");
    EXPECT_FALSE(window->emptyHint()->isVisible());
    EXPECT_TRUE(enabled(Command::GenerateVideo));
    EXPECT_TRUE(enabled(Command::GenerateButton));
    EXPECT_TRUE(dialogs.messages().empty());
    // Thumbnails arrive as 144 x 144 icons.
    EXPECT_EQ(list().item(0)->icon().availableSizes().value(0), QSize(144, 144));
}

TEST_F(QtMainWindowTest, ClicksAndKeysReachTheControllerWithTheSelection) {
    addPictures(3);
    clickRow(1);
    EXPECT_EQ(controller->selectedRows(), std::vector<int>{1});
    EXPECT_TRUE(enabled(Command::RemovePictures));
    EXPECT_TRUE(enabled(Command::MoveForward));
    EXPECT_NE(status(1).find("64 x 48"), std::string::npos) << status(1);
    // Ctrl+Right moves the picture one place back, and it stays selected.
    key(&list(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(albumName(2), "p1.png");
    EXPECT_EQ(controller->selectedRows(), std::vector<int>{2});
    EXPECT_EQ(list().selectedItems().value(0), list().item(2));
    EXPECT_FALSE(enabled(Command::MoveBack));
    // The toolbar button moves it forward again.
    window->toolbarAction(Command::MoveForward)->trigger();
    EXPECT_EQ(albumName(1), "p1.png");
    // Ctrl+A in the caption text selects its text, not the pictures.
    clickRow(0);
    auto* caption = qobject_cast<QLineEdit*>(window->control(Command::CaptionText));
    window->setFieldText(Command::CaptionText, "abc");
    caption->setEnabled(true);
    key(caption, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(text(caption->selectedText()), "abc");
    EXPECT_EQ(controller->selectedRows(), std::vector<int>{0});
    // Ctrl+A on the list selects every picture.
    key(&list(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(controller->selectedRows(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(list().selectedItems().size(), 3);
    EXPECT_EQ(status(1), "选中了 3 张图片");
    // Delete in a text field edits the text; on the list it removes the pictures.
    clickRow(2);
    key(&list(), Qt::Key_Delete);
    EXPECT_EQ(list().count(), 2);
    EXPECT_EQ(status(0), "2 张图片");
    // Ctrl+D removes all.
    key(&list(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(list().count(), 0);
    EXPECT_TRUE(window->emptyHint()->isVisible());
    EXPECT_FALSE(enabled(Command::GenerateButton));
}

TEST_F(QtMainWindowTest, ProjectKeysRunTheProjectCommandsAndTheTitleMarksChanges) {
    addPictures(2);
    EXPECT_EQ(text(window->windowTitle()), "*Velomira(V8.3)");
    const struct {
        QKeySequence keys;
        Answer answer;
        std::string question; // the first message the keys lead to
    } cases[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), Answer::Cancel, "项目已更改，是否保存更改？"},
        {QKeySequence(Qt::CTRL | Qt::Key_O), Answer::No, "项目已更改，是否保存更改？"},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), Answer::Cancel, "项目已更改，是否保存更改？"},
    };
    for (const auto& c : cases) {
        dialogs.clearMessages();
        dialogs.scriptAnswer(c.answer);
        QTest::keySequence(window.get(), c.keys);
        QCoreApplication::processEvents();
        ASSERT_FALSE(dialogs.messages().empty()) << text(c.keys.toString());
        EXPECT_EQ(dialogs.messages()[0].text, c.question);
        EXPECT_EQ(list().count(), 2);
        EXPECT_EQ(quits, 0);
    }
    // Ctrl+S asks for a file the first time; Ctrl+Shift+S every time.
    dialogs.scriptFiles({folder.file("keys.dat")});
    QTest::keySequence(window.get(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_TRUE(std::filesystem::exists(folder.file("keys.dat")));
    EXPECT_EQ(text(window->windowTitle()), "Velomira(V8.3) - keys.dat");
    dialogs.scriptFiles({folder.file("other.dat")});
    QTest::keySequence(window.get(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    EXPECT_TRUE(std::filesystem::exists(folder.file("other.dat")));
}

TEST_F(QtMainWindowTest, PicturesDraggedInsideTheListMoveToWhereTheyAreDropped) {
    addPictures(3);
    clickRow(0);
    // The list's own drag data, dropped on the right half of the last picture.
    std::unique_ptr<QMimeData> mime(list().model()->mimeData({list().model()->index(0, 0)}));
    const QRect last = list().visualItemRect(list().item(2));
    const QPoint at(last.right() - 4, last.center().y());
    QDragEnterEvent enter(at, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list().viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent dropped(at, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list().viewport(), &dropped);
    QCoreApplication::processEvents();
    EXPECT_EQ(albumName(0), "p1.png");
    EXPECT_EQ(albumName(2), "p0.png");
    EXPECT_EQ(list().selectedItems().value(0), list().item(2));
    key(&list(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(albumName(0), "p0.png");
    // Files dropped on the list are added as before.
    drop({picture("more")});
    EXPECT_EQ(list().count(), 4);
}

TEST_F(QtMainWindowTest, WhatTheWindowShowsByItselfIsNeverReportedBack) {
    addPictures(3);
    window->setPictureSelection({0, 2}, 2);
    window->setChoice(Command::VideoSize, 3);
    window->setFieldText(Command::CaptionText, "quiet");
    QCoreApplication::processEvents();
    EXPECT_TRUE(controller->selectedRows().empty());
    EXPECT_EQ(controller->album().settings.videoSize, 0);
    EXPECT_EQ(list().selectedItems().size(), 2);
    EXPECT_EQ(list().currentRow(), 2);
}

TEST_F(QtMainWindowTest, TheTransitionEditorFloatsOverOneSelectedPicture) {
    addPictures(3);
    QComboBox* editor = window->transitionEditor();
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(18);
    editor->setFont(font);
    clickRow(1);
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->width(), 144);
    // Its open drop-down fits every name with room to spare, whatever that font makes of them.
    editor->showPopup();
    const QFontMetrics metrics(font);
    for (int i = 0; i < editor->count(); ++i)
        EXPECT_GE(editor->view()->viewport()->width(),
                  metrics.horizontalAdvance(editor->itemText(i)) + 16)
            << text(editor->itemText(i));
    editor->hidePopup();
    EXPECT_TRUE(list().visualItemRect(list().item(1)).contains(editor->geometry().center()));
    EXPECT_EQ(text(editor->currentText()), rowTexts()[1]);
    EXPECT_EQ(text(editor->itemText(0)), "无动画");
    // Choosing an entry sets the picture's transition and hides the editor.
    const int fade = editor->findText(QStringLiteral("淡入淡出"));
    ASSERT_GE(fade, 0);
    editor->setCurrentIndex(fade);
    emit editor->activated(fade);
    EXPECT_EQ(rowTexts()[1], "淡入淡出");
    EXPECT_EQ(controller->album().items[1].animationName, "淡入淡出");
    EXPECT_FALSE(editor->isVisible());
    // Two selected pictures: no editor.
    clickRow(0);
    EXPECT_TRUE(editor->isVisible());
    clickRow(2, Qt::ShiftModifier);
    EXPECT_FALSE(editor->isVisible());
}

TEST_F(QtMainWindowTest, TheDividingRowsOfTheTransitionEditorCannotBeChosen) {
    addPictures(2);
    clickRow(1);
    QComboBox* editor = window->transitionEditor();
    int dividers = 0;
    for (int i = 0; i < editor->count(); ++i) {
        const bool divider = editor->itemText(i).startsWith(QStringLiteral("----"));
        const Qt::ItemFlags flags = editor->model()->flags(editor->model()->index(i, 0));
        EXPECT_EQ(flags.testFlag(Qt::ItemIsSelectable), !divider) << text(editor->itemText(i));
        EXPECT_EQ(flags.testFlag(Qt::ItemIsEnabled), !divider) << text(editor->itemText(i));
        dividers += divider ? 1 : 0;
        // Stepping with the arrow keys from the row above a divider goes past it.
        if (divider && i > 0) {
            const QSignalBlocker quiet(editor);
            editor->setCurrentIndex(i - 1);
            QTest::keyClick(editor, Qt::Key_Down);
            EXPECT_FALSE(editor->currentText().startsWith(QStringLiteral("----")));
        }
    }
    EXPECT_GT(dividers, 0);
}

TEST_F(QtMainWindowTest, CaptionTextShowsABadgeOnItsPicture) {
    addPictures(2);
    auto* group = qobject_cast<QGroupBox*>(window->control(Command::CaptionSwitch));
    auto* position = qobject_cast<QComboBox*>(window->control(Command::CaptionPosition));
    // The sample in the default "白色" on the style's light grey window (set here, whatever
    // the platform's palette) is white on a darker grey, not white on the window colour.
    CaptionSampleWidget* sample = window->captionSample();
    ASSERT_NE(sample, nullptr);
    QPalette palette = sample->palette();
    palette.setColor(QPalette::Window, QColor(0xEF, 0xEF, 0xEF));
    sample->setPalette(palette);
    group->setChecked(true);
    emit group->clicked(true);
    EXPECT_EQ(text(sample->colours().text.name()), "#ffffff");
    EXPECT_EQ(text(sample->colours().ground.name()), "#808080");
    clickRow(1);
    ASSERT_TRUE(position->isEnabled());
    auto* caption = qobject_cast<QLineEdit*>(window->control(Command::CaptionText));
    caption->setFocus();
    type(caption, QStringLiteral(" 你好 "));
    EXPECT_EQ(controller->album().items[1].caption.text, "你好");
    auto* delegate = static_cast<BadgeDelegate*>(list().itemDelegate());
    ASSERT_EQ(delegate->badges().count(1), 1u);
    EXPECT_EQ(delegate->badges().count(0), 0u);
    // The badge sits inside the picture's cell, bottom centre for the default position.
    QStyleOptionViewItem option;
    option.initFrom(list().viewport());
    option.rect = list().visualItemRect(list().item(1));
    option.decorationSize = QSize(144, 144);
    option.features |= QStyleOptionViewItem::HasDecoration;
    option.widget = &list();
    const QRect badge = delegate->badgeRect(option, list().model()->index(1, 0));
    EXPECT_TRUE(option.rect.contains(badge));
    EXPECT_NEAR(badge.center().x(), option.rect.center().x(), 4);
    // The text field holds at most 97 bytes in GBK: 48 Chinese characters and one more byte.
    caption->clear();
    type(caption, QString(60, QChar(0x4E2D)));
    EXPECT_EQ(caption->text().size(), 48);
}

TEST_F(QtMainWindowTest, MenusOpenWithTheControllersStateAndRunTheirCommands) {
    QMenu* context = window->buildContextMenu();
    EXPECT_EQ(entries(context)[0], "添加图片");
    for (size_t i = 1; i < entries(context).size(); ++i)
        EXPECT_EQ(entries(context)[i].front(), '-') << entries(context)[i];
    delete context;
    addPictures(2);
    clickRow(0);
    context = window->buildContextMenu();
    const std::vector<std::string> withPictures = entries(context);
    EXPECT_EQ(withPictures[1], "插入图片");
    EXPECT_EQ(withPictures[3], "移除全部\tCtrl+D");
    EXPECT_EQ(withPictures[4], "-撤销移除\tCtrl+Z");
    EXPECT_EQ(withPictures[5], "随机排列图片");
    EXPECT_EQ(withPictures[8], "-自动贴边对角排列文字"); // captions are off
    EXPECT_EQ(withPictures.back(), "随机");
    entry(context, QStringLiteral("放大"))->trigger(); // the "镜头运动" submenu
    EXPECT_EQ(controller->album().items[0].motion, CameraMotion::ZoomIn);
    EXPECT_EQ(static_cast<BadgeDelegate*>(list().itemDelegate())->motionRows().count(0), 1u);
    entry(context, QStringLiteral("移除选中"))->trigger();
    EXPECT_EQ(list().count(), 1);
    delete context;
    // Ctrl+Z brings the picture back, once.
    key(&list(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(list().count(), 2);
    context = window->buildContextMenu();
    EXPECT_EQ(entries(context)[4], "-撤销移除\tCtrl+Z");
    entry(context, QStringLiteral("移除选中"))->trigger();
    delete context;

    QMenu* project = window->projectMenuWidget();
    emit project->aboutToShow();
    EXPECT_EQ(entries(project), (std::vector<std::string>{"新建", "打开", "保存", "-另存为"}));
    QMenu* settings = window->settingsMenuWidget();
    emit settings->aboutToShow();
    EXPECT_EQ(entries(settings).front(), "白色*");
    entry(settings, QStringLiteral("黑色"))->trigger();
    EXPECT_EQ(preferences.videoBgFillColor, BackgroundFill::Black);
    emit settings->aboutToShow();
    EXPECT_EQ(entries(settings)[1], "黑色*");
    EXPECT_EQ(entries(settings).back(), "使用指南");
    // "关于软件" shows the about box through the dialog host.
    window->toolbarAction(Command::About)->trigger();
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].title, "关于");
    EXPECT_NE(dialogs.messages()[0].text.find("www.example.com"), std::string::npos);
}

TEST_F(QtMainWindowTest, DoubleClicksOpenThePictureOrAddMore) {
    addPictures(2);
    const QRect cell = list().visualItemRect(list().item(1));
    QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(list().viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_EQ(opened.urls.size(), 1u);
    EXPECT_EQ(text(opened.urls[0].toLocalFile()), controller->album().items[1].path);
    // "官方网站" opens the configured site.
    window->toolbarAction(Command::OfficialSite)->trigger();
    ASSERT_EQ(opened.urls.size(), 2u);
    EXPECT_EQ(text(opened.urls[1].host()), "www.example.com");
}

TEST_F(QtMainWindowTest, ComingBackFromTheTrayTheWindowIsWhereItWas) {
    window->move(123, 77);
    QCoreApplication::processEvents();
    const QPoint before = window->pos();
    window->setWindowShown(false);
    EXPECT_FALSE(window->isVisible());
    window->move(0, 0); // as a window manager places a window it maps again
    window->setWindowShown(true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), before);
}

TEST_F(QtMainWindowTest, TheEmptyListHintNamesTheFormatsThePictureDialogTakes) {
    EXPECT_EQ(text(window->emptyHint()->accessibleDescription()),
              "支持 " + readablePictureFormats());
    EXPECT_NE(readablePictureFormats().find("WEBP"), std::string::npos);
}

TEST_F(QtMainWindowTest, FromTheTrayAWindowOnceMinimisedComesBackNormal) {
    window->minimizeWindow();
    QCoreApplication::processEvents();
    window->setWindowShown(false);
    window->setWindowShown(true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
}

TEST(StartPlacement, TheFrameIsMovedOnlyAsFarAsTheScreenNeeds) {
    const QRect laptop(0, 0, 1366, 768);
    const struct {
        const char* where;
        QRect frame;
        QRect available;
        QPoint expected;
    } cases[] = {
        {"fits", {176, 5, 1013, 757}, laptop, {176, 5}},
        {"placed too low", {100, 45, 1013, 757}, laptop, {100, 11}},
        {"beyond the right edge", {500, 0, 1013, 700}, laptop, {353, 0}},
        {"above and left of the area", {-20, -8, 1013, 700}, {0, 24, 1280, 696}, {0, 24}},
        {"taller than the area", {10, 40, 1013, 800}, {0, 0, 1280, 720}, {10, 0}},
        {"second screen", {1400, 500, 1013, 709}, {1366, 0, 1280, 720}, {1400, 11}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fittedFramePosition(c.frame, c.available), c.expected) << c.where;
}

TEST(DropRow, TheHalfOfTheCellDecidesBeforeOrAfter) {
    const QRect cell(160, 0, 160, 176);
    const struct {
        int row;
        QPoint at;
        int expected;
    } cases[] = {{1, {170, 50}, 1},
                 {1, {238, 50}, 1},
                 {1, {240, 50}, 2},
                 {1, {319, 170}, 2},
                 {-1, {900, 50}, 7}};
    for (const auto& c : cases)
        EXPECT_EQ(dropRowAt(cell, c.row, c.at, 7), c.expected) << c.at.x();
}

TEST_F(QtMainWindowTest, OnALowScreenOnlyThePictureListGivesUpHeight) {
    const QSize full = window->size();
    const int fullList = list().height();
    QWidget* music = window->control(Command::MusicList);
    const int musicHeight = music->height();
    const int titleBar = std::max(window->frameGeometry().height() - window->height(), 32);

    // 1366 x 768 with a 40 pixel panel.
    window->fitToHeight(728);
    EXPECT_LE(window->height() + titleBar, 728);
    EXPECT_EQ(window->width(), full.width());
    EXPECT_LT(list().height(), fullList);
    EXPECT_EQ(music->height(), musicHeight);
    EXPECT_EQ(full.height() - window->height(), fullList - list().height());
    // Pictures beyond the shown rows are reached by scrolling.
    addPictures(13);
    EXPECT_TRUE(list().verticalScrollBar()->maximum() > 0);

    // Lower still the list keeps one row; a tall screen gives it all back.
    window->fitToHeight(300);
    EXPECT_GE(list().height(), 176);
    window->fitToHeight(2000);
    EXPECT_EQ(window->size(), full);
    EXPECT_EQ(list().height(), fullList);
}

TEST_F(QtMainWindowTest, TheCloseButtonFollowsTheCloseSetting) {
    // Without a tray (the offscreen platform has none) hiding would lose the window.
    ASSERT_FALSE(window->trayAvailable());
    preferences.clickCloseButtonStatus = CloseBehaviour::HideToTray;
    window->close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    EXPECT_EQ(quits, 0);
    window->showNormal();

    preferences.clickCloseButtonStatus = CloseBehaviour::Exit;
    addPictures(1);
    dialogs.scriptAnswer(Answer::Cancel);
    window->close();
    EXPECT_EQ(quits, 0);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, "项目已更改，是否保存更改？");
    EXPECT_TRUE(window->isVisible());
    dialogs.scriptAnswer(Answer::No);
    window->close();
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(QtMainWindowTest, AStoppedRenderShowsStoppingThenClosesWithoutThePlayQuestion) {
    std::filesystem::create_directories(folders.programFolder / "tool");
    std::filesystem::create_symlink("/usr/bin/ffmpeg", folders.programFolder / "tool/ffmpeg");
    addPictures(6);
    controller->choiceChanged(Command::VideoSize, 2); // 480 x 270
    const std::string output = folder.file("stopped.mp4");
    dialogs.scriptFiles({output});
    controller->dispatch(Command::GenerateVideo);
    ASSERT_TRUE(controller->generating());
    QPushButton* stop = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->windowModality() == Qt::WindowModal)
            stop = top->findChild<QPushButton*>();
    ASSERT_NE(stop, nullptr);
    // Let the first picture reach the encoder (however slow the machine), then press "停止".
    auto* bar = stop->window()->findChild<QProgressBar*>();
    ASSERT_NE(bar, nullptr);
    for (int i = 0; i < 1200 && bar->value() < 1 && controller->generating(); ++i)
        QTest::qWait(25);
    ASSERT_TRUE(controller->generating()) << "the run ended before it could be stopped";
    QTest::mouseClick(stop, Qt::LeftButton);
    EXPECT_EQ(text(stop->text()), "停止中...");
    EXPECT_FALSE(stop->isEnabled());
    for (int i = 0; i < 600 && controller->generating(); ++i)
        QTest::qWait(50);
    ASSERT_FALSE(controller->generating());
    EXPECT_FALSE(stop->isVisible());
    EXPECT_TRUE(window->windowContentsEnabled());
    for (const auto& message : dialogs.messages())
        EXPECT_NE(message.title, "完成") << message.text;
    EXPECT_TRUE(std::filesystem::exists(output)); // a stopped run keeps its shorter video
}

TEST_F(QtMainWindowTest, WorkersReachTheWindowOnlyThroughItsThread) {
    std::thread::id ranOn;
    std::thread worker(
        [&] { window->postToWindowThread([&] { ranOn = std::this_thread::get_id(); }); });
    worker.join();
    EXPECT_EQ(ranOn, std::thread::id());
    QCoreApplication::processEvents();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    // While a run goes on, the contents are off but the progress window stays usable.
    window->setWindowEnabled(false);
    window->showGenerationProgress(2, 5);
    EXPECT_FALSE(window->control(Command::GenerateButton)->isEnabled());
    QWidget* progress = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top != window.get() && top->windowModality() == Qt::WindowModal)
            progress = top;
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isEnabled());
    auto* label = progress->findChild<QLabel*>();
    EXPECT_EQ(text(label->text()), "共 5 张图片，正在处理第 2 张。");
    EXPECT_EQ(text(progress->windowTitle()), "处理进度");
    auto* stop = progress->findChild<QPushButton*>();
    window->setGenerationStopping();
    EXPECT_EQ(text(stop->text()), "停止中...");
    EXPECT_FALSE(stop->isEnabled());
    window->hideGenerationProgress();
    window->setWindowEnabled(true);
    EXPECT_FALSE(progress->isVisible());
    EXPECT_TRUE(window->windowContentsEnabled());
}

TEST(CaptionSampleColours, FollowTheCaptionSwitchAndStayReadable) {
    const QColor grey(0xF0, 0xF0, 0xF0);
    struct Case {
        unsigned box, textColour;
        bool on;
        QColor window, ground, text;
    } cases[] = {
        {0x000000, 0xFFFFFF, true, grey, Qt::black, Qt::white}, // box and text
        {0x0000FF, 0x00FF00, true, grey, Qt::red, Qt::green},   // 0x00BBGGRR
        {0xFFFFFF, 0xFFFFFF, true, grey, QColor(0x80, 0x80, 0x80), Qt::white},
        {0xFFFFFF, 0xFFFFFF, true, Qt::white, QColor(0x80, 0x80, 0x80), Qt::white},
        {0xFFFFFF, 0xFFFFFF, true, QColor(0xEF, 0xEF, 0xEF), QColor(0x80, 0x80, 0x80), Qt::white},
        {0xFFFFFF, 0xFFFFFF, true, QColor(0xB0, 0xB0, 0xB0), QColor(0xB0, 0xB0, 0xB0), Qt::white},
        {0x00FFFF, 0x00FFFF, true, grey, grey, Qt::yellow}, // equal: window colour
        {0xFFFFFF, 0xFFFFFF, true, Qt::darkBlue, Qt::darkBlue, Qt::white},
        {0x000000, 0x00FF00, false, grey, Qt::white, Qt::green}, // off: on white
    };
    for (const Case& c : cases) {
        CaptionSample sample;
        sample.boxColor = c.box;
        sample.textColor = c.textColour;
        sample.captionsOn = c.on;
        const SampleColours got = sampleColours(sample, c.window);
        EXPECT_EQ(got.ground, c.ground) << std::hex << c.box << " " << c.textColour;
        EXPECT_EQ(got.text, c.text) << std::hex << c.box << " " << c.textColour;
    }
}

// ---- screen readers and keyboards ------------------------------------------------------------

TEST_F(QtMainWindowTest, EveryFocusableControlHasANameAndPicturesAreNamedByPosition) {
    addPictures(2);
    EXPECT_EQ(velomira::testing::unnamedFocusableWidgets(window.get()), std::vector<std::string>());
    const auto rowText = [&](int row, int role) {
        return text(list().model()->data(list().model()->index(row, 0), role).toString());
    };
    EXPECT_EQ(rowText(1, Qt::AccessibleTextRole), "第 2 张：" + albumName(1));
    EXPECT_EQ(rowText(0, Qt::AccessibleDescriptionRole), "转场效果：" + rowTexts()[0]);
    // A caption names its picture; the row follows the picture when it moves.
    auto* captions = qobject_cast<QGroupBox*>(window->control(Command::CaptionSwitch));
    captions->setChecked(true);
    emit captions->clicked(true);
    clickRow(0);
    auto* caption = qobject_cast<QLineEdit*>(window->control(Command::CaptionText));
    caption->setFocus();
    type(caption, QStringLiteral("海边"));
    EXPECT_EQ(rowText(0, Qt::AccessibleTextRole), "第 1 张：海边");
    key(&list(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(rowText(1, Qt::AccessibleTextRole), "第 2 张：海边");
}

TEST_F(QtMainWindowTest, TabOrderReadsTheOptionGroupsLeftToRightAndTopToBottom) {
    addPictures(1);
    // The group of each control in the window's contents, and where it starts.
    const auto groupOf = [&](QWidget* widget) -> QWidget* {
        for (QWidget* w = widget; w != nullptr; w = w->parentWidget())
            if (qobject_cast<QGroupBox*>(w) != nullptr &&
                qobject_cast<QGroupBox*>(w->parentWidget()) == nullptr)
                return w;
        return nullptr;
    };
    const auto topLeft = [&](QWidget* w) { return w->mapTo(window.get(), QPoint(0, 0)); };
    const auto before = [](QPoint a, QPoint b) {
        return b.y() > a.y() + 4 || (std::abs(b.y() - a.y()) <= 4 && b.x() > a.x());
    };
    std::vector<QWidget*> chain;
    for (QWidget* w = list().nextInFocusChain(); w != &list(); w = w->nextInFocusChain())
        if (w->window() == window.get() && w->isVisible() && (w->focusPolicy() & Qt::TabFocus) &&
            groupOf(w) != nullptr)
            chain.push_back(w);
    ASSERT_GT(chain.size(), 20u);
    std::set<QWidget*> done;
    for (std::size_t i = 1; i < chain.size(); ++i) {
        QWidget* a = chain[i - 1];
        QWidget* b = chain[i];
        SCOPED_TRACE(text(a->accessibleName()) + " -> " + text(b->accessibleName()));
        if (groupOf(a) == groupOf(b)) {
            EXPECT_TRUE(before(topLeft(a), topLeft(b)));
            continue;
        }
        done.insert(groupOf(a));
        EXPECT_EQ(done.count(groupOf(b)), 0u) << "a group is entered twice";
        EXPECT_TRUE(before(topLeft(groupOf(a)), topLeft(groupOf(b))));
    }
    EXPECT_EQ(done.size(), 4u); // five groups
}

// The first entry of the popup menu that press opens (empty when none opens), closed again.
std::string firstEntryOfPopupOpenedBy(const std::function<void()>& press) {
    std::string first;
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions())
                if (!action->isSeparator()) {
                    first = text(action->text());
                    break;
                }
            menu->close();
        }
    });
    press();
    QCoreApplication::processEvents();
    return first;
}

// On the offscreen platform a closed popup keeps the window's shortcuts from firing again, so
// each toolbar menu has its own window.
TEST_F(QtMainWindowTest, ProjectMenuAndContextMenuOpenFromTheKeyboard) {
    addPictures(2);
    EXPECT_EQ(firstEntryOfPopupOpenedBy([&] { key(&list(), Qt::Key_P, Qt::AltModifier); }), "新建");
    list().setFocus();
    const QPoint at = list().visualItemRect(list().item(1)).center();
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, at, list().mapToGlobal(at));
    EXPECT_EQ(firstEntryOfPopupOpenedBy([&] { QCoreApplication::sendEvent(&list(), &menuKey); }),
              "添加图片");
}

TEST_F(QtMainWindowTest, SettingsMenuOpensFromTheKeyboard) {
    EXPECT_EQ(firstEntryOfPopupOpenedBy([&] { key(&list(), Qt::Key_S, Qt::AltModifier); }),
              "视频背景填充色");
}

} // namespace
} // namespace velomira::qt

#include "qt_main_window_test.moc"
