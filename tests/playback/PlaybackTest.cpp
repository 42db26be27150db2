// Recorded playback from start to end: what is played, what is passed over, and
// what a stop leaves behind.

#include "core/CPlayIndexedBuffer.h"
#include "playback/CMinvaultLibrary.h"
#include "tests/playback/PlaybackFixture.h"
#include "tests/support/ProcessResources.h"

namespace {

// Units before the start and after the end are left out; one larger than the
// library's part size and a minute's change in between play whole.
TEST_F(PlaybackTest, ARangePlaysByteForByteInOrderAndThenSaysItsEnd)
{
    std::vector<TestUnit> units = Units(kDay, 30);
    units[12].size = 0x50000 + 4099;
    Record(units);
    Play(kDay + 2, kDay + 25);
    ASSERT_TRUE(WaitForStatusNotified(kStatusEndOfData));
    EXPECT_EQ(Played(), Bytes({units.begin() + 2, units.begin() + 26}));
}

// The buffer could never hold it: it is said (0x9006) and playback goes on.
TEST_F(PlaybackTest, AUnitLargerThanTheBufferIsPassedOver)
{
    std::vector<TestUnit> units = Units(kDay, 6);
    units[2].size = CPlayIndexedBuffer::kPlaySize + 1;
    Record(units);
    Play(kDay, kDay + 10);
    ASSERT_TRUE(WaitForStatusNotified(kStatusBufferOverflow));
    ASSERT_TRUE(WaitForStatusNotified(kStatusEndOfData));
    units.erase(units.begin() + 2);
    EXPECT_EQ(Played(), Bytes(units));
}

TEST_F(PlaybackTest, PlayStartsAtTheFirstKeyUnitAtOrAfterTheStart)
{
    std::vector<TestUnit> units = Units(kDay, 6);
    for (size_t n : {1, 2, 4}) units[n].notKey = 1;
    Record(units);
    Play(kDay + 1, kDay + 10);
    ASSERT_TRUE(WaitForStatusNotified(kStatusEndOfData));
    EXPECT_EQ(Played(), Bytes({units.begin() + 3, units.end()}));
}

// The host, told to play again, restarts from the position the filter stored:
// the gap's first unit, which did not go out before.
// Two seconds between units are no gap; three are.
TEST_F(PlaybackTest, AGapStopsPlayUntilTheHostRestartsFromItsFirstUnit)
{
    std::vector<TestUnit> units = Units(kDay, 4);
    units[3].time = units[2].time + 2;
    const std::vector<TestUnit> after = Units(units[3].time + 3, 4);
    units.insert(units.end(), after.begin(), after.end());
    Record(units);
    Play(kDay, kDay + 20);
    ASSERT_TRUE(WaitForStatusNotified(kStatusGap));
    ASSERT_TRUE(WaitForEvent(events.Get(), kEventRetryPlay));
    EXPECT_EQ(Played(), Bytes({units.begin(), units.begin() + 4}));
    ASSERT_HRESULT_SUCCEEDED(control->Stop());
    ASSERT_HRESULT_SUCCEEDED(control->Run());
    ASSERT_TRUE(WaitForStatusNotified(kStatusEndOfData));
    EXPECT_EQ(Played(), Bytes(units));
}

// The host learns of a split mark with the unit that carries it, when it is played.
TEST_F(PlaybackTest, AUnitsSplitMarkIsToldWithThatUnit)
{
    std::vector<TestUnit> units = Units(kDay, 8);
    units[5].marks = 0x02;
    Record(units);
    Play(kDay, kDay + 10);
    std::vector<uint32_t> marked;
    ASSERT_TRUE(WaitForEventWhere([&](long code, LONG_PTR p1, LONG_PTR p2) {
        if (code != kEventStreamInfo || p2 != sizeof(StreamInfoBlock)) return false;
        const StreamInfoBlock block = *reinterpret_cast<const StreamInfoBlock*>(p1);
        if (block.info.usField16_19 & 0x8000) marked.push_back(block.ulIndexValue);
        return block.info.usStatus == kStatusEndOfData;
    }));
    EXPECT_EQ(marked, std::vector<uint32_t>{units[5].time});
}

TEST_F(PlaybackTest, TheRecordOffsetPassesOverUnitsBeforeTheRange)
{
    const std::vector<TestUnit> units = Units(kDay, 10);
    Record(units);
    VARIANT v = {};
    v.ulVal = 5;
    ASSERT_EQ(Set(HVSF_IndexOffSetSize, v), S_OK);
    Play(kDay, kDay + 20);
    ASSERT_TRUE(WaitForStatusNotified(kStatusEndOfData));
    EXPECT_EQ(Played(), Bytes({units.begin() + 5, units.end()}));
}

TEST_F(PlaybackTest, AUnitWhoseDataAreDamagedIsPassedOver)
{
    const std::vector<TestUnit> units = Units(kDay, 8, 2000);
    Record(units);
    std::wstring file = folder.Path() + L"\\";
    for (char c : CMinuteFilePath::RelativePath(kDay)) file += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    const HANDLE h = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    uint32_t offset = 32;
    for (size_t n = 0; n < 5; n++) offset += 68 + units[n].size;
    SetFilePointer(h, static_cast<LONG>(offset + 64 + 10), nullptr, FILE_BEGIN);
    DWORD written = 0;
    const uint8_t junk = 0xA5 ^ TestData(units[5])[10];
    WriteFile(h, &junk, 1, &written, nullptr);
    CloseHandle(h);

    Play(kDay, kDay + 20);
    ASSERT_TRUE(WaitForStatusNotified(kStatusEndOfData));
    std::vector<TestUnit> whole = units;
    whole.erase(whole.begin() + 5);
    EXPECT_EQ(Played(), Bytes(whole));
}

// The library passes over a minute file that is not one; the time it held is a
// gap, after which the host plays on.
TEST_F(PlaybackTest, ADamagedMinuteFileInTheMiddleIsPassedOver)
{
    const uint32_t first = UtcTime(2026, 12, 7, 17, 30, 50);
    std::vector<TestUnit> units;
    for (uint32_t t = first; t <= first + 80; t += 2) units.push_back({t, MinuteFile::kAreaNormal, 2500, 0, 3});
    Record(units);
    std::wstring file = folder.Path() + L"\\";
    for (char c : CMinuteFilePath::RelativePath(first + 10)) file += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    const HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, "JUNK", 4, &written, nullptr);  // its magic
    CloseHandle(h);

