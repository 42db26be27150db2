// Records of the live HTTP body, from memory in pieces of any size, through the
// reader into a real ring buffer.

#include "core/CHttpRecordReader.h"

#include "tests/core/CMemoryByteSource.h"
#include "tests/core/CTestCamParmOwner.h"
#include "tests/core/CameraDatagrams.h"
#include "tests/core/ProgramStreams.h"
#include "tests/core/RingContents.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using ps::Kind;
using ps::MakePack;

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> out;
    for (const std::vector<uint8_t>& part : parts) ps::Append(out, part);
    return out;
}

std::vector<uint8_t> Text(const char* p) { return std::vector<uint8_t>(p, p + std::strlen(p)); }

class CHttpRecordReaderTest : public testing::Test {
protected:
    void SetUp() override { MakeReader(0x100000); }

    void MakeReader(uint32_t ringCapacity, bool bHostSession = false)
    {
        int32_t result = -1;
        ring = std::make_unique<CMpegBuffer>(ringCapacity, &result);
        ASSERT_EQ(result, 0);
        ring->SetReadySize(1);
        reader = std::make_unique<CHttpRecordReader>(&source, &camParm, &owner, ring.get(), bHostSession, &result);
        ASSERT_EQ(result, 0);
    }

    void AddRecords(std::initializer_list<std::vector<uint8_t>> blocks)
    {
        for (const std::vector<uint8_t>& block : blocks) source.Append(HttpRecord(block));
    }

    // Records read until one fails: how many succeeded, and the failure.
    std::pair<int, int32_t> ReadToFailure()
    {
        int records = 0;
        int32_t result = 0;
        while ((result = reader->ReadRecord()) >= 0) records++;
        return {records, result};
    }

    bool Notified() const
    {
        return !owner.events.empty() && owner.events.back().code == kEventStreamInfo;
    }

    CMemoryByteSource source;
    CTestCamParmOwner owner;
    CCamParm camParm{&owner};
    std::unique_ptr<CMpegBuffer> ring;
    std::unique_ptr<CHttpRecordReader> reader;
};

TEST_F(CHttpRecordReaderTest, RecordsReachTheRingByteForByteFromTheFirstPackWithASystemHeader)
{
    const std::vector<uint8_t> stream = Join({MakePack(Kind::Key, 3000, 1), MakePack(Kind::Video, 1200, 2),
                                              MakePack(Kind::Audio, 700, 3), MakePack(Kind::Key, 2500, 4)});
    const std::vector<uint8_t> before = MakePack(Kind::Video, 900, 9);
    AddRecords({std::vector<uint8_t>(500, 0x11), before,
                std::vector<uint8_t>(stream.begin(), stream.begin() + 3000),
                std::vector<uint8_t>(stream.begin() + 3000, stream.begin() + 4100),
                std::vector<uint8_t>(stream.begin() + 4100, stream.end())});
    for (const std::vector<uint32_t>& pieces :
         {std::vector<uint32_t>{}, std::vector<uint32_t>{1}, std::vector<uint32_t>{7, 1000, 3, 50}}) {
        SCOPED_TRACE(testing::Message() << pieces.size() << " piece sizes");
        CMemoryByteSource body = source;
        body.SetPieces(pieces);
        CCamParm params{&owner};
        int32_t result = -1;
        CHttpRecordReader reading(&body, &params, &owner, ring.get(), false, &result);
        ASSERT_EQ(result, 0);
        int records = 0;
        while ((result = reading.ReadRecord()) >= 0) records++;
        EXPECT_EQ(records, 5);
        EXPECT_EQ(result, CHttpRecordReader::kEndOfBody);
        EXPECT_EQ(ReadRing(ring.get()), stream);
        EXPECT_EQ(params.GetReadCount(), 1u);  // the video pack; the block without a pack header is not counted
        EXPECT_EQ(params.GetWidth(), 352u);
        EXPECT_EQ(params.GetStatus(), kStatusOk);
        const CLinkCounters::Values counted = params.Counters().Snapshot();
        EXPECT_EQ(counted.received, 5u);
        EXPECT_EQ(counted.receivedBytes, 5 * 50 + 500 + before.size() + stream.size());  // heads included
    }
}

TEST_F(CHttpRecordReaderTest, TheStreamStartsAtAPackWithASystemHeaderOrAfterThirtyOneBlocksWithout)
{
    const std::vector<uint8_t> key = MakePack(Kind::Key, 400, 5);
    AddRecords({Join({MakePack(Kind::Video, 333, 1), key}), MakePack(Kind::Video, 200, 2)});
    EXPECT_EQ(reader->ReadRecord(), 0);
    EXPECT_EQ(reader->ReadRecord(), 0);
    EXPECT_EQ(ReadRing(ring.get()), Join({key, MakePack(Kind::Video, 200, 2)}));
    EXPECT_EQ(owner.pushDataCreated, 1);

    camParm.SetFirstDataGet(false);  // after 31 blocks without a system header the next is used whole
    for (uint32_t n = 0; n < 32; n++) AddRecords({MakePack(Kind::Video, 100, n)});
    for (int n = 0; n < 31; n++) ASSERT_EQ(reader->ReadRecord(), 0);
    EXPECT_FALSE(camParm.IsFirstDataGet());
    EXPECT_EQ(ring->GetDataSize(), 0u);
    EXPECT_EQ(reader->ReadRecord(), 0);
    EXPECT_TRUE(camParm.IsFirstDataGet());
    EXPECT_EQ(ReadRing(ring.get()), MakePack(Kind::Video, 100, 31));
}

