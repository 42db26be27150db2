// The core's trace lines that carry behaviour, as the trace log shows them: each
// refusal, loss and overflow names itself once, and a stream in step writes nothing.

#include "core/CDatagramWriter.h"
#include "core/CHttpRecordReader.h"
#include "core/CIndexedBuffer2.h"
#include "core/CMpegBuffer.h"
#include "core/CParsePS.h"
#include "core/CParsePacket.h"

#include "tests/core/CMemoryByteSource.h"
#include "tests/core/CParsePSRig.h"
#include "tests/core/CTestCamParmOwner.h"
#include "tests/core/CTraceCaptureScope.h"
#include "tests/core/CameraDatagrams.h"
#include "tests/core/ProgramStreams.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using ps::Kind;
using ps::MakePack;

class CoreTraceTest : public testing::Test {
protected:
    CTraceCaptureScope trace;
    CTestCamParmOwner owner;
    CCamParm camParm{&owner};
};

TEST_F(CoreTraceTest, TheHeadChecksNameWhatTheyRefuse)
{
    auto check = [&](const std::vector<uint8_t>& bytes) {
        CParsePacket parser(bytes.data(), bytes.size(), &camParm);
        uint16_t type = 0;
        return parser.checkHead(&type);
    };
    std::vector<uint8_t> bytes = Datagram(FirstHead(PTYPE_FIRST, 0, 0), {});
    std::memcpy(bytes.data(), "ABCD", 4);
    size_t before = trace.LineCount();
    EXPECT_EQ(check(bytes), CParsePacket::kWrongIdentifier);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : checkHead: Wrong Identifier!!: 0x44434241"));
    EXPECT_EQ(trace.LineCount(), before + 1);  // the field dump is a level-0 line

    bytes = Datagram(FirstHead(PTYPE_FIRST, 0, 0), {});
    bytes[6] = 0x12;
    before = trace.LineCount();
    EXPECT_EQ(check(bytes), CParsePacket::kUnknownType);
    EXPECT_EQ(trace.LineCount(), before);

    EXPECT_EQ(check(Datagram(FirstHead(PTYPE_MC_FIRST, 0, 0), {})), 0);
    FirstStreamHead other = FirstHead(PTYPE_MC_FIRST, 0, 0);
    std::memcpy(other.mac, kMacB, 6);
    EXPECT_EQ(check(Datagram(other, {})), 0);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : CParcePacket::checkHead: MAC ADDRESS changed! There may be two cameras "
                            L"of which IP and Port are same..."));

    bytes = Datagram(FirstHead(PTYPE_FIRST, 0, 0), {});
    bytes.resize(30);
    EXPECT_EQ(check(bytes), CParsePacket::kShortPacket);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : checkHead: Head length 50 is more than the 30 bytes received"));

    EXPECT_FALSE(CParsePacket::CheckCameraStatus(0));
    EXPECT_TRUE(CParsePacket::CheckCameraStatus(0x8006));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : 0x8006: Camera: Invalid settings."));
    EXPECT_TRUE(CParsePacket::CheckCameraStatus(0x800C));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : 0x800c: Camera: Unknown error."));
}

// The unit and sequence checks count from the first unit after first data; the
// sequence number wraps at 255.
TEST_F(CoreTraceTest, TheReceiverReportsLostUnitsGapsAndACorrectedOverReceiveOnce)
{
    int32_t result = -1;
    CMpegBuffer ring(0x10000, &result);
    ASSERT_EQ(result, 0);
    CDatagramWriter writer(&camParm, &ring, &owner);
    auto write = [&](const std::vector<uint8_t>& datagram) {
        bool bStop = false;
        writer.DataWrite(datagram.data(), datagram.size(), &bStop);
    };
    auto first = [&](uint8_t sequence, uint32_t total) {
        FirstStreamHead h = FirstHead(PTYPE_FIRST, 64, total);
        h.bSequence = sequence;
        write(Datagram(h, PackWithSystemHeader(64)));
    };
    first(254, 100);  // first data, a unit short of its total
    first(255, 94);   // the first whole unit
    for (uint8_t n : {1, 2, 4}) write(ContDatagram(PTYPE_CONT, n, std::vector<uint8_t>(10)));
    first(0, 100);
    write(ContDatagram(PTYPE_CONT, 1, std::vector<uint8_t>(46)));
    first(2, 0);  // a sequence gap, and the unit before it over its total
    first(3, 64);  // the unit before it without a total
    EXPECT_EQ(trace.Count(L"/SF/[Msg] : DataWrite:PacketCheck(Continuous): PacketNum error."), 1u);
    EXPECT_EQ(trace.Count(L"/SF/[Msg] : CCamParm::PacketCheck... Data receive error."), 1u);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : Susposed: 100, Actual: 110"));
    EXPECT_EQ(trace.Count(L"/SF/[Msg] : CCamParm::PacketCheck... FirstPacket may be lost."), 1u);
    EXPECT_EQ(trace.Count(L"/SF/[Msg] : CCamParm::SequenceCheck... Sequence Number error. Whole packet may be lost."),
              1u);
    EXPECT_EQ(trace.Count(L"/SF/[Msg] : CNetReceiver::DataWrite: Over Receive 10 byte, Correct to 36"), 1u);
}

