#include "core/CPackUnitAssembler.h"
#include "core/MinuteFileFormat.h"
#include "tests/core/RecordingSamples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <utility>
#include <vector>

using Unit = CPackUnitAssembler::Unit;

namespace {

constexpr uint32_t kTime = 1796664665;  // 2026-12-07 17:31:05 UTC

// Hands the assembler the same Unit each time, as a recording does, so that its
// buffers go back and forth.
struct Feed {
    CPackUnitAssembler assembler;
    Unit done;
    std::vector<Unit> units;

    void Add(const std::vector<uint8_t>& sample) { Add(sample.data(), sample.size()); }
    void Add(const uint8_t* p, size_t cb)
    {
        if (assembler.AddPack(p, cb, &done)) units.push_back(done);
    }
    void Flush()
    {
        if (assembler.Flush(&done)) units.push_back(done);
    }
};

std::vector<uint8_t> Concat(std::initializer_list<const std::vector<uint8_t>*> packs)
{
    std::vector<uint8_t> bytes;
    for (const auto* pack : packs) bytes.insert(bytes.end(), pack->begin(), pack->end());
    return bytes;
}

TEST(CPackUnitAssemblerTest, EveryHeadFieldReachesItsPlaceInTheRecord)
{
    StreamInfoBlock a{};
    a.info.bFlag3 = 0xA1;
    a.info.bParamByte1 = 0xB2;
    a.info.bFlag1 = 1;
    const uint8_t stampA[6] = {5, 31, 17, 7, 12, 126};
    std::copy(std::begin(stampA), std::end(stampA), a.info.TimeStamp);
    a.info.usIndexWord = 0xC3D4;
    a.info.bFlag24 = 0x10;
    a.info.bResolution = 0x82;
    a.info.bQuality = 0x34;
    a.info.bVideoSystem = 1;
    a.info.usFrameRate = 0x0123;

    StreamInfoBlock b{};
    b.info.bFlag3 = 0x5E;
    b.info.bParamByte1 = 0x07;
    b.info.bFlag2 = 1;
    const uint8_t stampB[6] = {59, 59, 23, 29, 2, 124};
    std::copy(std::begin(stampB), std::end(stampB), b.info.TimeStamp);
    b.info.usIndexWord = 0x0102;
    b.info.bResolution = 0x41;
    b.info.bQuality = 0x02;
    b.info.usFrameRate = 0x0004;

    MinuteFileRecord wantA;
    wantA.size = 100;
    wantA.header = 0xB2;
    wantA.flags5 = 0x83;
    wantA.flags6 = 0x24;
    wantA.flags9 = 0x29;
    wantA.unitType = 3;
    wantA.byte13 = 0xA1;
    wantA.word24 = 0xC3D4;
    wantA.unitTime = wantA.calendarTime = kTime;
    MinuteFileRecord wantB;
    wantB.size = 70;
    wantB.header = 0x07;
    wantB.flags5 = 0x04;
    wantB.flags6 = 0x12;
    wantB.flags9 = 0x24;
    wantB.unitType = 3;
    wantB.byte13 = 0x5E;
    wantB.word24 = 0x0102;
    wantB.unitTime = wantB.calendarTime = 1709251199;  // 2024-02-29 23:59:59
    Feed feed;
    feed.Add(rec::MakeSample(a, true, rec::MakePack(true, 100, 1), true));
    feed.Add(rec::MakeSample(b, true, rec::MakePack(true, 70, 2), true));  // the audio model sets no record bit
    feed.Flush();
    ASSERT_EQ(feed.units.size(), 2u);
    EXPECT_EQ(feed.units[0].record, wantA);
    EXPECT_EQ(feed.units[1].record, wantB);
}

TEST(CPackUnitAssemblerTest, AUnitRunsFromAKeyPackToTheNextWithItsFirstPacksRecord)
{
    std::vector<std::vector<uint8_t>> packs;
    for (uint32_t i = 0; i < 7; ++i) packs.push_back(rec::MakePack(i == 0 || i == 4 || i == 5, 200 + i * 50, i));
    // The packs after a key pack carry a later time and other fields; the unit keeps the key pack's.
    auto block = [](uint32_t i) {
        StreamInfoBlock b = rec::CameraBlock(kTime + i);
        b.info.bQuality = static_cast<uint8_t>(i % 5);
        return b;
    };
    Feed feed;
    std::vector<size_t> completedAt;
    for (uint32_t i = 0; i < packs.size(); ++i) {
        const size_t before = feed.units.size();
        feed.Add(rec::MakeSample(block(i), i == 0 || i == 4 || i == 5, packs[i]));
        if (feed.units.size() != before) completedAt.push_back(i);
    }
    EXPECT_EQ(completedAt, (std::vector<size_t>{4, 5}));
    feed.Flush();

    ASSERT_EQ(feed.units.size(), 3u);
    EXPECT_EQ(feed.units[0].data, Concat({&packs[0], &packs[1], &packs[2], &packs[3]}));
    EXPECT_EQ(feed.units[1].data, packs[4]);
    EXPECT_EQ(feed.units[2].data, Concat({&packs[5], &packs[6]}));
    const uint32_t firstPack[3] = {0, 4, 5};
    for (size_t u = 0; u < 3; ++u) {
        SCOPED_TRACE(u);
        const MinuteFileRecord& r = feed.units[u].record;
        EXPECT_EQ(r.size, feed.units[u].data.size());
        EXPECT_EQ(r.notKey, 0);
        EXPECT_EQ(r.unitTime, kTime + firstPack[u]);
        EXPECT_EQ(r.flags6 & 0x0F, firstPack[u] % 5);
    }
    EXPECT_EQ(feed.assembler.PacksDropped(), 0u);

    Unit done;
    EXPECT_FALSE(feed.assembler.Flush(&done));  // nothing is left after a flush
}

TEST(CPackUnitAssemblerTest, PacksThatCannotOpenOrJoinAUnitAreDroppedUpToTheNextGoodKeyPack)
{
    const StreamInfoBlock good = rec::CameraBlock(kTime);
    const std::vector<uint8_t> key = rec::MakePack(true, 300, 1), follow = rec::MakePack(false, 120, 2);

    // Leading packs that follow no key pack.
    Feed leading;
    leading.Add(rec::MakeSample(good, false, follow));
    leading.Add(rec::MakeSample(good, false, follow));
    leading.Add(rec::MakeSample(good, true, key));
    leading.Flush();
    ASSERT_EQ(leading.units.size(), 1u);
    EXPECT_EQ(leading.units[0].data, key);
    EXPECT_EQ(leading.assembler.PacksDropped(), 2u);

    struct Stamp {
        uint8_t s, m, h, d, mo, y;
    };
    const Stamp badStamps[] = {{0, 0, 0, 1, 0, 126},   {0, 0, 0, 1, 13, 126}, {0, 0, 0, 0, 5, 126},
                               {0, 0, 0, 29, 2, 125},  {0, 0, 0, 31, 4, 126}, {0, 0, 24, 1, 1, 126},
                               {0, 60, 0, 1, 1, 126},  {60, 0, 0, 1, 1, 126}, {59, 59, 23, 31, 12, 69},
                               {16, 28, 6, 7, 2, 206}, {0, 0, 0, 1, 1, 255}};
    for (const Stamp& st : badStamps) {
        SCOPED_TRACE(testing::Message() << int(st.y) << "-" << int(st.mo) << "-" << int(st.d) << " " << int(st.h)
                                        << ":" << int(st.m) << ":" << int(st.s));
        StreamInfoBlock bad = good;
        const uint8_t stamp[6] = {st.s, st.m, st.h, st.d, st.mo, st.y};
        std::copy(std::begin(stamp), std::end(stamp), bad.info.TimeStamp);
        Feed feed;
        feed.Add(rec::MakeSample(good, true, key));
        feed.Add(rec::MakeSample(good, false, follow));
        feed.Add(rec::MakeSample(bad, true, key));  // still ends the unit before it
        EXPECT_EQ(feed.units.size(), 1u);
        feed.Add(rec::MakeSample(good, false, follow));
        feed.Add(rec::MakeSample(good, false, follow));
        feed.Add(rec::MakeSample(good, true, key));
        feed.Flush();
        ASSERT_EQ(feed.units.size(), 2u);
        EXPECT_EQ(feed.units[0].data, Concat({&key, &follow}));
        EXPECT_EQ(feed.units[1].data, key);
        EXPECT_EQ(feed.assembler.PacksDropped(), 3u);
    }

    // The earliest and the latest time a record holds still open a unit.
    StreamInfoBlock last = good;
    const uint8_t lastStamp[6] = {15, 28, 6, 7, 2, 206};  // 2106-02-07 06:28:15
    std::copy(std::begin(lastStamp), std::end(lastStamp), last.info.TimeStamp);
    Feed edge;
    edge.Add(rec::MakeSample(rec::CameraBlock(0), true, key));
    edge.Add(rec::MakeSample(last, true, key));
    edge.Flush();
    ASSERT_EQ(edge.units.size(), 2u);
    EXPECT_EQ(edge.units[0].record.unitTime, 0u);
    EXPECT_EQ(edge.units[1].record.unitTime, UINT32_MAX);
}

TEST(CPackUnitAssemblerTest, AMalformedSampleEndsTheUnitItFallsInto)
{
    const StreamInfoBlock block = rec::CameraBlock(kTime);
    const std::vector<uint8_t> key = rec::MakePack(true, 300, 1), follow = rec::MakePack(false, 120, 2);
    const std::vector<uint8_t> good = rec::MakeSample(block, false, follow);
    std::vector<uint8_t> wrongType = good;
    wrongType[0] = 3;
    const std::vector<uint8_t> headOnly(good.begin(), good.begin() + kPackIndexHeadSize);
    const std::vector<uint8_t> shortHead(good.begin(), good.begin() + kPackIndexHeadSize - 1);

    const std::vector<uint8_t>* const malformed[] = {&wrongType, &headOnly, &shortHead};
    for (const std::vector<uint8_t>* bad : malformed) {
        Feed feed;
        feed.Add(rec::MakeSample(block, true, key));
        feed.Add(good);
        feed.Add(*bad);
        EXPECT_EQ(feed.units.size(), 1u);
        feed.Add(good);  // would join the unit across the gap
        feed.Add(rec::MakeSample(block, true, key));
        feed.Add(good);
        feed.Flush();
        ASSERT_EQ(feed.units.size(), 2u);
        EXPECT_EQ(feed.units[0].data, Concat({&key, &follow}));
        EXPECT_EQ(feed.units[1].data, Concat({&key, &follow}));
        EXPECT_EQ(feed.assembler.PacksDropped(), 2u);
    }
    Feed none;
    none.Add(nullptr, 100);
    none.Flush();
    EXPECT_TRUE(none.units.empty());
    EXPECT_EQ(none.assembler.PacksDropped(), 1u);
}

TEST(CPackUnitAssemblerTest, AUnitThatWouldOutgrowTheLimitGoesOnInAContinuationUnit)
{
    constexpr size_t kHalf = MinuteFile::kMaxUnitSize / 2;
    const size_t sizes[] = {kHalf, kHalf, 1, kHalf, kHalf};
    std::vector<std::vector<uint8_t>> packs;
    for (uint32_t i = 0; i < 5; ++i) packs.push_back(rec::MakePack(i == 0, sizes[i], i));
    Feed feed;
    for (uint32_t i = 0; i < packs.size(); ++i)
        feed.Add(rec::MakeSample(rec::CameraBlock(kTime + i), i == 0, packs[i]));
    feed.Flush();

    ASSERT_EQ(feed.units.size(), 3u);  // two halves fill the first exactly
    EXPECT_EQ(feed.units[0].data.size(), MinuteFile::kMaxUnitSize);
    EXPECT_EQ(feed.units[1].data.size(), 1 + kHalf);
    EXPECT_EQ(feed.units[2].data.size(), kHalf);
    std::vector<uint8_t> all;
    for (const auto& pack : packs) all.insert(all.end(), pack.begin(), pack.end());
    std::vector<uint8_t> joined;
    for (const Unit& u : feed.units) joined.insert(joined.end(), u.data.begin(), u.data.end());
    EXPECT_EQ(joined, all);

    MinuteFileRecord want = feed.units[0].record;
    EXPECT_EQ(want.notKey, 0);
    EXPECT_EQ(want.unitTime, kTime);
    for (size_t u = 1; u < 3; ++u) {
        want.notKey = 1;
        want.size = static_cast<uint32_t>(feed.units[u].data.size());
        EXPECT_EQ(feed.units[u].record, want);
    }
    EXPECT_EQ(feed.assembler.PacksDropped(), 0u);
}

TEST(CPackUnitAssemblerTest, APackBeyondTheLimitByItselfIsDropped)
{
    const StreamInfoBlock block = rec::CameraBlock(kTime);
    const std::vector<uint8_t> key = rec::MakePack(true, 300, 1), follow = rec::MakePack(false, 120, 2);
    const std::vector<uint8_t> whole = rec::MakePack(true, MinuteFile::kMaxUnitSize, 3);
    const std::vector<uint8_t> huge = rec::MakePack(false, MinuteFile::kMaxUnitSize + 1, 4);
    Feed feed;
    feed.Add(rec::MakeSample(block, true, key));
    feed.Add(rec::MakeSample(block, false, huge));
    feed.Add(rec::MakeSample(block, false, follow));
    feed.Add(rec::MakeSample(block, true, whole));
    feed.Flush();
    ASSERT_EQ(feed.units.size(), 2u);
    EXPECT_EQ(feed.units[0].data, key);
    EXPECT_EQ(feed.units[1].data, whole);
    EXPECT_EQ(feed.assembler.PacksDropped(), 2u);
}

}  // namespace
