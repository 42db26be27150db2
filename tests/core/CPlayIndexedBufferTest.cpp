// The playback indexed buffer: frames back in order with their stream information,
// status and times; the start size and the end of the data; the loop to the ring's
// start and the reservation that samples give back; entries and bytes that are never
// written over while a reader still needs them.

#include "core/CPlayIndexedBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Buffer = CPlayIndexedBuffer;

// The block is packed: its fields are read by value.
uint16_t Status(const PlayIndexEntry& entry) { return entry.block.info.usStatus; }

// Bytes of frame seq, so that a byte out of place shows.
std::vector<uint8_t> Frame(uint64_t seq, uint32_t size)
{
    std::vector<uint8_t> bytes(size);
    for (uint32_t i = 0; i < size; i++) bytes[i] = static_cast<uint8_t>((seq * 131 + i) * 0x9E3779B1u >> 24);
    return bytes;
}

class CPlayIndexedBufferTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(result, Buffer::kOk); }

    // The reader's steps for one frame: status and stream information, the entry, the bytes.
    int32_t Put(uint32_t size, uint16_t usStatus = 0, uint32_t notKey = 0)
    {
        StreamInfoBlock block = {};
        block.ulIndexValue = static_cast<uint32_t>(written + 1);
        buffer.SetStreamInfo(block);
        if (usStatus) buffer.SetStatus(usStatus);
        const int32_t reqNo = buffer.WriteIndex(IndexRequest{size, 0, 3, 0, notKey});
        const std::vector<uint8_t> bytes = Frame(++written, size);
        return buffer.Write(bytes.data(), size, reqNo, 1);
    }
    // The push thread's steps: the next entry, its bytes checked, then taken.
    int32_t Take(PlayIndexEntry* pEntry, uint32_t required = 0)
    {
        const int32_t r = buffer.ReadIndexLocked(pEntry, required, false);
        if (r < 0) return r;
        const IndexEntry& e = pEntry->entry;
        EXPECT_LE(uint64_t{e.dwOffset} + e.dwDataSize, buffer.GetSize());
        const uint64_t index = pEntry->block.ulIndexValue;  // packed: by value
        EXPECT_EQ(index, e.ullSeq) << "the stream information of another frame";
        const std::vector<uint8_t> bytes = Frame(e.ullSeq, e.dwDataSize);
        EXPECT_EQ(std::memcmp(buffer.Data() + e.dwOffset, bytes.data(), e.dwDataSize), 0) << "frame " << e.ullSeq;
        buffer.ReleaseRead(e.dwDataSize);
        return r;
    }
    // Downstream lets the frame's sample go.
    void Release(const PlayIndexEntry& entry)
    {
        buffer.ReadLockEnd(buffer.Data() + entry.entry.dwOffset + entry.entry.dwDataSize);
    }

    int32_t result = 1;
    Buffer buffer{Buffer::kPlaySize, Buffer::kPlayType, &result};
    uint64_t written = 0;
};

// Reading starts once the start size and the bytes required are buffered; then
// entries come in order, one time step each, a gap status travelling with its
// frame and any other status cleared by the entry it was set for.
TEST_F(CPlayIndexedBufferTest, FramesComeBackInOrderWithTheirStatusAndTimes)
{
    PlayIndexEntry entry = {};
    EXPECT_EQ(buffer.ReadIndexLocked(&entry, 0, false), Buffer::kNoEntry);
    ASSERT_EQ(Put(20000), 0);
    ASSERT_EQ(Put(12000, 0x0601), 0);
    EXPECT_EQ(Take(&entry), Buffer::kNotStarted);  // 32,000 of 32,768
    ASSERT_EQ(Put(1000, 0x9123), 0);
    EXPECT_EQ(Take(&entry, 40000), Buffer::kNotStarted);
    ASSERT_EQ(Put(8000), 0);
    for (uint64_t n = 1; n <= 3; n++) {
        ASSERT_EQ(Take(&entry), 0) << n;
        EXPECT_EQ(entry.entry.ullSeq, n);
        EXPECT_EQ(entry.entry.llStart, static_cast<int64_t>((n - 1) * Buffer::kDefaultRefTime));
        EXPECT_EQ(entry.entry.llStop, static_cast<int64_t>(n * Buffer::kDefaultRefTime));
        EXPECT_EQ(Status(entry), n == 2 ? 0x0601 : 0);
        EXPECT_EQ(entry.bState, kPlayEntryWritten);
    }
    EXPECT_EQ(Take(&entry, 9000), Buffer::kTooLittle);
    ASSERT_EQ(Take(&entry), 0);  // the last frame written, without waiting for the next
    EXPECT_EQ(entry.entry.ullSeq, 4u);
    EXPECT_EQ(Take(&entry), Buffer::kNoEntry);
    PlayIndexEntry again = {};
    ASSERT_EQ(Put(100), 0);
    ASSERT_EQ(buffer.ReadIndexLocked(&again, 0, true), 0);  // the last entry once more
    EXPECT_EQ(again.entry.ullSeq, 4u);
}

