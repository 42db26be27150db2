// The stream ring buffer: readiness, overflow, regions at the buffer's end, the lock
// flag, Reset, empty regions, and one writer and one reader thread moving megabytes
// through a small ring.

#include "core/CMpegBuffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// A byte sequence without a short period, so that a byte out of place shows.
uint8_t Pattern(uint64_t i) { return static_cast<uint8_t>((i * 0x9E3779B97F4A7C15ull) >> 56); }

std::vector<uint8_t> Bytes(uint64_t first, uint32_t count)
{
    std::vector<uint8_t> bytes(count);
    for (uint32_t i = 0; i < count; i++) bytes[i] = Pattern(first + i);
    return bytes;
}

struct Region {
    int32_t result;
    const uint8_t* pData;
    uint32_t length;
    uint8_t reachedEnd;
};

Region Lock(CMpegBuffer& buffer, uint32_t wanted)
{
    Region r = {};
    r.pData = reinterpret_cast<const uint8_t*>(&r);  // anything but null: a failure must clear it
    r.length = 0xDEADBEEF;
    r.reachedEnd = 0xAA;
    r.result = buffer.ReadLock(&r.pData, wanted, &r.length, &r.reachedEnd);
    return r;
}

bool Holds(const Region& r, uint64_t first)
{
    return r.pData && std::memcmp(r.pData, Bytes(first, r.length).data(), r.length) == 0;
}

class CMpegBufferTest : public testing::Test {
protected:
    static constexpr uint32_t kCapacity = 4096;

    void SetUp() override
    {
        ASSERT_EQ(result, CMpegBuffer::kOk);
        buffer.SetReadySize(1);
    }
    // Writes the next count bytes of the sequence.
    int32_t Write(uint32_t count)
    {
        std::vector<uint8_t> bytes = Bytes(written, count);
        int32_t r = buffer.Write(bytes.data(), count);
        if (r == 0) written += count;
        return r;
    }
    // Reads and releases the next count bytes, checking them; the region is returned.
    Region Consume(uint32_t count)
    {
        Region r = Lock(buffer, count);
        EXPECT_GE(r.result, 0);
        EXPECT_TRUE(Holds(r, read)) << "bytes from " << read;
        read += r.length;
        EXPECT_EQ(buffer.ReadEnd(), 0);
        return r;
    }
    // The buffer's first byte, found through a region at offset 0.
    const uint8_t* Base()
    {
        Write(1);
        Region r = Consume(1);
        return r.pData;
    }

    int32_t result = 1;
    CMpegBuffer buffer{kCapacity, &result};
    uint64_t written = 0;
    uint64_t read = 0;
};

TEST_F(CMpegBufferTest, TheFirstReadWaitsForTheReadySizeThenEveryCoveredReadIsGranted)
{
    buffer.SetReadySize(100);
    ASSERT_EQ(Write(99), 0);
    Region r = Lock(buffer, 640);
    EXPECT_EQ(r.result, CMpegBuffer::kNotReady);
    EXPECT_EQ(r.pData, nullptr);
    EXPECT_EQ(r.length, 0u);
    EXPECT_EQ(r.reachedEnd, 0);
    EXPECT_EQ(buffer.ReadEnd(), CMpegBuffer::kNotLocked);  // a refused ReadLock locks nothing
    ASSERT_EQ(Write(1), 0);
    r = Consume(640);  // granted whatever the wanted length, and says it is short
    EXPECT_EQ(r.result, CMpegBuffer::kReachedEnd);
    EXPECT_EQ(r.length, 100u);
    EXPECT_EQ(r.reachedEnd, 0);

    ASSERT_EQ(Write(10), 0);  // below the ready size now
    r = Lock(buffer, 11);
    EXPECT_EQ(r.result, CMpegBuffer::kShort);
    EXPECT_EQ(r.pData, nullptr);
    EXPECT_EQ(r.length, 0u);
    EXPECT_EQ(buffer.GetDataSize(), 10u);
    r = Consume(10);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.length, 10u);
}

// Also when the write offset equals the read offset: a full ring is not an empty one.
TEST_F(CMpegBufferTest, AWriteOfExactlyTheFreeSpaceFitsAndOneMoreByteOverflowsWritingNothing)
{
    ASSERT_EQ(Write(1000), 0);
    Consume(1000);
    ASSERT_EQ(Write(kCapacity), 0);
    EXPECT_EQ(Write(1), CMpegBuffer::kOverflow);
    std::vector<uint8_t> junk(200, 0xEE);
    EXPECT_EQ(buffer.Write(junk.data(), 200), CMpegBuffer::kOverflow);
    EXPECT_EQ(buffer.GetDataSize(), kCapacity);
    Region r = Consume(kCapacity);
    EXPECT_EQ(r.result, CMpegBuffer::kReachedEnd);
    EXPECT_EQ(r.length, kCapacity - 1000);
    EXPECT_EQ(r.reachedEnd, 1);
    EXPECT_EQ(Consume(1000).length, 1000u);  // the refused bytes left no trace
    EXPECT_EQ(buffer.GetDataSize(), 0u);
}

