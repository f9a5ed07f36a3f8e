#include "ui/qt/window_program.h"

#include "app/error_log.h"
#include "app/settings_store.h"
#include "app/startup.h"
#include "app/window_position.h"
#include "net/net_config.h"
#include "platform/crash_handler.h"
#include "platform/dialogs.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "services/program_start.h"
#include "ui/info_log.h"
#include "ui/option_dialogs.h"
#include "ui/qt/info_window.h"
#include "ui/qt/product_dialog.h"
#include "ui/qt/qt_dialog_host.h"
#include "ui/qt/qt_language.h"
#include "ui/qt/qt_option_dialogs.h"
#include "ui/qt/qt_sound.h"
#include "ui/startup_tasks.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

#include <clocale>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <optional>
#include <thread>

namespace velomira::qt {

namespace {

void openHelpPage(const NetConfig& config, const std::string& page) {
    std::string site = config.webSite;
    if (site.empty() || page.empty())
        return;
    if (site.find("://") == std::string::npos)
        site = "http://" + site;
    while (!site.empty() && site.back() == '/')
        site.pop_back();
    QDesktopServices::openUrl(QUrl(QString::fromStdString(site + page)));
}

// What start-up found; nothing when the program has to end (the message was shown).
struct Started {
    StartupResult startup;
    NetConfig config;
};

std::optional<Started> startUp(int& exitCode) {
    const StartupContext startup = startupContextOfProcess();
    const ErrorLog errorLog = errorLogIn(workFolderFor(startup.programFolder));
    installCrashHandler(errorLog.file);
    NetConfig config = loadNetConfig(startup.programFolder / kNetConfigFileName);
    Started started{prepareStartup(startup), std::move(config)};
    if (started.startup.refusal) {
        const StartupRefusal& refusal = *started.startup.refusal;
        showMessage(refusal.text, refusal.title, refusal.kind);
        openHelpPage(started.config, refusal.helpPage);
        exitCode = refusal.exitCode;
        return std::nullopt;
    }
    if (const auto failure = startImageLibrary(errorLog, startup.programFolder)) {
        showFailure(*failure);
        exitCode = 0;
        return std::nullopt;
    }
    return started;
}

// The windows and hosts the controller reaches; made before it, so they outlive its threads.
struct WindowParts {
    explicit WindowParts(const CaptionFontTable& fonts)
        : window(&fonts), preview(&window), infoView(&window), info(infoView),
          optionDialogs(&window), productDialog(&window) {
        productDialog.openUrl = [this](const std::string& url) { window.openExternal(url); };
    }
    QtMainWindow window;
    QtPreviewWindow preview;
    InfoWindow infoView;
    InfoLog info;
    QtOptionDialogs optionDialogs;
    QtSound sound;
    QtProductDialogHost productDialog;
};

MainWindowServices servicesFor(WindowParts& parts, const Started& started,
                               const CaptionFontTable& fonts, const RegistryFile& settingsFile,
                               Preferences& preferences) {
    MainWindowServices services;
    services.folders = started.startup.folders;
    services.fonts = &fonts;
    services.settingsFile = &settingsFile;
    services.preferences = &preferences;
    services.optionDialogs = &parts.optionDialogs;
    services.info = &parts.info;
    services.sound = &parts.sound;
    services.openMusicExternally = openWithDesktopProgram;
    services.productDialog = &parts.productDialog;
    services.netConfig = &started.config;
    services.previewWindow = &parts.preview;
    services.vendorHost = started.config.webSite;
    services.programPath = QCoreApplication::applicationFilePath().toStdString();
    services.randomSeed = static_cast<std::uint32_t>(
        std::hash<std::thread::id>{}(std::this_thread::get_id()) ^ std::time(nullptr));
    return services;
}

int runWindows(QApplication& app, const Started& started, QtDialogHost& dialogs, int argc,
               char** argv, const WindowStarted& hook) {
    const RegistryFile settingsFile = defaultRegistryFile();
    Preferences preferences = readPreferences(
        settingsFile,
        StoreFolders{started.startup.folders.workFolder, started.startup.folders.desktopFolder,
                     started.startup.folders.projectFolder, started.startup.folders.videoFolder});
    const CaptionFontTable fonts = userCaptionFonts();
    WindowParts parts(fonts);
    for (const std::string& note : started.startup.folders.notes)
        parts.info.append(note);
    dialogs.setOwner(&parts.window);
    MainWindow controller(parts.window,
                          servicesFor(parts, started, fonts, settingsFile, preferences));
    parts.window.attach(controller);
    parts.preview.attach(controller);
    controller.start();
    parts.window.setRememberedPosition(readWindowPosition(settingsFile));
    parts.window.show();
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i)
        files.push_back(std::filesystem::absolute(argv[i]).string());
    // A project or pictures given to open come first; otherwise an album a crash left behind.
    if (files.empty())
        controller.offerRecoveryAtStart();
    controller.openFilesAtStart(files);
    if (hook)
        hook(parts.window, parts.preview, controller);
    // Stock music arrives in the background; the program never waits for it at exit.
    StartupTasks startupTasks;
    startupTasks.start({started.config.stockMusicListUrl, httpClientConfigFor(started.config),
                        started.startup.folders.mp3Folder});
    const int code = app.exec();
    writeWindowPosition(settingsFile, parts.window.framePosition());
    startupTasks.stop();
    return code;
}

} // namespace

int runWindowProgram(int& argc, char** argv, const WindowStarted& started) {
    QApplication app(argc, argv);
    // Qt's texts in Chinese; LC_NUMERIC back to "C" after Qt took the locale from the system.
    installChineseQtTexts(app);
    std::setlocale(LC_NUMERIC, "C");
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN); // a write past a file size limit fails instead of ending us
    QApplication::setApplicationName(QStringLiteral("Velomira"));
    QApplication::setQuitOnLastWindowClosed(false); // hiding into the tray is not quitting

    QtDialogHost dialogs;
    installDialogHost(&dialogs);
    int code = 0;
    if (const std::optional<Started> found = startUp(code))
        code = runWindows(app, *found, dialogs, argc, argv, started);
    installDialogHost(nullptr);
    return code;
}

} // namespace velomira::qt
