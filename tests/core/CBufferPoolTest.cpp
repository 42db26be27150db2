// The receive-buffer pool with real threads waiting for buffers.

#include "core/CBufferPool.h"

#include "tests/core/CBufferPoolTestPeer.h"
#include "tests/core/CTestPoolEvent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

class CBufferPoolTest : public testing::Test {
protected:
    void MakePool(uint32_t count, uint32_t size = 4096)
    {
        int32_t result = -1;
        pool = std::make_unique<CBufferPool>(count, size, &result);
        ASSERT_EQ(result, 0);
    }
    CPoolBuffer* Take() { return pool->GetBuffer(&event, 0); }

    CTestPoolEvent event;
    std::unique_ptr<CBufferPool> pool;
};

TEST_F(CBufferPoolTest, TheMostRecentlyReturnedBufferIsHandedOutFirstAndHoldsNoMoreThanItsCapacity)
{
    MakePool(3);
    CPoolBuffer* a = Take();
    CPoolBuffer* b = Take();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(CBufferPoolTestPeer::InUse(*pool), 2u);
    EXPECT_EQ(a->Capacity(), 4096u);
    EXPECT_EQ(a->RefCount(), 1);
    a->Release();
    b->Release();
    EXPECT_EQ(CBufferPoolTestPeer::InUse(*pool), 0u);
    EXPECT_EQ(Take(), b);
    EXPECT_EQ(Take(), a);

    b->SetUsedLength(60);
    EXPECT_EQ(b->UsedLength(), 60u);
    b->SetUsedLength(5000);  // never past the capacity
    EXPECT_EQ(b->UsedLength(), 4096u);
}

TEST_F(CBufferPoolTest, WithNoFreeBufferATimeOutGivesNoneAndTheRequestIsNotLeftBehind)
{
    MakePool(1);
    CPoolBuffer* only = Take();
    EXPECT_EQ(pool->GetBuffer(&event, 0), nullptr);
    EXPECT_EQ(pool->GetBuffer(&event, 5), nullptr);
    only->Release();  // no stale request may catch it
    EXPECT_EQ(CBufferPoolTestPeer::InUse(*pool), 0u);
    EXPECT_EQ(Take(), only);
}

// Two callers wait; each returned buffer goes to the oldest of them, not to the free list.
TEST_F(CBufferPoolTest, AReturnedBufferGoesToTheOldestWaitingCaller)
{
    MakePool(1);
    CPoolBuffer* only = Take();
    CTestPoolEvent firstEvent, secondEvent;
    CPoolBuffer* gotFirst = nullptr;
    CPoolBuffer* gotSecond = nullptr;
    std::thread first([&] { gotFirst = pool->GetBuffer(&firstEvent, IPoolEvent::kInfinite); });
    firstEvent.WaitUntilWaiting();
    std::thread second([&] { gotSecond = pool->GetBuffer(&secondEvent, IPoolEvent::kInfinite); });
    secondEvent.WaitUntilWaiting();

    only->Release();
    first.join();
    EXPECT_EQ(gotFirst, only);
    EXPECT_EQ(only->RefCount(), 1);
    EXPECT_EQ(CBufferPoolTestPeer::InUse(*pool), 1u);
    gotFirst->Release();
    second.join();
    EXPECT_EQ(gotSecond, only);
    gotSecond->Release();
    EXPECT_EQ(CBufferPoolTestPeer::InUse(*pool), 0u);
}

TEST_F(CBufferPoolTest, RecyclingGivesBackWhatIsInUseAndLeavesAFullPoolAlone)
{
    MakePool(4);
    pool->RecyclePendBuffers();
    EXPECT_EQ(CBufferPoolTestPeer::InUse(*pool), 0u);
    for (int i = 0; i < 3; i++) Take();
    pool->RecyclePendBuffers();
    EXPECT_EQ(CBufferPoolTestPeer::InUse(*pool), 0u);
    for (int i = 0; i < 4; i++) EXPECT_NE(Take(), nullptr);
    EXPECT_EQ(Take(), nullptr);
    pool->RecyclePendBuffers();
}

// More takers than buffers, each buffer also released by a second thread as a
// downstream sample would: no buffer is ever held twice, and all come back.
TEST_F(CBufferPoolTest, ManyThreadsTakingAndReleasingShareTheBuffersSafely)
{
    MakePool(3, 64);
    constexpr int kThreads = 4;
    constexpr int kRounds = 600;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; t++) {
        threads.emplace_back([&, t] {
            CTestPoolEvent myEvent;
            for (int i = 0; i < kRounds; i++) {
                CPoolBuffer* b = pool->GetBuffer(&myEvent, IPoolEvent::kInfinite);
                std::memset(b->Data(), t, b->Capacity());
                b->AddRef();
                std::thread downstream([b] { b->Release(); });
                downstream.join();
                for (uint32_t k = 0; k < b->Capacity(); k++) {
                    if (b->Data()[k] != t) failures++;
                }
                b->Release();
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(CBufferPoolTestPeer::InUse(*pool), 0u);
    for (int i = 0; i < 3; i++) EXPECT_NE(Take(), nullptr);
    pool->RecyclePendBuffers();
}

}  // namespace
