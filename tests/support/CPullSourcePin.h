#pragma once
// The output pin of CPullSource: a pull-mode pin whose peer reads the stream
// through IAsyncReader, at the offsets it chooses, as a parser reads a file.
// Requests queue until WaitForNext takes them and reads them on the caller's
// thread; a flush wakes every wait and fails what is queued.
//
// Locking: the filter lock covers the connection (CBasePin). m_queueLock guards
// the queue and the flush flag alone; no read and no call out happens under it.
// Reads wait inside the stream, never under a lock of the pin.

#include "baseclasses/CBasePin.h"
#include "tests/support/CGrowingStream.h"

#include <strmif.h>

#include <deque>

class CPullSourcePin : public CBasePin, public IAsyncReader {
public:
    CPullSourcePin(CBaseFilter* pFilter, CCritSec* pLock, CGrowingStream* pStream, const GUID& subtype, HRESULT* phr);
    ~CPullSourcePin() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    HRESULT GetMediaType(int iPosition, CMediaType* pmt) override;
    HRESULT CheckMediaType(const CMediaType* pmt) override;

    // IAsyncReader
    STDMETHODIMP RequestAllocator(IMemAllocator* pPreferred, ALLOCATOR_PROPERTIES* pProps,
                                  IMemAllocator** ppActual) override;
    STDMETHODIMP Request(IMediaSample* pSample, DWORD_PTR dwUser) override;
    STDMETHODIMP WaitForNext(DWORD dwTimeout, IMediaSample** ppSample, DWORD_PTR* pdwUser) override;
    STDMETHODIMP SyncReadAligned(IMediaSample* pSample) override;
    STDMETHODIMP SyncRead(LONGLONG llPosition, LONG lLength, BYTE* pBuffer) override;
    STDMETHODIMP Length(LONGLONG* pTotal, LONGLONG* pAvailable) override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;

private:
    struct Pending {
        IMediaSample* pSample;
        DWORD_PTR dwUser;
    };

    HRESULT Fill(IMediaSample* pSample);
    bool TakeNext(DWORD dwTimeout, Pending* pNext, HRESULT* phr);

    CGrowingStream* const m_pStream;
    const GUID m_subtype;
    SRWLOCK m_queueLock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_queued = CONDITION_VARIABLE_INIT;
    std::deque<Pending> m_queue;
    bool m_bFlushing = false;
};
