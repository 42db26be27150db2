#pragma once
// COM identity for every object of the framework: a non-delegating unknown that
// can be aggregated, and the module-wide count of live objects behind DllCanUnloadNow.

#include <windows.h>
#include <unknwn.h>

struct INonDelegatingUnknown {
    virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;
};

// Counts the module's live objects; a module may unload only when none is left.
class CBaseObject {
public:
    CBaseObject();
    virtual ~CBaseObject();
    CBaseObject(const CBaseObject&) = delete;
    CBaseObject& operator=(const CBaseObject&) = delete;

    static LONG ObjectsActive();

private:
    static LONG s_cObjects;
};

class CUnknown : public INonDelegatingUnknown, public CBaseObject {
public:
    // pUnk is the aggregating outer object, or null for a stand-alone object.
    CUnknown(const WCHAR* pName, IUnknown* pUnk);

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

    IUnknown* GetOwner() const { return m_pUnknown; }
    const WCHAR* ObjectName() const { return m_pObjectName; }

protected:
    volatile LONG m_cRef = 0;

private:
    const WCHAR* const m_pObjectName;
    IUnknown* const m_pUnknown;
};

// Hands out pUnk through ppv with a reference added.
HRESULT GetInterface(IUnknown* pUnk, void** ppv);

// The IUnknown of a class that derives from CUnknown: everything goes to the owner.
#define DECLARE_IUNKNOWN                                                            \
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override                   \
    {                                                                               \
        return GetOwner()->QueryInterface(riid, ppv);                               \
    }                                                                               \
    STDMETHODIMP_(ULONG) AddRef() override { return GetOwner()->AddRef(); }         \
    STDMETHODIMP_(ULONG) Release() override { return GetOwner()->Release(); }
