// The program stream parser: the search against a byte-by-byte one, when a pack is
// indexed, the wait for the key pack, the 48-byte rule, junk, packs across the
// ring's end wherever it falls, the overflows, and the bundled clips fed in pieces
// of many sizes.

#include "core/CParsePS.h"

#include "tests/core/CParsePSRig.h"
#include "tests/core/ProgramStreams.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using ps::Kind;
using ps::MakePack;

constexpr uint32_t kRing = CParsePS::kRingSize;

// Room behind a searched position: the classification reads up to 65 bytes on.
std::vector<uint8_t> Padded(std::vector<uint8_t> bytes)
{
    bytes.resize(bytes.size() + 66, 0x55);
    return bytes;
}

TEST(CParsePSSearchTest, FindsWhatAByteByByteSearchFindsAndNothingBehindLast)
{
    // Mostly near misses: 00 00 01 xx, 00 01 BA, 00 00 00 01 BA, BA alone.
    std::mt19937 random(7);
    const uint8_t alphabet[] = {0x00, 0x00, 0x00, 0x01, 0xBA, 0xBA, 0xBB, 0xE0, 0x47};
    std::vector<uint8_t> bytes(20000);
    for (uint8_t& b : bytes) b = alphabet[random() % sizeof(alphabet)];
    for (int n = 0; n < 3000; n++) {
        const int32_t from = static_cast<int32_t>(random() % 19000);
        const int32_t last = static_cast<int32_t>(random() % 900) - 1;
        int32_t type = -7;
        const int32_t found = CParsePS::SearchPack(bytes.data() + from, last, &type);
        ASSERT_EQ(found, ps::ReferenceSearch(bytes.data() + from, last)) << from << " " << last;
        EXPECT_EQ(type, found < 0 ? -7 : ps::ReferenceType(bytes.data() + from + found));
    }
    std::vector<uint8_t> one(10, 0x47);
    ps::Append(one, Padded(MakePack(Kind::Video, 100)));
    int32_t type = -7;
    EXPECT_EQ(CParsePS::SearchPack(one.data(), 10, &type), 10);
    EXPECT_EQ(CParsePS::SearchPack(one.data(), 9, &type), -1);
    EXPECT_EQ(CParsePS::SearchPack(one.data(), -1, &type), -1);
}

TEST(CParsePSTest, APackIsIndexedOnceTheNextStartCodeAnd62BytesBehindItHaveArrived)
{
    auto rig = MakeRig();
    ASSERT_TRUE(rig->Ok());
    const std::vector<uint8_t> key = MakePack(Kind::Key, 2048);
    const std::vector<uint8_t> video = MakePack(Kind::Video, 2048);
    rig->Feed(key);
    rig->Feed({video.begin(), video.begin() + 65});
    EXPECT_EQ(rig->buffer.IsIFrameWritten(), 0);
    EXPECT_EQ(rig->parser.GetDataSize(), 2048u + 65);
    rig->Feed({video.begin() + 65, video.begin() + 66});
    EXPECT_EQ(rig->buffer.IsIFrameWritten(), 1);
    EXPECT_EQ(rig->parser.GetDataSize(), 66u);  // the video pack waits for its end
    rig->Feed({video.begin() + 66, video.end()});
    rig->Finish();
    ASSERT_EQ(rig->entries.size(), 2u);
    EXPECT_EQ(rig->entries[0].pack, key);
    EXPECT_EQ(rig->entries[0].notKey, 0u);
    EXPECT_EQ(rig->entries[1].pack, video);
    EXPECT_EQ(rig->entries[1].notKey, 1u);
}

TEST(CParsePSTest, NothingIsParsedOf66BytesOrLessAndAnEmptyRingSaysSo)
{
    auto rig = MakeRig();
    EXPECT_EQ(rig->parser.Parse(), CParsePS::kNoData);
    const std::vector<uint8_t> key = MakePack(Kind::Key, 66);
    ASSERT_EQ(rig->parser.Write(key.data(), 66), 0);
    EXPECT_EQ(rig->parser.Parse(), 0);
    EXPECT_EQ(rig->parser.GetDataSize(), 66u);
}