// However the six bytes arrive: alone, with what follows them, or in pieces.
TEST_F(CHttpRecordReaderTest, AStatusMessageWhereARecordBeginsStoresItsStatusAndEndsTheStream)
{
    for (const std::vector<uint32_t>& pieces : {std::vector<uint32_t>{6}, std::vector<uint32_t>{1000},
                                                std::vector<uint32_t>{2, 4}, std::vector<uint32_t>{5, 1}}) {
        SCOPED_TRACE(testing::Message() << "first piece " << pieces[0]);
        CTestCamParmOwner notified;
        CCamParm params{&notified};
        CMemoryByteSource body(Join({HttpRecord(MakePack(Kind::Key, 300)), Text("0x8005"),
                                     HttpRecord(MakePack(Kind::Video, 100))}));
        body.SetPieces(pieces);
        int32_t result = -1;
        CHttpRecordReader reading(&body, &params, &notified, ring.get(), false, &result);
        ASSERT_EQ(reading.ReadRecord(), 0);
        notified.events.clear();
        EXPECT_EQ(reading.ReadRecord(), CHttpRecordReader::kStatusMessage);
        EXPECT_EQ(params.GetStatus(), 0x8005);
        ASSERT_EQ(notified.events.size(), 1u);
        EXPECT_EQ(notified.events[0].code, kEventStreamInfo);
    }
}

TEST_F(CHttpRecordReaderTest, StreamDataThatLooksLikeAStatusMessageIsStreamData)
{
    const std::vector<uint8_t> data = Join({Text("0x8005"), std::vector<uint8_t>(94, 0x22)});
    AddRecords({MakePack(Kind::Key, 300), data});
    source.SetPieces({50, 6});
    ASSERT_EQ(ReadToFailure().first, 2);
    EXPECT_EQ(camParm.GetStatus(), kStatusOk);
    EXPECT_EQ(ReadRing(ring.get()), Join({MakePack(Kind::Key, 300), data}));
}

// A wrong identifier and a camera error end the stream with their status, told to
// the host; a head length other than 50 is refused. None writes to the ring.
TEST_F(CHttpRecordReaderTest, AMalformedHeadOrACameraErrorEndsTheStream)
{
    std::vector<uint8_t> wrongIdentifier = HttpRecord(MakePack(Kind::Key, 300));
    wrongIdentifier[2] = 'X';
    const struct {
        std::vector<uint8_t> record;
        int32_t result;
        uint16_t status;
    } cases[] = {{wrongIdentifier, -1, kStatusWrongIdentifier},
                 {HttpRecord(MakePack(Kind::Key, 300), 0, 51), -2, kStatusNothingYet},
                 {HttpRecord(MakePack(Kind::Key, 300), 0x8003), CHttpRecordReader::kStatusMessage, 0x8003}};
    for (const auto& c : cases) {
        CTestCamParmOwner told;
        CCamParm params{&told};
        CMemoryByteSource body(c.record);
        int32_t result = -1;
        CHttpRecordReader reading(&body, &params, &told, ring.get(), false, &result);
        EXPECT_EQ(reading.ReadRecord(), c.result);
        EXPECT_EQ(params.GetStatus(), c.status);
        EXPECT_EQ(params.Counters().Snapshot().wrongIdentifiers, c.status == kStatusWrongIdentifier ? 1u : 0u);
        EXPECT_EQ(params.Counters().Snapshot().received, 0u);
        EXPECT_EQ(!told.events.empty() && told.events.back().code == kEventStreamInfo, c.status != kStatusNothingYet);
        EXPECT_EQ(ring->GetDataSize(), 0u);
    }
}

// As the camera first cut its records, the rest of a long one was read as the next
// head, and the stream ended on a wrong identifier.
TEST_F(CHttpRecordReaderTest, ARecordLongerThanTheDataBufferIsCutAndTheNextHeadIsReadInStep)
{
    const std::vector<uint8_t> longRecord = MakePack(Kind::Key, 100000, 1);
    const std::vector<uint8_t> next = MakePack(Kind::Key, 500, 2);
    AddRecords({longRecord, next});
    source.SetPieces({4096});
    EXPECT_EQ(reader->ReadRecord(), 0);
    EXPECT_EQ(reader->ReadRecord(), 0);
    EXPECT_EQ(camParm.GetStatus(), kStatusOk);
    const std::vector<uint8_t> cut(longRecord.begin(), longRecord.begin() + CHttpRecordReader::kDataBufferSize);
    EXPECT_EQ(ReadRing(ring.get()), Join({cut, next}));
}

