#pragma once
// Several copies of the program may run at once and share the program folder. Each gets
// temporary folders of its own, named after the copy: a copy removes only its own at exit,
// and the folders of copies that are no longer running (a crash, a hard kill) are removed
// when the next copy starts.
#include <filesystem>
#include <string>

namespace velomira {

// "<pid>-<start time>" of this process: the start time (in clock ticks since boot) tells a
// copy apart from a later process that got the same pid.
std::string runningCopyName();

// True when the name is of the form above and that process is still running with that start
// time. Names of another form are never taken for ended copies.
bool isCopyName(const std::string& name);
bool copyIsRunning(const std::string& name);

// Removes the folders of ended copies below base (never following links). Returns how many.
int removeFoldersOfEndedCopies(const std::filesystem::path& base);

} // namespace velomira
