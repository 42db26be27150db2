#pragma once
// The frame's side of a property page: it hears when the page changes.

#include <ocidl.h>

class CTestPageSite : public IPropertyPageSite {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IPropertyPageSite) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP OnStatusChange(DWORD dwFlags) override
    {
        lastStatus = dwFlags;
        return S_OK;
    }
    STDMETHODIMP GetLocaleID(LCID* pLocaleID) override
    {
        *pLocaleID = LOCALE_USER_DEFAULT;
        return S_OK;
    }
    STDMETHODIMP GetPageContainer(IUnknown**) override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAccelerator(MSG*) override { return E_NOTIMPL; }

    LONG refs = 1;
    DWORD lastStatus = 0;
};
