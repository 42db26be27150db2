// The buffer pool waiting on real Win32 events, as the receiving thread will.

#include "core/CBufferPool.h"
#include "stream/CPoolEvent.h"
#include "tests/core/CBufferPoolTestPeer.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

class CPoolEventTest : public testing::Test {
protected:
    void SetUp() override
    {
        int32_t result = -1;
        pool = std::make_unique<CBufferPool>(1, 4096, &result);
        ASSERT_EQ(result, 0);
        hEvent = CreateEventW(nullptr, TRUE, TRUE, nullptr);  // set: the pool must reset it
        ASSERT_NE(hEvent, nullptr);
    }
    void TearDown() override { CloseHandle(hEvent); }

    std::unique_ptr<CBufferPool> pool;
    HANDLE hEvent = nullptr;
};

// The event starts set: a stale signal must not end the wait early.
TEST_F(CPoolEventTest, TheWaitStartsFromAResetEventAndEndsOnItsTimeOut)
{
    CPoolEvent event(hEvent);
    CPoolBuffer* only = pool->GetBuffer(&event, 0);
    ASSERT_NE(only, nullptr);
    EXPECT_EQ(pool->GetBuffer(&event, 20), nullptr);
    EXPECT_EQ(WaitForSingleObject(hEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    only->Release();
}

// Released on another thread, early or late: either way the waiter gets the buffer.
TEST_F(CPoolEventTest, AWaitingCallerWakesWithTheReturnedBuffer)
{
    CPoolEvent event(hEvent);
    CPoolBuffer* only = pool->GetBuffer(&event, 0);
    std::thread releaser([only] { only->Release(); });
    CPoolBuffer* got = pool->GetBuffer(&event, INFINITE);
    releaser.join();
    EXPECT_EQ(got, only);
    got->Release();
    EXPECT_EQ(CBufferPoolTestPeer::InUse(*pool), 0u);
}

}  // namespace