// A write across the end is split; a region is cut at the end, says so, and the
// next one starts at the buffer's first byte.
TEST_F(CMpegBufferTest, RegionsEndAtTheBuffersEndAndGoOnAtItsStart)
{
    const uint8_t* pBase = Base();  // offsets 1
    ASSERT_EQ(Write(2999), 0);
    Consume(2999);              // offsets 3000
    ASSERT_EQ(Write(2000), 0);  // 1096 at the end, 904 at the start
    Region r = Consume(0);      // 0: whatever is stored, up to the end
    EXPECT_EQ(r.pData, pBase + 3000);
    EXPECT_EQ(r.result, CMpegBuffer::kReachedEnd);
    EXPECT_EQ(r.length, 1096u);
    EXPECT_EQ(r.reachedEnd, 1);
    r = Consume(0);
    EXPECT_EQ(r.pData, pBase);
    EXPECT_EQ(r.length, 904u);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.reachedEnd, 0);
    ASSERT_EQ(Write(3192 + 500), 0);  // goes on at 904
    r = Consume(3192);                // exactly to the end, with more stored behind it
    EXPECT_EQ(r.pData, pBase + 904);
    EXPECT_EQ(r.result, CMpegBuffer::kReachedEnd);
    EXPECT_EQ(r.reachedEnd, 1);
    r = Consume(0);
    EXPECT_EQ(r.pData, pBase);
    EXPECT_EQ(r.length, 500u);
    EXPECT_EQ(buffer.GetDataSize(), 0u);
}

TEST_F(CMpegBufferTest, ASecondReadLockOrAReadEndWithoutLockIsRefusedAndResetUnlocksAndRewinds)
{
    EXPECT_EQ(buffer.ReadEnd(), CMpegBuffer::kNotLocked);
    const uint8_t* pBase = Base();
    ASSERT_EQ(Write(100), 0);
    EXPECT_EQ(Lock(buffer, 10).result, 0);
    Region second = Lock(buffer, 10);
    EXPECT_EQ(second.result, CMpegBuffer::kReadLocked);
    EXPECT_EQ(second.pData, nullptr);
    EXPECT_EQ(second.length, 0u);
    EXPECT_EQ(second.reachedEnd, 0);
    EXPECT_EQ(buffer.ReadEnd(), 0);
    EXPECT_EQ(buffer.ReadEnd(), CMpegBuffer::kNotLocked);
    EXPECT_EQ(buffer.GetDataSize(), 90u);  // the refused calls released nothing

    ASSERT_EQ(Lock(buffer, 10).result, 0);
    buffer.Reset();
    EXPECT_EQ(buffer.GetDataSize(), 0u);
    EXPECT_EQ(buffer.ReadEnd(), CMpegBuffer::kNotLocked);
    written = read = 0;
    ASSERT_EQ(Write(kCapacity), 0);  // the whole capacity is free again
    EXPECT_EQ(Lock(buffer, 1).result, CMpegBuffer::kNotReady);  // the default ready size is back
    buffer.SetReadySize(kCapacity);
    Region r = Consume(kCapacity);
    EXPECT_EQ(r.pData, pBase);  // both offsets back to 0
    EXPECT_EQ(r.length, kCapacity);
}

// At offset 0 an empty region's ReadEnd would take the whole capacity off the stored count.
TEST_F(CMpegBufferTest, NothingStoredGivesNoDataAndNeverAnEmptyRegion)
{
    EXPECT_EQ(buffer.Write(nullptr, 0), 0);  // a write of nothing changes nothing
    ASSERT_EQ(Write(1), 0);
    Consume(1);  // ready, and empty again
    Region r = Lock(buffer, 0);
    EXPECT_EQ(r.result, CMpegBuffer::kNoData);
    EXPECT_EQ(r.pData, nullptr);
    EXPECT_EQ(buffer.ReadEnd(), CMpegBuffer::kNotLocked);

    buffer.Reset();
    buffer.SetReadySize(0);
    r = Lock(buffer, 640);  // ready at once, but there is nothing to hand out
    EXPECT_EQ(r.result, CMpegBuffer::kNoData);
    EXPECT_EQ(r.length, 0u);
    EXPECT_EQ(buffer.ReadEnd(), CMpegBuffer::kNotLocked);
    EXPECT_EQ(buffer.GetDataSize(), 0u);
    ASSERT_EQ(Write(kCapacity), 0);  // the count is intact: the whole ring is free
    EXPECT_EQ(buffer.Write(nullptr, 0), 0);
    EXPECT_EQ(Write(1), CMpegBuffer::kOverflow);
    EXPECT_EQ(Consume(kCapacity).length, kCapacity);
}

