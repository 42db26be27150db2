#include "stream/CNetRecvAlloc.h"

#include "core/Trace.h"

STDMETHODIMP CNetRecvAlloc::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IMemAllocator) {
        *ppv = static_cast<IMemAllocator*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CNetRecvAlloc::SetProperties(ALLOCATOR_PROPERTIES*, ALLOCATOR_PROPERTIES* pActual)
{
    g_Trace(0, L"CNetRecvAlloc::SetProperties called.");
    return GetProperties(pActual);
}

STDMETHODIMP CNetRecvAlloc::GetProperties(ALLOCATOR_PROPERTIES* pProps)
{
    g_Trace(0, L"CNetRecvAlloc::GetProperties called.");
    if (!pProps) return E_POINTER;
    pProps->cBuffers = kBuffers;
    pProps->cbBuffer = kBufferSize;
    pProps->cbAlign = 1;
    pProps->cbPrefix = 0;
    return S_OK;
}

STDMETHODIMP CNetRecvAlloc::Commit()
{
    g_Trace(0, L"CNetRecvAlloc::Commit called.");
    return S_OK;
}

STDMETHODIMP CNetRecvAlloc::Decommit()
{
    g_Trace(0, L"CNetRecvAlloc::Decommit called.");
    return S_OK;
}

STDMETHODIMP CNetRecvAlloc::GetBuffer(IMediaSample**, REFERENCE_TIME*, REFERENCE_TIME*, DWORD)
{
    g_Trace(0, L"CNetRecvAlloc::GetBuffer called.");
    return E_NOTIMPL;
}

STDMETHODIMP CNetRecvAlloc::ReleaseBuffer(IMediaSample*)
{
    g_Trace(0, L"CNetRecvAlloc::ReleaseBuffer called.");
    return E_NOTIMPL;
}
