// The live indexed buffer: the start threshold, sequence numbers and times, the loop
// to the area's start, overflow, cut and short packs, refused heads, the pack head's
// bytes, and a writer, a reader and a releaser thread moving thousands of packets
// through the area.

#include "core/CIndexedBuffer2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kHead = 24;

// Bytes of packet seq, without a short period, so that a byte out of place shows.
uint8_t Pattern(uint64_t seq, uint32_t i) { return static_cast<uint8_t>(((seq << 20) + i) * 0x9E3779B97F4A7C15ull >> 56); }

std::vector<uint8_t> Bytes(uint64_t seq, uint32_t from, uint32_t count)
{
    std::vector<uint8_t> bytes(count);
    for (uint32_t i = 0; i < count; i++) bytes[i] = Pattern(seq, from + i);
    return bytes;
}

IndexRequest Request(uint32_t dataSize, uint32_t notKey = 0)
{
    return IndexRequest{dataSize, 0, kIndexKindPack, kHead, notKey};
}

class CIndexedBuffer2Test : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(result, CIndexedBuffer2::kOk); }

    // Opens the next packet and writes its head; the packet's bytes follow with Data.
    int32_t Open(uint32_t dataSize, uint32_t notKey = 0)
    {
        reqNo = buffer.WriteIndex(Request(dataSize, notKey));
        seq++;
        fed = kHead;
        return buffer.Write(Bytes(seq, 0, kHead).data(), kHead, reqNo, 0);
    }
    int32_t Data(uint32_t count, uint32_t bComplete = 1)
    {
        const std::vector<uint8_t> bytes = Bytes(seq, fed, count);
        fed += count;
        return buffer.Write(bytes.data(), count, bComplete);
    }
    int32_t Packet(uint32_t dataSize)
    {
        const int32_t r = Open(dataSize);
        return r < 0 ? r : Data(dataSize);
    }
    // Reads the next entry and takes it; its bytes must be those written for its sequence number.
    int32_t Read(IndexEntry* pEntry)
    {
        const int32_t r = buffer.ReadIndex(pEntry);
        if (r < 0) return r;
        const uint32_t size = pEntry->dwHeadSize + pEntry->dwDataSize;
        EXPECT_LE(uint64_t{pEntry->dwOffset} + size, buffer.GetSize());
        EXPECT_EQ(std::memcmp(buffer.Data() + pEntry->dwOffset, Bytes(pEntry->ullSeq, 0, size).data(), size), 0)
            << "packet " << pEntry->ullSeq;
        buffer.ReadEnd(pEntry->dwOffset + size, size);
        return r;
    }
    void ReadAndRelease(int count)
    {
        for (int i = 0; i < count; i++) {
            IndexEntry entry = {};
            ASSERT_EQ(Read(&entry), 0);
            buffer.SetSamplePos(entry.dwOffset + entry.dwHeadSize + entry.dwDataSize);
        }
    }
    // Past the start threshold with nothing held.
    void StartReading()
    {
        ASSERT_EQ(Packet(CIndexedBuffer2::kStartSize), 0);
        ReadAndRelease(1);
    }

    int32_t result = 1;
    CIndexedBuffer2 buffer{CIndexedBuffer2::kLiveSize, CIndexedBuffer2::kLiveType, &result};
    int32_t reqNo = 0;
    uint64_t seq = 0;
    uint32_t fed = 0;
};

