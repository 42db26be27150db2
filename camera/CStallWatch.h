#pragma once
// Watches a live stream for a stall: once no stream data have come for the stall
// time-out, the host is told status 0x9001 and the stream ends with an abort, as
// the other failures of a receiving thread end it, unless the owner reconnects. It looks every kTickMs, on a
// thread of its own, at the time since the receivers' last data mark.
//
// Locking: none of its own. The thread reads the camera parameters' data mark (an
// atomic) and calls the owner's StopStream, which only asks the push threads to stop.

#include "baseclasses/CWorkerThread.h"

#include <cstdint>

class CCamParm;
class ICamParmOwner;

class CStallWatch {
public:
    static constexpr DWORD kTickMs = 100;

    CStallWatch(CCamParm* pCamParm, ICamParmOwner* pOwner);

    // Starts watching the stream that has just started; 0 ms: nothing to watch.
    HRESULT Start(uint32_t stallMs);
    // Joins the thread; before the transport stops, so that a stop is not a stall.
    void Stop();

private:
    static unsigned ThreadProc(void* pParam);
    void Watch();

    CCamParm* const m_pCamParm;
    ICamParmOwner* const m_pOwner;
    CWorkerThread m_Thread;
    uint32_t m_stallMs = 0;
};
