#include "core/CMinuteFileFinder.h"
#include "core/CMinuteSearch.h"
#include "tests/core/CMemoryMinuteStore.h"
#include "tests/core/MinuteRecordings.h"

#include <gtest/gtest.h>

using namespace MinuteFile;
using R = MinvaultResult;

namespace {

const uint32_t kDay = UtcTime(2026, 12, 7);

class MinuteSearchTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(search.Open(100, 0x50000), R::Ok); }

    R Start(int64_t start, int64_t end, uint8_t area = kAreaNormal | kAreaAlarm, int64_t top = 0)
    {
        return search.Start(&store, area, 3, start, top, end);
    }

    // The times of the units that the search gives, each read whole and checked.
    std::vector<uint32_t> Times(R* pEnd = nullptr)
    {
        std::vector<uint32_t> times;
        MinuteFileRecord record;
        R result;
        while ((result = search.Next(&record)) == R::Ok) {
            std::vector<uint8_t> data(record.size);
            const R read = search.Read(data.data(), 0, 0);
            if (read == R::Ok) {
                const TestUnit unit{record.unitTime, record.tail[15], record.size};
                EXPECT_EQ(record, TestRecord(unit));
                EXPECT_EQ(data, TestData(unit));
            }
            times.push_back(read == R::Ok ? record.unitTime : 0);
        }
        if (pEnd) *pEnd = result;
        return times;
    }

    // Flips one byte of the minute file that holds `time`, `offset` bytes into it.
    void Damage(uint32_t time, size_t offset)
    {
        store.files.at(CMinuteFilePath::RelativePath(time))[offset] ^= 0x40;
    }

    CMemoryMinuteStore store;
    CMinuteSearch search;
};

TEST_F(MinuteSearchTest, TheRangeTheAreaAndTopChooseTheUnitsAndTimesOutsideThirtyTwoBitsAreClamped)
{
    std::vector<TestUnit> units = UnitsEvery(kDay, kDay + 300, 20);
    for (size_t i = 0; i < units.size(); i += 3) units[i].area = kAreaAlarm;
    WriteRecording(&store, units);

    ASSERT_EQ(Start(kDay + 100, kDay + 160), R::Ok);
    R end;
    EXPECT_EQ(Times(&end), (std::vector<uint32_t>{kDay + 100, kDay + 120, kDay + 140, kDay + 160}));
    EXPECT_EQ(end, R::EndOfRange);
    MinuteFileRecord record;
    EXPECT_EQ(search.Next(&record), R::EndOfRange) << "the end stays the end";

    ASSERT_EQ(Start(kDay + 90, kDay + 200, kAreaAlarm), R::Ok);
    EXPECT_EQ(Times(), (std::vector<uint32_t>{kDay + 120, kDay + 180}));

    ASSERT_EQ(Start(kDay + 100, kDay + 160, kAreaNormal, kDay + 150), R::Ok) << "top later than start";
    EXPECT_EQ(Times(), (std::vector<uint32_t>{kDay + 160}));

    for (auto [start, stop] : {std::pair{kDay + 101, kDay + 119}, std::pair{kDay + 200, kDay + 100},
                               std::pair{kDay + 400, kDay + 9000}, std::pair{kDay - 9000, kDay - 1}}) {
        ASSERT_EQ(Start(start, stop), R::Ok);
        EXPECT_TRUE(Times(&end).empty());
        EXPECT_EQ(end, R::NothingInRange) << start - kDay << " to " << int64_t{stop} - kDay;
    }
    ASSERT_EQ(search.Start(&store, kAreaAlarm, 3, -5, INT64_MIN, INT64_MAX), R::Ok) << "clamped to 32 bits";
    EXPECT_EQ(Times().size(), 6u);
}

