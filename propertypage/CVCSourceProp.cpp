#include "propertypage/CVCSourceProp.h"

#include "DShowFilters/CPropertyText.h"
#include "core/ByteOrder.h"
#include "core/Trace.h"
#include "playback/PlayTime.h"
#include "propertypage/CCheckBox.h"
#include "propertypage/CDateTimePicker.h"
#include "propertypage/CEditControl.h"
#include "propertypage/CRadioButton.h"
#include "propertypage/PropertyPageIds.h"

#include <winsock2.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <new>

namespace {

constexpr uint32_t kNicNotSet = 0xFFFFFFFE;
constexpr uint16_t kComTypeFile = 8;
constexpr int kPathChars = 260;
constexpr int kNameChars = 16;
const wchar_t kRefresh[] = L"CVCSourceProp::Refresh_";
const wchar_t kSave[] = L"CVCSourceProp::OnSave_()";
const wchar_t kFilter[] = L"VCSourceFilter";
const wchar_t kPlayFilter[] = L"HVCSourceFilter";

struct ComTypeButton {
    uint16_t usType;
    int id;
};
constexpr ComTypeButton kComTypeButtons[] = {
    {0, IDC_UNICAST}, {1, IDC_MULTICAST}, {2, IDC_HTTP}, {kComTypeFile, IDC_FILE}};

// The controls whose edits make the page dirty.
constexpr int kEditedControls[] = {IDC_IPADDRESS, IDC_PLAYPATH, IDC_PORT,       IDC_NIC,         IDC_UNICAST,
                                   IDC_MULTICAST, IDC_HTTP,     IDC_FILE,       IDC_USERNAME,    IDC_PASSWORD,
                                   IDC_SSL,       IDC_RECORD,   IDC_LIVE,       IDC_AREA_NORMAL, IDC_AREA_ALARM,
                                   IDC_SPEED,     IDC_PLAY_AUDIO, IDC_AUDIO_MODEL};
constexpr int kPickers[] = {IDC_START_DATE, IDC_END_DATE, IDC_START_TIME, IDC_END_TIME, IDC_TOP_DATE, IDC_TOP_TIME};

template <size_t N>
bool Contains(const int (&ids)[N], int id)
{
    return std::find(std::begin(ids), std::end(ids), id) != std::end(ids);
}

VARIANT ByReference(void* p)
{
    VARIANT v = {};
    v.byref = p;
    return v;
}

VARIANT Flag(bool bOn)
{
    VARIANT v = {};
    v.boolVal = bOn ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

bool IsTrue(const VARIANT& v) { return static_cast<uint16_t>(v.boolVal) == 0xFFFF; }

// Dotted, as vcsf prints it; the not-set interface shows as an empty box.
void ShowAddress(HWND hDialog, int id, const VARIANT& value)
{
    const std::wstring text = value.ulVal == kNicNotSet ? L"" : CPropertyText::Format(PropertyForm::Address, value);
    CEditControl(hDialog, id).SetText(text.c_str());
}

int CALLBACK BrowseCallback(HWND hwnd, UINT uMsg, LPARAM, LPARAM lpData)
{
    if (uMsg == BFFM_INITIALIZED) SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, lpData);
    return 0;
}

}  // namespace

CUnknown* CVCSourceProp::CreateInstance(IUnknown* pUnkOuter, HRESULT* phr)
{
    auto* pPage = new (std::nothrow) CVCSourceProp(pUnkOuter);
    if (!pPage) *phr = E_OUTOFMEMORY;
    return pPage;
}

CVCSourceProp::CVCSourceProp(IUnknown* pUnkOuter)
    : CBasePropertyPage(L"CVCSourceProp", pUnkOuter, IDD_VCSOURCEPROP, IDS_VCSOURCEPROP_TITLE)
{
    // The dialog's pickers are common controls.
    const INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_DATE_CLASSES};
    InitCommonControlsEx(&controls);
    g_Trace(0, L"CVCSourceProp constructor.");
}

HRESULT CVCSourceProp::OnConnect(IUnknown* pUnknown)
{
    if (m_pConfig) m_pConfig->Release();
    m_pConfig = nullptr;
    return pUnknown->QueryInterface(IID_IVLMVCConfigure3, reinterpret_cast<void**>(&m_pConfig));
}