TEST_F(CIndexedBuffer2Test, ReadingStartsAtTheThresholdWithTheNextPacketWhole)
{
    IndexEntry entry = {};
    EXPECT_EQ(buffer.ReadIndex(&entry), CIndexedBuffer2::kNoEntry);
    for (int i = 0; i < 31; i++) ASSERT_EQ(Packet(1000), 0);  // 31 x 1024 bytes
    EXPECT_EQ(buffer.ReadIndex(&entry), CIndexedBuffer2::kNotStarted);
    ASSERT_EQ(Open(1000), 0);
    ASSERT_EQ(Data(999, 0), 0);  // one byte short of 32,768
    EXPECT_EQ(buffer.ReadIndex(&entry), CIndexedBuffer2::kNotStarted);
    ASSERT_EQ(Data(1), 0);
    for (int i = 0; i < 32; i++) ASSERT_EQ(Read(&entry), 0);
    EXPECT_EQ(buffer.ReadIndex(&entry), CIndexedBuffer2::kNoEntry);

    buffer.Init();  // a first packet past the threshold is read only when whole
    seq = 0;
    ASSERT_EQ(Open(40000), 0);
    ASSERT_EQ(Data(35000, 0), 0);
    EXPECT_EQ(buffer.ReadIndex(&entry), CIndexedBuffer2::kNotStarted);
    ASSERT_EQ(Data(5000), 0);
    EXPECT_EQ(Read(&entry), 0);

    buffer.Init();  // at the end of the input, what is whole is read below the threshold
    seq = 0;
    ASSERT_EQ(Packet(1000), 0);
    ASSERT_EQ(Open(1000), 0);
    ASSERT_EQ(Data(500, 0), 0);
    EXPECT_EQ(buffer.ReadIndex(&entry), CIndexedBuffer2::kNotStarted);
    buffer.EndOfInput();
    EXPECT_EQ(Read(&entry), 0);
    EXPECT_EQ(buffer.ReadIndex(&entry), CIndexedBuffer2::kIncomplete);
}

// Once started, an entry is readable when its packet is whole; a short pack gets
// the size written when the next one opens, an overlong one is cut to its announced
// size. A head cut short used to keep its announced size: its entry ran into the
// next packet's bytes, and releasing its sample freed them for the writer.
TEST_F(CIndexedBuffer2Test, EntriesAreReadableWhenWholeAndHoldWhatWasWritten)
{
    StartReading();
    IndexEntry entry = {};
    reqNo = buffer.WriteIndex(IndexRequest{1000, 0, kIndexKindPack, 0, 0});  // a head of no bytes
    seq++;
    fed = 0;
    ASSERT_EQ(buffer.Write(nullptr, 0, reqNo, 0), 0);
    EXPECT_EQ(buffer.ReadIndex(&entry), CIndexedBuffer2::kNoData);
    ASSERT_EQ(Data(500, 0), 0);
    EXPECT_EQ(buffer.ReadIndex(&entry), CIndexedBuffer2::kIncomplete);
    ASSERT_EQ(Data(500), 0);
    EXPECT_EQ(Read(&entry), 0);
    EXPECT_EQ(entry.dwDataSize, 1000u);

    ASSERT_EQ(Open(1000), 0);
    ASSERT_EQ(Data(600), 0);
    EXPECT_EQ(buffer.ReadIndex(&entry), CIndexedBuffer2::kIncomplete);
    ASSERT_EQ(Open(1000), 0);
    ASSERT_EQ(Read(&entry), 0);
    EXPECT_EQ(entry.dwDataSize, 600u);

    ASSERT_EQ(Data(600, 0), 0);
    ASSERT_EQ(Data(500, 0), 0);  // cut to 400
    ASSERT_EQ(Data(300), 0);     // skipped
    ASSERT_EQ(Read(&entry), 0);  // the first 1,000 bytes written
    EXPECT_EQ(entry.dwDataSize, 1000u);
    const uint32_t cutEnd = entry.dwOffset + kHead + 1000;

    reqNo = buffer.WriteIndex(Request(0));
    seq++;
    ASSERT_EQ(buffer.Write(Bytes(seq, 0, 5).data(), 5, reqNo, 1), 0);
    ASSERT_EQ(Packet(100), 0);
    ASSERT_EQ(Read(&entry), 0);
    EXPECT_EQ(entry.dwOffset, cutEnd);
    EXPECT_EQ(entry.dwHeadSize + entry.dwDataSize, 5u);
    ASSERT_EQ(Read(&entry), 0);
    EXPECT_EQ(entry.dwOffset, cutEnd + 5);
    EXPECT_EQ(entry.dwDataSize, 100u);
}

