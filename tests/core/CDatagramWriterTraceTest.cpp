// What the receiver's checks write to the trace log: lost and surplus data are
// reported there only.

#include "core/CDatagramWriter.h"

#include "tests/core/CTestCamParmOwner.h"
#include "tests/core/CTraceCaptureScope.h"
#include "tests/core/CameraDatagrams.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class CDatagramWriterTraceTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(result, 0); }

    void Write(const std::vector<uint8_t>& datagram)
    {
        bool bStop = false;
        writer.DataWrite(datagram.data(), datagram.size(), &bStop);
    }
    size_t Count(const std::wstring& tail)
    {
        const std::vector<std::wstring> lines = TraceCapture().FileLines();
        return std::count_if(lines.begin(), lines.end(), [&](const std::wstring& l) {
            return l.size() > tail.size() && l.compare(l.size() - tail.size() - 1, tail.size(), tail) == 0;
        });
    }

    CTraceCaptureScope trace;
    CTestCamParmOwner owner;
    CCamParm camParm{&owner};
    int32_t result = -1;
    CMpegBuffer ring{0x10000, &result};
    CDatagramWriter writer{&camParm, &ring, &owner};
};

TEST_F(CDatagramWriterTraceTest, OneGapInThePacketNumbersIsOneMessage)
{
    Write(Datagram(FirstHead(PTYPE_FIRST, 64, 64), PackWithSystemHeader(64)));
    Write(Datagram(FirstHead(PTYPE_FIRST, 64, 94), PackWithSystemHeader(64)));  // the first whole unit
    for (uint8_t n : {1, 2, 4}) Write(ContDatagram(PTYPE_CONT, n, std::vector<uint8_t>(10)));
    EXPECT_EQ(Count(L"/SF/[Msg] : DataWrite:PacketCheck(Continuous): PacketNum error."), 1u);
}

TEST_F(CDatagramWriterTraceTest, ACorrectedOverReceiveNamesTheExcessAndTheNewLength)
{
    Write(Datagram(FirstHead(PTYPE_FIRST, 64, 100), PackWithSystemHeader(64)));
    Write(ContDatagram(PTYPE_CONT, 1, std::vector<uint8_t>(46)));
    EXPECT_EQ(Count(L"/SF/[Msg] : CNetReceiver::DataWrite: Over Receive 10 byte, Correct to 36"), 1u);
}

}  // namespace
