#include "baseclasses/CBasePin.h"

#include "baseclasses/CBaseFilter.h"
#include "baseclasses/CEnumMediaTypes.h"

#include <cstring>
#include <cwchar>
#include <new>
#include <vfwmsgs.h>

namespace {

// A refusal that says nothing more specific becomes "type not accepted".
HRESULT AsTypeRefusal(HRESULT hr)
{
    if (SUCCEEDED(hr) || hr == E_FAIL || hr == E_INVALIDARG) return VFW_E_TYPE_NOT_ACCEPTED;
    return hr;
}

bool IsTypeRefusal(HRESULT hr)
{
    return hr == E_FAIL || hr == E_INVALIDARG || hr == VFW_E_TYPE_NOT_ACCEPTED;
}

}  // namespace

CBasePin::CBasePin(const WCHAR* pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr,
                   const WCHAR* pName, PIN_DIRECTION dir)
    : CUnknown(pObjectName, nullptr), m_pFilter(pFilter), m_pLock(pLock), m_dir(dir)
{
    if (!pName) return;
    size_t cch = std::wcslen(pName) + 1;
    m_pName = new (std::nothrow) WCHAR[cch];
    if (m_pName) std::wmemcpy(m_pName, pName, cch);
    else if (phr) *phr = E_OUTOFMEMORY;
}

CBasePin::~CBasePin() { delete[] m_pName; }

HRESULT CBasePin::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IPin) return GetInterface(static_cast<IPin*>(this), ppv);
    if (riid == IID_IQualityControl) return GetInterface(static_cast<IQualityControl*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

ULONG CBasePin::NonDelegatingAddRef() { return m_pFilter->AddRef(); }
ULONG CBasePin::NonDelegatingRelease() { return m_pFilter->Release(); }

bool CBasePin::IsStopped() const { return m_pFilter->IsStopped(); }

HRESULT CBasePin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt)
{
    if (!pReceivePin) return E_POINTER;
    CAutoLock lock(m_pLock);
    if (m_Connected) return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    return AgreeMediaType(pReceivePin, static_cast<const CMediaType*>(pmt));
}

// A full type is tried alone; otherwise the peer's types, then ours, that match the partial one.
HRESULT CBasePin::AgreeMediaType(IPin* pReceivePin, const CMediaType* pmt)
{
    if (pmt && !pmt->IsPartiallySpecified()) return AttemptConnection(pReceivePin, pmt);

    HRESULT hrFailure = VFW_E_NO_ACCEPTABLE_TYPES;
    for (int pass = 0; pass < 2; pass++) {
        bool mine = (pass == 0) == m_bTryMyTypesFirst;
        IEnumMediaTypes* pEnum = nullptr;
        HRESULT hr = mine ? EnumMediaTypes(&pEnum) : pReceivePin->EnumMediaTypes(&pEnum);
        if (FAILED(hr)) continue;
        hr = TryMediaTypes(pReceivePin, pmt, pEnum);
        pEnum->Release();
        if (SUCCEEDED(hr)) return S_OK;
        if (!IsTypeRefusal(hr)) hrFailure = hr;
    }
    return hrFailure;
}

HRESULT CBasePin::TryMediaTypes(IPin* pReceivePin, const CMediaType* pmt, IEnumMediaTypes* pEnum)
{
    if (FAILED(pEnum->Reset())) return E_FAIL;
    // The first failure that is more than a refused type is the one worth reporting.
    HRESULT hrFailure = VFW_E_NO_ACCEPTABLE_TYPES;
    AM_MEDIA_TYPE* pCandidate = nullptr;
    ULONG fetched = 0;
    while (pEnum->Next(1, &pCandidate, &fetched) == S_OK && fetched == 1) {
        auto* pType = static_cast<CMediaType*>(pCandidate);
        HRESULT hr = VFW_E_NO_ACCEPTABLE_TYPES;
        if (!pmt || pType->MatchesPartial(pmt)) hr = AttemptConnection(pReceivePin, pType);
        DeleteMediaType(pCandidate);
        if (SUCCEEDED(hr)) return hr;
        if (hrFailure == VFW_E_NO_ACCEPTABLE_TYPES && !IsTypeRefusal(hr)) hrFailure = hr;
    }
    return hrFailure;
}

HRESULT CBasePin::AttemptConnection(IPin* pReceivePin, const CMediaType* pmt)
{
    HRESULT hr = CheckConnect(pReceivePin);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    hr = CheckMediaType(pmt);
    if (hr != S_OK) {
        BreakConnect();
        return AsTypeRefusal(hr);
    }
    m_Connected = pReceivePin;
    m_Connected->AddRef();
    hr = SetMediaType(pmt);
    if (SUCCEEDED(hr)) hr = pReceivePin->ReceiveConnection(static_cast<IPin*>(this), pmt);
    if (SUCCEEDED(hr)) {
        hr = CompleteConnect(pReceivePin);
        if (SUCCEEDED(hr)) return hr;
        pReceivePin->Disconnect();
    }
    DropConnection();
    return hr;
}

