#pragma once
// One QApplication on the offscreen platform for the whole test run, and a way to act on a
// modal dialog while its own event loop runs.
#include <QWidget>
#include <functional>

namespace velomira::testing {

// Runs job on the next modal widget once its event loop runs. A job that leaves the widget
// open counts as a failure, and the widget is closed so the test cannot hang.
void whenModal(std::function<void(QWidget*)> job);

} // namespace velomira::testing
