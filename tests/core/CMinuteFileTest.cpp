#include "core/CCrc32.h"
#include "tests/core/CMemoryByteSink.h"
#include "tests/core/MinuteRecordings.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace MinuteFile;
using Tail = CMinuteFileReader::Tail;

namespace {

constexpr uint32_t kMinute = 1796664660;  // 2026-12-07 17:31 UTC

struct Unit {
    MinuteFileRecord record;
    uint8_t area;
    std::vector<uint8_t> data;
};

Unit MakeUnit(uint32_t n, uint32_t size)
{
    Unit u;
    u.record.size = size;
    u.record.unitTime = kMinute + n * 7 % 60 / 10 * 10;
    u.record.header = static_cast<uint8_t>(0x40 + n);
    u.record.notKey = n % 3 != 0;
    u.record.unitType = 3;
    u.record.calendarTime = u.record.unitTime + 9 * 3600;
    u.record.word24 = static_cast<uint16_t>(0x1234 + n);
    u.record.tail[15] = static_cast<uint8_t>(n);
    u.area = n % 2 ? kAreaAlarm : kAreaNormal | kAreaAlarm;
    for (uint32_t i = 0; i < size; ++i) u.data.push_back(static_cast<uint8_t>(i * 31 + n));
    return u;
}

std::vector<Unit> MakeUnits(std::vector<uint32_t> sizes)
{
    std::vector<Unit> units;
    for (uint32_t n = 0; n < sizes.size(); ++n) units.push_back(MakeUnit(n, sizes[n]));
    for (size_t n = 1; n < units.size(); ++n)  // ascending time
        units[n].record.unitTime = std::max(units[n].record.unitTime, units[n - 1].record.unitTime);
    for (Unit& u : units) u.record.calendarTime = u.record.unitTime + 9 * 3600;
    return units;
}

std::vector<uint8_t> WriteFile(const std::vector<Unit>& units, bool close = true)
{
    CMemoryByteSink sink;
    CMinuteFileWriter writer(&sink);
    EXPECT_EQ(writer.Open(kMinute), MinuteFileResult::Ok);
    for (const Unit& u : units)
        EXPECT_EQ(writer.AppendUnit(u.record, u.area, u.data.data(), static_cast<uint32_t>(u.data.size())),
                  MinuteFileResult::Ok);
    if (close) {
        EXPECT_EQ(writer.Close(), MinuteFileResult::Ok);
    }
    return sink.bytes;
}

using Opened = OpenedMinuteFile;

// The first `count` units come back with their fields, areas and data.
void ExpectUnits(CMinuteFileReader& reader, const std::vector<Unit>& units, size_t count)
{
    ASSERT_EQ(reader.Units().size(), count);
    for (size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(reader.Units()[i].record, units[i].record);
        EXPECT_EQ(reader.Units()[i].area, units[i].area);
        std::vector<uint8_t> data(units[i].data.size());
        EXPECT_EQ(reader.ReadUnit(i, data.data(), data.size()), MinuteFileResult::Ok);
        EXPECT_EQ(data, units[i].data);
    }
}

TEST(CMinuteFileTest, UnitsComeBackInOrderWhetherIndexedOrWalked)
{
    const std::vector<Unit> units = MakeUnits({100, 1, 4000, 250, 17, 3000});
    const std::vector<uint8_t> closed = WriteFile(units);
    const std::vector<uint8_t> open = WriteFile(units, false);
    std::vector<uint8_t> badIndex = closed, badTrailer = closed;
    badIndex[open.size() + 20] ^= 0x01;
    badTrailer[closed.size() - 10] ^= 0x80;

    struct Case {
        const std::vector<uint8_t>* bytes;
        Tail tail;
        uint64_t torn;
    };
    const uint64_t footer = closed.size() - open.size();
    for (const Case& c : {Case{&closed, Tail::Indexed, 0}, Case{&open, Tail::Open, 0},
                          Case{&badIndex, Tail::Torn, footer}, Case{&badTrailer, Tail::Torn, footer}}) {
        Opened file(*c.bytes);
        ASSERT_EQ(file.result, MinuteFileResult::Ok);
        EXPECT_EQ(file.reader.MinuteStart(), kMinute);
        EXPECT_EQ(file.reader.GetTail(), c.tail);
        EXPECT_EQ(file.reader.TornBytes(), c.torn);
        ExpectUnits(file.reader, units, units.size());
    }
}

TEST(CMinuteFileTest, AnEmptyMinuteOpensWithNoUnits)
{
    for (bool close : {true, false}) {
        Opened file(WriteFile({}, close));
        ASSERT_EQ(file.result, MinuteFileResult::Ok);
        EXPECT_EQ(file.reader.GetTail(), close ? Tail::Indexed : Tail::Open);
        EXPECT_TRUE(file.reader.Units().empty());
    }
}

TEST(CMinuteFileTest, ACutAnywhereInTheLastUnitOrTheFooterLosesAtMostThatUnit)
{
    const std::vector<Unit> units = MakeUnits({300, 40, 90});
    const std::vector<uint8_t> closed = WriteFile(units);
    const size_t lastFrame = WriteFile({units[0], units[1]}, false).size();
    const size_t indexStart = WriteFile(units, false).size();
    for (size_t cut = lastFrame; cut < closed.size(); ++cut) {
        SCOPED_TRACE(cut);
        const std::vector<uint8_t> torn(closed.begin(), closed.begin() + cut);
        Opened file(torn);
        ASSERT_EQ(file.result, MinuteFileResult::Ok);
        const size_t kept = cut < indexStart ? 2 : 3;
        EXPECT_EQ(file.reader.GetTail(), cut == lastFrame || cut == indexStart ? Tail::Open : Tail::Torn);
        EXPECT_EQ(file.reader.TornBytes(), cut - (kept == 2 ? lastFrame : indexStart));
        ExpectUnits(file.reader, units, kept);
    }
    for (size_t cut = 0; cut < kHeaderSize; ++cut) {
        Opened file(std::vector<uint8_t>(closed.begin(), closed.begin() + cut));
        EXPECT_EQ(file.result, MinuteFileResult::TruncatedHeader);
        EXPECT_EQ(file.reader.ReadUnitPart(0, 0, nullptr, 0), MinuteFileResult::NoSuchUnit);
    }
}

TEST(CMinuteFileTest, AFlippedByteInAFrameIsCaught)
{
    const std::vector<Unit> units = MakeUnits({20, 30, 20});
    const std::vector<uint8_t> closed = WriteFile(units);
    const size_t frame = WriteFile({units[0]}, false).size();
    const size_t frameEnd = frame + FrameSize(30);
    for (size_t at = frame; at < frameEnd; ++at) {
        SCOPED_TRACE(at);
        std::vector<uint8_t> bytes = closed;
        bytes[at] ^= 0x10;
        Opened indexed(bytes);
        ASSERT_EQ(indexed.result, MinuteFileResult::Ok);
        ASSERT_EQ(indexed.reader.Units().size(), 3u);
        std::vector<uint8_t> data(30, 0xAA);
        EXPECT_EQ(indexed.reader.ReadUnit(1, data.data(), data.size()), MinuteFileResult::CorruptUnit);
        EXPECT_EQ(data, std::vector<uint8_t>(30, 0));
        EXPECT_EQ(indexed.reader.ReadUnitPart(1, 0, data.data(), 1), MinuteFileResult::CorruptUnit);
        EXPECT_EQ(indexed.reader.ReadUnit(2, data.data(), data.size()), MinuteFileResult::Ok);

        bytes.resize(WriteFile(units, false).size());
        Opened walked(bytes);
        ASSERT_EQ(walked.result, MinuteFileResult::Ok);
        const bool inHead = at < frame + kFrameHeadSize;
        EXPECT_EQ(walked.reader.Units().size(), inHead ? 1u : 3u);
        if (!inHead) {
            EXPECT_EQ(walked.reader.ReadUnit(1, data.data(), data.size()), MinuteFileResult::CorruptUnit);
        }
    }
}

TEST(CMinuteFileTest, ForeignAndCorruptHeadersAreRefused)
{
    const std::vector<uint8_t> good = WriteFile(MakeUnits({10}));
    auto with = [&](size_t at, uint8_t flip) {
        std::vector<uint8_t> bytes = good;
        bytes[at] ^= flip;
        return bytes;
    };
    std::vector<uint8_t> text(200, 'x');
    struct Case {
        std::vector<uint8_t> bytes;
        MinuteFileResult result;
    };
    for (const Case& c : {Case{text, MinuteFileResult::Foreign}, Case{with(0, 0x20), MinuteFileResult::Foreign},
                          Case{with(4, 3), MinuteFileResult::UnknownVersion},
                          Case{with(9, 0x11), MinuteFileResult::CorruptHeader},
                          Case{with(30, 0xFF), MinuteFileResult::CorruptHeader}}) {
        Opened file(c.bytes);
        EXPECT_EQ(file.result, c.result);
        EXPECT_TRUE(file.reader.Units().empty());
    }
}

TEST(CMinuteFileTest, ALargeUnitIsReadWholeAndInPartsButNotPastItsEnd)
{
    const uint32_t size = 0x50000 + 123;
    const std::vector<Unit> units = MakeUnits({5, size});
    Opened file(WriteFile(units));
    ASSERT_EQ(file.result, MinuteFileResult::Ok);
    ExpectUnits(file.reader, units, 2);

    std::vector<uint8_t> parts(size);
    for (uint32_t offset = 0; offset < size; offset += 0x10000) {
        const uint32_t cb = std::min<uint32_t>(0x10000, size - offset);
        ASSERT_EQ(file.reader.ReadUnitPart(1, offset, parts.data() + offset, cb), MinuteFileResult::Ok);
    }
    EXPECT_EQ(parts, units[1].data);

    uint8_t byte;
    EXPECT_EQ(file.reader.ReadUnitPart(1, size, &byte, 0), MinuteFileResult::Ok);
    EXPECT_EQ(file.reader.ReadUnitPart(1, size, &byte, 1), MinuteFileResult::OutOfRange);
    EXPECT_EQ(file.reader.ReadUnitPart(1, size - 1, parts.data(), 2), MinuteFileResult::OutOfRange);
    EXPECT_EQ(file.reader.ReadUnitPart(0, 0, parts.data(), 0xFFFFFFFF), MinuteFileResult::OutOfRange);
    EXPECT_EQ(file.reader.ReadUnitPart(2, 0, &byte, 1), MinuteFileResult::NoSuchUnit);
    EXPECT_EQ(file.reader.ReadUnit(1, parts.data(), size - 1), MinuteFileResult::BufferTooSmall);
}

TEST(CMinuteFileTest, TheWriterRefusesUnitsAReaderWouldNotTake)
{
    CMemoryByteSink sink;
    CMinuteFileWriter writer(&sink);
    Unit u = MakeUnit(0, 8);
    EXPECT_EQ(writer.AppendUnit(u.record, u.area, u.data.data(), 8), MinuteFileResult::WrongState);
    EXPECT_EQ(writer.Open(kMinute + 1), MinuteFileResult::BadUnit);
    ASSERT_EQ(writer.Open(kMinute), MinuteFileResult::Ok);
    u.record.unitTime = kMinute + 30;
    ASSERT_EQ(writer.AppendUnit(u.record, u.area, u.data.data(), 8), MinuteFileResult::Ok);

    struct Case {
        uint32_t size, time, cb;
        uint8_t area;
    };
    for (const Case& c : {Case{8, kMinute + 30, 7, kAreaNormal}, Case{0, kMinute + 30, 0, kAreaNormal},
                          Case{8, kMinute + 29, 8, kAreaNormal}, Case{8, kMinute + 60, 8, kAreaNormal},
                          Case{8, kMinute + 31, 8, 0x04}}) {
        MinuteFileRecord record = u.record;
        record.size = c.size;
        record.unitTime = c.time;
        EXPECT_EQ(writer.AppendUnit(record, c.area, u.data.data(), c.cb), MinuteFileResult::BadUnit);
    }
    std::vector<uint8_t> huge(kMaxUnitSize + 1);
    u.record.size = kMaxUnitSize + 1;
    EXPECT_EQ(writer.AppendUnit(u.record, u.area, huge.data(), kMaxUnitSize + 1), MinuteFileResult::BadUnit);
    EXPECT_EQ(writer.UnitCount(), 1u);
    EXPECT_EQ(writer.Close(), MinuteFileResult::Ok);
    EXPECT_EQ(writer.Close(), MinuteFileResult::WrongState);
}

TEST(CMinuteFileTest, AFailingSinkStopsTheWriterAndLeavesWhatItWroteReadable)
{
    const std::vector<Unit> units = MakeUnits({10, 20, 30});
    CMemoryByteSink sink;
    sink.failFromAppend = 1 + 3 + 1;  // the header, a whole unit, then the second one's head only
    CMinuteFileWriter writer(&sink);
    ASSERT_EQ(writer.Open(kMinute), MinuteFileResult::Ok);
    EXPECT_EQ(writer.AppendUnit(units[0].record, units[0].area, units[0].data.data(), 10), MinuteFileResult::Ok);
    EXPECT_EQ(writer.AppendUnit(units[1].record, units[1].area, units[1].data.data(), 20),
              MinuteFileResult::SinkFailed);
    EXPECT_EQ(writer.AppendUnit(units[2].record, units[2].area, units[2].data.data(), 30),
              MinuteFileResult::WrongState);
    EXPECT_EQ(writer.Close(), MinuteFileResult::WrongState);

    Opened file(sink.bytes);
    ASSERT_EQ(file.result, MinuteFileResult::Ok);
    EXPECT_EQ(file.reader.GetTail(), Tail::Torn);
    ExpectUnits(file.reader, units, 1);
}

}  // namespace

