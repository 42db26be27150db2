// A recorded unit's record as the player reads it: the stream information block
// byte for byte, the picture size, the library's results, the play range's dates.

#include "core/PlayUnitInfo.h"

#include "core/CPackUnitAssembler.h"
#include "core/IndexRecords.h"
#include "core/MinvaultResult.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

MinuteFileRecord Record()
{
    MinuteFileRecord r;
    r.size = 5000;
    r.header = 0x5A;
    r.flags5 = 0x80 | 0x03;             // flag 24, frame rate code 3
    r.flags6 = 0x10 | 0x02;             // resolution 1, quality 2
    r.flags9 = 0x01 | 0x08 | 0x20;      // system 1, bits 2-3 = 2, the model bit
    r.unitType = kUnitTypeVideo;
    r.byte13 = 0x44;
    r.byte14 = 0x66;
    r.byte15 = 0x97;
    r.unitTime = 1796752496;            // 2026-12-08 17:54:56
    r.calendarTime = 1796752496;
    r.word24 = 0xBEEF;
    return r;
}

}  // namespace

TEST(PlayUnitInfoTest, ARecordGivesItsStreamInformationByteForByte)
{
    StreamInfoBlock block;
    ASSERT_EQ(BuildPlayStreamInfo(Record(), &block), 0);
    uint8_t expected[sizeof(StreamInfoBlock)] = {};
    expected[0] = expected[1] = 1;
    expected[6] = 0x44;
    expected[8] = 1;
    expected[9] = 0x5A;
    expected[11] = 0x80 | 0x01;
    expected[12] = 0x02;
    expected[13] = 1;
    expected[14] = 3;
    const uint8_t stamp[6] = {56, 54, 17, 8, 12, 126};
    std::memcpy(expected + 28, stamp, 6);
    expected[34] = 0xEF;
    expected[35] = 0xBE;
    expected[36] = 0x09;
    expected[37] = 0x07;
    expected[38] = 0x66;
    const uint32_t time = 1796752496;
    std::memcpy(expected + 66, &time, 4);
    EXPECT_EQ(std::memcmp(&block, expected, sizeof(expected)), 0);

    MinuteFileRecord audio = Record();
    audio.unitType = 1;
    EXPECT_EQ(BuildPlayStreamInfo(audio, &block), kStatusNotAVideoUnit);
    audio.unitType = 7;
    EXPECT_EQ(BuildPlayStreamInfo(audio, &block), kStatusNoStreamInfo);
}

// The recorder turns a pack head into a record; the player turns the record back
// into the stream parameters the head carried.
TEST(PlayUnitInfoTest, TheStreamParametersOfARecordedPackHeadComeBack)
{
    PackIndexHead head = {};
    head.bType = 2;
    head.bParamByte1 = 0x21;
    head.bModel = 2;
    const uint8_t stamp[6] = {56, 54, 17, 8, 12, 126};
    std::memcpy(head.TimeStamp, stamp, 6);
    head.bFlag24 = 1;
    head.bResolution = 0x42;
    head.bQuality = 3;
    head.bVideoSystem = 1;
    head.usFrameRate = 4;
    uint8_t sample[sizeof(head) + 4] = {};
    std::memcpy(sample, &head, sizeof(head));
    CPackUnitAssembler assembler;
    CPackUnitAssembler::Unit unit;
    assembler.AddPack(sample, sizeof(sample), &unit);
    ASSERT_TRUE(assembler.Flush(&unit));

    StreamInfoBlock block;
    ASSERT_EQ(BuildPlayStreamInfo(unit.record, &block), 0);
    const STRM_HEAD_INFO s = block.info;
    EXPECT_EQ(s.bParamByte1, 0x21);
    EXPECT_EQ(s.bFlag1, 1);
    EXPECT_EQ(s.bFlag24, 1);
    EXPECT_EQ(s.bResolution, 0x42);
    EXPECT_EQ(s.bQuality, 3);
    EXPECT_EQ(s.bVideoSystem, 1);
    EXPECT_EQ(s.usFrameRate, 4);
    EXPECT_EQ(std::memcmp(s.TimeStamp, stamp, 6), 0);
}

TEST(PlayUnitInfoTest, PictureSizesFollowTheResolutionCodeAndVideoSystem)
{
    const uint32_t sizes[3][2][2] = {{{176, 144}, {176, 144}}, {{352, 240}, {352, 288}}, {{720, 480}, {720, 576}}};
    MinuteFileRecord r = Record();
    uint32_t width = 1, height = 1;
    for (uint8_t code = 0; code < 3; code++) {
        for (uint8_t system = 0; system < 2; system++) {
            r.flags6 = static_cast<uint8_t>(code << 4);
            r.flags9 = system;
            ASSERT_EQ(PlayPictureSize(r, &width, &height), 0);
            EXPECT_EQ(width, sizes[code][system][0]);
            EXPECT_EQ(height, sizes[code][system][1]);
        }
    }
    r.flags6 = 3 << 4;
    EXPECT_EQ(PlayPictureSize(r, &width, &height), kStatusNoStreamInfo);
    EXPECT_EQ(width + height, 0u);
}

TEST(PlayUnitInfoTest, LibraryResultsMapToThePlayersStatuses)
{
    const std::pair<MinvaultResult, int32_t> map[] = {
        {MinvaultResult::Ok, 0},
        {MinvaultResult::NotReady, -107},
        {MinvaultResult::NoFolder, -103},
        {MinvaultResult::NotFound, -103},
        {MinvaultResult::BadArgument, -108},
        {MinvaultResult::NoMemory, 0xA100},
        {MinvaultResult::ReadFailed, 0xA006},
        {MinvaultResult::CorruptUnit, 0xA006},
        {MinvaultResult::EndOfRange, 0x0501},
        {MinvaultResult::NothingInRange, 0x0501},
        {MinvaultResult::PartTooLarge, -111},
        {MinvaultResult::NoCurrentUnit, 0xA012},
        {MinvaultResult::TooManyBadFiles, -118},
    };
    for (const auto& [result, status] : map) EXPECT_EQ(LibraryStatusMap(static_cast<int32_t>(result)), status);
    EXPECT_EQ(LibraryStatusMap(-5), -100);
    EXPECT_EQ(LibraryStatusMap(7), -100);
}

TEST(PlayUnitInfoTest, CalendarTimesAndSecondsTurnIntoEachOther)
{
    EXPECT_EQ(SecondsOfCalendar({1970, 1, 1, 0, 0, 0}), 0);
    EXPECT_EQ(SecondsOfCalendar({2026, 12, 8, 17, 54, 56}), 1796752496);
    EXPECT_EQ(SecondsOfCalendar({2027, 2, 29, 12, 0, 0}), SecondsOfCalendar({2027, 2, 28, 12, 0, 0}));
    EXPECT_EQ(SecondsOfCalendar({2028, 2, 29, 0, 0, 0}), SecondsOfCalendar({2028, 3, 1, 0, 0, 0}) - 86400);
    for (int64_t seconds : {int64_t{0}, int64_t{951825600}, int64_t{1796752496}, int64_t{4294967295}}) {
        EXPECT_EQ(SecondsOfCalendar(CalendarOfSeconds(seconds)), seconds);
    }
    const CalendarTime t = CalendarOfSeconds(1796752496);
    EXPECT_EQ(t.year, 2026);
    EXPECT_EQ(t.month, 12);
    EXPECT_EQ(t.day, 8);
    EXPECT_EQ(t.second, 56);
}
