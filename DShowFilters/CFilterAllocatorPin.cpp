#include "DShowFilters/CFilterAllocatorPin.h"

#include "stream/CNetRecvAlloc.h"

#include <uuids.h>

CFilterAllocatorPin::CFilterAllocatorPin(const WCHAR* pObjectName, CBaseFilter* pFilter, CCritSec* pLock,
                                         HRESULT* phr, const WCHAR* pName, CNetRecvAlloc* const* ppAllocator)
    : CBaseOutputPin(pObjectName, pFilter, pLock, phr, pName), m_ppAllocator(ppAllocator)
{
}

HRESULT CFilterAllocatorPin::InitAllocator(IMemAllocator** ppAlloc)
{
    if (!ppAlloc) return E_POINTER;
    *ppAlloc = *m_ppAllocator;
    if (!*ppAlloc) return E_UNEXPECTED;
    (*ppAlloc)->AddRef();
    return S_OK;
}

HRESULT CFilterAllocatorPin::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pProps)
{
    if (!pAlloc || pAlloc != static_cast<IMemAllocator*>(*m_ppAllocator)) return E_FAIL;
    return pAlloc->GetProperties(pProps);
}

MPEG2VIDEOINFO CFilterAllocatorPin::FormatBlock()
{
    MPEG2VIDEOINFO format = {};
    VIDEOINFOHEADER2& h = format.hdr;
    h.dwBitRate = 1536000;
    h.AvgTimePerFrame = 330000;
    h.dwPictAspectRatioX = 4;
    h.dwPictAspectRatioY = 3;
    h.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    h.bmiHeader.biWidth = 720;
    h.bmiHeader.biHeight = 576;
    h.bmiHeader.biPlanes = 1;
    return format;
}

bool CFilterAllocatorPin::SetFormatBlock(CMediaType* pMediaType, const MPEG2VIDEOINFO& format)
{
    pMediaType->SetFormatType(&FORMAT_MPEG2Video);
    return pMediaType->SetFormat(reinterpret_cast<const BYTE*>(&format), sizeof(format));
}
