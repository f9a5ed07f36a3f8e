#pragma once
// An exclusive lock file beside a video (".NAME.mp4.lock"), made with O_CREAT|O_EXCL so that it
// also works between machines that share the folder. It holds the holder's host name
// (leftoverHostName()) and process id; a lock left by a process of this host that no longer runs
// is taken over, one of another host never is.
#include <string>

namespace velomira {

enum class LockState { Held, Busy, BusyHere, Failed };

class OutputLock {
  public:
    OutputLock() = default;
    ~OutputLock(); // release()
    OutputLock(const OutputLock&) = delete;
    OutputLock& operator=(const OutputLock&) = delete;

    // Held: the lock is ours until release(). Busy: another process holds it (text says who
    // and since when). BusyHere: a running process of this host holds it, so it is worth
    // waiting for.
    // Failed: the folder does not take the file (text says why).
    LockState acquire(const std::string& output, std::string& text);
    // Removes the lock file if it is still ours.
    void release();

  private:
    std::string path_;
    std::string content_;
};

std::string lockPathFor(const std::string& output);

} // namespace velomira