// A recording shorter than the start size used to wait for it forever. With the end
// pending, the tail goes out, then the end itself.
TEST_F(CPlayIndexedBufferTest, TheEndOfTheDataHandsOutAShortRecordingAndThenItsStatus)
{
    for (int i = 0; i < 3; i++) ASSERT_EQ(Put(1000), 0);
    PlayIndexEntry entry = {};
    EXPECT_EQ(Take(&entry), Buffer::kNotStarted);
    buffer.SetStatus(0x0501);
    for (uint64_t n = 1; n <= 3; n++) {
        ASSERT_EQ(Take(&entry, 5000), 0) << n;
        EXPECT_EQ(Status(entry), n == 3 ? 0x0501 : 0);
    }
    entry = {};
    EXPECT_EQ(buffer.ReadIndexLocked(&entry, 0, false), Buffer::kStatusPending);
    EXPECT_EQ(Status(entry), 0x0501);
}

// Frames go round the ring many times; each that does not fit before the end goes
// to the start, and what samples give back returns the reservation whole. When the
// samples had been released up to the loop point before the loop, the lock end never
// met the loop end again: the first sample after the loop stayed reserved, more with
// every loop, and the stale lock end stopped the writer there on the next round.
TEST_F(CPlayIndexedBufferTest, FramesGoRoundTheRingAndTheReservationComesBackWhole)
{
    buffer.SetStartSize(0);
    PlayIndexEntry entry = {};
    std::vector<PlayIndexEntry> held;
    for (int n = 0; n < 600; n++) {
        ASSERT_EQ(Put(7001 + n % 13 * 1000), 0) << n;
        ASSERT_EQ(Put(5003), 0) << n;
        for (int k = 0; k < 2; k++) {
            ASSERT_EQ(Take(&entry), 0) << n;
            held.push_back(entry);
        }
        if (held.size() > 20) {  // downstream holds some samples, and lets them go in order
            for (const PlayIndexEntry& h : held) Release(h);
            held.clear();
        }
    }
    for (const PlayIndexEntry& h : held) Release(h);
    EXPECT_EQ(buffer.GetReservedBytes(), 0u);
}

// Without a release the ring fills: the frame that would reach held bytes is
// refused and so is every later one, and the held frames keep their bytes.
TEST_F(CPlayIndexedBufferTest, AFrameThatWouldReachHeldBytesOverflowsAndTheHeldBytesStay)
{
    buffer.SetStartSize(0);
    PlayIndexEntry first = {}, entry = {};
    ASSERT_EQ(Put(100000), 0);
    ASSERT_EQ(Put(100000), 0);
    ASSERT_EQ(Take(&first), 0);
    Release(first);  // released up to 100,000
    for (int i = 0; i < 2; i++) ASSERT_EQ(Put(100000), 0);
    EXPECT_FALSE(buffer.HasRoomFor(100000));
    EXPECT_TRUE(buffer.HasRoomFor(99999));
    EXPECT_EQ(Put(100000), Buffer::kWriteError);  // at the start it would end on the released position
    EXPECT_EQ(Put(10), Buffer::kWriteError);
    buffer.SetStatus(0x0501);
    for (uint64_t n = 2; n <= 4; n++) {
        ASSERT_EQ(Take(&entry), 0);
        EXPECT_EQ(entry.entry.ullSeq, n);
    }
}