// One writer and one reader thread, several megabytes through a 4096-byte ring, every
// byte checked in order. Pieces and wanted lengths vary; their largest sum stays within
// the capacity, so that neither side can wait for the other forever.
// A reconnection's gap: the old stream's tail is read up to the gap, across the
// ring's wrap, and the region after it is the one that says so, once.
TEST_F(CMpegBufferTest, NoRegionSpansAGapAndTheFirstAfterItIsMarked)
{
    ASSERT_EQ(Write(kCapacity - 100), 0);
    Consume(kCapacity - 150);
    buffer.MarkGap();
    ASSERT_EQ(Write(300), 0);  // wraps: 50 old bytes, then 300 new ones
    Region r = Consume(0);
    EXPECT_EQ(r.length, 50u);
    EXPECT_EQ(r.reachedEnd, 1);
    EXPECT_FALSE(buffer.RegionFollowsGap());
    r = Consume(0);
    EXPECT_EQ(r.length, 100u);  // up to the ring's end
    EXPECT_TRUE(buffer.RegionFollowsGap());
    r = Consume(0);
    EXPECT_EQ(r.length, 200u);
    EXPECT_FALSE(buffer.RegionFollowsGap());

    buffer.MarkGap();  // nothing stored: the next region begins at the gap
    ASSERT_EQ(Write(10), 0);
    Consume(0);
    EXPECT_TRUE(buffer.RegionFollowsGap());
    buffer.MarkGap();
    buffer.Reset();  // a new round forgets the gap
    buffer.SetReadySize(1);
    written = read = 0;
    ASSERT_EQ(Write(10), 0);
    Consume(0);
    EXPECT_FALSE(buffer.RegionFollowsGap());
}

TEST(CMpegBufferThreadTest, AWriterAndAReaderMoveMegabytesInOrder)
{
    constexpr uint32_t kCapacity = 4096;
    constexpr uint64_t kTotal = 8u << 20;
    int32_t result = 1;
    CMpegBuffer buffer(kCapacity, &result);
    ASSERT_EQ(result, CMpegBuffer::kOk);
    buffer.SetReadySize(64);
    std::atomic<int32_t> unexpected{0};

    std::thread writer([&] {
        std::vector<uint8_t> piece(1388);
        uint64_t next = 0;
        for (uint32_t k = 0; next < kTotal; k++) {
            uint32_t length = (k % 2) ? 1388 : 1 + (k * 577) % 1388;
            if (length > kTotal - next) length = static_cast<uint32_t>(kTotal - next);
            for (uint32_t i = 0; i < length; i++) piece[i] = Pattern(next + i);
            int32_t r;
            while ((r = buffer.Write(piece.data(), length)) == CMpegBuffer::kOverflow) std::this_thread::yield();
            if (r != 0) unexpected++;
            next += length;
        }
    });

    uint64_t next = 0;
    uint64_t mismatches = 0;
    uint32_t reads = 0, reachedEnds = 0;
    for (uint32_t k = 0; next < kTotal; k++) {
        uint32_t wanted = (k * 389) % 2049;  // 0: whatever is stored
        if (wanted > kTotal - next) wanted = static_cast<uint32_t>(kTotal - next);
        const uint8_t* pData = nullptr;
        uint32_t length = 0;
        uint8_t reachedEnd = 0;
        int32_t r;
        while ((r = buffer.ReadLock(&pData, wanted, &length, &reachedEnd)) < 0) {
            if (r != CMpegBuffer::kNotReady && r != CMpegBuffer::kShort && r != CMpegBuffer::kNoData) unexpected++;
            std::this_thread::yield();
        }
        if (length == 0 || (wanted != 0 && length > wanted) || (r == 0 && wanted != 0 && length != wanted))
            unexpected++;
        for (uint32_t i = 0; i < length; i++) {
            if (pData[i] != Pattern(next + i)) mismatches++;
        }
        next += length;
        reads++;
        reachedEnds += reachedEnd;
        if (buffer.ReadEnd() != 0) unexpected++;
    }
    writer.join();
    EXPECT_EQ(next, kTotal);
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(unexpected.load(), 0);
    EXPECT_EQ(buffer.GetDataSize(), 0u);
    EXPECT_GT(reachedEnds, kTotal / kCapacity / 2);  // the ring did go round
    EXPECT_GT(reads, 0u);
}

}  // namespace