// More than a ring's worth of packs of every other type, some across the ring's end,
// before the first key pack: none is indexed, and the key pack opens the stream.
TEST(CParsePSTest, PacksBeforeTheFirstKeyPackAreDroppedHoweverManyCome)
{
    auto rig = MakeRig();
    const Kind others[] = {Kind::Video, Kind::Audio, Kind::AudioBehindSystemHeader, Kind::Other,
                           Kind::OtherBehindSystemHeader};
    std::vector<uint8_t> stream;
    for (uint32_t n = 0; n < 400; n++) ps::Append(stream, MakePack(others[n % 5], 900 + n % 7 * 61, n));
    for (uint32_t n = 0; n < 40; n++) ps::Append(stream, MakePack(n % 10 ? others[n % 5] : Kind::Key, 2000, n));
    ps::Append(stream, MakePack(Kind::Video, 400));
    rig->Feed(stream, {1388, 3000, 17});
    ASSERT_EQ(rig->entries.size(), 40u);
    rig->ExpectPacksOfTheStream();
}

TEST(CParsePSTest, AfterTheIndexedBufferIsEmptiedOnlyAKeyPackOpensItAgain)
{
    auto rig = MakeRig();
    rig->Feed(MakePack(Kind::Key, 2048));
    rig->Feed(MakePack(Kind::Video, 2048));
    rig->Feed(MakePack(Kind::Video, 2048));
    rig->buffer.Init();
    rig->entries.clear();
    const std::vector<uint8_t> key = MakePack(Kind::Key, 1000, 3);
    rig->Feed(MakePack(Kind::Audio, 2048));
    rig->Feed(key);
    rig->Feed(MakePack(Kind::Video, 2048));
    rig->Finish();
    ASSERT_EQ(rig->entries.size(), 2u);
    EXPECT_EQ(rig->entries[0].pack, key);
}

TEST(CParsePSTest, AStartCodeCloserThan48BytesToTheLastIsPartOfItsPack)
{
    auto rig = MakeRig();
    std::vector<uint8_t> key = MakePack(Kind::Key, 300);
    ps::PutStartCode(key, 47, 0xBA);
    std::vector<uint8_t> video = MakePack(Kind::Video, 300);
    ps::PutStartCode(video, 48, 0xBA);
    rig->Feed(key);
    rig->Feed(video);
    rig->Finish();
    ASSERT_EQ(rig->entries.size(), 3u);
    EXPECT_EQ(rig->entries[0].pack, key);
    EXPECT_EQ(rig->entries[1].pack, std::vector<uint8_t>(video.begin(), video.begin() + 48));
    EXPECT_EQ(rig->entries[2].pack.size(), 300u - 48);
}

TEST(CParsePSTest, JunkBeforeTheFirstPackIsConsumedWithItButNeverIndexed)
{
    auto rig = MakeRig();
    std::vector<uint8_t> junk(700, 0x47);
    ps::PutStartCode(junk, 100, 0xBB);
    ps::PutStartCode(junk, 300, 0xE0);
    junk[500] = 0, junk[501] = 1, junk[502] = 0xBA;  // 00 01 BA
    rig->Feed(junk);
    EXPECT_EQ(rig->parser.GetDataSize(), 700u);  // junk alone stays
    const std::vector<uint8_t> key = MakePack(Kind::Key, 2048);
    rig->Feed(key);
    EXPECT_EQ(rig->parser.GetDataSize(), 700u + 2048);
    rig->Feed(MakePack(Kind::Video, 2048));
    EXPECT_EQ(rig->parser.GetDataSize(), 2048u);
    rig->Finish();
    ASSERT_EQ(rig->entries.size(), 2u);
    EXPECT_EQ(rig->entries[0].pack, key);
}