TEST_F(MinuteSearchTest, AUnitIsReadInPartsOrWholeAndNeverPastItsEnd)
{
    const uint32_t size = 0x50000 + 123;
    WriteRecording(&store, {{kDay, kAreaNormal, size}, {kDay + 1, kAreaNormal, 10}});
    const std::vector<uint8_t> expected = TestData({kDay, kAreaNormal, size});
    ASSERT_EQ(Start(kDay, kDay + 60), R::Ok);
    MinuteFileRecord record;
    std::vector<uint8_t> data(size + 1);
    EXPECT_EQ(search.Read(data.data(), 0, 0), R::NoCurrentUnit);
    ASSERT_EQ(search.Next(&record), R::Ok);
    ASSERT_EQ(record.size, size);
    EXPECT_EQ(search.Read(data.data(), 0x50001, 0), R::PartTooLarge) << "above the part size";
    EXPECT_EQ(search.Read(data.data(), 100, 1), R::BadArgument) << "flags";
    EXPECT_EQ(search.Read(nullptr, 100, 0), R::BadArgument);
    ASSERT_EQ(search.Read(data.data(), 0x50000, 0), R::Ok);
    EXPECT_EQ(search.Read(data.data() + 0x50000, 124, 0), R::PartTooLarge) << "past the unit's end";
    ASSERT_EQ(search.Read(data.data() + 0x50000, 123, 0), R::Ok);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), data.begin()));
    EXPECT_EQ(search.Read(data.data(), 0, 0), R::NoCurrentUnit) << "read already";

    ASSERT_EQ(Start(kDay, kDay), R::Ok);
    ASSERT_EQ(search.Next(&record), R::Ok);
    ASSERT_EQ(search.Read(data.data(), 1000, 0), R::Ok);
    ASSERT_EQ(search.Read(data.data() + 1000, 0, 0), R::Ok) << "0: the rest";
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), data.begin()));
}

TEST_F(MinuteSearchTest, ATornTailGivesTheUnitsBeforeIt)
{
    WriteRecording(&store, UnitsEvery(kDay, kDay + 70, 10), false);
    auto& last = store.files.at(CMinuteFilePath::RelativePath(kDay + 60));
    last.resize(last.size() - 5);
    ASSERT_EQ(Start(0, UINT32_MAX), R::Ok);
    R end;
    EXPECT_EQ(Times(&end), (std::vector<uint32_t>{kDay, kDay + 10, kDay + 20, kDay + 30, kDay + 40, kDay + 50, kDay + 60}));
    EXPECT_EQ(end, R::EndOfRange);
    EXPECT_EQ(search.Stats().tornFiles, 1u);
    EXPECT_EQ(search.Stats().filesSkipped, 0u);
}

TEST_F(MinuteSearchTest, ACorruptUnitIsReportedAndTheNextOneComesAfterIt)
{
    WriteRecording(&store, UnitsEvery(kDay, kDay + 20, 10));
    Damage(kDay, kHeaderSize + FrameSize(100) + kFrameHeadSize + 50);  // the data of the second unit
    ASSERT_EQ(Start(0, UINT32_MAX), R::Ok);
    std::vector<uint8_t> data(100);
    MinuteFileRecord record;
    std::vector<R> reads;
    while (search.Next(&record) == R::Ok) reads.push_back(search.Read(data.data(), 0, 0));
    EXPECT_EQ(reads, (std::vector<R>{R::Ok, R::CorruptUnit, R::Ok}));
    EXPECT_EQ(data, TestData({kDay + 20})) << "the last unit read";
    EXPECT_EQ(search.Stats().unitsCorrupt, 1u);
}

TEST_F(MinuteSearchTest, FilesThatAreNotMinuteFilesOfTheirNameArePassedOver)
{
    WriteRecording(&store, {{kDay}, {kDay + 60}, {kDay + 120}, {kDay + 180}});
    Damage(kDay, 0);                                      // foreign
    store.files[CMinuteFilePath::RelativePath(kDay + 60)].resize(10);  // cut in its header
    store.unreadable.insert(CMinuteFilePath::RelativePath(kDay + 120));
    store.files["20261207/00/20261207-0004.vmf"] = store.files.at(CMinuteFilePath::RelativePath(kDay + 180));
    store.files["20261207/00/notes.txt"] = {1, 2, 3};
    store.files["20261207/01/20261207-0005.vmf"] = {};  // in the wrong hour folder: not listed
    ASSERT_EQ(Start(0, UINT32_MAX), R::Ok);
    EXPECT_EQ(Times(), std::vector<uint32_t>{kDay + 180});
    EXPECT_EQ(search.Stats().filesSkipped, 4u) << "foreign, cut, unreadable, another minute's";
}