HRESULT CVCSourceProp::OnDisconnect()
{
    if (m_pConfig) m_pConfig->Release();
    m_pConfig = nullptr;
    return S_OK;
}

HRESULT CVCSourceProp::OnActivate()
{
    Refresh_();
    m_bActivated = 1;
    return S_OK;
}

HRESULT CVCSourceProp::OnDeactivate()
{
    m_bActivated = 0;
    if (!g_bTraceEnable) {
        g_bTraceEnable = 1;
        g_TraceStart(0);
    }
    return S_OK;
}

HRESULT CVCSourceProp::OnApplyChanges()
{
    OnSave_();
    return S_OK;
}

// The dirty flag is cleared and the frame told that the page is valid again.
void CVCSourceProp::Validated()
{
    m_bDirty = false;
    if (m_pPageSite) m_pPageSite->OnStatusChange(PROPPAGESTATUS_VALIDATE);
}

HRESULT CVCSourceProp::Refresh_()
{
    if (!m_pConfig || !m_hDialog) return E_UNEXPECTED;
    if (!RefreshNetwork()) return E_FAIL;
    RefreshFlags();
    RefreshPlayback();
    Validated();
    return S_OK;
}

// False when a read failed: the refresh stops there.
bool CVCSourceProp::RefreshNetwork()
{
    VARIANT v = {};
    if (FAILED(m_pConfig->GetValue(VCSF_ComType, &v))) {
        g_ErrorLog(1, kRefresh, L"VCSF_ComType GetValue error.");
        return false;
    }
    const uint16_t usType = v.uiVal & 0x0F;
    const auto button = std::find_if(std::begin(kComTypeButtons), std::end(kComTypeButtons),
                                     [&](const ComTypeButton& b) { return b.usType == usType; });
    if (button != std::end(kComTypeButtons))
        CheckRadioButton(m_hDialog, IDC_UNICAST, IDC_FILE, button->id);
    else
        g_ErrorLog(1, kRefresh, L"VCSF_ComType returned undefined value.");

    if (FAILED(m_pConfig->GetValue(VCSF_NIC, &v))) {
        g_ErrorLog(1, kRefresh, L"NIC GetValue error.");
        return false;
    }
    ShowAddress(m_hDialog, IDC_NIC, v);
    if (FAILED(m_pConfig->GetValue(usType == 1 ? VCSF_MCAddress : VCSF_Address, &v))) {
        g_ErrorLog(1, kRefresh, L"IP Address GetValue error.");
        return false;
    }
    ShowAddress(m_hDialog, IDC_IPADDRESS, v);
    if (FAILED(m_pConfig->GetValue(usType == 0 ? VCSF_Port : usType == 1 ? VCSF_MulticastPort : VCSF_TCPPort, &v))) {
        g_ErrorLog(1, kRefresh, L"Port GetValue error.");
        return false;
    }
    CEditControl(m_hDialog, IDC_PORT).SetNumber(NetToHost16(v.uiVal));
    return true;
}

// These reads are not reported: a box whose read failed stays as it was.
void CVCSourceProp::RefreshFlags()
{
    for (const auto& [id, control] : {std::pair{&VCSF_UserName, IDC_USERNAME}, std::pair{&VCSF_Password, IDC_PASSWORD}}) {
        wchar_t text[kNameChars + 1] = {};
        VARIANT v = ByReference(text);
        if (SUCCEEDED(m_pConfig->GetValue(*id, &v))) CEditControl(m_hDialog, control).SetText(text);
    }
    for (const auto& [id, control] : {std::pair{&VCSF_UseSSL, IDC_SSL}, std::pair{&HVSF_Rec, IDC_RECORD},
                                      std::pair{&HVSF_Live, IDC_LIVE}, std::pair{&HVSF_AudioModel, IDC_AUDIO_MODEL}}) {
        VARIANT v = {};
        if (SUCCEEDED(m_pConfig->GetValue(*id, &v))) CCheckBox(m_hDialog, control).SetChecked(IsTrue(v));
    }
}

