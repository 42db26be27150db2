// The library as the player and the property page call it: the real DLL over
// recordings in a folder on disk.

#include "core/ByteOrder.h"
#include "core/MinuteFileFormat.h"
#include "minvault/CWinMinuteStore.h"
#include "minvault/MinuteRecording.h"
#include "playback/Minvault.h"
#include "tests/core/MinuteRecordings.h"
#include "tests/core/RecordingSamples.h"
#include "tests/support/CTempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace MinuteFile;

namespace {

const uint32_t kDay = UtcTime(2026, 12, 7);
constexpr uint8_t kBoth = kAreaNormal | kAreaAlarm;

using SearchPtr = std::unique_ptr<CMinvault, CMinvaultDeleter>;

MinuteFileQuery Query(const std::wstring& path, uint32_t from, int32_t direction, uint32_t to)
{
    return {path.c_str(), 3, 1, 3, 0, from, 0, direction, 0, to, 0};
}

class MinvaultTest : public ::testing::Test {
protected:
    void Record(const std::vector<TestUnit>& units, bool bCloseLast = true)
    {
        CWinMinuteStore store(folder.Path());
        WriteRecording(&store, units, bCloseLast);
    }

    SearchPtr Search(uint8_t area, int64_t start, int64_t end, const std::wstring* pPath = nullptr)
    {
        SearchPtr search(CreateCMinvault());
        EXPECT_TRUE(search);
        EXPECT_EQ(search->Open(kMinvaultBadFilesInRow, kMinvaultPartSize), 0);
        search->StartSearch((pPath ? *pPath : folder.Path()).c_str(), area, kMinvaultLevel, start, start, end);
        return search;
    }

    // The unit times of every unit a search over everything finds, and its counts.
    std::vector<uint32_t> SearchedTimes(MinvaultStats* pStats)
    {
        SearchPtr search = Search(kBoth, 0, UINT32_MAX);
        std::vector<uint32_t> times;
        uint8_t bytes[kMinvaultRecordSize];
        while (search->GetNextRecord(bytes) == 0) times.push_back(DecodeMinuteFileRecord(bytes).unitTime);
        EXPECT_EQ(search->GetStats(pStats), 0);
        return times;
    }

    // The time found by a query, or its negative result.
    int64_t Find(const MinuteFileQuery& query)
    {
        uint8_t block[kMinvaultResultSize + 8];
        std::fill(std::begin(block), std::end(block), 0xCC);
        const int32_t result = SearchMinuteFile(&query, block);
        EXPECT_EQ(block[kMinvaultResultSize], 0xCC) << "written past the block";
        if (result < 0) return result;
        return static_cast<int64_t>(ReadLE64(block + kMinvaultTimeOffset));
    }

    std::wstring FilePath(uint32_t time) const
    {
        std::wstring path = folder.Path() + L"\\";
        for (char c : CMinuteFilePath::RelativePath(time)) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
        return path;
    }

