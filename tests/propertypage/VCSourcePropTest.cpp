// The filter's property page on a virtual display, driven with the window messages
// that a user's keys and clicks send, against a real filter.

#include "propertypage/CVCSourceProp.h"

#include "minvault/CWinMinuteStore.h"
#include "playback/PlayTime.h"
#include "propertypage/PropertyPageIds.h"
#include "tests/core/MinuteRecordings.h"
#include "tests/filter/CConfiguredFilterTest.h"
#include "tests/support/CTempFolder.h"
#include "tests/support/CTestPageSite.h"
#include "tests/support/CTraceFileSession.h"
#include "tools/vcsf/CWindowPicture.h"

#include <commctrl.h>
#include <shlobj.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

std::string Cp932(const wchar_t* psz)
{
    char bytes[256] = {};
    WideCharToMultiByte(932, 0, psz, -1, bytes, sizeof(bytes), nullptr, nullptr);
    return bytes;
}

bool SameDate(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay;
}

bool SameTimeOfDay(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    return a.wHour == b.wHour && a.wMinute == b.wMinute && a.wSecond == b.wSecond;
}

bool SameSecond(const SYSTEMTIME& a, const SYSTEMTIME& b) { return SameDate(a, b) && SameTimeOfDay(a, b); }

// A visible dialog box window among a thread's windows.
BOOL CALLBACK FindDialog(HWND hwnd, LPARAM found)
{
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (wcscmp(name, L"#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

BOOL CALLBACK FindTree(HWND hwnd, LPARAM found)
{
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (wcscmp(name, WC_TREEVIEWW) != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

// The name of the folder selected in a folder browser's tree.
std::wstring SelectedFolderName(HWND browser)
{
    HWND tree = nullptr;
    EnumChildWindows(browser, FindTree, reinterpret_cast<LPARAM>(&tree));
    if (!tree) return L"";
    wchar_t text[MAX_PATH] = {};
    TVITEMW item = {};
    item.mask = TVIF_TEXT;
    item.hItem = TreeView_GetSelection(tree);
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    if (!item.hItem || !TreeView_GetItem(tree, &item)) return L"";
    return text;
}

class VCSourcePropTest : public CConfiguredFilterTest {
protected:
    void SetUp() override
    {
        CConfiguredFilterTest::SetUp();
        frame = CreateWindowExW(0, L"STATIC", L"frame", WS_OVERLAPPEDWINDOW, 0, 0, 640, 560, nullptr, nullptr,
                                nullptr, nullptr);
        ASSERT_NE(frame, nullptr);
        HRESULT hr = S_OK;
        page = static_cast<CVCSourceProp*>(CVCSourceProp::CreateInstance(nullptr, &hr));
        ASSERT_EQ(hr, S_OK);
        ASSERT_EQ(page->SetPageSite(&site), S_OK);
        IUnknown* pObject = static_cast<IBaseFilter*>(filter.Get());
        ASSERT_EQ(page->SetObjects(1, &pObject), S_OK);
    }

    void TearDown() override
    {
        if (dialog) page->Deactivate();
        page->SetObjects(0, nullptr);
        page->SetPageSite(nullptr);
        page.Reset();
        DestroyWindow(frame);
        CConfiguredFilterTest::TearDown();
    }

    void Activate(HWND parent = nullptr)
    {
        if (!parent) parent = frame;
        const RECT area = {0, 0, 600, 520};
        ASSERT_EQ(page->Activate(parent, &area, FALSE), S_OK);
        dialog = GetWindow(parent, GW_CHILD);
        ASSERT_NE(dialog, nullptr);
    }

    void Configure(REFGUID id, VARIANT v) { ASSERT_EQ(Set(id, v), S_OK); }
    void ConfigureNumber(REFGUID id, ULONG value)
    {
        VARIANT v = {};
        v.ulVal = value;
        Configure(id, v);
    }
    void ConfigureText(REFGUID id, const wchar_t* psz)
    {
        wchar_t text[260] = {};
        wcsncpy(text, psz, 259);
        VARIANT v = {};
        v.byref = text;
        Configure(id, v);
    }
    void ConfigureDate(REFGUID id, const SYSTEMTIME& time)
    {
        SYSTEMTIME copy = time;
        VARIANT v = {};
        v.byref = &copy;
        Configure(id, v);
    }

    std::wstring Text(int id) const
    {
        wchar_t text[300] = {};
        GetDlgItemTextW(dialog, id, text, 300);
        return text;
    }
    std::wstring StoredText(REFGUID id)
    {
        wchar_t text[261] = {};
        VARIANT v = {};
        v.byref = text;
        EXPECT_EQ(config->GetValue(id, &v), S_OK);
        return text;
    }
    SYSTEMTIME StoredDate(REFGUID id)
    {
        SYSTEMTIME time = {};
        VARIANT v = {};
        v.byref = &time;
        EXPECT_EQ(config->GetValue(id, &v), S_OK);
        return time;
    }
    SYSTEMTIME Picker(int id) const
    {
        SYSTEMTIME time = {};
        SendDlgItemMessageW(dialog, id, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
        return time;
    }
    bool IsChecked(int id) const { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

    // As a user types: the box's text changes and it tells the dialog.
    void Type(int id, const wchar_t* psz) { SetDlgItemTextW(dialog, id, psz); }
    void Click(int id) { SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0); }
    // As a user's pick in a picker: the time changes and the picker tells the dialog.
    void Pick(int id, const SYSTEMTIME& time)
    {
        SendDlgItemMessageW(dialog, id, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
        NMDATETIMECHANGE change = {};
        change.nmhdr = {GetDlgItem(dialog, id), static_cast<UINT_PTR>(id), static_cast<UINT>(DTN_DATETIMECHANGE)};
        change.st = time;
        SendMessageW(dialog, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&change));
    }

    HWND frame = nullptr;
    HWND dialog = nullptr;
    ComPtr<CVCSourceProp> page;
    CTestPageSite site;
};

TEST_F(VCSourcePropTest, TheDialogShowsEachPropertyInItsFormAndMulticastSavesToItsOwnProperties)
{
    ConfigureNumber(VCSF_ComType, 1);
    ConfigureNumber(VCSF_MCAddress, IPv4NetworkOrder(239, 1, 2, 3));
    ConfigureNumber(VCSF_NIC, IPv4NetworkOrder(127, 0, 0, 1));
    VARIANT v = {};
    v.uiVal = HostToNet16(34350);
    Configure(VCSF_MulticastPort, v);
    ConfigureText(VCSF_UserName, L"operator");
    v.boolVal = VARIANT_TRUE;
    Configure(VCSF_UseSSL, v);
    Configure(HVSF_Rec, v);
    Configure(VCF_PlayAudio, v);
    ConfigureText(VCF_PlayPath, L"C:\\recordings");
    v = {};
    v.bVal = 2;
    Configure(VCF_PlayArea, v);
    const SYSTEMTIME start = SystemTimeOf(UtcTime(2008, 5, 1, 13, 45, 30));
    ConfigureDate(VCF_PlayDateStart, start);

    Activate();
    EXPECT_TRUE(IsChecked(IDC_MULTICAST));
    EXPECT_FALSE(IsChecked(IDC_UNICAST));
    EXPECT_EQ(Text(IDC_IPADDRESS), L"239.1.2.3");
    EXPECT_EQ(Text(IDC_NIC), L"127.0.0.1");
    EXPECT_EQ(Text(IDC_PORT), L"34350");
    EXPECT_EQ(Text(IDC_USERNAME), L"operator");
    EXPECT_TRUE(IsChecked(IDC_SSL));
    EXPECT_TRUE(IsChecked(IDC_RECORD));
    EXPECT_TRUE(IsChecked(IDC_PLAY_AUDIO));
    EXPECT_EQ(Text(IDC_PLAYPATH), L"C:\\recordings");
    EXPECT_FALSE(IsChecked(IDC_AREA_NORMAL));
    EXPECT_TRUE(IsChecked(IDC_AREA_ALARM));
    EXPECT_EQ(Text(IDC_SPEED), L"1");
    EXPECT_TRUE(SameDate(Picker(IDC_START_DATE), start));
    EXPECT_TRUE(SameTimeOfDay(Picker(IDC_START_TIME), start));
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);  // what the refresh wrote is no edit

    Type(IDC_IPADDRESS, L"239.9.9.9");
    Type(IDC_PORT, L"34360");
    Click(IDC_SAVE);
    EXPECT_EQ(Get(VCSF_MCAddress).ulVal, IPv4NetworkOrder(239, 9, 9, 9));
    EXPECT_EQ(Get(VCSF_MulticastPort).uiVal, HostToNet16(34360));
    EXPECT_NE(Get(VCSF_Address).ulVal, IPv4NetworkOrder(239, 9, 9, 9));
    EXPECT_NE(Get(VCSF_Port).uiVal, HostToNet16(34360));
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(site.lastStatus, static_cast<DWORD>(PROPPAGESTATUS_VALIDATE));
}

TEST_F(VCSourcePropTest, FileWritesNoPortAndANameIsCutTo16AndADateTakesItsTimeFromTheTimePicker)
{
    const VARIANT ports[3] = {Get(VCSF_Port), Get(VCSF_MulticastPort), Get(VCSF_TCPPort)};
    Activate();
    Type(IDC_NIC, L"127.0.0.1");
    Type(IDC_IPADDRESS, L"127.0.0.2");
    Click(IDC_FILE);
    Type(IDC_PORT, L"3333");
    Type(IDC_USERNAME, L"abcdefghijklmnopqrst");
    Pick(IDC_START_DATE, SystemTimeOf(UtcTime(2008, 5, 1, 2, 3, 4)));
    Pick(IDC_START_TIME, SystemTimeOf(UtcTime(2001, 1, 1, 13, 45, 30)));
    Click(IDC_SAVE);

    EXPECT_EQ(Get(VCSF_ComType).uiVal, 8);
    EXPECT_EQ(Get(VCSF_Port).uiVal, ports[0].uiVal);
    EXPECT_EQ(Get(VCSF_MulticastPort).uiVal, ports[1].uiVal);
    EXPECT_EQ(Get(VCSF_TCPPort).uiVal, ports[2].uiVal);
    EXPECT_EQ(Get(VCSF_Address).ulVal, IPv4NetworkOrder(127, 0, 0, 2));
    EXPECT_EQ(StoredText(VCSF_UserName), L"abcdefghijklmnop");
    EXPECT_TRUE(SameSecond(StoredDate(VCF_PlayDateStart), SystemTimeOf(UtcTime(2008, 5, 1, 13, 45, 30))));
}

TEST_F(VCSourcePropTest, OnlyEditsAfterTheActivationMarkThePageDirty)
{
    Activate();
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    Type(IDC_PASSWORD, L"secret");
    EXPECT_EQ(page->IsPageDirty(), S_OK);
    EXPECT_EQ(site.lastStatus, static_cast<DWORD>(PROPPAGESTATUS_DIRTY));
    ASSERT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(StoredText(VCSF_Password), L"secret");

    Pick(IDC_END_TIME, SystemTimeOf(UtcTime(2020, 1, 1, 1, 2, 3)));
    EXPECT_EQ(page->IsPageDirty(), S_OK);
}

TEST_F(VCSourcePropTest, AnEmptyOrBroadcastInterfaceStopsTheSaveBeforeAnythingIsWritten)
{
    CTraceFileSession session;
    CTraceFileSession::SwitchOn();
    Activate();
    for (const wchar_t* nic : {L"", L"255.255.255.255"}) {
        Type(IDC_NIC, nic);
        Type(IDC_USERNAME, L"changed");
        Click(IDC_SAVE);
        EXPECT_EQ(StoredText(VCSF_UserName), L"guest") << "NIC " << nic;
    }
    CTraceFileSession::SwitchOff();
    const std::vector<std::string> lines = session.TraceLines();
    int refused = 0, failed = 0;
    for (const std::string& line : lines) {
        refused += CTraceFileSession::EndsWith(line, Cp932(L"NIC設定が間違っています。"));
        failed += CTraceFileSession::EndsWith(line, Cp932(L"設定に失敗しました。エラーコード：80004005h"));
    }
    EXPECT_EQ(refused, 2);
    EXPECT_EQ(failed, 2);
    EXPECT_TRUE(session.Boxes().empty());
}

uint32_t Rgb(COLORREF color) { return GetRValue(color) << 16 | GetGValue(color) << 8 | GetBValue(color); }

// Where the table's dialog units put a few controls, in pixels of the shown dialog
// and of its picture: an empty edit box is the window colour inside and the
// dialog's face just outside its left edge.
TEST_F(VCSourcePropTest, ThePicturedDialogShowsTheControlsWhereTheirDialogUnitsPutThem)
{
    Activate();
    ShowWindow(frame, SW_SHOW);
    Type(IDC_NIC, L"");
    Type(IDC_USERNAME, L"");
    CWindowPicture picture;
    ASSERT_EQ(picture.Take(dialog), S_OK);
    // Position and size in dialog units, each converted on its own as the dialog manager does.
    const struct {
        int id;
        RECT units;  // x, y, width, height
    } controls[] = {{IDC_NIC, {48, 90, 72, 14}}, {IDC_USERNAME, {162, 54, 51, 14}}, {IDC_SAVE, {228, 216, 42, 14}}};
    for (const auto& control : controls) {
        RECT pixels = control.units, actual;
        MapDialogRect(dialog, &pixels);
        const RECT expected = {pixels.left, pixels.top, pixels.left + pixels.right, pixels.top + pixels.bottom};
        GetWindowRect(GetDlgItem(dialog, control.id), &actual);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_TRUE(EqualRect(&expected, &actual)) << "control " << control.id;
        if (control.id == IDC_SAVE) continue;
        const int y = (expected.top + expected.bottom) / 2;
        EXPECT_EQ(picture.Pixel((expected.left + expected.right) / 2, y), Rgb(GetSysColor(COLOR_WINDOW)));
        EXPECT_EQ(picture.Pixel(expected.left - 2, y), Rgb(GetSysColor(COLOR_BTNFACE)));
    }
}

// The filter takes a speed once data have come; stopped, it keeps its own, and the
// box shows what it holds after each save.
TEST_F(VCSourcePropTest, TheSpeedBoxTakesTheSpeedsOfPlaybackAndShowsWhatTheFilterHolds)
{
    Activate();
    Type(IDC_SPEED, L"2");
    Click(IDC_SAVE);
    EXPECT_EQ(Text(IDC_SPEED), L"1");

    Run();
    ASSERT_TRUE(WaitUntil([&] { return CFilterTestPeer::CamParm(filter.Get())->IsFirstDataGet(); }));
    Type(IDC_SPEED, L"0.25");
    Click(IDC_SAVE);
    EXPECT_EQ(Get(VCF_PlaySpeed).dblVal, 0.25);
    for (const wchar_t* refused : {L"5", L"0", L"fast", L""}) {
        Type(IDC_SPEED, refused);
        Click(IDC_SAVE);
        EXPECT_EQ(Text(IDC_SPEED), L"0.25") << "typed " << refused;
    }
    EXPECT_EQ(Get(VCF_PlaySpeed).dblVal, 0.25);
    page->Deactivate();
    dialog = nullptr;
    Activate();
    EXPECT_EQ(Text(IDC_SPEED), L"0.25");
}

// The browser is modal and wants a single-threaded apartment: the page lives on a
// thread of its own, in a frame of that thread, while this one answers the browser
// as a user would, with OK on the folder preselected from the Path box.
TEST_F(VCSourcePropTest, ThePlayFolderChooserFillsTheTimesFromTheMinuteFilesFound)
{
    CTempFolder recordings(L"vcsf-page"), empty(L"vcsf-page-empty");
    const uint32_t first = UtcTime(2026, 12, 7, 17, 30, 40), last = first + 130;
    {
        CWinMinuteStore store(recordings.Path());
        WriteRecording(&store, {{first, MinuteFile::kAreaNormal, 3000, 0, 3}, {last, MinuteFile::kAreaNormal, 3000, 0, 3}});
    }
    enum { kStartDate, kStartTime, kTopTime, kEndTime, kCount };
    std::wstring chosen;
    auto choose = [&](const std::wstring& folder, SYSTEMTIME (&before)[kCount], SYSTEMTIME (&after)[kCount]) {
        const int ids[kCount] = {IDC_START_DATE, IDC_START_TIME, IDC_TOP_TIME, IDC_END_TIME};
        chosen.clear();
        std::atomic<DWORD> uiThread{0};
        std::thread ui([&] {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            HWND uiFrame = CreateWindowExW(0, L"STATIC", L"frame", WS_OVERLAPPEDWINDOW, 0, 0, 640, 560, nullptr,
                                           nullptr, nullptr, nullptr);
            Activate(uiFrame);
            Type(IDC_PLAYPATH, folder.c_str());
            for (int i = 0; i < kCount; i++) before[i] = Picker(ids[i]);
            uiThread = GetCurrentThreadId();
            Click(IDC_CHOOSE_PATH);
            for (int i = 0; i < kCount; i++) after[i] = Picker(ids[i]);
            chosen = Text(IDC_PLAYPATH);
            page->Deactivate();
            dialog = nullptr;
            DestroyWindow(uiFrame);
            CoUninitialize();
        });
        // The user picks the folder (Wine's browser does not always keep the page's
        // preselection) and presses OK once it shows as selected.
        const std::wstring leaf = folder.substr(folder.rfind(L'\\') + 1);
        HWND browser = nullptr;
        EXPECT_TRUE(WaitUntil([&] {
            if (uiThread) EnumThreadWindows(uiThread, FindDialog, reinterpret_cast<LPARAM>(&browser));
            return browser != nullptr;
        }));
        if (browser) SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
        EXPECT_TRUE(WaitUntil([&] { return browser && SelectedFolderName(browser) == leaf; }));
        if (browser) PostMessageW(browser, WM_COMMAND, IDOK, 0);
        ui.join();
    };
    SYSTEMTIME before[kCount], after[kCount];
    choose(recordings.Path(), before, after);
    EXPECT_EQ(chosen, recordings.Path());
    const SYSTEMTIME earliest = SystemTimeOf(first), latest = SystemTimeOf(last);
    EXPECT_TRUE(SameDate(after[kStartDate], earliest));
    EXPECT_TRUE(SameTimeOfDay(after[kStartTime], earliest));
    EXPECT_TRUE(SameTimeOfDay(after[kTopTime], earliest));
    EXPECT_TRUE(SameTimeOfDay(after[kEndTime], latest));
    EXPECT_EQ(page->IsPageDirty(), S_OK);

    choose(empty.Path(), before, after);
    for (int i = 0; i < kCount; i++) EXPECT_TRUE(SameSecond(before[i], after[i])) << "picker " << i;
}

}  // namespace
