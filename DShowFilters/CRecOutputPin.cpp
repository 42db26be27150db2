#include "DShowFilters/CRecOutputPin.h"

#include "DShowFilters/IVLMVCConfigure.h"

#include <uuids.h>
#include <vfwmsgs.h>

CRecOutputPin::CRecOutputPin(CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, CNetRecvAlloc* const* ppAllocator)
    : CFilterAllocatorPin(L"CRecOutputPin", pFilter, pLock, phr, L"Stream", ppAllocator)
{
}

HRESULT CRecOutputPin::CheckMediaType(const CMediaType* pmt)
{
    return pmt && *pmt->Type() == MEDIATYPE_Stream && *pmt->Subtype() == MEDIASUBTYPE_RecStream ? S_OK : S_FALSE;
}

HRESULT CRecOutputPin::GetMediaType(int iPosition, CMediaType* pMediaType)
{
    if (iPosition < 0) return E_INVALIDARG;
    if (iPosition > 1) return VFW_S_NO_MORE_ITEMS;
    pMediaType->SetType(&MEDIATYPE_Stream);
    pMediaType->SetSubtype(&MEDIASUBTYPE_RecStream);
    MPEG2VIDEOINFO format = FormatBlock();
    VIDEOINFOHEADER2& h = format.hdr;
    h.rcSource = {0, 0, 720, 576};
    h.rcTarget = h.rcSource;
    h.bmiHeader.biBitCount = 16;
    h.bmiHeader.biCompression = MAKEFOURCC('M', 'P', 'G', '2');
    format.dwProfile = 2;
    format.dwLevel = 2;
    return SetFormatBlock(pMediaType, format) ? S_OK : E_OUTOFMEMORY;
}