TEST_F(CHttpRecordReaderTest, ABodyThatSeemsToEndOnceGoesOnAfterAPauseAndTwiceEndsTheStream)
{
    const std::vector<uint8_t> data = MakePack(Kind::Key, 3000);
    AddRecords({data, data});
    source.SetPieces({1000});
    source.EndAt(50 + 1000, 1);
    source.EndAt(2 * (50 + 3000) + 20, 2);  // inside the third record's head
    source.Append(HttpRecord(data));
    EXPECT_EQ(ReadToFailure(), std::make_pair(2, CHttpRecordReader::kEndOfBody));
    EXPECT_EQ(source.pauses, (std::vector<uint32_t>{20, 20}));
    EXPECT_EQ(ReadRing(ring.get()), Join({data, data}));
}

TEST_F(CHttpRecordReaderTest, OverAHostsSessionTheIdentifyHeadIsTriedOnceMoreAndAStopDuringAPauseEndsTheStream)
{
    MakeReader(0x10000, true);
    source.EndAt(0, 2);
    AddRecords({MakePack(Kind::Key, 300)});
    EXPECT_EQ(reader->ReadRecord(), 0);
    EXPECT_EQ(source.pauses, (std::vector<uint32_t>{20, 200}));
    EXPECT_EQ(ring->GetDataSize(), 300u);

    CMemoryByteSource own;
    own.EndAt(0, 2);
    own.Append(HttpRecord(MakePack(Kind::Key, 300)));
    int32_t result = -1;
    CHttpRecordReader reading(&own, &camParm, &owner, ring.get(), false, &result);
    EXPECT_EQ(reading.ReadRecord(), CHttpRecordReader::kEndOfBody);
    EXPECT_EQ(own.pauses, (std::vector<uint32_t>{20}));

    CMemoryByteSource stopped(HttpRecord(MakePack(Kind::Key, 300)));  // a stop during the pause: no more reads
    stopped.EndAt(0, 1);
    stopped.pauseResult = false;
    CHttpRecordReader stopping(&stopped, &camParm, &owner, ring.get(), false, &result);
    EXPECT_EQ(stopping.ReadRecord(), CHttpRecordReader::kEndOfBody);
    EXPECT_EQ(stopped.Offset(), 0u);
}

TEST_F(CHttpRecordReaderTest, FailuresOfTheSourceEndTheStream)
{
    AddRecords({MakePack(Kind::Key, 300), MakePack(Kind::Key, 300)});
    source.FailReadAt(50 + 100, 12002);
    source.SetPieces({100});
    EXPECT_EQ(reader->ReadRecord(), CHttpRecordReader::kReadFailed);

    CMemoryByteSource failing(HttpRecord(MakePack(Kind::Key, 300)));
    failing.FailQueryAt(14, 12029);
    int32_t result = -1;
    CHttpRecordReader reading(&failing, &camParm, &owner, ring.get(), false, &result);
    EXPECT_EQ(reading.ReadRecord(), CHttpRecordReader::kQueryFailed);
}

TEST_F(CHttpRecordReaderTest, AFullRingEndsTheStreamWithTheOverflowStatus)
{
    MakeReader(1000);
    AddRecords({MakePack(Kind::Key, 600), MakePack(Kind::Video, 600)});
    EXPECT_EQ(reader->ReadRecord(), 0);
    EXPECT_EQ(reader->ReadRecord(), CMpegBuffer::kOverflow);
    EXPECT_EQ(camParm.GetStatus(), kStatusBufferOverflow);
    EXPECT_EQ(camParm.Counters().Snapshot().ringOverflows, 1u);
    EXPECT_EQ(camParm.Counters().Snapshot().received, 1u);  // the record that found no room is not whole
    EXPECT_TRUE(Notified());
    EXPECT_EQ(ring->GetDataSize(), 600u);
}

TEST_F(CHttpRecordReaderTest, WithRecordingOnTheRecordingTakesTheSameBytesAsTheRing)
{
    owner.rec = true;
    AddRecords({MakePack(Kind::Video, 100), Join({MakePack(Kind::Audio, 80), MakePack(Kind::Key, 400)}),
                MakePack(Kind::Video, 250)});
    EXPECT_EQ(ReadToFailure().first, 3);
    EXPECT_EQ(owner.recorded, ReadRing(ring.get()));
    EXPECT_EQ(owner.recorded.size(), 650u);

    owner.live = false;
    owner.recorded.clear();
    AddRecords({MakePack(Kind::Video, 90)});
    EXPECT_EQ(reader->ReadRecord(), 0);
    EXPECT_EQ(owner.recorded.size(), 90u);
    EXPECT_EQ(ring->GetDataSize(), 0u);
}

}  // namespace
