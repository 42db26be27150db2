#include "baseclasses/CMediaType.h"

#include <cstring>

CMediaType::CMediaType() { InitMediaType(); }

CMediaType::CMediaType(const GUID* pMajorType)
{
    InitMediaType();
    majortype = *pMajorType;
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& mt)
{
    InitMediaType();
    Set(mt);
}

CMediaType::CMediaType(const CMediaType& mt) : AM_MEDIA_TYPE()
{
    InitMediaType();
    Set(mt);
}

CMediaType::~CMediaType() { FreeMediaType(*this); }

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& mt)
{
    Set(mt);
    return *this;
}

CMediaType& CMediaType::operator=(const CMediaType& mt)
{
    Set(mt);
    return *this;
}

bool CMediaType::operator==(const CMediaType& mt) const
{
    return majortype == mt.majortype && subtype == mt.subtype && formattype == mt.formattype &&
           cbFormat == mt.cbFormat && (cbFormat == 0 || std::memcmp(pbFormat, mt.pbFormat, cbFormat) == 0);
}

HRESULT CMediaType::Set(const AM_MEDIA_TYPE& mt)
{
    if (&mt == this) return S_OK;
    FreeMediaType(*this);
    HRESULT hr = CopyMediaType(this, &mt);
    if (FAILED(hr)) InitMediaType();
    return hr;
}

void CMediaType::SetSampleSize(ULONG cb)
{
    if (cb == 0) {
        SetVariableSize();
        return;
    }
    bFixedSizeSamples = TRUE;
    lSampleSize = cb;
}

bool CMediaType::SetFormat(const BYTE* pFormat, ULONG cb)
{
    if (cb == 0) {
        ResetFormatBuffer();
        return true;
    }
    if (!AllocFormatBuffer(cb)) return false;
    std::memcpy(pbFormat, pFormat, cb);
    return true;
}

BYTE* CMediaType::AllocFormatBuffer(ULONG cb)
{
    if (cb == cbFormat && pbFormat) return pbFormat;
    BYTE* p = static_cast<BYTE*>(CoTaskMemAlloc(cb));
    if (!p) return nullptr;
    ResetFormatBuffer();
    pbFormat = p;
    cbFormat = cb;
    return p;
}

void CMediaType::ResetFormatBuffer()
{
    CoTaskMemFree(pbFormat);
    pbFormat = nullptr;
    cbFormat = 0;
}

bool CMediaType::MatchesPartial(const CMediaType* p) const
{
    if (p->majortype != GUID_NULL && majortype != p->majortype) return false;
    if (p->subtype != GUID_NULL && subtype != p->subtype) return false;
    if (p->formattype == GUID_NULL) return true;
    return formattype == p->formattype && cbFormat == p->cbFormat &&
           (cbFormat == 0 || std::memcmp(pbFormat, p->pbFormat, cbFormat) == 0);
}

bool CMediaType::IsPartiallySpecified() const
{
    return majortype == GUID_NULL || formattype == GUID_NULL;
}

void CMediaType::InitMediaType()
{
    std::memset(static_cast<AM_MEDIA_TYPE*>(this), 0, sizeof(AM_MEDIA_TYPE));
    lSampleSize = 1;
    bFixedSizeSamples = TRUE;
}

void FreeMediaType(AM_MEDIA_TYPE& mt)
{
    CoTaskMemFree(mt.pbFormat);
    mt.pbFormat = nullptr;
    mt.cbFormat = 0;
    if (mt.pUnk) {
        mt.pUnk->Release();
        mt.pUnk = nullptr;
    }
}

void DeleteMediaType(AM_MEDIA_TYPE* pmt)
{
    if (!pmt) return;
    FreeMediaType(*pmt);
    CoTaskMemFree(pmt);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* pDest, const AM_MEDIA_TYPE* pSource)
{
    *pDest = *pSource;
    if (pSource->cbFormat) {
        pDest->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(pSource->cbFormat));
        if (!pDest->pbFormat) {
            pDest->cbFormat = 0;
            pDest->pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(pDest->pbFormat, pSource->pbFormat, pSource->cbFormat);
    } else {
        pDest->pbFormat = nullptr;
    }
    if (pDest->pUnk) pDest->pUnk->AddRef();
    return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* pSource)
{
    auto* pmt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!pmt) return nullptr;
    if (FAILED(CopyMediaType(pmt, pSource))) {
        CoTaskMemFree(pmt);
        return nullptr;
    }
    return pmt;
}