// A stream whose pack `straddling` begins `beforeEnd` bytes before the ring's end,
// fed in pieces of the sizes given; the packs in front are key, video and audio.
std::vector<uint8_t> StreamAcrossTheEnd(uint32_t beforeEnd, Kind straddling, uint32_t straddlingSize)
{
    std::vector<uint8_t> stream = MakePack(Kind::Key, 2048);
    for (uint32_t n = 1; stream.size() + 2048 + 2000 <= kRing - beforeEnd; n++)
        ps::Append(stream, MakePack(n % 3 ? Kind::Video : Kind::Audio, 2048, n));
    const size_t left = kRing - beforeEnd - stream.size();
    ps::Append(stream, MakePack(Kind::Video, left - 1000));
    ps::Append(stream, MakePack(Kind::Audio, 1000));
    ps::Append(stream, MakePack(straddling, straddlingSize, 9));
    ps::Append(stream, MakePack(Kind::Key, 2048, 10));
    ps::Append(stream, MakePack(Kind::Video, 1500, 11));
    ps::Append(stream, MakePack(Kind::Video, 400, 12));
    return stream;
}

class CParsePSRingEndTest : public testing::TestWithParam<uint32_t> {};

// The start code, the bytes that tell the type, or the whole pack on either side of
// the end; pieces that leave the write position below and above the mirror's size.
TEST_P(CParsePSRingEndTest, APackAcrossTheRingEndIsOneEntryHeldTogether)
{
    const std::vector<std::vector<uint32_t>> piecings = {{1388}, {61, 1, 4000, 5, 66, 67}, {30000, 3}};
    for (const Kind kind : {Kind::Key, Kind::Video}) {
        for (const std::vector<uint32_t>& pieces : piecings) {
            auto rig = MakeRig();
            rig->Feed(StreamAcrossTheEnd(GetParam(), kind, 2048), pieces);
            rig->ExpectPacksOfTheStream();
            if (HasFatalFailure()) return;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BytesBeforeTheEnd, CParsePSRingEndTest,
                         testing::Values(0u, 1u, 2u, 3u, 4u, 14u, 17u, 18u, 47u, 48u, 62u, 65u, 66u, 67u, 1000u, 2047u));

// A pack boundary exactly at the ring's end used to leave an entry with a head and no
// pack behind it.
TEST(CParsePSTest, PacksEndingAtTheRingEndLeaveNoEmptyEntry)
{
    auto rig = MakeRig();
    std::vector<uint8_t> stream;
    for (uint32_t n = 0; n < 400; n++) ps::Append(stream, MakePack(n % 15 ? Kind::Video : Kind::Key, 2048, n));
    rig->Feed(stream, {2048});
    rig->ExpectPacksOfTheStream();
}

// The pending pack begins 10 bytes before the end; a start code 30 bytes behind it,
// at the ring's start, is part of it, as anywhere else.
TEST(CParsePSTest, The48ByteRuleHoldsAcrossTheRingEnd)
{
    auto rig = MakeRig();
    std::vector<uint8_t> stream = StreamAcrossTheEnd(10, Kind::Video, 2048);
    ps::PutStartCode(stream, kRing + 20, 0xBA);
    rig->Feed(stream);
    rig->ExpectPacksOfTheStream();
}

// Bytes without a pack boundary longer than the ring (junk, a runaway pack) used
// to stop the parser for good, silently: the ring filled, and every later write was
// refused. Now the ring is emptied, the indexed buffer opens a gap, the packs after
// it are dropped up to the next key pack, and that one goes in marked as after the
// gap. The pack cut by the junk is lost with it.
TEST(CParsePSTest, JunkLongerThanTheRingCostsThePacksUpToTheNextKeyPack)
{
    auto rig = MakeRig();
    const std::vector<uint8_t> before = MakePack(Kind::Key, 2048);
    rig->Feed(before);
    rig->Feed(MakePack(Kind::Video, 2048));
    const std::vector<uint8_t> junk(kRing + 5000, 0x47);
    int overflows = 0;
    for (size_t at = 0; at < junk.size(); at += 1388) {
        const int32_t r = rig->parser.Write(junk.data() + at, static_cast<uint32_t>(std::min<size_t>(1388, junk.size() - at)));
        ASSERT_TRUE(r == 0 || r == CParsePS::kOverflow);
        overflows += r == CParsePS::kOverflow;
        rig->parser.Parse();
        rig->Drain();
    }
    EXPECT_EQ(overflows, 1);
    EXPECT_TRUE(rig->buffer.GetGaps().bOpen);
    rig->Feed(MakePack(Kind::Video, 2048, 1));
    const std::vector<uint8_t> key = MakePack(Kind::Key, 2048, 2);
    rig->Feed(key);
    rig->Feed(MakePack(Kind::Video, 2048, 3));
    rig->Finish();
    EXPECT_FALSE(rig->buffer.GetGaps().bOpen);
    EXPECT_EQ(rig->buffer.GetGaps().opened, 1u);
    ASSERT_EQ(rig->entries.size(), 3u);
    EXPECT_EQ(rig->entries[0].pack, before);
    EXPECT_EQ(rig->entries[1].pack, key);
    EXPECT_EQ(rig->entries[1].afterGap, 1u);
    EXPECT_EQ(rig->entries[2].afterGap, 0u);

    // A single write longer than the ring is dropped with what the ring holds.
    EXPECT_EQ(rig->parser.Write(junk.data(), kRing), CParsePS::kOverflow);
    EXPECT_EQ(rig->parser.GetDataSize(), 0u);
    EXPECT_EQ(rig->buffer.GetGaps().opened, 2u);
}

// At the end of the stream the pack whose successor's start code has arrived is
// indexed without the 62 bytes behind it, wherever the ring's end falls: before the
// stream's end, within the last start code, far behind. The last pack never is, and
// what Flush added to the ring is gone again.
TEST(CParsePSTest, FlushIndexesEveryPackWhoseEndHasArrived)
{
    for (const uint32_t behind : {0u, 8078u, 8053u, 30000u}) {
        SCOPED_TRACE(behind);
        auto rig = MakeRig();
        std::vector<uint8_t> stream = behind ? StreamAcrossTheEnd(behind, Kind::Video, 2048) : MakePack(Kind::Key, 2048);
        ps::Append(stream, MakePack(Kind::Video, 2048, 7));
        const std::vector<uint8_t> last = MakePack(Kind::Video, 2048, 8);
        stream.insert(stream.end(), last.begin(), last.begin() + 10);
        rig->Feed(stream);
        rig->parser.Flush();
        rig->buffer.EndOfInput();
        rig->Drain();
        EXPECT_EQ(rig->parser.GetDataSize(), 10u);
        rig->ExpectPacksOfTheStream(true);
    }
}

std::vector<uint8_t> ReadClip(const std::string& name)
{
    std::ifstream file(std::string(VCSF_ASSETS_DIR) + "/" + name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// Each clip twice over, from inside its first pack (junk, then packs that wait for
// the key pack), in pieces of datagram, block and odd sizes, parsed after every
// piece as the HTTP client does or after every few as the UDP receiver does.
TEST(CParsePSClipTest, TheClipsComeBackPackByPackFromTheirFirstKeyPack)
{
    for (const char* name : {"testsrc-352x240.ps", "testsrc-352x240-mp2.ps"}) {
        const std::vector<uint8_t> clip = ReadClip(name);
        ASSERT_GT(clip.size(), 200000u) << name;
        std::vector<uint8_t> stream(clip.begin() + 1000, clip.end());
        ps::Append(stream, clip);
        const std::vector<std::vector<uint32_t>> piecings = {{1388}, {1, 2, 65, 66, 67, 4096, 7, 1400}, {30000, 999}};
        for (const int parseEvery : {1, 3}) {
            for (const std::vector<uint32_t>& pieces : piecings) {
                auto rig = MakeRig();
                rig->Feed(stream, pieces, parseEvery);
                ASSERT_GT(rig->entries.size(), 300u);
                rig->ExpectPacksOfTheStream();
                if (HasFatalFailure()) return;
            }
        }
    }
}

}  // namespace
