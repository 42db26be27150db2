#pragma once
// IClassFactory for one entry of a module's template table, and the module entry
// points that stand on it (DllGetClassObject, DllCanUnloadNow).

#include "baseclasses/FactoryTemplate.h"

class CClassFactory : public IClassFactory, public CBaseObject {
public:
    explicit CClassFactory(const CFactoryTemplate* pTemplate);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IClassFactory
    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL fLock) override;

    static HRESULT GetClassObject(const CFactoryTable& table, REFCLSID rclsid, REFIID riid, void** ppv);
    // S_FALSE while any object of the module lives or a factory is locked.
    static HRESULT CanUnloadNow();

private:
    const CFactoryTemplate* const m_pTemplate;
    volatile LONG m_cRef = 0;
    static LONG s_cLocked;
};
