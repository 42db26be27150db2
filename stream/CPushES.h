#pragma once
// The send thread of the recording pin: every 10 ms it takes the packets that the
// parser indexed into the live indexed buffer since and delivers each in place, in a
// sample of the recording pool carrying the packet's times, its sequence number as
// media time, a sync point on key packs, and a discontinuity on the key pack that
// follows a gap. When the thread ends it delivers end-of-stream on its pin, once.

#include "stream/CPinSender.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

class CESMediaSamplePool;
class CIndexedBuffer2;
class CLinkCounters;
class IPushOwner;
struct IndexEntry;

class CPushES : public CPinSender {
public:
    static constexpr DWORD kTickMs = 10;
    // How long a downstream that holds its samples may keep a finish waiting.
    static constexpr DWORD kFinishMs = 3000;

    // pCounters: where the bytes that downstream took are counted.
    CPushES(IPushOwner* pFilter, CIndexedBuffer2* pIdxBuf, CESMediaSamplePool* pPool, CLinkCounters* pCounters,
            uint32_t pinType, HRESULT* phr);
    ~CPushES();
    CPushES(const CPushES&) = delete;
    CPushES& operator=(const CPushES&) = delete;

    // The packets indexed so far are delivered first, within kFinishMs; then Stop.
    void Finish();

private:
    static unsigned ThreadEntry(void* pParam);
    void ThreadProc();
    void SendReady();
    bool SendOne();
    void MakeMS(const IndexEntry& entry);

    IPushOwner* const m_pFilter;
    CIndexedBuffer2* const m_pIdxBuf;
    std::atomic<bool> m_bFinishing{false};
    CESMediaSamplePool* const m_pSampleSource;
    CLinkCounters* const m_pCounters;
};
