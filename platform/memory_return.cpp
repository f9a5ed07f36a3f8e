#include "platform/memory_return.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace velomira {

void returnFreeMemory() {
#if defined(__GLIBC__)
    // Freed frames of several megabytes each sit in the heaps of the worker threads' arenas,
    // which glibc only gives back when asked.
    malloc_trim(0);
#endif
}

} // namespace velomira
