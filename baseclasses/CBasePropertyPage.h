#pragma once
// IPropertyPage over a dialog resource of the module that the page is linked into.
// The host's frame drives it on its own (UI) thread: SetPageSite, SetObjects,
// Activate (the dialog is created), Apply, Deactivate (the dialog is destroyed).

#include "baseclasses/CUnknown.h"

#include <ocidl.h>

class CBasePropertyPage : public CUnknown, public IPropertyPage {
public:
    CBasePropertyPage(const WCHAR* pObjectName, IUnknown* pUnk, int dialogId, int titleId);
    ~CBasePropertyPage() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IPropertyPage
    STDMETHODIMP SetPageSite(IPropertyPageSite* pPageSite) override;
    STDMETHODIMP Activate(HWND hwndParent, LPCRECT prect, BOOL fModal) override;
    STDMETHODIMP Deactivate() override;
    STDMETHODIMP GetPageInfo(PROPPAGEINFO* pPageInfo) override;
    STDMETHODIMP SetObjects(ULONG cObjects, IUnknown** ppUnk) override;
    STDMETHODIMP Show(UINT nCmdShow) override;
    STDMETHODIMP Move(LPCRECT prect) override;
    STDMETHODIMP IsPageDirty() override;
    STDMETHODIMP Apply() override;
    STDMETHODIMP Help(LPCOLESTR pszHelpDir) override;
    STDMETHODIMP TranslateAccelerator(MSG* pMsg) override;

    // What a derived page refines.
    virtual HRESULT OnConnect(IUnknown* pUnknown);
    virtual HRESULT OnDisconnect();
    virtual HRESULT OnActivate();
    virtual HRESULT OnDeactivate();
    virtual HRESULT OnApplyChanges();
    virtual INT_PTR OnReceiveMessage(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    // The module whose resources hold the dialog and the title.
    static HMODULE ResourceModule();

protected:
    // Marks the page changed and tells the frame, which enables its Apply button.
    void SetDirty();

    HWND m_hwnd = nullptr;  // the dialog, from Activate to Deactivate
    IPropertyPageSite* m_pPageSite = nullptr;
    bool m_bDirty = false;
    bool m_bObjectSet = false;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    HRESULT DialogSize(SIZE* pSize) const;

    const int m_DialogId;
    const int m_TitleId;
};
