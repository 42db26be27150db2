#include "baseclasses/CEnumMediaTypes.h"

#include "baseclasses/CBasePin.h"

#include <new>
#include <vfwmsgs.h>

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pPin, const CEnumMediaTypes* pEnum)
    : CUnknown(L"CEnumMediaTypes", nullptr), m_pPin(pPin)
{
    m_pPin->AddRef();
    m_Position = pEnum ? pEnum->m_Position : 0;
    m_Version = pEnum ? pEnum->m_Version : m_pPin->GetMediaTypeVersion();
}

CEnumMediaTypes::~CEnumMediaTypes() { m_pPin->Release(); }

HRESULT CEnumMediaTypes::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IEnumMediaTypes) return GetInterface(static_cast<IEnumMediaTypes*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

bool CEnumMediaTypes::OutOfSync() const { return m_Version != m_pPin->GetMediaTypeVersion(); }

HRESULT CEnumMediaTypes::Next(ULONG cMediaTypes, AM_MEDIA_TYPE** ppMediaTypes, ULONG* pcFetched)
{
    if (!ppMediaTypes) return E_POINTER;
    if (!pcFetched && cMediaTypes > 1) return E_INVALIDARG;
    if (pcFetched) *pcFetched = 0;
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;

    ULONG fetched = 0;
    while (fetched < cMediaTypes) {
        CMediaType mt;
        if (m_pPin->GetMediaType(m_Position, &mt) != S_OK) break;
        AM_MEDIA_TYPE* pmt = CreateMediaType(&mt);
        if (!pmt) break;
        ppMediaTypes[fetched++] = pmt;
        m_Position++;
    }
    if (pcFetched) *pcFetched = fetched;
    return fetched == cMediaTypes ? S_OK : S_FALSE;
}

HRESULT CEnumMediaTypes::Skip(ULONG cMediaTypes)
{
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    if (cMediaTypes == 0) return S_OK;
    CMediaType mt;
    int last = m_Position + static_cast<int>(cMediaTypes) - 1;
    if (m_pPin->GetMediaType(last, &mt) != S_OK) return S_FALSE;
    m_Position = last + 1;
    return S_OK;
}

HRESULT CEnumMediaTypes::Reset()
{
    m_Position = 0;
    m_Version = m_pPin->GetMediaTypeVersion();
    return S_OK;
}

HRESULT CEnumMediaTypes::Clone(IEnumMediaTypes** ppEnum)
{
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    auto* pEnum = new (std::nothrow) CEnumMediaTypes(m_pPin, this);
    if (!pEnum) return E_OUTOFMEMORY;
    pEnum->AddRef();
    *ppEnum = pEnum;
    return S_OK;
}
