#include "tools/vcsf/CPageCommand.h"

#include "DShowFilters/IVLMVCConfigure.h"
#include "tools/vcsf/CCommandLine.h"
#include "tools/vcsf/CStreamReport.h"
#include "tools/vcsf/CWindowPicture.h"

#include <olectl.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

constexpr UINT kLookMs = 100;
CPageCommand* g_pPictured = nullptr;  // the command whose frame the timer looks for

// The property frame: a visible dialog of this thread that holds the page's SAVE button.
struct FrameSearch {
    HWND hFrame = nullptr;
    bool bPageShown = false;
};

BOOL CALLBACK FindSave(HWND hwnd, LPARAM lParam)
{
    wchar_t text[8] = {};
    GetWindowTextW(hwnd, text, 8);
    if (wcscmp(text, L"SAVE") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    reinterpret_cast<FrameSearch*>(lParam)->bPageShown = true;
    return FALSE;
}

BOOL CALLBACK FindFrame(HWND hwnd, LPARAM lParam)
{
    auto* pSearch = reinterpret_cast<FrameSearch*>(lParam);
    if (!IsWindowVisible(hwnd)) return TRUE;
    EnumChildWindows(hwnd, FindSave, lParam);
    if (!pSearch->bPageShown) return TRUE;
    pSearch->hFrame = hwnd;
    return FALSE;
}

}  // namespace

int CPageCommand::Run(const std::vector<std::wstring>& args)
{
    if (!Parse(args)) return 2;
    ComPtr<IVLMVCConfigure> config;
    if (FAILED(m_pFilter->QueryInterface(IID_PPV_ARGS(&config)))) {
        m_errors = L"vcsf page: the filter has no configuration interface\n";
        return 2;
    }
    CConfigCommand command(config.Get(), L"vcsf page");
    if (!command.Apply(m_assignments)) {
        m_errors = command.Errors();
        return command.Malformed() ? 2 : 1;
    }
    const HRESULT hr = ShowFrame();
    m_output = L"# filter: " + m_pHost->Origin() + L"\n" + command.Listing();
    if (FAILED(hr)) {
        m_errors += L"vcsf page: the property frame failed: " + CStreamReport::SystemError(static_cast<DWORD>(hr)) +
                    CStreamReport::Printed(L" (0x%08lX)\n", static_cast<unsigned long>(hr));
        return 1;
    }
    if (m_screenshot.empty()) return 0;
    if (!m_bPictured || FAILED(m_hrPicture)) {
        m_errors += L"vcsf page: no picture of the page was written to " + m_screenshot +
                    CStreamReport::Printed(L" (0x%08lX)\n", static_cast<unsigned long>(m_hrPicture));
        return 1;
    }
    return 0;
}

bool CPageCommand::Parse(const std::vector<std::wstring>& args)
{
    std::vector<CCommandLine::Item> items;
    std::wstring error;
    if (!CCommandLine::Split(args, {}, &items, &error)) {
        m_errors = L"vcsf page: " + error + L"\n";
        return false;
    }
    for (const CCommandLine::Item& item : items) {
        if (item.name == L"--screenshot") {
            m_screenshot = item.value;
        } else if (item.IsOperand()) {
            m_assignments.emplace_back(item.value);
        } else {
            m_errors = L"vcsf page: unknown option " + item.name + L" (vcsf page --help lists them)\n";
            return false;
        }
    }
    return true;
}

// The frame creates the page by its class: the module's class object is made known
// to COM for the frame's life, in case the module is not registered.
HRESULT CPageCommand::ShowFrame()
{
    ComPtr<IClassFactory> factory;
    HRESULT hr = m_pHost->GetClassObject(CLSID_VCSourceProp, &factory);
    if (FAILED(hr)) return hr;
    DWORD dwCookie = 0;
    hr = CoRegisterClassObject(CLSID_VCSourceProp, factory.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &dwCookie);
    if (FAILED(hr)) return hr;
    UINT_PTR timer = 0;
    if (!m_screenshot.empty()) {
        g_pPictured = this;
        timer = SetTimer(nullptr, 0, kLookMs, OnTimer);
    }
    IUnknown* pObject = m_pFilter;
    const CLSID page = CLSID_VCSourceProp;
    hr = OleCreatePropertyFrame(nullptr, 0, 0, L"VCodecSourceFilter", 1, &pObject, 1, const_cast<CLSID*>(&page),
                                LOCALE_USER_DEFAULT, 0, nullptr);
    if (timer) KillTimer(nullptr, timer);
    g_pPictured = nullptr;
    CoRevokeClassObject(dwCookie);
    return hr;
}

void CALLBACK CPageCommand::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (!g_pPictured || g_pPictured->m_bPictured) return;
    FrameSearch search;
    EnumThreadWindows(GetCurrentThreadId(), FindFrame, reinterpret_cast<LPARAM>(&search));
    if (search.hFrame) g_pPictured->TakePicture(search.hFrame);
}

// Pictured once; then the frame closes as its Cancel button would close it.
void CPageCommand::TakePicture(HWND hFrame)
{
    m_bPictured = true;
    CWindowPicture picture;
    m_hrPicture = picture.Take(hFrame);
    if (SUCCEEDED(m_hrPicture)) m_hrPicture = picture.SavePng(m_screenshot);
    if (SUCCEEDED(m_hrPicture))
        m_errors += CStreamReport::Printed(L"vcsf page: the page pictured, %d x %d pixels, in ", picture.Width(),
                                           picture.Height()) + m_screenshot + L"\n";
    PostMessageW(hFrame, WM_COMMAND, IDCANCEL, 0);
}
