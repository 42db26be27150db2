#pragma once
// Samples that point into an indexed buffer: the recording pin's packets in the
// live one, or recorded playback's bytes in the playback one. A sample's release
// gives its space back to the buffer. Every sample out holds a reference on the
// filter.
//
// Locking: m_Lock guards the free list, the round and whether the push thread
// waits; the wait for a free sample is outside it. A return gives the sample's
// space back to the indexed buffer under it: this lock is taken before the
// indexed buffer's. Downstream returns samples on its own thread.

#include "core/CIntrusiveList.h"
#include "core/CritSec.h"
#include "stream/CESMediaSample.h"

#include <windows.h>

#include <memory>
#include <vector>

class CIndexedBuffer2;
class CPlayIndexedBuffer;

class CESMediaSamplePool {
public:
    CESMediaSamplePool(int count, IUnknown* pFilter, CCamParm* pCamParm, CIndexedBuffer2* pBuffer, HRESULT* phr);
    CESMediaSamplePool(int count, IUnknown* pFilter, CCamParm* pCamParm, CPlayIndexedBuffer* pBuffer, HRESULT* phr);
    ~CESMediaSamplePool();
    CESMediaSamplePool(const CESMediaSamplePool&) = delete;
    CESMediaSamplePool& operator=(const CESMediaSamplePool&) = delete;

    // A sample over a packet; waits while all are out, and fails with
    // VFW_E_NOT_COMMITTED when hStop is set first.
    HRESULT GetSample(BYTE* pData, uint32_t totalSize, LONGLONG mediaStart, LONGLONG mediaStop, REFERENCE_TIME start,
                      REFERENCE_TIME stop, uint32_t flags, uint32_t headSize, HANDLE hStop, IMediaSample** ppSample);
    // From a sample's final Release, with the end of its packet.
    void Return(CESMediaSample* pSample, const BYTE* pEnd);
    // Before the buffer is emptied: samples still out give no space back when they
    // return, since the space they point at belongs to the next round.
    void NewRound();

private:
    CESMediaSamplePool(int count, IUnknown* pFilter, CCamParm* pCamParm, CIndexedBuffer2* pBuffer,
                       CPlayIndexedBuffer* pPlayBuffer, HRESULT* phr);
    CESMediaSample* TakeSample();
    void GiveBack(const BYTE* pEnd);

    CCritSec m_Lock;
    IUnknown* const m_pFilter;
    CIndexedBuffer2* const m_pBuffer;          // one of the two
    CPlayIndexedBuffer* const m_pPlayBuffer;
    // Manual reset; set by a return that a taker who found none waits for. Only then:
    // each event call is a kernel (under Wine a server) call, and a taker rarely waits.
    HANDLE m_hReturned = nullptr;
    bool m_bTakerWaits = false;
    std::vector<std::unique_ptr<CESMediaSample>> m_Samples;
    CIntrusiveList<CESMediaSample> m_Free;
    uint32_t m_dwRound = 0;
};