// A step of zero holds the time where it was until Init.
TEST_F(CIndexedBuffer2Test, EntriesCarryTheRequestSequenceNumbersAndOneStepOfTimeEach)
{
    for (uint32_t i = 0; i < 5; i++) {
        ASSERT_EQ(Open(8000, i % 2), 0);
        ASSERT_EQ(Data(8000), 0);
    }
    buffer.SetReferenceTime(0);
    for (int i = 0; i < 2; i++) ASSERT_EQ(Packet(100), 0);
    for (uint64_t n = 1; n <= 7; n++) {
        IndexEntry entry = {};
        ASSERT_EQ(Read(&entry), 0);
        EXPECT_EQ(entry.ullSeq, n);
        EXPECT_EQ(entry.llStart, static_cast<int64_t>(std::min<uint64_t>(n - 1, 5)) * 333667);
        EXPECT_EQ(entry.llStop, static_cast<int64_t>(std::min<uint64_t>(n, 5)) * 333667);
        EXPECT_EQ(entry.dwDataSize, n <= 5 ? 8000u : 100u);
        EXPECT_EQ(entry.dwHeadSize, kHead);
        EXPECT_EQ(entry.dwDataKind, kIndexKindPack);
        EXPECT_EQ(entry.dwNotKey, n <= 5 ? (n - 1) % 2 : 0);
    }
    buffer.Init();
    EXPECT_EQ(buffer.GetReferenceTime(), CIndexedBuffer2::kDefaultRefTime);
}

// Four packets of 100,024 bytes leave 91,424 at the end of the 491,520-byte area.
class CIndexedBuffer2LoopTest : public CIndexedBuffer2Test {
protected:
    static constexpr uint32_t kData = 100000;
    void SetUp() override
    {
        CIndexedBuffer2Test::SetUp();
        for (int i = 0; i < 4; i++) ASSERT_EQ(Packet(kData), 0);
        ReadAndRelease(2);  // released up to 200,048
    }
};

// A packet ending exactly where downstream's hold begins would leave the write
// position on the released one, which reads as "nothing held": the next packet
// would then be written over packets 3 and 4. The overflow opens a gap: packets
// that are not key are refused even where they fit, until a key packet fits; its
// entry says that it follows the gap. Before, the first overflow refused every
// packet until the next Init, that is for the rest of the recording.
TEST_F(CIndexedBuffer2LoopTest, TheWriterStopsShortOfTheReleasedPositionSoAFullAreaNeverLooksEmpty)
{
    ASSERT_EQ(Packet(kData), 0);  // at the start, up to 100,024
    EXPECT_EQ(Open(kData), CIndexedBuffer2::kWriteError);
    EXPECT_EQ(Data(kData), CIndexedBuffer2::kWriteError);
    EXPECT_EQ(buffer.IsIFrameWritten(), 0);
    EXPECT_EQ(Open(10, 1), CIndexedBuffer2::kWriteError);
    EXPECT_EQ(Data(10), CIndexedBuffer2::kWriteError);
    EXPECT_EQ(buffer.GetGaps().opened, 1u);
    EXPECT_TRUE(buffer.GetGaps().bOpen);
    IndexEntry entry = {};
    for (uint64_t n = 3; n <= 5; n++) {
        ASSERT_EQ(Read(&entry), 0);
        EXPECT_EQ(entry.ullSeq, n);
        EXPECT_EQ(entry.dwAfterGap, 0u);
    }
    EXPECT_EQ(buffer.ReadIndex(&entry), CIndexedBuffer2::kNoEntry);
    ASSERT_EQ(Packet(10), 0);
    ASSERT_EQ(Packet(10), 0);
    EXPECT_FALSE(buffer.GetGaps().bOpen);
    EXPECT_EQ(buffer.GetGaps().opened, 1u);
    ASSERT_EQ(Read(&entry), 0);
    EXPECT_EQ(entry.ullSeq, seq - 1);
    EXPECT_EQ(entry.dwAfterGap, 1u);
    ASSERT_EQ(Read(&entry), 0);
    EXPECT_EQ(entry.dwAfterGap, 0u);
}

