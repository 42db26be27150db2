// What the record reader writes to the trace log: a stream in step writes nothing;
// the ends, the cuts and the failures name themselves.

#include "core/CHttpRecordReader.h"

#include "tests/core/CMemoryByteSource.h"
#include "tests/core/CTestCamParmOwner.h"
#include "tests/core/CTraceCaptureScope.h"
#include "tests/core/CameraDatagrams.h"
#include "tests/core/ProgramStreams.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using ps::Kind;
using ps::MakePack;

class CHttpRecordReaderTraceTest : public testing::Test {
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

    CTraceCaptureScope trace;
    CMemoryByteSource source;
    CTestCamParmOwner owner;
    CCamParm camParm{&owner};
    int32_t ringResult = -1;
    CMpegBuffer ring{0x40000, &ringResult};
    int32_t readerResult = -1;
    CHttpRecordReader reader{&source, &camParm, &owner, &ring, false, &readerResult};
};

TEST_F(CHttpRecordReaderTraceTest, AStreamInStepWritesNoLine)
{
    for (uint32_t n = 0; n < 4; n++) source.Append(HttpRecord(MakePack(n ? Kind::Video : Kind::Key, 2000, n)));
    source.SetPieces({300});
    const size_t before = trace.LineCount();
    for (int n = 0; n < 4; n++) ASSERT_EQ(reader.ReadRecord(), 0);
    EXPECT_EQ(trace.LineCount(), before);
}

TEST_F(CHttpRecordReaderTraceTest, ASeemingEndNamesTheRetryAndItsOutcome)
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

TEST_F(CHttpRecordReaderTraceTest, AWrongIdentifierAsksForARestart)
{
    std::vector<uint8_t> record = HttpRecord(MakePack(Kind::Key, 100));
    record[2] = 'X';
    source.Append(record);
    ReadToFailure();
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : ReadHttpHead: Wrong Identifier!!: 0x43584356"));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : ReadHttpHead: Not recover. Please restart by Application!!!"));
}

TEST_F(CHttpRecordReaderTraceTest, ACutRecordACameraErrorAndTheSyncFallbackAreMessages)
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
}

TEST_F(CHttpRecordReaderTraceTest, AnOverflowIsASystemError)
{
    for (int n = 0; n < 5; n++) source.Append(HttpRecord(MakePack(Kind::Key, 0x10000)));
    ReadToFailure();
    const std::vector<std::wstring> lines = TraceCapture().FileLines();
    const bool bSystemError = std::any_of(lines.begin(), lines.end(), [](const std::wstring& line) {
        return line.find(L"/SF/[System Error] ") != std::wstring::npos &&
               line.find(L": ReadHttp: MpegBuffer overflow!!!\n") != std::wstring::npos;
    });
    EXPECT_TRUE(bSystemError);
}

TEST_F(CHttpRecordReaderTraceTest, FailuresOfTheSourceNameTheirErrors)
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
}

}  // namespace
