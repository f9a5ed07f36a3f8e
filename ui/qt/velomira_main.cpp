// velomira: the window program. Start-up as the terminal program does it (folders, refusals,
// preferences, the imaging library check, fonts, the vendor's web site), then the main window
// and its controller; `velomira PROJECT.dat` opens that project.
#include "app/error_log.h"
#include "app/settings_store.h"
#include "app/startup.h"
#include "net/net_config.h"
#include "platform/crash_handler.h"
#include "platform/dialogs.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "render/caption_fonts.h"
#include "render/image/image_validation.h"
#include "render/image/magick_handles.h"
#include "ui/info_log.h"
#include "ui/main_window.h"
#include "ui/option_dialogs.h"
#include "ui/qt/info_window.h"
#include "ui/qt/main_window.h"
#include "ui/qt/preview_window.h"
#include "ui/qt/product_dialog.h"
#include "ui/qt/qt_dialog_host.h"
#include "ui/qt/qt_language.h"
#include "ui/qt/qt_option_dialogs.h"
#include "ui/qt/qt_sound.h"
#include "ui/startup_tasks.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QListWidget>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>

#include <clocale>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <functional>
#include <thread>
#include <unistd.h>

using namespace velomira;

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

void openHelpPage(const NetConfig& config, const std::string& page) {
    std::string site = config.webSite;
    if (site.empty() || page.empty())
        return;
    if (site.find("://") == std::string::npos)
        site = "http://" + site;
    while (!site.empty() && site.back() == '/')
        site.pop_back();
    QDesktopServices::openUrl(QUrl(qs(site + page)));
}

