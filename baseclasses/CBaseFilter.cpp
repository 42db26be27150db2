#include "baseclasses/CBaseFilter.h"

#include "baseclasses/CBasePin.h"
#include "baseclasses/CEnumPins.h"

#include <cwchar>
#include <new>
#include <evcode.h>
#include <vfwmsgs.h>

CBaseFilter::CBaseFilter(const WCHAR* pObjectName, IUnknown* pUnk, CCritSec* pLock, REFCLSID clsid)
    : CUnknown(pObjectName, pUnk), m_pLock(pLock), m_clsid(clsid)
{
}

CBaseFilter::~CBaseFilter()
{
    delete[] m_pName;
    if (m_pClock) m_pClock->Release();
}

HRESULT CBaseFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IBaseFilter || riid == IID_IMediaFilter || riid == IID_IPersist)
        return GetInterface(static_cast<IBaseFilter*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CBaseFilter::GetClassID(CLSID* pClsID)
{
    if (!pClsID) return E_POINTER;
    *pClsID = m_clsid;
    return S_OK;
}

HRESULT CBaseFilter::GetState(DWORD, FILTER_STATE* pState)
{
    if (!pState) return E_POINTER;
    *pState = m_State;
    return S_OK;
}

HRESULT CBaseFilter::SetSyncSource(IReferenceClock* pClock)
{
    CAutoLock lock(m_pLock);
    if (pClock) pClock->AddRef();
    if (m_pClock) m_pClock->Release();
    m_pClock = pClock;
    return S_OK;
}

HRESULT CBaseFilter::GetSyncSource(IReferenceClock** pClock)
{
    if (!pClock) return E_POINTER;
    CAutoLock lock(m_pLock);
    *pClock = m_pClock;
    if (m_pClock) m_pClock->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::Stop()
{
    CAutoLock lock(m_pLock);
    HRESULT hr = S_OK;
    if (m_State != State_Stopped) {
        for (int i = 0; i < GetPinCount(); i++) {
            CBasePin* pPin = GetPin(i);
            if (!pPin || !pPin->IsConnected()) continue;
            HRESULT hrPin = pPin->Inactive();
            if (FAILED(hrPin) && SUCCEEDED(hr)) hr = hrPin;
        }
    }
    m_State = State_Stopped;
    return hr;
}

HRESULT CBaseFilter::Pause()
{
    CAutoLock lock(m_pLock);
    if (m_State == State_Stopped) {
        for (int i = 0; i < GetPinCount(); i++) {
            CBasePin* pPin = GetPin(i);
            if (!pPin || !pPin->IsConnected()) continue;
            HRESULT hr = pPin->Active();
            if (FAILED(hr)) return hr;
        }
    }
    m_State = State_Paused;
    return S_OK;
}

HRESULT CBaseFilter::Run(REFERENCE_TIME tStart)
{
    CAutoLock lock(m_pLock);
    m_tStart = tStart;
    if (m_State == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr)) return hr;
    }
    if (m_State != State_Running) {
        for (int i = 0; i < GetPinCount(); i++) {
            CBasePin* pPin = GetPin(i);
            if (!pPin || !pPin->IsConnected()) continue;
            HRESULT hr = pPin->Run(tStart);
            if (FAILED(hr)) return hr;
        }
    }
    m_State = State_Running;
    return S_OK;
}

HRESULT CBaseFilter::EnumPins(IEnumPins** ppEnum)
{
    if (!ppEnum) return E_POINTER;
    auto* pEnum = new (std::nothrow) CEnumPins(this, nullptr);
    *ppEnum = pEnum;
    if (!pEnum) return E_OUTOFMEMORY;
    pEnum->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::FindPin(LPCWSTR Id, IPin** ppPin)
{
    if (!Id || !ppPin) return E_POINTER;
    CAutoLock lock(m_pLock);
    for (int i = 0; i < GetPinCount(); i++) {
        CBasePin* pPin = GetPin(i);
        if (pPin && std::wcscmp(pPin->Name(), Id) == 0) return GetInterface(static_cast<IPin*>(pPin), reinterpret_cast<void**>(ppPin));
    }
    *ppPin = nullptr;
    return VFW_E_NOT_FOUND;
}

HRESULT CBaseFilter::QueryFilterInfo(FILTER_INFO* pInfo)
{
    if (!pInfo) return E_POINTER;
    pInfo->achName[0] = L'\0';
    if (m_pName) lstrcpynW(pInfo->achName, m_pName, MAX_FILTER_NAME);
    pInfo->pGraph = m_pGraph;
    if (m_pGraph) m_pGraph->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName)
{
    CAutoLock lock(m_pLock);
    m_pGraph = pGraph;
    m_pSink = nullptr;
    if (pGraph && SUCCEEDED(pGraph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&m_pSink))))
        m_pSink->Release();  // the graph outlives its membership: keep the sink weak too
    delete[] m_pName;
    m_pName = nullptr;
    if (pName) {
        size_t cch = std::wcslen(pName) + 1;
        m_pName = new (std::nothrow) WCHAR[cch];
        if (!m_pName) return E_OUTOFMEMORY;
        std::wmemcpy(m_pName, pName, cch);
    }
    return S_OK;
}

HRESULT CBaseFilter::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

HRESULT CBaseFilter::NotifyEvent(long EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2)
{
    IMediaEventSink* pSink = m_pSink;
    if (!pSink) return E_NOTIMPL;
    if (EventCode == EC_COMPLETE) EventParam2 = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this));
    return pSink->Notify(EventCode, EventParam1, EventParam2);
}

HRESULT CBaseFilter::StreamTime(REFERENCE_TIME* prtStream)
{
    if (!prtStream) return E_POINTER;
    CAutoLock lock(m_pLock);
    if (!m_pClock) return VFW_E_NO_CLOCK;
    REFERENCE_TIME now = 0;
    HRESULT hr = m_pClock->GetTime(&now);
    if (FAILED(hr)) return hr;
    *prtStream = now - m_tStart;
    return S_OK;
}