TEST_F(CIndexedBuffer2LoopTest, APacketThatDoesNotFitBeforeTheEndLoopsUnlessItReachesHeldData)
{
    ASSERT_EQ(Packet(kData), 0);
    ReadAndRelease(2);
    IndexEntry entry = {};
    ASSERT_EQ(Read(&entry), 0);  // its bytes, head and data, checked at the start
    EXPECT_EQ(entry.ullSeq, 5u);
    EXPECT_EQ(entry.dwOffset, 0u);

    buffer.Init();  // positions back to 0
    seq = 0;
    for (int i = 0; i < 4; i++) ASSERT_EQ(Packet(kData), 0);
    ReadAndRelease(1);                                            // released up to 100,024
    EXPECT_EQ(Open(kData), CIndexedBuffer2::kWriteError);         // would end on the released position
    buffer.Init();
    seq = 0;
    for (int i = 0; i < 4; i++) ASSERT_EQ(Packet(kData), 0);
    ReadAndRelease(1);
    EXPECT_EQ(Open(kData - 1), 0);  // one byte short of it loops
    EXPECT_EQ(Data(kData - 1), 0);
    ReadAndRelease(4);
}

// A wrong request number leaves the entry invisible. With no head in the area, the
// pack bytes used to land behind the previous packet unbounded, and the next
// WriteIndex "corrected" the previous packet's entry. A second head for one request
// used to make a stale slot of the entry ring visible. The sizes of a request are
// summed without wrapping: a pack that could never fit overflows instead of becoming
// an entry that reaches past the area.
TEST_F(CIndexedBuffer2Test, HeadsThatCannotBeAcceptedAreRefusedAndLeaveNoEntry)
{
    StartReading();
    ASSERT_EQ(Packet(100), 0);
    reqNo = buffer.WriteIndex(Request(CIndexedBuffer2::kLiveSize));
    seq++;
    EXPECT_EQ(buffer.Write(Bytes(seq, 0, kHead).data(), kHead, reqNo - 1, 0), CIndexedBuffer2::kWriteError);
    EXPECT_EQ(Data(CIndexedBuffer2::kLiveSize), CIndexedBuffer2::kWriteError);
    ASSERT_EQ(Open(100), 0);
    EXPECT_EQ(buffer.Write(Bytes(seq, 0, kHead).data(), kHead, reqNo, 0), CIndexedBuffer2::kWriteError);
    ASSERT_EQ(Data(100), 0);
    IndexEntry entry = {};
    ASSERT_EQ(Read(&entry), 0);
    EXPECT_EQ(entry.dwDataSize, 100u);
    ASSERT_EQ(Read(&entry), 0);
    EXPECT_EQ(entry.ullSeq, seq);
    EXPECT_EQ(buffer.ReadIndex(&entry), CIndexedBuffer2::kNoEntry);

    reqNo = buffer.WriteIndex(IndexRequest{0xFFFFFFF0u, 0, kIndexKindPack, kHead, 0});
    EXPECT_EQ(buffer.Write(Bytes(1, 0, kHead).data(), kHead, reqNo, 1), CIndexedBuffer2::kWriteError);
    EXPECT_EQ(buffer.ReadIndex(&entry), CIndexedBuffer2::kNoEntry);
}

// A reader 511 entries behind: one more entry would make the ring look empty and
// lose them all.
TEST_F(CIndexedBuffer2Test, AnEntryRingWith511UnreadEntriesOverflowsRatherThanBeingLapped)
{
    StartReading();
    for (int i = 0; i < 511; i++) ASSERT_EQ(Packet(10), 0);
    EXPECT_EQ(Packet(10), CIndexedBuffer2::kWriteError);
    ReadAndRelease(511);
}