// For scripts/screenshots.sh only: VELOMIRA_SCREENSHOT=<png> writes the window (or the dialog
// named by VELOMIRA_SCREENSHOT_DIALOG) a moment after start-up and ends the program;
// VELOMIRA_SCREENSHOT_SELECT=<row> selects that picture first; VELOMIRA_SCREENSHOT_DELAY=<ms>
// waits that long before the grab (the preview plays for a while first).
void scheduleScreenshot(qt::QtMainWindow& window, qt::QtPreviewWindow& preview,
                        MainWindow& controller) {
    const QString file = qEnvironmentVariable("VELOMIRA_SCREENSHOT");
    if (file.isEmpty())
        return;
    const QString dialog = qEnvironmentVariable("VELOMIRA_SCREENSHOT_DIALOG");
    bool rowGiven = false;
    const int row = qEnvironmentVariableIntValue("VELOMIRA_SCREENSHOT_SELECT", &rowGiven);
    bool delayGiven = false;
    const int delay = qEnvironmentVariableIntValue("VELOMIRA_SCREENSHOT_DELAY", &delayGiven);
    QTimer::singleShot(
        300, &window,
        [&window, &preview, &controller, file, dialog, row, rowGiven,
         delay = delayGiven ? delay : 500] {
            if (rowGiven && row >= 0 && row < window.pictureList()->count()) {
                // As a click would leave it; a virtual screen without a window manager never
                // gives the window the focus that the click would.
                window.setPictureSelection({row}, row);
                controller.selectionChanged({row}, row, true);
            }
            // The grab runs inside the dialog's own loop, so modal dialogs are caught open.
            QTimer::singleShot(delay, &window, [&window, &preview, file, dialog] {
                QWidget* target = QApplication::activeModalWidget();
                if (dialog == QLatin1String("preview"))
                    target = preview.isVisible() ? &preview : nullptr;
                else if (dialog == QLatin1String("music")) {
                    // The lines are padded to a wide column: show their ends, with the mark.
                    auto* list = qobject_cast<QListWidget*>(window.control(Command::MusicList));
                    if (list != nullptr)
                        list->horizontalScrollBar()->setValue(
                            list->horizontalScrollBar()->maximum());
                    target = &window;
                }
                if (target == nullptr) {
                    for (QWidget* top : QApplication::topLevelWidgets())
                        if (top != &window && top->isVisible() && top->windowFlags() & Qt::Tool)
                            target = top;
                }
                if (target == nullptr && dialog.isEmpty())
                    target = &window;
                // A dialog that did not open leaves no picture rather than one of the main window.
                if (target != nullptr)
                    target->grab().save(file, "PNG");
                QCoreApplication::exit(target != nullptr ? 0 : 3);
            });
            if (dialog == QLatin1String("info"))
                controller.toggleInfoWindow();
            else if (dialog == QLatin1String("about"))
                controller.dispatch(Command::About);
            else if (dialog == QLatin1String("margins"))
                controller.dispatch(Command::CaptionMarginsDialog);
            else if (dialog == QLatin1String("loop"))
                controller.dispatch(Command::LoopPlayDialog);
            else if (dialog == QLatin1String("shop"))
                controller.dispatch(Command::LoadProduct);
            else if (dialog == QLatin1String("preview"))
                controller.dispatch(Command::Preview);
            else if (dialog == QLatin1String("music")) {
                // The second track listened to, as a double click on its line does.
                controller.musicLineDoubleClicked(1);
            } else if (dialog == QLatin1String("progress"))
                window.showGenerationProgress(3, window.pictureList()->count());
            else if (dialog == QLatin1String("size")) {
                auto* sizes = qobject_cast<QComboBox*>(window.control(Command::VideoSize));
                controller.choiceChanged(Command::VideoSize, sizes->count() - 1);
            }
        });
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Qt's texts in Chinese; LC_NUMERIC back to "C" after Qt took the locale from the system.
    installChineseQtTexts(app);
    std::setlocale(LC_NUMERIC, "C");
    signal(SIGPIPE, SIG_IGN);
    QApplication::setApplicationName(QStringLiteral("Velomira"));
    QApplication::setQuitOnLastWindowClosed(false); // hiding into the tray is not quitting

    QtDialogHost dialogs;
    installDialogHost(&dialogs);

    const StartupContext startup = startupContextOfProcess();
    const ErrorLog errorLog = errorLogIn(workFolderFor(startup.programFolder));
    installCrashHandler(errorLog.file);
    const NetConfig config = loadNetConfig(startup.programFolder / kNetConfigFileName);
    const StartupResult started = prepareStartup(startup);
    if (started.refusal) {
        showMessage(started.refusal->text, started.refusal->title, started.refusal->kind);
        openHelpPage(config, started.refusal->helpPage);
        return started.refusal->exitCode;
    }
    initImageLibrary();
    if (validateImageMagick(1, ImageValidationReport{errorLog, startup.programFolder}) == 0) {
        showMessage("图片处理引擎无法启动，请重新安装软件。", "提示", MessageKind::Warning);
        return 0;
    }
    const RegistryFile settingsFile = defaultRegistryFile();
    Preferences preferences = readPreferences(
        settingsFile, StoreFolders{started.folders.workFolder, started.folders.desktopFolder,
                                   started.folders.projectFolder, started.folders.videoFolder});
    const CaptionFontTable fonts = buildCaptionFontTable(defaultFontFolders(homeFolder()));

    qt::QtMainWindow window(&fonts);
    dialogs.setOwner(&window);
    // Made before the controller, so it outlives the preview's threads.
    qt::QtPreviewWindow previewWindow(&window);
    InfoWindow infoView(&window);
    InfoLog info(infoView);
    for (const std::string& note : started.folders.notes)
        info.append(note);
    QtOptionDialogs optionDialogs(&window);
    QtSound sound;
    QtProductDialogHost productDialog(&window);
    productDialog.openUrl = [&window](const std::string& url) { window.openExternal(url); };

    MainWindowServices services;
    services.folders = started.folders;
    services.fonts = &fonts;
    services.settingsFile = &settingsFile;
    services.preferences = &preferences;
    services.optionDialogs = &optionDialogs;
    services.info = &info;
    services.sound = &sound;
    services.openMusicExternally = openWithDesktopProgram;
    services.productDialog = &productDialog;
    services.netConfig = &config;
    services.previewWindow = &previewWindow;
    services.vendorHost = config.webSite;
    services.programPath = QCoreApplication::applicationFilePath().toStdString();
    services.randomSeed = static_cast<std::uint32_t>(
        std::hash<std::thread::id>{}(std::this_thread::get_id()) ^ std::time(nullptr));
    MainWindow controller(window, services);
    window.attach(controller);
    previewWindow.attach(controller);
    controller.start();
    window.show();
    if (argc > 1)
        controller.openProjectAtStart(std::filesystem::absolute(argv[1]).string());
    scheduleScreenshot(window, previewWindow, controller);
    // Stock music arrives in the background; the program never waits for it at exit.
    StartupTasks startupTasks;
    startupTasks.start(
        {config.stockMusicListUrl, httpClientConfigFor(config), started.folders.mp3Folder});
    const int code = app.exec();
    startupTasks.stop();
    installDialogHost(nullptr);
    return code;
}