// A failed read is logged and the refresh goes on.
void CVCSourceProp::RefreshPlayback()
{
    wchar_t path[kPathChars + 1] = {};
    VARIANT v = ByReference(path);
    if (FAILED(m_pConfig->GetValue(VCF_PlayPath, &v))) g_ErrorLog(0, kFilter, L"再生パス取得エラー");
    CEditControl(m_hDialog, IDC_PLAYPATH).SetText(path);
    ShowSpeed();
    v = {};
    if (FAILED(m_pConfig->GetValue(VCF_PlayArea, &v))) g_ErrorLog(0, kFilter, L"再生エリア取得エラー");
    CCheckBox(m_hDialog, IDC_AREA_NORMAL).SetChecked(v.bVal & 1);
    CCheckBox(m_hDialog, IDC_AREA_ALARM).SetChecked(v.bVal & 2);
    v = {};
    if (FAILED(m_pConfig->GetValue(VCF_PlayAudio, &v))) g_ErrorLog(0, kPlayFilter, L"再生音声取得エラー");
    CCheckBox(m_hDialog, IDC_PLAY_AUDIO).SetChecked(IsTrue(v));
    ShowDate(VCF_PlayDateStart, IDC_START_DATE, IDC_START_TIME, L"再生開始時刻取得エラー");
    ShowDate(VCF_PlayDateTop, IDC_TOP_DATE, IDC_TOP_TIME, L"再生先頭時刻取得エラー");
    ShowDate(VCF_PlayDateEnd, IDC_END_DATE, IDC_END_TIME, L"再生終了時刻取得エラー");
}

void CVCSourceProp::ShowSpeed()
{
    VARIANT v = {};
    v.dblVal = 1.0;
    if (FAILED(m_pConfig->GetValue(VCF_PlaySpeed, &v))) g_ErrorLog(0, kFilter, L"再生スピード取得エラー");
    CEditControl(m_hDialog, IDC_SPEED).SetText(CPropertyText::Format(PropertyForm::Double, v).c_str());
}

void CVCSourceProp::ShowDate(REFGUID id, int dateId, int timeId, const wchar_t* pszError)
{
    SYSTEMTIME time = {};
    VARIANT v = ByReference(&time);
    if (FAILED(m_pConfig->GetValue(id, &v))) {
        g_ErrorLog(0, kPlayFilter, pszError);
        return;
    }
    CDateTimePicker(m_hDialog, dateId).Set(time);
    CDateTimePicker(m_hDialog, timeId).Set(time);
}

// An address box as inet_addr reads it; an empty box or 255.255.255.255 (or text
// that is no address) is refused.
bool CVCSourceProp::ReadAddress(int id, const wchar_t* pszTrace, const wchar_t* pszError, uint32_t* pulAddress) const
{
    wchar_t text[32];
    CEditControl(m_hDialog, id).GetText(text, 32);
    char narrow[32] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof(narrow), nullptr, nullptr);
    *pulAddress = inet_addr(narrow);
    g_Trace(0, pszTrace, *pulAddress);
    if (text[0] != L'\0' && *pulAddress != INADDR_NONE) return true;
    g_ErrorLog(0, kSave, pszError);
    return false;
}

uint16_t CVCSourceProp::CheckedComType() const
{
    for (const ComTypeButton& button : kComTypeButtons)
        if (CRadioButton(m_hDialog, button.id).IsChecked()) return button.usType;
    g_Trace(3, L"OnSave() radio button was not checked...");
    return 0;
}

HRESULT CVCSourceProp::OnSave_()
{
    if (!m_pConfig || !m_hDialog) return E_UNEXPECTED;
    uint32_t ulNIC = 0, ulAddress = 0;
    if (!ReadAddress(IDC_NIC, L"ulNICP = 0x%08x", L"NIC設定が間違っています。", &ulNIC)) return E_FAIL;
    if (!ReadAddress(IDC_IPADDRESS, L"ulIPP = 0x%08x", L"IP設定が間違っています。", &ulAddress)) return E_FAIL;
    const uint16_t usPort = HostToNet16(static_cast<uint16_t>(CEditControl(m_hDialog, IDC_PORT).GetNumber()));
    SaveNetwork(ulNIC, ulAddress, usPort, CheckedComType());
    SaveText(VCSF_UserName, IDC_USERNAME, 2 * kNameChars, kNameChars, L"ユーザー名設定エラー");
    SaveText(VCSF_Password, IDC_PASSWORD, 2 * kNameChars, kNameChars, L"パスワード設定エラー");
    SaveFlag(VCSF_UseSSL, IsChecked(IDC_SSL), kFilter, L"SSL設定エラー");
    SaveFlag(HVSF_AudioModel, IsChecked(IDC_AUDIO_MODEL), kFilter, L"AudioModel Setting error.");
    SaveFlag(HVSF_Rec, IsButtonOn(IDC_RECORD), kPlayFilter, L"記録設定エラー");
    SaveFlag(HVSF_Live, IsButtonOn(IDC_LIVE), kPlayFilter, L"ライブ設定エラー");
    SavePlayback();
    Validated();
    return S_OK;
}

