// The indexed buffer's lines that carry behaviour, as the trace log shows them:
// packet loss and its correction, cut packs, refused heads, the loop, the overflow
// as a numbered system error, the wraps of the entry ring and the time step.

#include "core/CIndexedBuffer2.h"

#include "tests/core/CTraceCaptureScope.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr uint32_t kHead = 24;

class CIndexedBuffer2TraceTest : public testing::Test {
protected:
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
    bool WroteSystemError(const std::wstring& message) const
    {
        for (const std::wstring& line : TraceCapture().FileLines()) {
            if (line.find(L"/SF/[System Error] ") != std::wstring::npos && line.find(L": " + message + L"\n") != std::wstring::npos)
                return true;
        }
        return false;
    }

    CTraceCaptureScope trace;
    int32_t result = 1;
    CIndexedBuffer2 buffer{CIndexedBuffer2::kLiveSize, CIndexedBuffer2::kLiveType, &result};
    int32_t reqNo = 0;
    std::vector<uint8_t> bytes = std::vector<uint8_t>(CIndexedBuffer2::kLiveSize, 0x5A);
};

TEST_F(CIndexedBuffer2TraceTest, AShortPackIsReportedAndCorrected)
{
    ASSERT_EQ(Open(1000), 0);
    ASSERT_EQ(Data(600), 0);
    const size_t before = trace.LineCount();
    buffer.WriteIndex(IndexRequest{50, 0, kIndexKindPack, kHead, 0});
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : Packet Loss... 624/1024"));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : LastIdxSize correct to 600"));
    EXPECT_EQ(trace.LineCount(), before + 2);
}

TEST_F(CIndexedBuffer2TraceTest, AWholePackWhoseLastWriteWasNotCompleteIsReportedToo)
{
    ASSERT_EQ(Open(1000), 0);
    ASSERT_EQ(Data(1000, 0), 0);
    buffer.WriteIndex(IndexRequest{50, 0, kIndexKindPack, kHead, 0});
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : Packet Loss... 1024/1024"));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : LastIdxSize correct to 1000"));
}

TEST_F(CIndexedBuffer2TraceTest, AnOverlongPackIsCutOnceAndNotReportedAsLost)
{
    ASSERT_EQ(Open(1000), 0);
    ASSERT_EQ(Data(600, 0), 0);
    ASSERT_EQ(Data(500, 0), 0);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : Write(2): PacketSize over(1124/1024), cut!"));
    const size_t before = trace.LineCount();
    ASSERT_EQ(Data(300), 0);  // "over correct, skip!" is level 0
    buffer.WriteIndex(IndexRequest{50, 0, kIndexKindPack, kHead, 0});
    EXPECT_EQ(trace.LineCount(), before);
}

TEST_F(CIndexedBuffer2TraceTest, AWrongRequestNumberIsReported)
{
    reqNo = buffer.WriteIndex(IndexRequest{100, 0, kIndexKindPack, kHead, 0});
    EXPECT_EQ(buffer.Write(bytes.data(), kHead, reqNo + 4, 0), CIndexedBuffer2::kWriteError);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : Write(1): Request number is incorrect(5)!!"));
}

TEST_F(CIndexedBuffer2TraceTest, TheLoopIsAMessageAndTheOverflowASystemError)
{
    for (int i = 0; i < 4; i++) ASSERT_EQ(Packet(100000), 0);
    IndexEntry entry = {};
    ASSERT_EQ(buffer.ReadIndex(&entry), 0);
    const uint32_t end = entry.dwOffset + kHead + entry.dwDataSize;
    buffer.ReadEnd(end, kHead + entry.dwDataSize);
    buffer.SetSamplePos(end);
    ASSERT_EQ(Packet(95000), 0);  // past the end: to the start
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : CIndexedBuffer2::WriteAndGetOffset: Buffer will loop."));
    EXPECT_EQ(Open(60000), CIndexedBuffer2::kWriteError);
    EXPECT_TRUE(WroteSystemError(L"CIndexedBuffer2::WriteAndGetOffset: Buffer overflow!!!"));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : Write(1): WriteError(-1)"));
    EXPECT_EQ(Data(10), CIndexedBuffer2::kWriteError);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : Write(2): WriteError(-1)"));
}

TEST_F(CIndexedBuffer2TraceTest, BothEndsOfTheEntryRingReportTheirWrap)
{
    for (int i = 0; i < 900; i++) {  // the reader starts some 150 entries behind
        ASSERT_EQ(Packet(200), 0);
        IndexEntry entry = {};
        if (buffer.ReadIndex(&entry) == 0) buffer.ReadEnd(entry.dwOffset + kHead + 200, kHead + 200);
    }
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : IdxPool loop."));
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : ReadIndex: ReadPos loop."));
}

TEST_F(CIndexedBuffer2TraceTest, AFullEntryRingIsAnOverflow)
{
    for (int i = 0; i < 511; i++) ASSERT_EQ(Packet(10), 0);
    EXPECT_EQ(Packet(10), CIndexedBuffer2::kWriteError);
    EXPECT_TRUE(WroteSystemError(L"CIndexedBuffer2::Write(1): IdxPool overflow!!!"));
}

TEST_F(CIndexedBuffer2TraceTest, TheTimeStepIsReported)
{
    buffer.SetReferenceTime(0);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : Reference time set to 0"));
    buffer.SetReferenceTime(400000);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : Reference time set to 400000"));
}

}  // namespace
