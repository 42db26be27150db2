#pragma once
// IBaseFilter for a filter whose pins the derived class owns.
//
// Locking: m_pLock is the filter lock, given by the derived class and shared with
// its pins. It guards the state, the clock, the graph and the pins' connections.
// The graph calls the state changes on its own thread; NotifyEvent may be called
// from any thread, and takes no lock (the event sink is kept from JoinFilterGraph).

#include "baseclasses/CUnknown.h"
#include "core/CritSec.h"

#include <strmif.h>

class CBasePin;

class CBaseFilter : public CUnknown, public IBaseFilter {
public:
    CBaseFilter(const WCHAR* pObjectName, IUnknown* pUnk, CCritSec* pLock, REFCLSID clsid);
    ~CBaseFilter() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IPersist
    STDMETHODIMP GetClassID(CLSID* pClsID) override;

    // IMediaFilter
    STDMETHODIMP GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* pState) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* pClock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** pClock) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME tStart) override;

    // IBaseFilter
    STDMETHODIMP EnumPins(IEnumPins** ppEnum) override;
    STDMETHODIMP FindPin(LPCWSTR Id, IPin** ppPin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* pInfo) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR* pVendorInfo) override;

    virtual int GetPinCount() = 0;
    virtual CBasePin* GetPin(int n) = 0;

    // Sends an event to the graph; for EC_COMPLETE the filter itself goes as the second parameter.
    HRESULT NotifyEvent(long EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2);
    HRESULT StreamTime(REFERENCE_TIME* prtStream);

    bool IsStopped() const { return m_State == State_Stopped; }
    bool IsActive() const { return m_State != State_Stopped; }
    FILTER_STATE State() const { return m_State; }
    IFilterGraph* GetFilterGraph() const { return m_pGraph; }
    CCritSec* FilterLock() const { return m_pLock; }

    // Enumerators notice a changed set of pins through this version.
    LONG GetPinVersion() const { return m_PinVersion; }
    void IncrementPinVersion() { InterlockedIncrement(&m_PinVersion); }

protected:
    FILTER_STATE m_State = State_Stopped;
    IReferenceClock* m_pClock = nullptr;
    REFERENCE_TIME m_tStart = 0;
    CCritSec* const m_pLock;

private:
    const CLSID m_clsid;
    // Weak: the graph holds the filter, and a reference back would make a cycle.
    IFilterGraph* m_pGraph = nullptr;
    IMediaEventSink* m_pSink = nullptr;
    WCHAR* m_pName = nullptr;
    volatile LONG m_PinVersion = 1;
};