HRESULT CBasePin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt)
{
    if (!pConnector || !pmt) return E_POINTER;
    CAutoLock lock(m_pLock);
    if (m_Connected) return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped()) return VFW_E_NOT_STOPPED;

    HRESULT hr = CheckConnect(pConnector);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    const auto* pType = static_cast<const CMediaType*>(pmt);
    hr = CheckMediaType(pType);
    if (hr != S_OK) {
        BreakConnect();
        return AsTypeRefusal(hr);
    }
    m_Connected = pConnector;
    m_Connected->AddRef();
    hr = SetMediaType(pType);
    if (SUCCEEDED(hr)) hr = CompleteConnect(pConnector);
    if (SUCCEEDED(hr)) return S_OK;
    DropConnection();
    return hr;
}

void CBasePin::DropConnection()
{
    if (m_Connected) {
        m_Connected->Release();
        m_Connected = nullptr;
    }
    BreakConnect();
}

HRESULT CBasePin::Disconnect()
{
    CAutoLock lock(m_pLock);
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    return DisconnectInternal();
}

HRESULT CBasePin::DisconnectInternal()
{
    if (!m_Connected) return S_FALSE;
    HRESULT hr = BreakConnect();
    if (FAILED(hr)) return hr;
    m_Connected->Release();
    m_Connected = nullptr;
    return S_OK;
}

HRESULT CBasePin::ConnectedTo(IPin** pPin)
{
    if (!pPin) return E_POINTER;
    CAutoLock lock(m_pLock);
    *pPin = m_Connected;
    if (!m_Connected) return VFW_E_NOT_CONNECTED;
    m_Connected->AddRef();
    return S_OK;
}

HRESULT CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* pmt)
{
    if (!pmt) return E_POINTER;
    CAutoLock lock(m_pLock);
    if (!m_Connected) {
        std::memset(pmt, 0, sizeof(*pmt));
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(pmt, &m_mt);
}

HRESULT CBasePin::QueryPinInfo(PIN_INFO* pInfo)
{
    if (!pInfo) return E_POINTER;
    pInfo->pFilter = static_cast<IBaseFilter*>(m_pFilter);
    pInfo->pFilter->AddRef();
    pInfo->achName[0] = L'\0';
    if (m_pName) lstrcpynW(pInfo->achName, m_pName, MAX_PIN_NAME);
    pInfo->dir = m_dir;
    return S_OK;
}

HRESULT CBasePin::QueryDirection(PIN_DIRECTION* pPinDir)
{
    if (!pPinDir) return E_POINTER;
    *pPinDir = m_dir;
    return S_OK;
}

HRESULT CBasePin::QueryId(LPWSTR* Id)
{
    if (!Id) return E_POINTER;
    const WCHAR* name = m_pName ? m_pName : L"";
    size_t cb = (std::wcslen(name) + 1) * sizeof(WCHAR);
    *Id = static_cast<LPWSTR>(CoTaskMemAlloc(cb));
    if (!*Id) return E_OUTOFMEMORY;
    std::memcpy(*Id, name, cb);
    return S_OK;
}

HRESULT CBasePin::QueryAccept(const AM_MEDIA_TYPE* pmt)
{
    if (!pmt) return E_POINTER;
    HRESULT hr = CheckMediaType(static_cast<const CMediaType*>(pmt));
    return FAILED(hr) ? S_FALSE : hr;
}

HRESULT CBasePin::EnumMediaTypes(IEnumMediaTypes** ppEnum)
{
    if (!ppEnum) return E_POINTER;
    auto* pEnum = new (std::nothrow) CEnumMediaTypes(this, nullptr);
    *ppEnum = pEnum;
    if (!pEnum) return E_OUTOFMEMORY;
    pEnum->AddRef();
    return S_OK;
}

HRESULT CBasePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }
HRESULT CBasePin::EndOfStream() { return S_OK; }

HRESULT CBasePin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate)
{
    m_tStart = tStart;
    m_tStop = tStop;
    m_dRate = dRate;
    return S_OK;
}

HRESULT CBasePin::Notify(IBaseFilter*, Quality) { return E_NOTIMPL; }

HRESULT CBasePin::SetSink(IQualityControl* piqc)
{
    CAutoLock lock(m_pLock);
    m_pQSink = piqc;
    return S_OK;
}

HRESULT CBasePin::GetMediaType(int, CMediaType*) { return E_UNEXPECTED; }

HRESULT CBasePin::SetMediaType(const CMediaType* pmt) { return m_mt.Set(*pmt); }

HRESULT CBasePin::CheckConnect(IPin* pPin)
{
    PIN_DIRECTION dir;
    HRESULT hr = pPin->QueryDirection(&dir);
    if (FAILED(hr)) return hr;
    return dir == m_dir ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::BreakConnect() { return S_OK; }
HRESULT CBasePin::CompleteConnect(IPin*) { return S_OK; }
HRESULT CBasePin::Active() { return S_OK; }

HRESULT CBasePin::Inactive()
{
    m_bRunTimeError = false;
    return S_OK;
}

HRESULT CBasePin::Run(REFERENCE_TIME) { return S_OK; }
