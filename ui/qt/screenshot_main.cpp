// velomira-screenshot: the window program with a driver for scripts/screenshots.sh. A moment
// after start-up it selects a picture, opens a dialog, waits, writes the window (or the
// dialog) as a PNG and ends.
//   velomira-screenshot --out FILE.png [--dialog NAME] [--select ROW] [--delay MS] [--screen]
//                       PROJECT.dat
// NAME: about, info, size, margins, loop, shop, preview, music, progress, caption (the caption
// group with captions on in the default colour), transitions (the selected picture's transition
// list open; use with --screen and --select), motion-menu (the picture list's context menu with
// its "镜头运动" submenu open), project-menu (the project menu with its recent projects). --screen
// grabs the whole screen, with what a window manager draws around the window. The exit code is 3
// when the dialog did not open (no file is written then).
#include "ui/qt/window_program.h"
#include "video/run_progress.h"

#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace velomira;
using namespace velomira::qt;

namespace {

struct ShotOptions {
    QString file;
    QString dialog;
    int select = -1;
    int delayMs = 500;
    bool screen = false;
};

// Takes the driver's options out of argv; the rest goes to the window program.
ShotOptions takeOptions(int& argc, char** argv) {
    ShotOptions options;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool valued = i + 1 < argc;
        if (arg == "--out" && valued)
            options.file = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--dialog" && valued)
            options.dialog = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--select" && valued)
            options.select = std::atoi(argv[++i]);
        else if (arg == "--delay" && valued)
            options.delayMs = std::atoi(argv[++i]);
        else if (arg == "--screen")
            options.screen = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
    return options;
}

// What is grabbed: the dialog named, the open modal dialog, a tool window, or the window.
QWidget* grabTarget(QtMainWindow& window, QtPreviewWindow& preview, const QString& dialog) {
    QWidget* target = QApplication::activeModalWidget();
    if (dialog == QLatin1String("preview"))
        target = preview.isVisible() ? &preview : nullptr;
    else if (dialog == QLatin1String("music"))
        target = &window;
    else if (dialog == QLatin1String("caption"))
        target = window.control(Command::CaptionSwitch);
    else if (dialog == QLatin1String("transitions"))
        target = &window;
    if (target == nullptr) {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top != &window && top->isVisible() && top->windowFlags() & Qt::Tool)
                target = top;
    }
    if (target == nullptr && dialog.isEmpty())
        target = &window;
    return target;
}

// The context menu as a right click over the list opens it, with the camera motion submenu
// opened as hovering its entry would.
void openMotionMenu(QtMainWindow& window) {
    QMenu* menu = window.buildContextMenu();
    menu->popup(window.pictureList()->viewport()->mapToGlobal(QPoint(180, 60)));
    for (QAction* action : menu->actions()) {
        if (action->menu() == nullptr)
            continue;
        menu->setActiveAction(action);
        action->menu()->popup(menu->mapToGlobal(menu->actionGeometry(action).topRight()));
    }
}

// The window with the open menus over it: the screen where they all lie.
QPixmap grabWithMenus(QtMainWindow& window) {
    QRect area = window.frameGeometry();
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && qobject_cast<QMenu*>(top) != nullptr)
            area = area.united(top->geometry());
    return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                        area.height());
}

// Opens the dialog named, as the user would.
void openDialog(QtMainWindow& window, MainWindow& controller, const QString& dialog) {
    const std::map<QString, std::function<void()>> openers = {
        {QStringLiteral("info"), [&] { controller.toggleInfoWindow(); }},
        {QStringLiteral("about"), [&] { controller.dispatch(Command::About); }},
        {QStringLiteral("files"), [&] { controller.dispatch(Command::AddPictures); }},
        {QStringLiteral("margins"), [&] { controller.dispatch(Command::CaptionMarginsDialog); }},
        {QStringLiteral("loop"), [&] { controller.dispatch(Command::LoopPlayDialog); }},
        {QStringLiteral("shop"), [&] { controller.dispatch(Command::LoadProduct); }},
        {QStringLiteral("preview"), [&] { controller.dispatch(Command::Preview); }},
        {QStringLiteral("motion-menu"), [&] { openMotionMenu(window); }},
        {QStringLiteral("project-menu"),
         [&] { window.projectMenuWidget()->popup(window.mapToGlobal(QPoint(10, 60))); }},
        // The second track listened to, as a double click on its line does.
        {QStringLiteral("music"), [&] { controller.musicLineDoubleClicked(1); }},
        {QStringLiteral("transitions"), [&] { window.transitionEditor()->showPopup(); }},
        {QStringLiteral("caption"),
         [&] {
             // As a user would choose them: the combo boxes show the choice too.
             controller.checkChanged(Command::CaptionSwitch, true);
             for (Command c : {Command::CaptionColour, Command::CaptionSize}) {
                 if (auto* box = qobject_cast<QComboBox*>(window.control(c)))
                     box->setCurrentIndex(8);
                 controller.choiceChanged(c, 8);
             }
         }},
        {QStringLiteral("progress"),
         [&] {
             const int pictures = window.pictureList()->count();
             window.showGenerationProgress(3, pictures);
             // Two fifths done after 58 s: the share and the time left as a run shows them.
             const RunProgress progress{3, pictures, 40, 100, 58.0};
             window.showGenerationShare(progressPercent(progress), timeLeftLine(progress));
         }},
        {QStringLiteral("size"),
         [&] {
             auto* sizes = qobject_cast<QComboBox*>(window.control(Command::VideoSize));
             controller.choiceChanged(Command::VideoSize, sizes->count() - 1);
         }},
    };
    if (const auto found = openers.find(dialog); found != openers.end())
        found->second();
}

void scheduleShot(const ShotOptions& options, QtMainWindow& window, QtPreviewWindow& preview,
                  MainWindow& controller) {
    QTimer::singleShot(300, &window, [&window, &preview, &controller, options] {
        const int row = options.select;
        if (row >= 0 && row < window.pictureList()->count()) {
            // As a click would leave it; a virtual screen without a window manager never
            // gives the window the focus that the click would.
            window.setPictureSelection({row}, row);
            controller.selectionChanged({row}, row, true);
        }
        // The grab runs inside the dialog's own loop, so modal dialogs are caught open.
        QTimer::singleShot(options.delayMs, &window, [&window, &preview, options] {
            if (options.dialog == QLatin1String("motion-menu") ||
                options.dialog == QLatin1String("project-menu")) {
                const bool saved = grabWithMenus(window).save(options.file, "PNG");
                QCoreApplication::exit(saved ? 0 : 3);
                return;
            }
            QWidget* target = grabTarget(window, preview, options.dialog);
            // A dialog that did not open leaves no picture rather than one of the main window.
            if (target != nullptr && options.screen && window.screen() != nullptr)
                window.screen()->grabWindow(0).save(options.file, "PNG");
            else if (target != nullptr)
                target->grab().save(options.file, "PNG");
            QCoreApplication::exit(target != nullptr ? 0 : 3);
        });
        openDialog(window, controller, options.dialog);
    });
}

} // namespace

int main(int argc, char** argv) {
    const ShotOptions options = takeOptions(argc, argv);
    if (options.file.isEmpty()) {
        fprintf(stderr, "usage: velomira-screenshot --out FILE.png [--dialog NAME] [--select ROW]"
                        " [--delay MS] PROJECT.dat\n");
        return 2;
    }
    return runWindowProgram(
        argc, argv,
        [&options](QtMainWindow& window, QtPreviewWindow& preview, MainWindow& controller) {
            scheduleShot(options, window, preview, controller);
        });
}
