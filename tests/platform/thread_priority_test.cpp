// Lowering one thread's priority leaves the others (and the process) as they were.
#include "platform/thread_priority.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace velomira {
namespace {

int ownNiceness() {
    return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
}

TEST(ThreadPriority, LowersOnlyTheCallingThreadAndWhatItStartsLater) {
    const int before = ownNiceness();
    int lowered = 0, child = 0;
    std::thread worker([&] {
        ASSERT_TRUE(lowerCurrentThreadPriority(3));
        lowered = ownNiceness();
        std::thread([&] { child = ownNiceness(); }).join();
    });
    worker.join();
    EXPECT_EQ(lowered, std::min(before + 3, 19));
    EXPECT_EQ(child, lowered);
    EXPECT_EQ(ownNiceness(), before);
}

} // namespace
} // namespace velomira