    CTempFolder folder{L"vcsf-minvault"};
};

TEST_F(MinvaultTest, RecordedUnitsComeBackInOrderByteForByteWithTheirRecords)
{
    const std::vector<TestUnit> units = {{kDay - 1, kAreaAlarm}, {kDay + 2, kAreaNormal, 0x50000 + 123}, {kDay + 61},
                                         {kDay + 3600}};
    Record(units);
    SearchPtr search = Search(kBoth, 0, UINT32_MAX);
    for (const TestUnit& unit : units) {
        uint8_t bytes[kMinvaultRecordSize];
        ASSERT_EQ(search->GetNextRecord(bytes), 0);
        const MinuteFileRecord record = DecodeMinuteFileRecord(bytes);
        EXPECT_EQ(record, TestRecord(unit));
        std::vector<uint8_t> data(record.size);
        ASSERT_EQ(search->ReadRecordData(data.data(), 0, 0), 0);
        EXPECT_EQ(data, TestData(unit));
    }
    uint8_t bytes[kMinvaultRecordSize];
    EXPECT_EQ(search->GetNextRecord(bytes), static_cast<int32_t>(MinvaultResult::EndOfRange));
    MinvaultStats stats;
    ASSERT_EQ(search->GetStats(&stats), 0);
    EXPECT_EQ(stats.filesRead, 4u);
    EXPECT_EQ(stats.unitsReturned, 4u);
}

TEST_F(MinvaultTest, TheEarliestAndLatestQueriesGiveTheRecordingsEnds)
{
    Record({{kDay + 7}, {kDay + 100}, {kDay + 86400 + 30, kAreaAlarm}});
    EXPECT_EQ(Find(Query(folder.Path(), 0, 1, 0x7FFFFFFF)), kDay + 7);
    EXPECT_EQ(Find(Query(folder.Path(), 0x7FFFFFFF, -1, 0)), kDay + 86400 + 30);
    MinuteFileQuery normal = Query(folder.Path(), 0x7FFFFFFF, -1, 0);
    normal.area = kAreaNormal;
    EXPECT_EQ(Find(normal), kDay + 100);
}

TEST_F(MinvaultTest, AMissingOrEmptyFolderAndBadArgumentsHaveTheirResults)
{
    const std::wstring missing = folder.Path() + L"\\missing";
    EXPECT_EQ(Find(Query(missing, 0, 1, 0x7FFFFFFF)), static_cast<int32_t>(MinvaultResult::NoFolder));
    EXPECT_EQ(Find(Query(folder.Path(), 0, 1, 0x7FFFFFFF)), static_cast<int32_t>(MinvaultResult::NotFound));
    SearchPtr search = Search(kBoth, 0, UINT32_MAX, &missing);
    uint8_t bytes[kMinvaultRecordSize];
    EXPECT_EQ(search->GetNextRecord(bytes), static_cast<int32_t>(MinvaultResult::NoFolder));

    const std::wstring tooLong(261, L'a');
    EXPECT_EQ(Find(Query(tooLong, 0, 1, 0x7FFFFFFF)), static_cast<int32_t>(MinvaultResult::BadArgument));
    EXPECT_EQ(search->StartSearch(tooLong.c_str(), kBoth, 3, 0, 0, 1), static_cast<int32_t>(MinvaultResult::BadArgument));
    EXPECT_EQ(search->StartSearch(nullptr, kBoth, 3, 0, 0, 1), static_cast<int32_t>(MinvaultResult::BadArgument));
    EXPECT_EQ(SearchMinuteFile(nullptr, bytes), static_cast<int32_t>(MinvaultResult::BadArgument));
    EXPECT_EQ(search->GetStats(nullptr), static_cast<int32_t>(MinvaultResult::BadArgument));
}

TEST_F(MinvaultTest, DamagedAndForeignFilesAreSkippedAndTheRestIsPlayed)
{
    Record(UnitsEvery(kDay, kDay + 150, 30), false);
    // The last file torn in its last unit, the first one not a minute file.
    const HANDLE hTorn = CreateFileW(FilePath(kDay + 120).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hTorn, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    GetFileSizeEx(hTorn, &size);
    size.QuadPart -= 3;
    SetFilePointerEx(hTorn, size, nullptr, FILE_BEGIN);
    SetEndOfFile(hTorn);
    CloseHandle(hTorn);
    const HANDLE hForeign = CreateFileW(FilePath(kDay).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(hForeign, "RIFF....WAVEfmt ", 16, &written, nullptr);
    CloseHandle(hForeign);

    MinvaultStats stats;
    EXPECT_EQ(SearchedTimes(&stats), (std::vector<uint32_t>{kDay + 60, kDay + 90, kDay + 120}));
    EXPECT_EQ(stats.filesSkipped, 1u);
    EXPECT_EQ(stats.tornFiles, 1u);
}

TEST_F(MinvaultTest, AFolderWithAWideNameAndAFileStillBeingWrittenAreRead)
{
    CTempFolder wide{L"vcsf-\x9332\x753B"};
    CWinMinuteStore store(wide.Path());
    std::unique_ptr<IByteSink> pSink = store.Create(CMinuteFilePath::RelativePath(kDay));
    ASSERT_TRUE(pSink);
    CMinuteFileWriter writer(pSink.get());
    ASSERT_EQ(writer.Open(kDay), MinuteFileResult::Ok);
    const TestUnit unit{kDay + 1};
    const std::vector<uint8_t> data = TestData(unit);
    ASSERT_EQ(writer.AppendUnit(TestRecord(unit), kAreaNormal, data.data(), unit.size), MinuteFileResult::Ok);
    EXPECT_FALSE(store.Create(CMinuteFilePath::RelativePath(kDay))) << "a minute is never written twice";

    EXPECT_EQ(Find(Query(wide.Path(), 0, 1, 0x7FFFFFFF)), kDay + 1);
    SearchPtr search = Search(kBoth, 0, UINT32_MAX, &wide.Path());
    uint8_t bytes[kMinvaultRecordSize];
    ASSERT_EQ(search->GetNextRecord(bytes), 0);
    std::vector<uint8_t> read(unit.size);
    ASSERT_EQ(search->ReadRecordData(read.data(), 0, 0), 0);
    EXPECT_EQ(read, data);
}

// The recorder through the DLL: samples of the recording pin in, minute files
// on disk out, found again by the search in their play area.
TEST_F(MinvaultTest, TheRecorderWritesTheRecordingPinsPacksIntoMinuteFilesOfItsArea)
{
    CMinuteRecording* pRecording = CreateMinuteRecording(folder.Path().c_str(), kAreaAlarm);
    ASSERT_TRUE(pRecording);
    std::vector<uint8_t> expected;
    for (uint32_t n = 0; n < 12; ++n) {
        const bool bKey = n % 4 == 0;
        const std::vector<uint8_t> pack = rec::MakePack(bKey, 2000 + n, n);
        expected.insert(expected.end(), pack.begin(), pack.end());
        const std::vector<uint8_t> sample = rec::MakeSample(rec::CameraBlock(kDay + 55 + n), bKey, pack);
        ASSERT_EQ(pRecording->AddSample(sample.data(), static_cast<uint32_t>(sample.size())), 0);
    }
    EXPECT_EQ(pRecording->Finish(), 0);
    MinuteRecordingStats stats;
    ASSERT_EQ(pRecording->GetRecordingStats(&stats), 0);
    EXPECT_EQ(stats.units, 3u);
    EXPECT_EQ(stats.files, 2u) << "the third unit opens at kDay + 63, in the next minute";
    EXPECT_EQ(stats.bytes, expected.size());
    DestroyMinuteRecording(pRecording);

    SearchPtr normal = Search(kAreaNormal, 0, UINT32_MAX);
    uint8_t bytes[kMinvaultRecordSize];
    EXPECT_EQ(normal->GetNextRecord(bytes), static_cast<int32_t>(MinvaultResult::NothingInRange));
    SearchPtr alarm = Search(kAreaAlarm, 0, UINT32_MAX);
    std::vector<uint8_t> played;
    while (alarm->GetNextRecord(bytes) == 0) {
        const MinuteFileRecord record = DecodeMinuteFileRecord(bytes);
        EXPECT_EQ(record.unitType, 3);
        EXPECT_EQ(record.notKey, 0);
        std::vector<uint8_t> data(record.size);
        ASSERT_EQ(alarm->ReadRecordData(data.data(), 0, 0), 0);
        played.insert(played.end(), data.begin(), data.end());
    }
    EXPECT_EQ(played, expected);

    EXPECT_FALSE(CreateMinuteRecording(folder.Path().c_str(), 0));
    EXPECT_FALSE(CreateMinuteRecording(folder.Path().c_str(), 4));
    EXPECT_FALSE(CreateMinuteRecording(std::wstring(261, L'a').c_str(), kAreaNormal));
}

// On disk, as a restarted host records: the minute's file is continued, and a
// search finds the earlier run's unit and the new ones in one file, in order.
TEST_F(MinvaultTest, ARecordingIntoAMinuteRecordedBeforeContinuesItsFile)
{
    Record({{kDay + 10}});
    CMinuteRecording* pRecording = CreateMinuteRecording(folder.Path().c_str(), kAreaNormal);
    ASSERT_TRUE(pRecording);
    const std::vector<uint8_t> first = rec::MakeSample(rec::CameraBlock(kDay + 20), true, rec::MakePack(true, 500, 1));
    const std::vector<uint8_t> second = rec::MakeSample(rec::CameraBlock(kDay + 21), true, rec::MakePack(true, 500, 2));
    EXPECT_EQ(pRecording->AddSample(first.data(), static_cast<uint32_t>(first.size())), 0);
    EXPECT_EQ(pRecording->AddSample(second.data(), static_cast<uint32_t>(second.size())), 0);
    MinuteRecordingStats stats;
    pRecording->GetRecordingStats(&stats);
    EXPECT_EQ(stats.unitsDropped, 0u);
    DestroyMinuteRecording(pRecording);

    MinvaultStats searched;
    EXPECT_EQ(SearchedTimes(&searched), (std::vector<uint32_t>{kDay + 10, kDay + 20, kDay + 21}));
    EXPECT_EQ(searched.filesRead, 1u);
    EXPECT_EQ(searched.tornFiles, 0u);
}

}  // namespace