TEST(PackIndexHeadTest, CarriesTheBlocksFieldsTheModelAndTheKeyFlag)
{
    StreamInfoBlock block = {};
    block.info.bFlag1 = 1;
    block.info.bFlag3 = 0x13;
    block.info.bParamByte1 = 0x91;
    block.info.bFlag24 = 0x24;
    block.info.bResolution = 2;
    block.info.bQuality = 4;
    block.info.bVideoSystem = 1;
    block.info.usFrameRate = 0x0203;
    block.info.usIndexWord = 0xA1B2;
    const uint8_t stamp[6] = {59, 58, 23, 31, 12, 126};
    std::memcpy(block.info.TimeStamp, stamp, 6);
    uint8_t head[kPackIndexHeadSize];
    std::memset(head, 0xEE, sizeof(head));
    BuildPackIndexHead(block, true, 1, head);
    const uint8_t expected[24] = {2, 0x13, 0x91, 3, 59, 58, 23, 31, 12, 126, 0xB2, 0xA1,
                                  0x24, 2, 4, 1, 0x03, 0x02, 0, 0, 1, 0, 0, 0};
    EXPECT_EQ(std::memcmp(head, expected, 24), 0);

    block.info.bFlag1 = 0;
    BuildPackIndexHead(block, false, 0, head);
    EXPECT_EQ(head[3], 0);
    block.info.bFlag2 = 7;
    BuildPackIndexHead(block, false, 0, head);
    EXPECT_EQ(head[3], 2);
    EXPECT_EQ(head[20], 0);
}

// The writer keeps at most this much unreleased, far below the area, so that it
// never overflows; the reader checks every packet's bytes and order; the releaser
// gives the space back in order.
TEST(CIndexedBuffer2ThreadTest, EveryPacketArrivesWholeAndInOrder)
{
    constexpr uint64_t kPackets = 6000;
    constexpr uint64_t kMaxHeld = 128 * 1024;
    auto dataSize = [](uint64_t n) { return static_cast<uint32_t>(100 + n * 7919 % 3900); };
    int32_t result = 1;
    CIndexedBuffer2 buffer(CIndexedBuffer2::kLiveSize, CIndexedBuffer2::kLiveType, &result);
    ASSERT_EQ(result, CIndexedBuffer2::kOk);
    std::atomic<uint64_t> written{0}, released{0};  // bytes
    std::atomic<uint64_t> openPackets{0};
    std::atomic<bool> failed{false};
    std::mutex mutex;
    std::deque<std::pair<uint32_t, uint32_t>> held;  // end offset, size
    std::atomic<bool> readerDone{false};

    std::thread writer([&] {
        for (uint64_t n = 1; n <= kPackets && !failed; n++) {
            const uint32_t size = dataSize(n);
            while (!failed && (written - released + kHead + size > kMaxHeld || openPackets > 400)) std::this_thread::yield();
            const int32_t req = buffer.WriteIndex(Request(size));
            const std::vector<uint8_t> bytes = Bytes(n, 0, kHead + size);
            const uint32_t half = size / 2;
            if (buffer.Write(bytes.data(), kHead, req, 0) < 0 || buffer.Write(bytes.data() + kHead, half, 0) < 0 ||
                buffer.Write(bytes.data() + kHead + half, size - half, 1) < 0)
                failed = true;
            written += kHead + size;
            openPackets++;
        }
    });
    std::thread reader([&] {
        for (uint64_t n = 1; n <= kPackets && !failed;) {
            IndexEntry entry = {};
            if (buffer.ReadIndex(&entry) < 0) {
                std::this_thread::yield();
                continue;
            }
            const uint32_t size = entry.dwHeadSize + entry.dwDataSize;
            if (entry.ullSeq != n || entry.dwDataSize != dataSize(n) ||
                std::memcmp(buffer.Data() + entry.dwOffset, Bytes(n, 0, size).data(), size) != 0)
                failed = true;
            buffer.ReadEnd(entry.dwOffset + size, size);
            std::lock_guard<std::mutex> lock(mutex);
            held.emplace_back(entry.dwOffset + size, size);
            n++;
        }
        readerDone = true;
    });
    std::thread releaser([&] {
        for (;;) {
            std::unique_lock<std::mutex> lock(mutex);
            if (held.empty()) {
                lock.unlock();
                if (readerDone) return;
                std::this_thread::yield();
                continue;
            }
            const auto [end, size] = held.front();
            held.pop_front();
            lock.unlock();
            buffer.SetSamplePos(end);
            released += size;
            openPackets--;
        }
    });
    writer.join();
    reader.join();
    releaser.join();
    EXPECT_FALSE(failed);
    EXPECT_EQ(released.load(), written.load());
}

}  // namespace
