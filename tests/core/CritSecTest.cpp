#include "core/CritSec.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

TEST(CritSecTest, LockIsRecursiveOnOneThread)
{
    CCritSec lock;
    CAutoLock outer(&lock);
    CAutoLock inner(&lock);  // a second hold by the same thread must not deadlock
    SUCCEED();
}

// Unguarded, the read-modify-write below loses updates (and the thread sanitizer reports a race).
TEST(CritSecTest, AutoLockSerialisesThreads)
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
                long seen = counter;
                counter = seen + 1;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(counter, long{kThreads} * kRounds);
}

TEST(CritSecTest, AutoLockReleasesAtScopeEnd)
{
    CCritSec lock;
    { CAutoLock hold(&lock); }
    bool taken = false;
    std::thread other([&] {
        CAutoLock hold(&lock);
        taken = true;
    });
    other.join();
    EXPECT_TRUE(taken);
}

}  // namespace