    Play(first, first + 80);
    ASSERT_TRUE(WaitForEvent(events.Get(), kEventRetryPlay));
    ASSERT_HRESULT_SUCCEEDED(control->Stop());
    ASSERT_HRESULT_SUCCEEDED(control->Run());
    ASSERT_TRUE(WaitForStatusNotified(kStatusEndOfData));
    std::vector<TestUnit> outside;
    for (const TestUnit& unit : units)
        if (CMinuteFilePath::MinuteStart(unit.time) != CMinuteFilePath::MinuteStart(first + 10)) outside.push_back(unit);
    EXPECT_EQ(Played(), Bytes(outside));
}

TEST_F(PlaybackTest, AFolderWithoutRecordingsFailsThePauseAndTheFilterStaysStopped)
{
    PlayFromFolder();
    EXPECT_EQ(filter->Pause(), E_FAIL);
    FILTER_STATE state;
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
}

TEST(MinvaultLibraryTest, AMissingLibraryIsSaidAndNothingIsCalled)
{
    CMinvaultLibrary library(L"NoMinvaultHere.dll");
    EXPECT_EQ(library.Load(), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(library.IsLoaded());
    CMinvaultLibrary present;
    EXPECT_EQ(present.Load(), S_OK);
}

// A start has phases: the reader starts, its first unit starts the push thread and
// tells the host, the push thread delivers, maybe into a filter that holds it
// while the reader waits for room. A stop in each is bounded and leaves no thread.
TEST_F(PlaybackTest, AStopInEachPhaseOfAStartReturnsWithinItsBound)
{
    Record(Units(kDay, 60, 20000));
    Play(kDay, kDay + 60, false);
    StopWithinBound();
    const DWORD threads = ThreadCount();
    for (int i = 0; i < 20; i++) {  // at once: before or during the first unit
        ASSERT_EQ(control->Run(), S_OK) << i;
        StopWithinBound();
    }
    for (int i = 0; i < 5; i++) {  // the first unit has told the host
        DrainEvents(events.Get());
        ASSERT_EQ(control->Run(), S_OK) << i;
        ASSERT_TRUE(WaitForEvent(events.Get(), kEventStreamInfo)) << i;
        StopWithinBound();
    }
    sink->BlockReceive();  // the push thread held in Receive, the reader waiting for room
    for (int i = 0; i < 5; i++) {
        ResetEvent(sink->BlockedEvent());
        ASSERT_EQ(control->Run(), S_OK) << i;
        ASSERT_EQ(WaitForSingleObject(sink->BlockedEvent(), 10000), WAIT_OBJECT_0) << i;
        StopWithinBound();
        sink->BlockReceive();  // the sink's stop released it
    }
    sink->Unblock();
    EXPECT_FALSE(CFilterTestPeer::HasWorker(filter.Get(), CPushWorkers::kPlay));
    EXPECT_EQ(ThreadCount(), threads);
}

// Each cycle makes a reader and a push thread and plays some units.
TEST_F(PlaybackTest, PlayStopCyclesLeaveTheProcessAsItWas)
{
    Record(Units(kDay, 20, 16000));
    Play(kDay, kDay + 20, false);
    for (int i = 0; i < 5; i++) {  // the first cycles warm the graph and the library
        ASSERT_TRUE(WaitForDelivered(4000)) << i;
        ASSERT_EQ(control->Stop(), S_OK);
        ASSERT_EQ(control->Run(), S_OK);
    }
    ASSERT_EQ(control->Stop(), S_OK);
    const ProcessResources before = Measure();
    for (int i = 0; i < 200; i++) {
        const long long delivered = sink->GetCounts().bytes;
        ASSERT_EQ(control->Run(), S_OK) << i;
        ASSERT_TRUE(WaitForDelivered(delivered + 4000)) << i;
        ASSERT_EQ(control->Stop(), S_OK) << i;
    }
    const ProcessResources after = Measure();
    EXPECT_LE(after.handles, before.handles);
    EXPECT_LE(after.threads, before.threads);
    EXPECT_LT(after.privateBytes, before.privateBytes + 1024 * 1024);  // heap noise, not the cycles' leak
    std::printf("200 cycles: handles %lu -> %lu, threads %lu -> %lu, private bytes %zu -> %zu\n", before.handles,
                after.handles, before.threads, after.threads, before.privateBytes, after.privateBytes);
}

}  // namespace
