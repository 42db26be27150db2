#pragma once
// The allocator that the filter's pins offer when they connect. The filter sends
// samples of its own that point into its buffers, so this one only reports fixed
// properties and never hands out a buffer. Its reference count is the filter's.

#include <windows.h>
#include <strmif.h>

class CNetRecvAlloc final : public IMemAllocator {
public:
    static constexpr long kBuffers = 10;
    static constexpr long kBufferSize = 10240;

    explicit CNetRecvAlloc(IUnknown* pFilter) : m_pFilter(pFilter) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return m_pFilter->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_pFilter->Release(); }

    STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual) override;
    STDMETHODIMP GetProperties(ALLOCATOR_PROPERTIES* pProps) override;
    STDMETHODIMP Commit() override;
    STDMETHODIMP Decommit() override;
    STDMETHODIMP GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME* pStartTime, REFERENCE_TIME* pEndTime,
                           DWORD dwFlags) override;
    STDMETHODIMP ReleaseBuffer(IMediaSample* pBuffer) override;

private:
    IUnknown* const m_pFilter;
};
