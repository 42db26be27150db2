#include "baseclasses/CUnknown.h"

LONG CBaseObject::s_cObjects = 0;

CBaseObject::CBaseObject() { InterlockedIncrement(&s_cObjects); }
CBaseObject::~CBaseObject() { InterlockedDecrement(&s_cObjects); }
LONG CBaseObject::ObjectsActive() { return InterlockedCompareExchange(&s_cObjects, 0, 0); }

// A new object has no reference: its creator takes the first one.
CUnknown::CUnknown(const WCHAR* pName, IUnknown* pUnk)
    : m_pObjectName(pName),
      m_pUnknown(pUnk ? pUnk : reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(this)))
{
}

HRESULT CUnknown::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown)
        return GetInterface(reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(this)), ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CUnknown::NonDelegatingAddRef() { return InterlockedIncrement(&m_cRef); }

ULONG CUnknown::NonDelegatingRelease()
{
    LONG cRef = InterlockedDecrement(&m_cRef);
    if (cRef == 0) {
        // A destructor that takes and drops a reference must not delete twice.
        m_cRef = 1;
        delete this;
    }
    return cRef;
}

HRESULT GetInterface(IUnknown* pUnk, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = pUnk;
    pUnk->AddRef();
    return S_OK;
}
