#pragma once
// The second graph's end: a sample grabber's callback that notes the start time
// of every decoded picture, and says when pictures have covered a window of
// stream time from the first one.
//
// Locking: m_lock guards the times; the streaming thread writes them, the
// test's thread reads copies. The event is set once, outside the lock.

#include "tests/decoder/CGrabberCallback.h"

#include <vector>

class CFrameCounter : public CGrabberCallback {
public:
    explicit CFrameCounter(REFERENCE_TIME window);
    ~CFrameCounter() override;

    STDMETHODIMP SampleCB(double SampleTime, IMediaSample* pSample) override;

    // True once a picture at or after the first one's time plus the window came.
    bool WaitForWindow(DWORD dwBoundMs) const;
    // The pictures that start in the window: from the first picture's time on.
    long FramesInWindow() const;
    long Untimed() const;
    long Empty() const;

private:
    const REFERENCE_TIME m_window;
    const HANDLE m_hWindowPassed;
    mutable SRWLOCK m_lock = SRWLOCK_INIT;
    std::vector<REFERENCE_TIME> m_starts;
    long m_cUntimed = 0;
    long m_cEmpty = 0;
};
