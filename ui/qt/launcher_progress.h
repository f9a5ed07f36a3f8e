#pragma once
// The run's progress on the desktop's taskbar entry, through the launcher entry signal that
// docks and task managers listen to. Where nothing listens, or there is no session bus, the
// signal goes nowhere and nothing is reported.
namespace velomira::qt {

// share 0..1; visible false takes the bar off the entry.
void showLauncherProgress(double share, bool visible);

} // namespace velomira::qt