TEST_F(MinuteSearchTest, TheSearchGivesUpAfterItsBoundOfBadFilesInARowAndCanGoOn)
{
    ASSERT_EQ(search.Open(3, 0x50000), R::Ok);
    WriteRecording(&store, UnitsEvery(kDay, kDay + 6 * 60, 60));
    for (uint32_t m = 0; m < 5; ++m) Damage(kDay + m * 60, 1);
    ASSERT_EQ(Start(0, UINT32_MAX), R::Ok);
    MinuteFileRecord record;
    EXPECT_EQ(search.Next(&record), R::TooManyBadFiles);
    ASSERT_EQ(search.Next(&record), R::Ok);
    EXPECT_EQ(record.unitTime, kDay + 5 * 60);
}

TEST_F(MinuteSearchTest, TheContractsStatesAndArgumentsAreChecked)
{
    CMinuteSearch fresh;
    MinuteFileRecord record;
    uint8_t byte;
    EXPECT_EQ(fresh.Start(&store, kAreaNormal, 3, 0, 0, 1), R::NotReady);
    EXPECT_EQ(fresh.Next(&record), R::NotReady);
    EXPECT_EQ(fresh.Read(&byte, 1, 0), R::NotReady);
    EXPECT_EQ(fresh.Open(0, 0x50000), R::BadArgument);
    EXPECT_EQ(fresh.Open(100, 0), R::BadArgument);
    EXPECT_EQ(fresh.Open(100, (16u << 20) + 1), R::BadArgument);
    ASSERT_EQ(fresh.Open(100, 0x50000), R::Ok);
    EXPECT_EQ(fresh.Next(&record), R::NotReady) << "no search started";
    EXPECT_EQ(fresh.Start(&store, kAreaNormal, 2, 0, 0, 1), R::BadArgument) << "level";
    EXPECT_EQ(fresh.Start(&store, 0, 3, 0, 0, 1), R::BadArgument) << "no area";
    EXPECT_EQ(fresh.Start(&store, 4, 3, 0, 0, 1), R::BadArgument) << "unknown area";
    EXPECT_EQ(fresh.Start(nullptr, 1, 3, 0, 0, 1), R::BadArgument);
    ASSERT_EQ(fresh.Start(&store, kAreaNormal, 3, 0, 0, 1), R::Ok);
    EXPECT_EQ(fresh.Start(&store, kAreaNormal, 9, 0, 0, 1), R::BadArgument);
    EXPECT_EQ(fresh.Next(&record), R::NotReady) << "a failed start ends the search before it";

    store.bRootExists = false;
    EXPECT_EQ(fresh.Start(&store, kAreaNormal, 3, 0, 0, 1), R::NoFolder);
    EXPECT_EQ(fresh.Next(&record), R::NoFolder) << "a caller that does not check the start learns it here";
    EXPECT_EQ(fresh.Next(nullptr), R::BadArgument);
}

// What a search reads depends on its range, not on how much is recorded.
TEST_F(MinuteSearchTest, ASearchAtTheEndOfADayOpensOnlyTheFilesOfItsRange)
{
    WriteRecording(&store, UnitsEvery(kDay, kDay + 86399, 30, 16));
    ASSERT_EQ(store.files.size(), 1440u);
    store.lists = store.opens = 0;
    ASSERT_EQ(Start(kDay + 86340, kDay + 86399), R::Ok);
    EXPECT_EQ(Times(), (std::vector<uint32_t>{kDay + 86340, kDay + 86370}));
    EXPECT_EQ(store.opens, 1u);
    EXPECT_EQ(store.lists, 3u) << "the folder, the day, the hour";
}

class MinuteFileFinderTest : public ::testing::Test {
protected:
    using Query = CMinuteFileFinder::Query;
    static constexpr Query kEarliest = {3, 1, 3, 0, 1, 0x7FFFFFFF};
    static constexpr Query kLatest = {3, 1, 3, 0x7FFFFFFF, -1, 0};

    R Find(const Query& query) { return CMinuteFileFinder::Find(&store, query, 100, &found); }

    CMemoryMinuteStore store;
    CMinuteFileFinder::Found found;
};

