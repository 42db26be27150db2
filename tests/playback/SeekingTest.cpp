// Seeking and rate while a recording plays, driven as a host drives them: through
// the graph's IMediaSeeking, and by restarting the graph when the filter asks.

#include "baseclasses/CSourceSeeking.h"
#include "core/CCamParm.h"
#include "tests/playback/PlaybackFixture.h"

#include <uuids.h>

#include <algorithm>

namespace {

constexpr LONGLONG kSecond = 10000000;
const int64_t kFrame = CCamParm::FrameDuration(3, false);  // the test units' 29.97 frames a second

bool StartsWith(const std::vector<uint8_t>& whole, const std::vector<uint8_t>& head)
{
    return head.size() <= whole.size() && std::equal(head.begin(), head.end(), whole.begin());
}

class SeekingTest : public PlaybackTest {
protected:
    // The retry-play events queued now; each change that asked for one has queued it.
    int QueuedRetryPlays()
    {
        int count = 0;
        long code = 0;
        LONG_PTR a = 0, b = 0;
        while (SUCCEEDED(events->GetEvent(&code, &a, &b, 0))) {
            events->FreeEventParams(code, a, b);
            if (code == kEventRetryPlay) count++;
        }
        return count;
    }

    ComPtr<IMediaSeeking> GraphSeeking()
    {
        ComPtr<IMediaSeeking> seeking;
        EXPECT_HRESULT_SUCCEEDED(graph.As(&seeking));
        return seeking;
    }

    // The graph hands a rate to its renderers, which pass it upstream. Wine's graph
    // keeps a rate to itself, so this host gives it to the renderer as the graph would.
    HRESULT SetRate(double rate)
    {
        ComPtr<IMediaSeeking> seeking;
        EXPECT_HRESULT_SUCCEEDED(sink->QueryInterface(IID_PPV_ARGS(&seeking)));
        return seeking->SetRate(rate);
    }

    HRESULT SeekTo(uint32_t time)
    {
        LONGLONG position = static_cast<LONGLONG>(time - m_Start) * kSecond;
        return GraphSeeking()->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                            AM_SEEKING_NoPositioning);
    }

    void Play(uint32_t start, uint32_t end)
    {
        m_Start = start;
        PlaybackTest::Play(start, end);
    }

    // What a host does when the filter asks it to play again; the samples kept
    // before the new run.
    size_t RestartWhenAsked()
    {
        EXPECT_TRUE(WaitForEvent(events.Get(), kEventRetryPlay));
        EXPECT_HRESULT_SUCCEEDED(control->Stop());
        const size_t mark = sink->Kept().size();
        EXPECT_HRESULT_SUCCEEDED(control->Run());
        return mark;
    }

    bool WaitForKept(size_t count)
    {
        const ULONGLONG deadline = GetTickCount64() + 10000;
        while (sink->Kept().size() < count) {
            if (GetTickCount64() >= deadline) return false;
            WaitForSingleObject(sink->SampleEvent(), 100);
        }
        return true;
    }

    // The time step between two samples of the run that began at mark.
    LONGLONG StepAfter(size_t mark)
    {
        EXPECT_TRUE(WaitForKept(mark + 3));
        const std::vector<CTestSink::KeptSample> kept = sink->Kept();
        return kept[mark + 2].start - kept[mark + 1].start;
    }

    uint32_t m_Start = 0;
};

TEST_F(SeekingTest, TheGraphReachesTheSourcesSeekingThroughItsRenderer)
{
    Record(Units(kDay, 5));
    PlayFromFolder();
    ConnectSink();
    ComPtr<IMediaSeeking> graphSeeking = GraphSeeking();
    DWORD caps = 0;
    ASSERT_EQ(graphSeeking->GetCapabilities(&caps), S_OK);
    EXPECT_EQ(caps, CSourceSeeking::kCapabilities);
    LONGLONG value = 0;
    ASSERT_EQ(graphSeeking->GetDuration(&value), S_OK);
    EXPECT_EQ(value, CSourceSeeking::kLongest);
    LONGLONG position = 7 * kSecond;
    ASSERT_EQ(graphSeeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning),
              S_OK);

    // The filter's own and its pin's are one object, whose references are the filter's.
    ComPtr<IMediaSeeking> seeking, pinSeeking;
    ASSERT_EQ(filter->QueryInterface(IID_PPV_ARGS(&seeking)), S_OK);
    ASSERT_EQ(filter->GetPin(0)->QueryInterface(IID_PPV_ARGS(&pinSeeking)), S_OK);
    EXPECT_EQ(seeking.Get(), pinSeeking.Get());
    ComPtr<IBaseFilter> back;
    ASSERT_EQ(seeking.As(&back), S_OK);
    EXPECT_EQ(back.Get(), static_cast<IBaseFilter*>(filter.Get()));
    LONGLONG current = 0, stop = 0;
    ASSERT_EQ(seeking->GetPositions(&current, &stop), S_OK);
    EXPECT_EQ(current, 7 * kSecond);
    EXPECT_EQ(stop, CSourceSeeking::kLongest);
}

