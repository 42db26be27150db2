#include "baseclasses/CClassFactory.h"

#include <new>

LONG CClassFactory::s_cLocked = 0;

CClassFactory::CClassFactory(const CFactoryTemplate* pTemplate) : m_pTemplate(pTemplate) {}

HRESULT CClassFactory::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) return GetInterface(this, ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CClassFactory::AddRef() { return InterlockedIncrement(&m_cRef); }

ULONG CClassFactory::Release()
{
    LONG cRef = InterlockedDecrement(&m_cRef);
    if (cRef == 0) delete this;
    return cRef;
}

HRESULT CClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    // An aggregated object hands its inner unknown to the outer one, and nothing else.
    if (pUnkOuter && riid != IID_IUnknown) return E_NOINTERFACE;

    HRESULT hr = S_OK;
    CUnknown* pObj = m_pTemplate->m_lpfnNew(pUnkOuter, &hr);
    if (!pObj) return FAILED(hr) ? hr : E_OUTOFMEMORY;
    if (FAILED(hr)) {
        delete pObj;
        return hr;
    }
    pObj->NonDelegatingAddRef();
    hr = pObj->NonDelegatingQueryInterface(riid, ppv);
    pObj->NonDelegatingRelease();
    return hr;
}

HRESULT CClassFactory::LockServer(BOOL fLock)
{
    if (fLock) InterlockedIncrement(&s_cLocked);
    else InterlockedDecrement(&s_cLocked);
    return S_OK;
}

HRESULT CClassFactory::GetClassObject(const CFactoryTable& table, REFCLSID rclsid, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    for (int i = 0; i < table.cTemplates; i++) {
        const CFactoryTemplate* pTemplate = &table.pTemplates[i];
        if (!pTemplate->IsClassID(rclsid)) continue;
        auto* pFactory = new (std::nothrow) CClassFactory(pTemplate);
        if (!pFactory) return E_OUTOFMEMORY;
        pFactory->AddRef();
        *ppv = static_cast<IClassFactory*>(pFactory);
        return S_OK;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CClassFactory::CanUnloadNow()
{
    bool busy = InterlockedCompareExchange(&s_cLocked, 0, 0) != 0 || CBaseObject::ObjectsActive() != 0;
    return busy ? S_FALSE : S_OK;
}