class CoreHttpTraceTest : public CoreTraceTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(ringResult, 0);
        ASSERT_EQ(readerResult, 0);
    }
    void ReadToFailure()
    {
        while (reader.ReadRecord() >= 0) {
        }
    }

    CMemoryByteSource source;
    int32_t ringResult = -1;
    CMpegBuffer ring{0x40000, &ringResult};
    int32_t readerResult = -1;
    CHttpRecordReader reader{&source, &camParm, &owner, &ring, false, &readerResult};
};

TEST_F(CoreHttpTraceTest, ASeemingEndNamesTheRetryAndItsOutcome)
{
    source.Append(HttpRecord(MakePack(Kind::Key, 2000)));
    source.SetPieces({1050});
    source.EndAt(1050, 1);
    source.EndAt(2050, 2);
    ReadToFailure();
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : RecvBytes: EOF."));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : RecvBytes: (Retry) Request = 1000, Recv = 1000."));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : RecvBytes: EOF recover."));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : RecvBytes: (Retry) Request = 14, Recv = 0."));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : RecvBytes: EOF 2nd Times!!!!!"));
}

TEST_F(CoreHttpTraceTest, RefusedHeadsCutRecordsAndTheSyncFallbackAreMessages)
{
    source.Append(HttpRecord(MakePack(Kind::Key, 100000)));
    reader.ReadRecord();
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : Recv DataSize( 100000 ) will bigger than buffer...!"));

    camParm.SetFirstDataGet(false);
    for (uint32_t n = 0; n < 32; n++) source.Append(HttpRecord(MakePack(Kind::Video, 100, n)));
    for (int n = 0; n < 32; n++) reader.ReadRecord();
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : CHTTPClient::ReadHttpData: SyncPoint not found in 30 packets!!"));

    source.Append(HttpRecord(MakePack(Kind::Video, 100), 0x8003));
    reader.ReadRecord();
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : 0x8003: Camera: Data receive failed."));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : ReadHttpHead error status."));

    std::vector<uint8_t> record = HttpRecord(MakePack(Kind::Key, 100));
    record[2] = 'X';
    CMemoryByteSource wrong(record);
    int32_t result = -1;
    CHttpRecordReader(&wrong, &camParm, &owner, &ring, false, &result).ReadRecord();
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : ReadHttpHead: Wrong Identifier!!: 0x43584356"));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : ReadHttpHead: Not recover. Please restart by Application!!!"));
}

TEST_F(CoreHttpTraceTest, FailuresOfTheSourceAndTheRingNameTheirErrors)
{
    source.Append(HttpRecord(MakePack(Kind::Key, 300)));
    source.FailReadAt(150, 12002);
    ReadToFailure();
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : RecvBytes: Recv Error: 12002"));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : ReadHttpData: RecvBytes error: -3"));

    CMemoryByteSource failing;
    failing.FailQueryAt(0, 12029);
    int32_t result = -1;
    CHttpRecordReader failingReader(&failing, &camParm, &owner, &ring, false, &result);
    failingReader.ReadRecord();
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : RecvBytes: InternetQueryDataAvailable failed: 12029"));

    CMemoryByteSource flood;
    for (int n = 0; n < 5; n++) flood.Append(HttpRecord(MakePack(Kind::Key, 0x10000)));
    CHttpRecordReader flooded(&flood, &camParm, &owner, &ring, false, &result);
    while (flooded.ReadRecord() >= 0) {
    }
    EXPECT_TRUE(trace.WroteSystemError(L"ReadHttp: MpegBuffer overflow!!!"));
}

