#pragma once
// The send thread of the recording pin: every 10 ms it takes the packets that the
// parser indexed into the live indexed buffer since and delivers each in place, in a
// sample of the recording pool carrying the packet's times, its sequence number as
// media time, a sync point on key packs, and a discontinuity on the key pack that
// follows a gap. When the thread ends it delivers end-of-stream on its pin, once.

#include "baseclasses/CWorkerThread.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

class CESMediaSamplePool;
class CIndexedBuffer2;
class IPushOwner;
struct IndexEntry;

class CPushES {
public:
    static constexpr DWORD kTickMs = 10;
    // How long a downstream that holds its samples may keep a finish waiting.
    static constexpr DWORD kFinishMs = 3000;

    CPushES(IPushOwner* pFilter, CIndexedBuffer2* pIdxBuf, CESMediaSamplePool* pPool, uint32_t pinType, HRESULT* phr);
    ~CPushES();
    CPushES(const CPushES&) = delete;
    CPushES& operator=(const CPushES&) = delete;

    int32_t Start();
    int32_t Pause();
    // Asks the thread to end and returns at once.
    void RequestStop();
    // Ends the thread, which delivers end-of-stream as it goes, and joins it.
    int32_t Stop();
    // The packets indexed so far are delivered first, within kFinishMs; then Stop.
    void Finish();
    // False once the thread has ended (asked to, or by itself).
    bool IsRunning() { return m_Thread.IsRunning(); }

private:
    static unsigned ThreadEntry(void* pParam);
    void ThreadProc();
    void SendReady();
    bool SendOne();
    void MakeMS(const IndexEntry& entry);
    void SetSending(bool bSending);

    IPushOwner* const m_pFilter;
    CIndexedBuffer2* const m_pIdxBuf;
    std::atomic<uint32_t> m_bSending{0};  // set by the filter's threads, read by the send thread
    std::atomic<bool> m_bFinishing{false};
    CESMediaSamplePool* const m_pSampleSource;
    const uint32_t m_nPinType;
    CWorkerThread m_Thread;
};
