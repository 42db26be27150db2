#pragma once
// The host's renderer for "vcsf play": writes the program stream as CFileSink
// does, each sample when its time has come. The time is the stream's own: the
// clock reference of its pack headers, run at the play speed against the
// system's clock. A clock that jumps (a new run, a recording's restart, a gap)
// starts the count afresh from the pack where it jumped. A new segment brings the
// rate a seek set, which the speed follows from then on.
//
// Locking: the clock state is the streaming thread's; the times played are read
// once the graph has stopped. Stop wakes a sample that waits for its time.

#include "core/CPackClock.h"
#include "tools/vcsf/CFileSink.h"

#include <atomic>
#include <cstdint>

class CPlaySink : public CFileSink {
public:
    static constexpr uint64_t kMaxStep = 10 * CPackClock::kHz;  // a jump larger than this starts afresh

    CPlaySink(COutputFile* pOutput, double speed);
    ~CPlaySink() override;

    STDMETHODIMP Stop() override;
    STDMETHODIMP Run(REFERENCE_TIME tStart) override;

    // The recorded time the samples written cover, and the time it took to write
    // them, from each count's first pack to its last, in seconds.
    double MediaSeconds() const { return static_cast<double>(m_ullMediaTicks) / CPackClock::kHz; }
    double PlayedSeconds() const;
    // The performance counter when the first sample came; 0 before.
    LONGLONG FirstSampleCounter() const { return m_FirstSample.QuadPart; }

private:
    HRESULT Consume(IMediaSample* pSample, BYTE* p) override;
    void OnNewSegment(double rate) override;
    void WaitFor(uint64_t scr);
    void StartCount(uint64_t scr, LARGE_INTEGER now);

    std::atomic<double> m_dSpeed;
    const HANDLE m_hStopped;
    CPackClock m_Clock;
    bool m_bCounting = false;
    std::atomic<bool> m_bRecount{false};
    uint64_t m_ullBaseScr = 0, m_ullLastScr = 0;
    LARGE_INTEGER m_BaseCounter = {};
    LARGE_INTEGER m_LastCounter = {};
    LARGE_INTEGER m_FirstSample = {};
    LARGE_INTEGER m_Frequency = {};
    uint64_t m_ullMediaTicks = 0;
    int64_t m_llPlayedCounts = 0;  // of the counts before the current one
};
