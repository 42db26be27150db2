#pragma once
// The main pin's samples: one send sample that serves every block of the stream
// ring buffer in turn. While it is out it holds a reference on the filter, so the
// filter and its ring outlive it in downstream hands.
//
// Locking: m_Lock guards whether the sample is out and whether the push thread
// waits for it; the wait itself is outside the lock, on the returned event and the
// push thread's stop event. Downstream returns the sample on its own thread.

#include "core/CritSec.h"
#include "stream/CTSMediaSample.h"

#include <windows.h>

class CTSMediaSamplePool {
public:
    // pFilter: the filter's IUnknown, referenced while the sample is out.
    CTSMediaSamplePool(IUnknown* pFilter, CCamParm* pCamParm, HRESULT* phr);
    ~CTSMediaSamplePool();
    CTSMediaSamplePool(const CTSMediaSamplePool&) = delete;
    CTSMediaSamplePool& operator=(const CTSMediaSamplePool&) = delete;

    // The send sample over a block. A block downstream still holds is not written
    // over: this waits for its release, or fails with VFW_E_NOT_COMMITTED on hStop.
    HRESULT GetSendSample(BYTE* pData, uint32_t length, HANDLE hStop, IMediaSample** ppSample);
    // Until downstream has let the send sample go; false when hStop came first.
    bool WaitReturned(HANDLE hStop);
    // From the sample's final Release.
    void Return(CTSMediaSample* pSample);

private:
    bool TakeSendSample();

    CCritSec m_Lock;
    IUnknown* const m_pFilter;
    HANDLE m_hReturned = nullptr;  // manual reset; set by a return that a waiter waits for
    bool m_bSendOut = false;
    bool m_bWaited = false;  // a WaitReturned waits on m_hReturned
    CTSMediaSample m_SendSample;
};
