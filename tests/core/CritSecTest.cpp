#include "core/CritSec.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// Unguarded, the read-modify-write below loses updates (and the thread sanitizer
// reports a race); a lock that is not recursive, or not released at its scope's
// end, deadlocks it.
TEST(CritSecTest, AutoLockSerialisesThreadsAndIsRecursive)
{
    CCritSec lock;
    long counter = 0;
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; t++) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; i++) {
                CAutoLock hold(&lock);
                CAutoLock again(&lock);
                long seen = counter;
                counter = seen + 1;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(counter, long{kThreads} * kRounds);
}

}  // namespace