// The hot paths write level-0 lines only, which never reach the file: records read
// in step, packs parsed (some dropped across the ring's end while the parser waits
// for a key pack), and the ring's refusals other than overflow and "no data".
TEST_F(CoreHttpTraceTest, AStreamInStepWritesNoLine)
{
    for (uint32_t n = 0; n < 4; n++) source.Append(HttpRecord(MakePack(n ? Kind::Video : Kind::Key, 2000, n)));
    source.SetPieces({300});
    const size_t before = trace.LineCount();
    for (int n = 0; n < 4; n++) ASSERT_EQ(reader.ReadRecord(), 0);

    auto rig = MakeRig();
    std::vector<uint8_t> stream;
    for (uint32_t n = 0; n < 200; n++) ps::Append(stream, MakePack(Kind::Video, 2000, n));
    for (uint32_t n = 0; n < 200; n++) ps::Append(stream, MakePack(n % 15 ? Kind::Audio : Kind::Key, 2000, n));
    rig->Feed(stream, {1388, 66, 5});
    EXPECT_GT(rig->entries.size(), 150u);

    int32_t result = 1;
    CMpegBuffer buffer(4096, &result);
    const std::vector<uint8_t> bytes(4096, 0x5A);
    const uint8_t* pData = nullptr;
    uint32_t length = 0;
    uint8_t reachedEnd = 0;
    EXPECT_EQ(buffer.ReadEnd(), CMpegBuffer::kNotLocked);
    EXPECT_EQ(buffer.ReadLock(&pData, 1, &length, &reachedEnd), CMpegBuffer::kNotReady);
    buffer.SetReadySize(1);
    ASSERT_EQ(buffer.Write(bytes.data(), 4000), 0);
    ASSERT_EQ(buffer.ReadLock(&pData, 4000, &length, &reachedEnd), 0);
    EXPECT_EQ(buffer.ReadLock(&pData, 1, &length, &reachedEnd), CMpegBuffer::kReadLocked);
    ASSERT_EQ(buffer.ReadEnd(), 0);
    EXPECT_EQ(buffer.ReadLock(&pData, 1, &length, &reachedEnd), CMpegBuffer::kShort);
    EXPECT_EQ(buffer.Write(bytes.data(), 200), 0);  // across the end

    const std::vector<std::wstring> lines = TraceCapture().FileLines();
    for (size_t n = before; n < lines.size(); n++) ADD_FAILURE() << std::string(lines[n].begin(), lines[n].end());
}

TEST_F(CoreTraceTest, TheRingTracesOverflowAndNoDataAsOneMessageEach)
{
    int32_t result = 1;
    CMpegBuffer buffer(4096, &result);
    ASSERT_EQ(result, CMpegBuffer::kOk);
    buffer.SetReadySize(1);
    const std::vector<uint8_t> bytes(4096, 0x5A);
    ASSERT_EQ(buffer.Write(bytes.data(), 4000), 0);
    size_t before = trace.LineCount();
    EXPECT_EQ(buffer.Write(bytes.data(), 97), CMpegBuffer::kOverflow);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : CMpegBuffer::Buffer overflow!!!"));
    EXPECT_EQ(trace.LineCount(), before + 1);

    const uint8_t* pData = nullptr;
    uint32_t length = 0;
    uint8_t reachedEnd = 0;
    ASSERT_EQ(buffer.ReadLock(&pData, 4000, &length, &reachedEnd), 0);
    ASSERT_EQ(buffer.ReadEnd(), 0);
    before = trace.LineCount();
    EXPECT_EQ(buffer.ReadLock(&pData, 0, &length, &reachedEnd), CMpegBuffer::kNoData);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : CMpegBuffer: no data!!!"));
    EXPECT_EQ(trace.LineCount(), before + 1);
}

class CoreIndexedTraceTest : public CoreTraceTest {
protected:
    static constexpr uint32_t kHead = 24;

    void SetUp() override { ASSERT_EQ(result, CIndexedBuffer2::kOk); }
    int32_t Open(uint32_t dataSize)
    {
        reqNo = buffer.WriteIndex(IndexRequest{dataSize, 0, kIndexKindPack, kHead, 0});
        return buffer.Write(bytes.data(), kHead, reqNo, 0);
    }
    int32_t Data(uint32_t count, uint32_t bComplete = 1) { return buffer.Write(bytes.data(), count, bComplete); }
    int32_t Packet(uint32_t dataSize)
    {
        const int32_t r = Open(dataSize);
        return r < 0 ? r : Data(dataSize);
    }

    int32_t result = 1;
    CIndexedBuffer2 buffer{CIndexedBuffer2::kLiveSize, CIndexedBuffer2::kLiveType, &result};
    int32_t reqNo = 0;
    std::vector<uint8_t> bytes = std::vector<uint8_t>(CIndexedBuffer2::kLiveSize, 0x5A);
};

