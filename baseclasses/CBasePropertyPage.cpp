#include "baseclasses/CBasePropertyPage.h"

#include <cstring>

namespace {

INT_PTR CALLBACK MeasureProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

CBasePropertyPage::CBasePropertyPage(const WCHAR* pObjectName, IUnknown* pUnk, int dialogId, int titleId)
    : CUnknown(pObjectName, pUnk), m_DialogId(dialogId), m_TitleId(titleId)
{
}

CBasePropertyPage::~CBasePropertyPage()
{
    if (m_hwnd) DestroyWindow(m_hwnd);
    if (m_pPageSite) m_pPageSite->Release();
}

HRESULT CBasePropertyPage::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IPropertyPage) return GetInterface(static_cast<IPropertyPage*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HMODULE CBasePropertyPage::ResourceModule()
{
    HMODULE hModule = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&MeasureProc), &hModule);
    return hModule;
}

HRESULT CBasePropertyPage::SetPageSite(IPropertyPageSite* pPageSite)
{
    if (pPageSite) {
        if (m_pPageSite) return E_UNEXPECTED;
        m_pPageSite = pPageSite;
        m_pPageSite->AddRef();
        return S_OK;
    }
    if (!m_pPageSite) return E_UNEXPECTED;
    m_pPageSite->Release();
    m_pPageSite = nullptr;
    return S_OK;
}

HRESULT CBasePropertyPage::SetObjects(ULONG cObjects, IUnknown** ppUnk)
{
    if (cObjects == 1) {
        if (!ppUnk || !*ppUnk) return E_POINTER;
        m_bObjectSet = true;
        return OnConnect(*ppUnk);
    }
    if (cObjects == 0) {
        m_bObjectSet = false;
        return OnDisconnect();
    }
    return E_UNEXPECTED;
}

HRESULT CBasePropertyPage::Activate(HWND hwndParent, LPCRECT prect, BOOL)
{
    if (!prect) return E_POINTER;
    if (m_hwnd) return E_UNEXPECTED;
    HWND hwnd = CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(m_DialogId), hwndParent, DialogProc,
                                   reinterpret_cast<LPARAM>(this));
    if (!hwnd) return E_OUTOFMEMORY;
    m_hwnd = hwnd;
    HRESULT hr = OnActivate();
    if (FAILED(hr)) return hr;
    Move(prect);
    return Show(SW_SHOWNORMAL);
}

HRESULT CBasePropertyPage::Deactivate()
{
    if (!m_hwnd) return E_UNEXPECTED;
    HRESULT hr = OnDeactivate();
    DestroyWindow(m_hwnd);
    m_hwnd = nullptr;
    return hr;
}

HRESULT CBasePropertyPage::DialogSize(SIZE* pSize) const
{
    HWND hwnd = CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(m_DialogId), GetDesktopWindow(),
                                   MeasureProc, 0);
    if (!hwnd) return E_FAIL;
    RECT rc;
    GetWindowRect(hwnd, &rc);
    DestroyWindow(hwnd);
    pSize->cx = rc.right - rc.left;
    pSize->cy = rc.bottom - rc.top;
    return S_OK;
}

HRESULT CBasePropertyPage::GetPageInfo(PROPPAGEINFO* pPageInfo)
{
    if (!pPageInfo) return E_POINTER;
    std::memset(pPageInfo, 0, sizeof(*pPageInfo));
    pPageInfo->cb = sizeof(PROPPAGEINFO);
    HRESULT hr = DialogSize(&pPageInfo->size);
    if (FAILED(hr)) return hr;

    const WCHAR* pTitle = nullptr;
    int cch = LoadStringW(ResourceModule(), m_TitleId, reinterpret_cast<LPWSTR>(&pTitle), 0);
    size_t cb = (static_cast<size_t>(cch) + 1) * sizeof(WCHAR);
    pPageInfo->pszTitle = static_cast<LPOLESTR>(CoTaskMemAlloc(cb));
    if (!pPageInfo->pszTitle) return E_OUTOFMEMORY;
    if (cch) std::memcpy(pPageInfo->pszTitle, pTitle, cch * sizeof(WCHAR));
    pPageInfo->pszTitle[cch] = L'\0';
    return S_OK;
}

HRESULT CBasePropertyPage::Show(UINT nCmdShow)
{
    if (!m_hwnd) return E_UNEXPECTED;
    if (nCmdShow != SW_SHOW && nCmdShow != SW_SHOWNORMAL && nCmdShow != SW_HIDE) return E_INVALIDARG;
    ShowWindow(m_hwnd, nCmdShow);
    InvalidateRect(m_hwnd, nullptr, TRUE);
    return S_OK;
}

HRESULT CBasePropertyPage::Move(LPCRECT prect)
{
    if (!prect) return E_POINTER;
    if (!m_hwnd) return E_UNEXPECTED;
    MoveWindow(m_hwnd, prect->left, prect->top, prect->right - prect->left, prect->bottom - prect->top, TRUE);
    return S_OK;
}

HRESULT CBasePropertyPage::IsPageDirty() { return m_bDirty ? S_OK : S_FALSE; }

HRESULT CBasePropertyPage::Apply()
{
    if (!m_bObjectSet || !m_pPageSite) return E_UNEXPECTED;
    if (!m_bDirty) return S_OK;
    HRESULT hr = OnApplyChanges();
    if (SUCCEEDED(hr)) m_bDirty = false;
    return hr;
}

HRESULT CBasePropertyPage::Help(LPCOLESTR) { return E_NOTIMPL; }
HRESULT CBasePropertyPage::TranslateAccelerator(MSG*) { return E_NOTIMPL; }

HRESULT CBasePropertyPage::OnConnect(IUnknown*) { return S_OK; }
HRESULT CBasePropertyPage::OnDisconnect() { return S_OK; }
HRESULT CBasePropertyPage::OnActivate() { return S_OK; }
HRESULT CBasePropertyPage::OnDeactivate() { return S_OK; }
HRESULT CBasePropertyPage::OnApplyChanges() { return S_OK; }

INT_PTR CBasePropertyPage::OnReceiveMessage(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

void CBasePropertyPage::SetDirty()
{
    m_bDirty = true;
    if (m_pPageSite) m_pPageSite->OnStatusChange(PROPPAGESTATUS_DIRTY);
}

INT_PTR CALLBACK CBasePropertyPage::DialogProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG) SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    auto* pPage = reinterpret_cast<CBasePropertyPage*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!pPage) return FALSE;
    if (uMsg == WM_INITDIALOG) pPage->m_hwnd = hwnd;  // messages from here on may use it
    return pPage->OnReceiveMessage(hwnd, uMsg, wParam, lParam);
}
