#pragma once
// The window program from start to end: start-up as the terminal program does it (folders,
// refusals, preferences, the imaging library check, fonts, the vendor's web site), then the
// main window and its controller, and the event loop. `velomira` is this with nothing added;
// the screenshot program adds a driver that runs once the window is up.
#include "ui/main_window.h"
#include "ui/qt/main_window.h"
#include "ui/qt/preview_window.h"

#include <functional>

namespace velomira::qt {

// Runs after the window is shown and the project (argv[1], when given) is open.
using WindowStarted =
    std::function<void(QtMainWindow& window, QtPreviewWindow& preview, MainWindow& controller)>;

// The program's exit code. argc and argv go to QApplication first; what is left after Qt's own
// options, argv[1], is the project to open.
int runWindowProgram(int& argc, char** argv, const WindowStarted& started = {});

} // namespace velomira::qt
