// The parser's lines that carry behaviour, as the trace log shows them: the three
// overflows are messages (level 1); the lines of every pack and search are level 0
// and never written.

#include "core/CParsePS.h"

#include "tests/core/CParsePSRig.h"
#include "tests/core/CTraceCaptureScope.h"
#include "tests/core/ProgramStreams.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kRing = CParsePS::kRingSize;

class CParsePSTraceTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(rig->Ok()); }

    CTraceCaptureScope trace;
    std::unique_ptr<CParsePSRig> rig = MakeRig();
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kRing, 0x47);
};

TEST_F(CParsePSTraceTest, EachOverflowIsAMessageOfItsKind)
{
    ASSERT_EQ(rig->parser.Write(bytes.data(), 1000), 0);
    EXPECT_EQ(rig->parser.Write(bytes.data(), kRing), CParsePS::kRefused);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : CParsePS: Buffer over flow(1)!!!"));
    EXPECT_EQ(rig->parser.Write(bytes.data(), kRing - 1000), CParsePS::kOverflow);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : CParsePS: Buffer over flow(2)!!!"));
    const size_t before = trace.LineCount();
    EXPECT_EQ(rig->parser.Write(bytes.data(), 1), CParsePS::kRefused);  // refused without a word
    EXPECT_EQ(trace.LineCount(), before);
}

TEST_F(CParsePSTraceTest, AnOverflowBehindTheReadPositionIsKindThree)
{
    std::vector<uint8_t> stream = ps::MakePack(ps::Kind::Key, 2048);
    for (uint32_t n = 0; n < 151; n++) ps::Append(stream, ps::MakePack(ps::Kind::Video, 2048, n));
    rig->Feed({stream.begin(), stream.begin() + kRing - 3000});
    ASSERT_EQ(rig->parser.Write(stream.data() + kRing - 3000, 5000), 0);  // up to 2000 past the end
    EXPECT_EQ(rig->parser.Write(bytes.data(), kRing - rig->parser.GetDataSize()), CParsePS::kOverflow);
    EXPECT_TRUE(trace.Wrote(L"/SF/[Msg] : CParsePS: Buffer over flow(3)!!!"));
}

// Thousands of packs, none of them a line; a pack across the ring's end dropped while
// waiting for the key pack is not a write error of the indexed buffer either.
TEST_F(CParsePSTraceTest, PacksAndDroppedPacksAcrossTheRingEndWriteNoLine)
{
    std::vector<uint8_t> stream;
    for (uint32_t n = 0; n < 200; n++) ps::Append(stream, ps::MakePack(ps::Kind::Video, 2000, n));
    for (uint32_t n = 0; n < 200; n++) ps::Append(stream, ps::MakePack(n % 15 ? ps::Kind::Audio : ps::Kind::Key, 2000, n));
    const size_t before = trace.LineCount();
    rig->Feed(stream, {1388, 66, 5});
    EXPECT_GT(rig->entries.size(), 150u);
    const std::vector<std::wstring> lines = TraceCapture().FileLines();
    for (size_t n = before; n < lines.size(); n++) ADD_FAILURE() << std::string(lines[n].begin(), lines[n].end());
}

}  // namespace
