#pragma once
// The host's renderer for "vcsf live --record": the recording pin's packets go
// into minute files through the library's recorder. A unit that cannot be
// recorded does not stop the stream; the host reads what was lost afterwards.
//
// Locking: m_RecordingLock keeps the streaming thread's samples away from Finish
// and Stats on the host's thread; the recorder is called under it and calls
// nothing back.

#include "minvault/MinuteRecording.h"
#include "tools/vcsf/CSampleSink.h"

#include <string>

class CMinuteRecordSink : public CSampleSink {
public:
    // Takes the recording, which the sink finishes and gives back when destroyed.
    // With a stall, the first sample is held that long, as a slow disk would hold
    // it, or until the sink stops.
    explicit CMinuteRecordSink(CMinuteRecording* pRecording, DWORD dwStallMs = 0);
    ~CMinuteRecordSink() override;
    STDMETHODIMP Stop() override;

    // Writes the unit still being built and closes the open file; once the graph
    // has stopped. 0, or what became of that last unit.
    int32_t Finish();
    MinuteRecordingStats Stats();
    // What became of the first unit that could not be recorded; 0 while none.
    int32_t FirstFailure() const { return m_FirstFailure; }
    // Gaps in the packs: the filter dropped some up to the key pack that follows.
    uint32_t Gaps() const { return m_dwGaps; }

    static std::wstring Meaning(int32_t result);

private:
    HRESULT Consume(IMediaSample* pSample, BYTE* p) override;
    void Note(int32_t result);

    CCritSec m_RecordingLock;  // the streaming thread's samples against Finish and Stats
    CMinuteRecording* const m_pRecording;
    std::atomic<int32_t> m_FirstFailure{0};
    std::atomic<uint32_t> m_dwGaps{0};
    const DWORD m_dwStallMs;
    HANDLE m_hStopped;
};
