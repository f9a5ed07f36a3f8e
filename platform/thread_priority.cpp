#include "platform/thread_priority.h"

#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace velomira {

bool lowerCurrentThreadPriority(int steps) {
    // On Linux the niceness belongs to the thread: PRIO_PROCESS with a thread id sets just it.
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, thread);
    if (current == -1 && errno != 0)
        return false;
    return setpriority(PRIO_PROCESS, thread, current + steps) == 0;
}

} // namespace velomira