// What the base does with what a host may pass it.
TEST_F(SeekingTest, TheBaseKeepsPositionsInMediaTimeAndRefusesTheRest)
{
    ComPtr<IMediaSeeking> seeking;
    ASSERT_EQ(filter->QueryInterface(IID_PPV_ARGS(&seeking)), S_OK);
    EXPECT_EQ(seeking->IsFormatSupported(&TIME_FORMAT_MEDIA_TIME), S_OK);
    EXPECT_EQ(seeking->IsFormatSupported(&TIME_FORMAT_FRAME), S_FALSE);
    EXPECT_EQ(seeking->SetTimeFormat(&TIME_FORMAT_FRAME), E_INVALIDARG);
    LONGLONG target = 0;
    EXPECT_EQ(seeking->ConvertTimeFormat(&target, &TIME_FORMAT_FRAME, 5, nullptr), E_INVALIDARG);
    EXPECT_EQ(seeking->ConvertTimeFormat(&target, nullptr, 5, &TIME_FORMAT_MEDIA_TIME), S_OK);
    EXPECT_EQ(target, 5);
    DWORD caps = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanPlayBackwards;
    EXPECT_EQ(seeking->CheckCapabilities(&caps), S_FALSE);
    EXPECT_EQ(caps, static_cast<DWORD>(AM_SEEKING_CanSeekAbsolute));
    caps = AM_SEEKING_CanPlayBackwards;
    EXPECT_EQ(seeking->CheckCapabilities(&caps), E_FAIL);
    EXPECT_EQ(seeking->GetCurrentPosition(&target), E_NOTIMPL);

    LONGLONG start = 10 * kSecond, stop = 5 * kSecond;
    ASSERT_EQ(seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop,
                                    AM_SEEKING_IncrementalPositioning | AM_SEEKING_ReturnTime),
              S_OK);
    EXPECT_EQ(stop, 15 * kSecond);
    start = -2 * kSecond;
    ASSERT_EQ(seeking->SetPositions(&start, AM_SEEKING_RelativePositioning | AM_SEEKING_ReturnTime, nullptr, 0), S_OK);
    EXPECT_EQ(start, 8 * kSecond);
    EXPECT_EQ(seeking->SetPositions(&start, AM_SEEKING_IncrementalPositioning, nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(seeking->SetPositions(nullptr, AM_SEEKING_AbsolutePositioning, nullptr, 0), E_POINTER);
    EXPECT_EQ(seeking->GetPositions(nullptr, nullptr), E_POINTER);
}

// Live, or with the audio model, a rate changes nothing; a refused rate neither.
TEST_F(SeekingTest, OnlyRecordedPlaybackWithoutTheAudioModelTakesARate)
{
    ComPtr<IMediaSeeking> seeking;
    ASSERT_EQ(filter->QueryInterface(IID_PPV_ARGS(&seeking)), S_OK);
    double rate = 0;
    EXPECT_EQ(seeking->SetRate(2.0), S_OK);
    ASSERT_EQ(seeking->GetRate(&rate), S_OK);
    EXPECT_EQ(rate, 1.0);
    EXPECT_EQ(filter->GetRate(), 1.0);

    PlayFromFolder();
    filter->SetAudioModel(1);
    EXPECT_EQ(seeking->SetRate(2.0), S_OK);
    ASSERT_EQ(seeking->GetRate(&rate), S_OK);
    EXPECT_EQ(rate, 1.0);
    filter->SetAudioModel(0);

    EXPECT_EQ(seeking->SetRate(0.0), E_FAIL);
    ASSERT_EQ(seeking->GetRate(&rate), S_OK);
    EXPECT_EQ(rate, 1.0);
    EXPECT_EQ(seeking->SetRate(2.0), S_OK);
    EXPECT_EQ(seeking->SetRate(-1.0), E_FAIL);
    ASSERT_EQ(seeking->GetRate(&rate), S_OK);
    EXPECT_EQ(rate, 2.0);
    EXPECT_EQ(filter->GetRate(), 2.0);
    EXPECT_FALSE(filter->IsRateRestart());  // stopped: the rate is the next start's
}

// Wine's graph asks the filter and the renderer alike, and the renderer asks the
// filter again: the seek that is pending already does nothing more.
TEST_F(SeekingTest, ASeekWhilePlayingFlushesOnceAndAsksForOneRestart)
{
    Record(Units(kDay, 40, 6000));
    Play(kDay, kDay + 40);
    ASSERT_TRUE(WaitForKept(2));
    const long flushes = sink->GetCounts().flushes;
    ASSERT_EQ(SeekTo(kDay + 20), S_OK);
    EXPECT_EQ(sink->GetCounts().flushes, flushes + 1);
    EXPECT_TRUE(filter->IsPosRestart());
    EXPECT_EQ(QueuedRetryPlays(), 1);
}

// Each change: a restart that goes on at the new pace, inside the unit it cut.
TEST_F(SeekingTest, RateChangesWhilePlayingGoOnAtTheNewPaceWithoutLosingOrRepeatingAUnit)
{
    const std::vector<TestUnit> units = Units(kDay, 40, 6000);
    Record(units);
    Play(kDay, kDay + 40);
    ASSERT_TRUE(WaitForKept(3));
    for (double rate : {4.0, 0.25, 1.0}) {
        ASSERT_TRUE(WaitForKept(sink->Kept().size() + 12)) << rate;  // a unit and more
        ASSERT_EQ(SetRate(rate), S_OK) << rate;
        const size_t mark = RestartWhenAsked();
        EXPECT_NEAR(static_cast<double>(StepAfter(mark)) * rate, static_cast<double>(kFrame), 4.0) << rate;
        CTestSink::Counts counts = sink->GetCounts();
        EXPECT_EQ(counts.segmentRate, rate);
    }
    ASSERT_TRUE(WaitForStatusNotified(kStatusEndOfData));
    EXPECT_EQ(Played(), Bytes(units));
}

// Forward to a unit that is not key, back, into a gap, past the end.
TEST_F(SeekingTest, ASeekGoesOnFromTheFirstKeyUnitAtOrAfterItsPosition)
{
    std::vector<TestUnit> units = Units(kDay, 30, 6000);
    for (size_t n : {15, 16}) units[n].notKey = 1;
    const std::vector<TestUnit> after = Units(kDay + 40, 10, 5000);
    units.insert(units.end(), after.begin(), after.end());
    Record(units);
    Play(kDay, kDay + 60);
    ASSERT_TRUE(WaitForKept(3));
    struct Case {
        uint32_t position;
        size_t first;  // the unit it goes on from
    };
    for (const Case& c : {Case{kDay + 15, 17}, Case{kDay + 4, 4}, Case{kDay + 34, 30}}) {
        ASSERT_EQ(SeekTo(c.position), S_OK);
        const size_t mark = RestartWhenAsked();
        ASSERT_TRUE(WaitForKept(mark + 4)) << c.first;
        EXPECT_TRUE(StartsWith(Bytes({units.begin() + c.first, units.end()}), Played(mark))) << c.first;
    }
    ASSERT_TRUE(WaitForStatusNotified(kStatusEndOfData));
    const size_t last = sink->Kept().size();
    ASSERT_EQ(SeekTo(kDay + 100), S_OK);
    const size_t mark = RestartWhenAsked();
    ASSERT_TRUE(WaitForStatusNotified(kStatusEndOfData));
    EXPECT_EQ(mark, last);
    EXPECT_TRUE(Played(mark).empty());
}

// The host restarts once for all of them, from the last position at the last rate.
TEST_F(SeekingTest, ChangesFasterThanRestartsEndInOneRestartFromTheLast)
{
    const std::vector<TestUnit> units = Units(kDay, 40, 6000);
    Record(units);
    Play(kDay, kDay + 40);
    ASSERT_TRUE(WaitForKept(3));
    ASSERT_EQ(SetRate(2.0), S_OK);
    ASSERT_EQ(SeekTo(kDay + 10), S_OK);
    ASSERT_EQ(SetRate(4.0), S_OK);
    ASSERT_EQ(SeekTo(kDay + 25), S_OK);
    EXPECT_EQ(QueuedRetryPlays(), 1);
    ASSERT_EQ(control->Stop(), S_OK);
    const size_t mark = sink->Kept().size();
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_NEAR(static_cast<double>(StepAfter(mark)) * 4, static_cast<double>(kFrame), 4.0);
    ASSERT_TRUE(WaitForStatusNotified(kStatusEndOfData));
    EXPECT_EQ(Played(mark), Bytes({units.begin() + 25, units.end()}));
}

// A stop while the restart begins is bounded and leaves no thread; the next
// change restarts as the first would have.
TEST_F(SeekingTest, AStopDuringARestartIsBoundedAndTheNextChangeRestarts)
{
    const std::vector<TestUnit> units = Units(kDay, 40, 6000);
    Record(units);
    Play(kDay, kDay + 40);
    ASSERT_TRUE(WaitForKept(3));
    const DWORD threads = ThreadCount();
    ASSERT_EQ(SetRate(2.0), S_OK);
    ASSERT_TRUE(WaitForEvent(events.Get(), kEventRetryPlay));
    ASSERT_EQ(control->Stop(), S_OK);
    ASSERT_EQ(control->Run(), S_OK);
    StopWithinBound();
    EXPECT_LE(ThreadCount(), threads);
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_EQ(SeekTo(kDay + 30), S_OK);
    const size_t mark = RestartWhenAsked();
    ASSERT_TRUE(WaitForStatusNotified(kStatusEndOfData));
    EXPECT_EQ(Played(mark), Bytes({units.begin() + 30, units.end()}));
}

}  // namespace
