#include "DShowFilters/CVCSourceOutputPin.h"

#include <uuids.h>
#include <vfwmsgs.h>

CVCSourceOutputPin::CVCSourceOutputPin(CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr,
                                       CNetRecvAlloc* const* ppAllocator)
    : CFilterAllocatorPin(L"CVCSourceOutputPin", pFilter, pLock, phr, L"MPEG-2 Program", ppAllocator)
{
}

HRESULT CVCSourceOutputPin::CheckMediaType(const CMediaType* pmt)
{
    return pmt && *pmt->Type() == MEDIATYPE_Stream && *pmt->Subtype() == MEDIASUBTYPE_MPEG2_PROGRAM ? S_OK : S_FALSE;
}

HRESULT CVCSourceOutputPin::GetMediaType(int iPosition, CMediaType* pMediaType)
{
    if (iPosition != 0) return VFW_S_NO_MORE_ITEMS;
    pMediaType->SetType(&MEDIATYPE_Stream);
    pMediaType->SetSubtype(&MEDIASUBTYPE_MPEG2_PROGRAM);
    pMediaType->SetVariableSize();
    pMediaType->SetTemporalCompression(TRUE);
    MPEG2VIDEOINFO format = FormatBlock();
    format.dwProfile = 1;
    format.dwLevel = 1;
    return SetFormatBlock(pMediaType, format) ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CVCSourceOutputPin::Notify(IBaseFilter*, Quality)
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    m_llFrequency = frequency.QuadPart;
    m_llQualityStamp = now.QuadPart;
    return S_OK;
}

// The seeking object's references go to the filter, as the pin's do.
STDMETHODIMP CVCSourceOutputPin::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IMediaSeeking && m_pSeeking) return GetInterface(m_pSeeking, ppv);
    return CFilterAllocatorPin::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CVCSourceOutputPin::SetSink(IQualityControl*) { return E_NOTIMPL; }

void CVCSourceOutputPin::SetRate(double rate)
{
    if (rate > 0) m_dRate = rate;
}

bool CVCSourceOutputPin::IsQualityQuiet() const
{
    const LONGLONG frequency = m_llFrequency;
    if (frequency == 0) return true;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const double elapsedMs = static_cast<double>(now.QuadPart - m_llQualityStamp) / static_cast<double>(frequency) * 1000;
    return elapsedMs > 500 / m_dRate;
}