// A frame that loops to the start while the frames there are still unread used to
// be written over them: its bound was the push thread's read end, which after the
// loop lies in the round before.
TEST_F(CPlayIndexedBufferTest, AFrameNeverLoopsOverFramesNotYetRead)
{
    buffer.SetStartSize(0);
    PlayIndexEntry held[4] = {};
    for (int i = 0; i < 4; i++) ASSERT_EQ(Put(100000), 0);
    for (PlayIndexEntry& h : held) ASSERT_EQ(Take(&h), 0);
    Release(held[0]);
    ASSERT_EQ(Put(95000), 0);  // at the ring's start
    for (int i = 1; i < 4; i++) Release(held[i]);
    EXPECT_FALSE(buffer.HasRoomFor(402000));
    EXPECT_EQ(Put(402000), Buffer::kWriteError);  // would loop over the unread frame
    buffer.SetStatus(0x0501);
    PlayIndexEntry entry = {};
    ASSERT_EQ(Take(&entry), 0);  // its bytes are checked
    EXPECT_EQ(entry.entry.ullSeq, 5u);
    EXPECT_EQ(entry.entry.dwOffset, 0u);
}

// 512 unread entries: the next frame used to be written over the oldest, which the
// reader then lost (and read a newer frame in its place). Now it is refused, its
// entry, stream information and status left as the unread frame brought them.
TEST_F(CPlayIndexedBufferTest, AnUnreadEntryIsNeverWrittenOver)
{
    buffer.SetStartSize(0);
    for (int i = 0; i < Buffer::kIndexCount; i++) ASSERT_EQ(Put(100), 0) << i;
    EXPECT_EQ(buffer.GetFreeIndexCount(), 0);
    EXPECT_FALSE(buffer.HasRoomFor(1));
    EXPECT_EQ(Put(100), Buffer::kWriteError);
    EXPECT_EQ(Put(100, 0x0601), Buffer::kWriteError);
    PlayIndexEntry entry = {};
    for (uint64_t n = 1; n <= Buffer::kIndexCount; n++) {
        ASSERT_EQ(Take(&entry), 0) << n;
        EXPECT_EQ(Status(entry), n == Buffer::kIndexCount ? 0x0501 : 0) << n;  // the end comes with the last
        if (n == 1) buffer.SetStatus(0x0501);  // the end, on the entry that reading freed
        ASSERT_EQ(entry.entry.ullSeq, n);
        ASSERT_EQ(entry.entry.dwDataSize, 100u);
    }
}

// The request numbers run 1 to 256, then 0; a second Write for one request and a
// frame longer than its request are not taken as they come.
TEST_F(CPlayIndexedBufferTest, RequestNumbersTieEachFrameToItsEntry)
{
    buffer.SetStartSize(0);
    for (int n = 1; n <= 256; n++) ASSERT_EQ(buffer.WriteIndex(IndexRequest{0, 0, 3, 0, 0}), n);
    EXPECT_EQ(buffer.WriteIndex(IndexRequest{0, 0, 3, 0, 0}), 0);
    buffer.Init();
    const std::vector<uint8_t> bytes = Frame(1, 200);
    const int32_t reqNo = buffer.WriteIndex(IndexRequest{150, 0, 3, 0, 0});
    EXPECT_EQ(buffer.Write(bytes.data(), 150, reqNo - 1, 1), Buffer::kWriteError);
    ASSERT_EQ(buffer.Write(bytes.data(), 200, reqNo, 1), 0);  // cut to the 150 announced
    EXPECT_EQ(buffer.Write(bytes.data(), 150, reqNo, 1), Buffer::kWriteError);
    buffer.SetStatus(0x0501);
    PlayIndexEntry entry = {};
    ASSERT_EQ(buffer.ReadIndexLocked(&entry, 0, false), 0);
    EXPECT_EQ(entry.entry.dwDataSize, 150u);
    EXPECT_EQ(buffer.GetReservedBytes(), 150u);
    EXPECT_EQ(Buffer::CalcRefTime(StreamInfoBlock{}), 2001996u);
}

}  // namespace