// A short pack, and a whole one whose last write was not complete, are both reported
// as lost when the next opens; an overlong one is cut once and is not a loss.
TEST_F(CoreIndexedTraceTest, LostAndOverlongPacksAreReportedOnce)
{
    ASSERT_EQ(Open(1000), 0);
    ASSERT_EQ(Data(600), 0);
    const size_t before = trace.LineCount();
    ASSERT_EQ(Open(1000), 0);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : Packet Loss... 624/1024"));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : LastIdxSize correct to 600"));
    EXPECT_EQ(trace.LineCount(), before + 2);
    ASSERT_EQ(Data(1000, 0), 0);
    ASSERT_EQ(Open(1000), 0);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : Packet Loss... 1024/1024"));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : LastIdxSize correct to 1000"));

    ASSERT_EQ(Data(600, 0), 0);
    ASSERT_EQ(Data(500, 0), 0);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : Write(2): PacketSize over(1124/1024), cut!"));
    const size_t afterCut = trace.LineCount();
    ASSERT_EQ(Data(300), 0);  // "over correct, skip!" is level 0
    buffer.WriteIndex(IndexRequest{50, 0, kIndexKindPack, kHead, 0});
    EXPECT_EQ(trace.LineCount(), afterCut);
}

TEST_F(CoreIndexedTraceTest, RefusedHeadsTheLoopAndTheOverflowsAreReported)
{
    reqNo = buffer.WriteIndex(IndexRequest{100, 0, kIndexKindPack, kHead, 0});
    EXPECT_EQ(buffer.Write(bytes.data(), kHead, reqNo + 4, 0), CIndexedBuffer2::kWriteError);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : Write(1): Request number is incorrect(5)!!"));

    buffer.Init();
    for (int i = 0; i < 4; i++) ASSERT_EQ(Packet(100000), 0);
    IndexEntry entry = {};
    ASSERT_EQ(buffer.ReadIndex(&entry), 0);
    const uint32_t end = entry.dwOffset + kHead + entry.dwDataSize;
    buffer.ReadEnd(end, kHead + entry.dwDataSize);
    buffer.SetSamplePos(end);
    ASSERT_EQ(Packet(95000), 0);  // past the end: to the start
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : CIndexedBuffer2::WriteAndGetOffset: Buffer will loop."));
    EXPECT_EQ(Open(60000), CIndexedBuffer2::kWriteError);
    EXPECT_TRUE(trace.WroteSystemError(L"CIndexedBuffer2::WriteAndGetOffset: Buffer overflow!!!"));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : Write(1): WriteError(-1)"));
    EXPECT_EQ(Data(10), CIndexedBuffer2::kWriteError);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : Write(2): WriteError(-1)"));

    buffer.Init();
    for (int i = 0; i < 511; i++) ASSERT_EQ(Packet(10), 0);
    EXPECT_EQ(Packet(10), CIndexedBuffer2::kWriteError);
    EXPECT_TRUE(trace.WroteSystemError(L"CIndexedBuffer2::Write(1): IdxPool overflow!!!"));
}

TEST_F(CoreIndexedTraceTest, BothEndsOfTheEntryRingReportTheirWrapAndTheTimeStepIsReported)
{
    for (int i = 0; i < 900; i++) {  // the reader starts some 150 entries behind
        ASSERT_EQ(Packet(200), 0);
        IndexEntry entry = {};
        if (buffer.ReadIndex(&entry) == 0) buffer.ReadEnd(entry.dwOffset + kHead + 200, kHead + 200);
    }
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : IdxPool loop."));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : ReadIndex: ReadPos loop."));
    buffer.SetReferenceTime(400000);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : Reference time set to 400000"));
}

TEST_F(CoreTraceTest, EachOverflowOfTheParserIsAMessageOfItsKind)
{
    constexpr uint32_t kRing = CParsePS::kRingSize;
    const std::vector<uint8_t> bytes(kRing, 0x47);
    auto rig = MakeRig();
    ASSERT_TRUE(rig->Ok());
    ASSERT_EQ(rig->parser.Write(bytes.data(), 1000), 0);
    EXPECT_EQ(rig->parser.Write(bytes.data(), kRing - 999), CParsePS::kOverflow);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : CParsePS: Buffer over flow(1)!!!"));
    EXPECT_EQ(rig->parser.Write(bytes.data(), 999), CParsePS::kOverflow);  // exactly the free space
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : CParsePS: Buffer over flow(2)!!!"));

    auto behind = MakeRig();  // unparsed bytes across the ring's end
    std::vector<uint8_t> stream = MakePack(Kind::Key, 2048);
    for (uint32_t n = 0; n < 151; n++) ps::Append(stream, MakePack(Kind::Video, 2048, n));
    behind->Feed({stream.begin(), stream.begin() + kRing - 3000});
    ASSERT_EQ(behind->parser.Write(stream.data() + kRing - 3000, 5000), 0);  // up to 2000 past the end
    EXPECT_EQ(behind->parser.Write(bytes.data(), kRing - behind->parser.GetDataSize()), CParsePS::kOverflow);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : CParsePS: Buffer over flow(3)!!!"));
}

}  // namespace