TEST_F(MinuteFileFinderTest, TheEarliestAndLatestQueriesFindTheRecordingsEnds)
{
    WriteRecording(&store, {{kDay - 86400 + 5, kAreaAlarm}, {kDay + 5, kAreaNormal, 200}, {kDay + 7},
                            {kDay + 3 * 3600 + 50}, {kDay + 3 * 3600 + 59, kAreaAlarm, 50}});
    ASSERT_EQ(Find(kEarliest), R::Ok);
    EXPECT_EQ(found.time, kDay - 86400 + 5);
    ASSERT_EQ(Find(kLatest), R::Ok);
    EXPECT_EQ(found.time, kDay + 3 * 3600 + 59);
    EXPECT_EQ(found.minute, kDay + 3 * 3600);
    EXPECT_EQ(found.units, 2u);
    EXPECT_EQ(found.firstTime, kDay + 3 * 3600 + 50);
    EXPECT_EQ(found.bytes, 150u);

    Query normal = kLatest;
    normal.area = kAreaNormal;
    ASSERT_EQ(Find(normal), R::Ok);
    EXPECT_EQ(found.time, kDay + 3 * 3600 + 50);
    normal = kEarliest;
    normal.area = kAreaNormal;
    ASSERT_EQ(Find(normal), R::Ok);
    EXPECT_EQ(found.time, kDay + 5);

    Query between = {3, 1, 3, kDay + 6, 1, kDay + 3600};
    ASSERT_EQ(Find(between), R::Ok);
    EXPECT_EQ(found.time, kDay + 7);
    between = {3, 1, 3, kDay + 6, -1, kDay};
    ASSERT_EQ(Find(between), R::Ok);
    EXPECT_EQ(found.time, kDay + 5);
}

TEST_F(MinuteFileFinderTest, TheResultBlockCarriesTheTimeAtByte56)
{
    WriteRecording(&store, {{kDay + 5, kAreaNormal, 300}, {kDay + 9, kAreaNormal, 20}}, false);
    ASSERT_EQ(Find(kLatest), R::Ok);
    uint8_t block[64];
    CMinuteFileFinder::Encode(found, block);
    // kDay is 0x6B15F700.
    const uint8_t expected[64] = {64, 0, 0, 0, 0x00, 0xF7, 0x15, 0x6B,  // size; the minute
                                  2, 0, 0, 0, 0x05, 0xF7, 0x15, 0x6B,   // units; the first one's time
                                  0x09, 0xF7, 0x15, 0x6B, 1, 0, 0, 0,   // the last one's; open
                                  0x40, 1, 0, 0, 0, 0, 0, 0,            // 320 bytes
                                  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                  0x09, 0xF7, 0x15, 0x6B, 0, 0, 0, 0};  // the time found
    EXPECT_EQ(std::vector<uint8_t>(block, block + 64), std::vector<uint8_t>(expected, expected + 64));
}

TEST_F(MinuteFileFinderTest, NothingToFindAndBadQueriesHaveTheirResults)
{
    EXPECT_EQ(Find(kEarliest), R::NotFound) << "an empty folder";
    WriteRecording(&store, {{kDay, kAreaNormal}});
    Query alarm = kEarliest;
    alarm.area = kAreaAlarm;
    EXPECT_EQ(Find(alarm), R::NotFound);
    store.files.begin()->second[0] ^= 1;
    EXPECT_EQ(Find(kEarliest), R::NotFound) << "a foreign file only";
    EXPECT_EQ(CMinuteFileFinder::Find(&store, kEarliest, 1, &found), R::TooManyBadFiles);
    for (Query bad : {Query{2, 1, 3, 0, 1, 9}, Query{3, 2, 3, 0, 1, 9}, Query{3, 1, 0, 0, 1, 9}, Query{3, 1, 8, 0, 1, 9},
                      Query{3, 1, 3, 0, 0, 9}, Query{3, 1, 3, 9, 1, 0}, Query{3, 1, 3, 0, -1, 9}})
        EXPECT_EQ(Find(bad), R::BadArgument);
    store.bRootExists = false;
    EXPECT_EQ(Find(kEarliest), R::NoFolder);
}

}  // namespace