void CVCSourceProp::SaveNetwork(uint32_t ulNIC, uint32_t ulAddress, uint16_t usPort, uint16_t usComType)
{
    VARIANT v = {};
    v.ulVal = ulNIC;
    Save(VCSF_NIC, v, kFilter, L"NIC設定エラー");
    v.ulVal = ulAddress;
    if (usComType == 1) Save(VCSF_MCAddress, v, kFilter, L"マルチキャストIPアドレス設定エラー");
    else Save(VCSF_Address, v, kFilter, L"IPアドレス設定エラー");
    v = {};
    v.uiVal = usPort;
    if (usComType == 0) Save(VCSF_Port, v, kFilter, L"UDPユニキャストポート設定エラー");
    else if (usComType == 1) Save(VCSF_MulticastPort, v, kFilter, L"UDPマルチキャストポート設定エラー");
    else if (usComType == 2) Save(VCSF_TCPPort, v, kFilter, L"TCPポート設定エラー");
    v.uiVal = usComType;
    Save(VCSF_ComType, v, L"VCsourceFilter", L"ComType設定エラー");
}

void CVCSourceProp::SavePlayback()
{
    SaveText(VCF_PlayPath, IDC_PLAYPATH, kPathChars, kPathChars, L"再生パス設定エラー");
    SaveSpeed();
    VARIANT v = {};
    v.bVal = (IsChecked(IDC_AREA_NORMAL) ? 1 : 0) | (IsChecked(IDC_AREA_ALARM) ? 2 : 0);
    Save(VCF_PlayArea, v, kFilter, L"再生エリア設定エラー");
    SaveFlag(VCF_PlayAudio, IsButtonOn(IDC_PLAY_AUDIO), kPlayFilter, L"再生音声設定エラー");
    SaveDate(VCF_PlayDateStart, IDC_START_DATE, IDC_START_TIME, L"再生開始時刻設定エラー");
    SaveDate(VCF_PlayDateTop, IDC_TOP_DATE, IDC_TOP_TIME, L"再生先頭時刻設定エラー");
    SaveDate(VCF_PlayDateEnd, IDC_END_DATE, IDC_END_TIME, L"再生終了時刻設定エラー");
}

// A speed playback cannot take is refused like a failed write; the box then shows
// the speed the filter holds, as it does after any save.
void CVCSourceProp::SaveSpeed()
{
    wchar_t text[32];
    CEditControl(m_hDialog, IDC_SPEED).GetText(text, 32);
    std::wstring typed = text;
    typed.erase(typed.find_last_not_of(L' ') + 1);  // spaces a user left after the number
    VARIANT v = {};
    std::wstring reason;
    CPropertyText parser;
    if (parser.Parse(PropertyForm::Double, typed, &v, &reason) && v.dblVal >= kMinSpeed && v.dblVal <= kMaxSpeed)
        Save(VCF_PlaySpeed, v, kFilter, L"再生スピード設定エラー");
    else
        g_ErrorLog(0, kFilter, L"再生スピード設定エラー");
    ShowSpeed();
}

void CVCSourceProp::SaveDate(REFGUID id, int dateId, int timeId, const wchar_t* pszError)
{
    SYSTEMTIME date = {}, time = {};
    CDateTimePicker(m_hDialog, dateId).Get(&date);
    CDateTimePicker(m_hDialog, timeId).Get(&time);
    date.wHour = time.wHour;
    date.wMinute = time.wMinute;
    date.wSecond = time.wSecond;
    Save(id, ByReference(&date), kPlayFilter, pszError);
}

void CVCSourceProp::Save(REFGUID id, VARIANT value, const wchar_t* pszSource, const wchar_t* pszError)
{
    if (FAILED(m_pConfig->SetValue(id, &value))) g_ErrorLog(0, pszSource, pszError);
}

