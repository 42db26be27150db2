#include "baseclasses/CEnumPins.h"

#include "baseclasses/CBaseFilter.h"
#include "baseclasses/CBasePin.h"

#include <new>
#include <vfwmsgs.h>

CEnumPins::CEnumPins(CBaseFilter* pFilter, const CEnumPins* pEnum)
    : CUnknown(L"CEnumPins", nullptr), m_pFilter(pFilter)
{
    m_pFilter->AddRef();
    if (pEnum) {
        m_Position = pEnum->m_Position;
        m_PinCount = pEnum->m_PinCount;
        m_Version = pEnum->m_Version;
    } else {
        m_PinCount = m_pFilter->GetPinCount();
        m_Version = m_pFilter->GetPinVersion();
    }
}

CEnumPins::~CEnumPins() { m_pFilter->Release(); }

HRESULT CEnumPins::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IEnumPins) return GetInterface(static_cast<IEnumPins*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

bool CEnumPins::OutOfSync() const { return m_Version != m_pFilter->GetPinVersion(); }

HRESULT CEnumPins::Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched)
{
    if (!ppPins) return E_POINTER;
    if (!pcFetched && cPins > 1) return E_INVALIDARG;
    if (pcFetched) *pcFetched = 0;
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;

    ULONG fetched = 0;
    while (fetched < cPins && m_Position < m_PinCount) {
        CBasePin* pPin = m_pFilter->GetPin(m_Position++);
        if (!pPin) break;
        ppPins[fetched] = pPin;
        pPin->AddRef();
        fetched++;
    }
    if (pcFetched) *pcFetched = fetched;
    return fetched == cPins ? S_OK : S_FALSE;
}

HRESULT CEnumPins::Skip(ULONG cPins)
{
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    ULONG left = static_cast<ULONG>(m_PinCount - m_Position);
    if (cPins > left) return S_FALSE;
    m_Position += static_cast<int>(cPins);
    return S_OK;
}

HRESULT CEnumPins::Reset()
{
    m_Position = 0;
    m_PinCount = m_pFilter->GetPinCount();
    m_Version = m_pFilter->GetPinVersion();
    return S_OK;
}

HRESULT CEnumPins::Clone(IEnumPins** ppEnum)
{
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    auto* pEnum = new (std::nothrow) CEnumPins(m_pFilter, this);
    if (!pEnum) return E_OUTOFMEMORY;
    pEnum->AddRef();
    *ppEnum = pEnum;
    return S_OK;
}
