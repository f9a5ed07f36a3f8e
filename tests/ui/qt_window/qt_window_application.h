#pragma once
// The one QApplication of the window tests, on the offscreen platform, made by whichever test
// needs it first.
#include <QApplication>

namespace velomira::qt {

inline QApplication& windowTestApplication() {
    static int argc = 1;
    static char name[] = "velomira_ui_qt_window_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

} // namespace velomira::qt
