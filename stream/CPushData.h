#pragma once
// The live send thread of the main pin: on each tick, once the ring buffer holds a
// block of about 50 ms at the stream's bit rate, it delivers what the ring holds in
// place, wrapped in the pool's send sample. The block is freed only once downstream has let the
// sample go, so data that downstream holds is never written over.
//
// Locking: m_Lock guards the sending flag, the rate, the sizes and the ring-buffer
// read (the ring's own lock is taken inside it). Sample creation and delivery run
// outside it, so Pause, Tune and the stops never wait for a delivery. Taken after
// the push workers' lock (Tune). The filter's threads call Start, Pause, Tune,
// SetSendRate and the stops; the send thread alone sends.

#include "core/CritSec.h"
#include "baseclasses/CWorkerThread.h"

#include <windows.h>

#include <cstdint>

class CLinkCounters;
class CMpegBuffer;
class CTSMediaSamplePool;
class IPushOwner;

class CPushData {
public:
    static constexpr uint32_t kInitialReadSize = 10240;
    static constexpr uint32_t kTargetLimit = 6144;  // kbit/s; a target from here on is refused

    // pCounters: where the bytes that downstream took are counted.
    CPushData(IPushOwner* pFilter, CTSMediaSamplePool* pPool, CMpegBuffer* pMpegBuffer, CLinkCounters* pCounters,
              uint32_t kbps, HRESULT* phr);
    ~CPushData();
    CPushData(const CPushData&) = delete;
    CPushData& operator=(const CPushData&) = delete;

    // Start and Pause switch sending. RequestStop asks the thread to end and returns
    // at once; Stop ends it and joins.
    int32_t Start();
    int32_t Pause();
    void RequestStop();
    int32_t Stop();
    // False once the thread has ended (asked to, or by itself).
    bool IsRunning() { return m_Thread.IsRunning(); }
    // 0, or -1 for a negative rate.
    int32_t SetSendRate(double dRate);
    // Paces by an average bit rate in kbit/s; -1 leaves the pacing as it was.
    int32_t Tune(uint32_t kbps);

private:
    friend class CPushDataTestPeer;

    uint32_t GetAvgBitRate();
    uint32_t GetReadSize();
    uint32_t GetStartSize();
    static unsigned ThreadEntry(void* pParam);
    void ThreadProc();
    bool IsSending();
    void SendReady();
    bool SendOne();
    void SetSending(bool bSending, const wchar_t* pszLine);

    CCritSec m_Lock;
    IPushOwner* const m_pFilter;
    CTSMediaSamplePool* const m_pSampleSource;
    CMpegBuffer* const m_pMpegBuffer;
    CLinkCounters* const m_pCounters;
    uint32_t m_dwAvgBitRate;
    uint32_t m_dwWaitTime = 0;
    uint32_t m_dwReadSize = kInitialReadSize;
    uint32_t m_dwStartSize;
    uint32_t m_bSending = 0;
    double m_dRate = 1.0;
    CWorkerThread m_Thread;
};
