// The builder's output read back pack by pack: the camera's layout at every GOP,
// no pack over 2048 bytes, and the elementary streams carried unchanged.

#include "tools/camera/CProgramStreamBuilder.h"

#include "core/ByteOrder.h"
#include "tests/simulator/SimulatorAssets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Pack {
    size_t offset;
    size_t size;
};

std::vector<Pack> Packs(const std::vector<uint8_t>& ps)
{
    std::vector<Pack> packs;
    for (size_t i = 0; i + 4 <= ps.size(); i++) {
        if (ReadBE32(&ps[i]) == 0x000001BAu) packs.push_back({i, 0});
    }
    for (size_t i = 0; i < packs.size(); i++)
        packs[i].size = (i + 1 < packs.size() ? packs[i + 1].offset : ps.size() - 4) - packs[i].offset;
    return packs;
}

uint64_t Pts(const uint8_t* p)
{
    auto b = [p](int i) { return uint64_t{p[i]}; };
    return (b(0) >> 1 & 7) << 30 | b(1) << 22 | (b(2) >> 1) << 15 | b(3) << 7 | b(4) >> 1;
}

class CProgramStreamBuilderTest : public testing::Test {
protected:
    // The clip rebuilt from its own elementary streams.
    void Rebuild(const std::string& asset)
    {
        clip = ReadAsset(asset);
        ASSERT_FALSE(clip.empty());
        video = ElementaryStream(clip, 0xE0);
        audio = ElementaryStream(clip, 0xC0);
        std::string error;
        ASSERT_TRUE(builder.Build(video, audio, &error)) << error;
    }

    std::vector<uint8_t> clip, video, audio;
    CProgramStreamBuilder builder;
};

TEST_F(CProgramStreamBuilderTest, EveryGopOpensWithPackSystemHeaderAndSequenceHeader)
{
    Rebuild("testsrc-352x240-mp2.ps");
    const std::vector<uint8_t>& ps = builder.Output();
    size_t gops = 0, audioPacks = 0;
    for (const Pack& pack : Packs(ps)) {
        const uint8_t* p = &ps[pack.offset];
        EXPECT_LE(pack.size, CProgramStreamBuilder::kMaxPack);
        EXPECT_EQ(p[4] >> 6, 1);  // MPEG-2 pack header
        EXPECT_EQ(p[13] & 7, 0);  // without stuffing: 14 bytes
        if (ReadBE32(p + 14) == 0x000001C0u) audioPacks++;
        if (ReadBE32(p + 14) != 0x000001BBu) continue;
        gops++;
        EXPECT_EQ(ReadBE16(p + 18), 42);  // 48 bytes in all
        ASSERT_EQ(ReadBE32(p + 62), 0x000001E0u);
        EXPECT_EQ(p[69] & 0xC0, 0xC0);  // PTS and DTS of the GOP's first picture
        const size_t payload = 62 + 9 + p[70];
        EXPECT_EQ(ReadBE32(p + payload), 0x000001B3u);
    }
    EXPECT_GE(gops, 8u);  // 4 s in GOPs of 15 frames
    EXPECT_GT(audioPacks, 0u);
}

TEST_F(CProgramStreamBuilderTest, TheElementaryStreamsComeBackUnchanged)
{
    Rebuild("testsrc-352x240-mp2.ps");
    EXPECT_EQ(ElementaryStream(builder.Output(), 0xE0), video);
    EXPECT_EQ(ElementaryStream(builder.Output(), 0xC0), audio);
    EXPECT_EQ(builder.Output(), clip);  // the committed clip was built the same way
}

TEST_F(CProgramStreamBuilderTest, TimeStampsFollowFrameOrder)
{
    Rebuild("testsrc-352x240.ps");
    const std::vector<uint8_t>& ps = builder.Output();
    std::vector<uint64_t> dts;
    for (const Pack& pack : Packs(ps)) {
        size_t pes = pack.offset + 14;
        if (ReadBE32(&ps[pes]) == 0x000001BBu) pes += 48;
        if (ps[pes + 3] != 0xE0 || !(ps[pes + 7] & 0x80)) continue;
        const uint64_t pts = Pts(&ps[pes + 9]);
        const uint64_t decode = ps[pes + 7] & 0x40 ? Pts(&ps[pes + 14]) : pts;
        EXPECT_GE(pts, decode);
        dts.push_back(decode);
    }
    ASSERT_GT(dts.size(), 200u);
    for (size_t i = 1; i < dts.size(); i++) {
        const uint64_t step = dts[i] - dts[i - 1];
        EXPECT_TRUE(step == 3003 || step == 3004 || step == 3002) << i;  // 29.97 frames per second
    }
}

TEST(CProgramStreamBuilderInputTest, VideoWithoutASequenceHeaderIsRefused)
{
    CProgramStreamBuilder builder;
    std::string error;
    const std::vector<uint8_t> picture = {0, 0, 1, 0x00, 0x00, 0x08, 0, 0, 1, 0x01, 0x12};
    EXPECT_FALSE(builder.Build(picture, {}, &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