namespace {

TEST(MinuteFileRecordTest, FieldsLieAtTheirOffsetsAndEveryByteSurvives)
{
    uint8_t bytes[kMinuteFileRecordSize];
    for (size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<uint8_t>(0xA0 + i);
    const MinuteFileRecord record = DecodeMinuteFileRecord(bytes);
    EXPECT_EQ(record.size, 0xA3A2A1A0u);
    EXPECT_EQ(record.header, 0xA4);
    EXPECT_EQ(record.flags9, 0xA9);
    EXPECT_EQ(record.notKey, 0xAA);
    EXPECT_EQ(record.unitType, 0xAB);
    EXPECT_EQ(record.byte15, 0xAF);
    EXPECT_EQ(record.unitTime, 0xB3B2B1B0u);
    EXPECT_EQ(record.word24, 0xB9B8);
    EXPECT_EQ(record.calendarTime, 0xBFBEBDBCu);
    uint8_t again[kMinuteFileRecordSize];
    EncodeMinuteFileRecord(record, again);
    EXPECT_EQ(std::vector<uint8_t>(again, again + sizeof again), std::vector<uint8_t>(bytes, bytes + sizeof bytes));
}

TEST(CCrc32Test, MatchesTheStandardCheckValueInOneGoAndInPieces)
{
    const uint8_t text[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(CCrc32::Of(text, sizeof text), 0xCBF43926u);
    CCrc32 crc;
    crc.Update(text, 4);
    crc.Update(text + 4, 5);
    EXPECT_EQ(crc.Value(), 0xCBF43926u);
}

}  // namespace