// The box read into cchRead characters, its first cchStored stored, the rest of the
// stored field zero.
void CVCSourceProp::SaveText(REFGUID id, int controlId, int cchRead, int cchStored, const wchar_t* pszError)
{
    wchar_t text[kPathChars + 1] = {};
    CEditControl(m_hDialog, controlId).GetText(text, cchRead);
    std::fill(text + cchStored, std::end(text), L'\0');
    Save(id, ByReference(text), kFilter, pszError);
}

void CVCSourceProp::SaveFlag(REFGUID id, bool bOn, const wchar_t* pszSource, const wchar_t* pszError)
{
    Save(id, Flag(bOn), pszSource, pszError);
}

// Checked or indeterminate.
bool CVCSourceProp::IsButtonOn(int id) const { return CCheckBox(m_hDialog, id).GetState() != BST_UNCHECKED; }

bool CVCSourceProp::IsChecked(int id) const { return CCheckBox(m_hDialog, id).GetState() == BST_CHECKED; }

INT_PTR CVCSourceProp::OnReceiveMessage(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        m_hDialog = hwnd;
        return TRUE;
    case WM_DESTROY:
        m_hDialog = nullptr;
        break;
    case WM_NOTIFY: {
        const auto* pHeader = reinterpret_cast<const NMHDR*>(lParam);
        if (pHeader->code == DTN_DATETIMECHANGE && Contains(kPickers, static_cast<int>(pHeader->idFrom))) SetDirty();
        break;
    }
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    default:
        break;
    }
    return CBasePropertyPage::OnReceiveMessage(hwnd, uMsg, wParam, lParam);
}

// SAVE counts whenever it comes; other commands only on the activated page, and
// only clicks and text changes.
void CVCSourceProp::OnCommand(int id, int code)
{
    if (id < IDC_FIRST_CONTROL || id > IDC_LAST_CONTROL) return;
    if (id == IDC_SAVE) {
        const HRESULT hr = OnSave_();
        if (FAILED(hr)) g_ErrorLog(1, L"CVCSourceProp::OnReceiveMessage", L"設定に失敗しました。エラーコード：%08xh", hr);
        return;
    }
    if (!m_bActivated || (code != BN_CLICKED && code != EN_CHANGE)) return;
    if (Contains(kEditedControls, id)) SetDirty();
    else if (id == IDC_CHOOSE_PATH) ChoosePlayFolder();
}

// The shell's folder browser, then the folder's earliest and latest recorded times.
void CVCSourceProp::ChoosePlayFolder()
{
    wchar_t path[MAX_PATH] = {};
    CEditControl(m_hDialog, IDC_PLAYPATH).GetText(path, MAX_PATH);
    BROWSEINFOW browse = {};
    browse.hwndOwner = m_hDialog;
    browse.lpszTitle = L"Choose Play directory...";
    browse.ulFlags = BIF_NEWDIALOGSTYLE | BIF_RETURNONLYFSDIRS;
    browse.lpfn = BrowseCallback;
    browse.lParam = reinterpret_cast<LPARAM>(path);
    PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&browse);
    if (!pidl) return;
    wchar_t chosen[MAX_PATH] = {};
    const bool bPath = SHGetPathFromIDListW(pidl, chosen);
    CoTaskMemFree(pidl);
    if (!bPath) return;
    CEditControl(m_hDialog, IDC_PLAYPATH).SetText(chosen);
    if (SUCCEEDED(m_Minvault.Load())) {
        ShowRecordingEnd(chosen, false, IDC_START_DATE, IDC_START_TIME, IDC_TOP_DATE, IDC_TOP_TIME);
        ShowRecordingEnd(chosen, true, IDC_END_DATE, IDC_END_TIME, 0, 0);
    }
    SetDirty();
}

// The earliest time goes to Start and Top; the latest to End.
void CVCSourceProp::ShowRecordingEnd(const wchar_t* pszFolder, bool bLatest, int dateId, int timeId, int topDateId,
                                     int topTimeId)
{
    const MinuteFileQuery query = RecordingEndQuery(pszFolder, bLatest);
    uint8_t result[kMinvaultResultSize] = {};
    const int32_t status = m_Minvault.SearchMinuteFile(&query, result);
    if (bLatest ? status < 0 : status != 0) return;
    const SYSTEMTIME time = SystemTimeOf(static_cast<int64_t>(ReadLE64(result + kMinvaultTimeOffset)));
    for (const int id : {dateId, timeId, topDateId, topTimeId})
        if (id) CDateTimePicker(m_hDialog, id).Set(time);
}
