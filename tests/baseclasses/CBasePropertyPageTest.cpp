// The property page base as a frame drives it: site, objects, activation, edits
// that mark the page dirty, apply, deactivation.

#include "baseclasses/CBasePropertyPage.h"

#include "tests/support/CTestPageSite.h"
#include "tests/support/CTestSink.h"
#include "tests/support/ComTestUtil.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int kDialogId = 100;
constexpr int kTitleId = 1;
constexpr int kNameControl = 1001;

class CTestPage : public CBasePropertyPage {
public:
    CTestPage() : CBasePropertyPage(L"CTestPage", nullptr, kDialogId, kTitleId) {}

    HRESULT OnConnect(IUnknown* pUnknown) override
    {
        connected = pUnknown;
        return S_OK;
    }
    HRESULT OnDisconnect() override
    {
        connected = nullptr;
        return S_OK;
    }
    HRESULT OnActivate() override
    {
        activated = true;
        return S_OK;
    }
    HRESULT OnApplyChanges() override
    {
        applied++;
        return S_OK;
    }
    INT_PTR OnReceiveMessage(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override
    {
        if (uMsg == WM_COMMAND && LOWORD(wParam) == kNameControl && HIWORD(wParam) == EN_CHANGE && activated) {
            SetDirty();
            return TRUE;
        }
        return CBasePropertyPage::OnReceiveMessage(hwnd, uMsg, wParam, lParam);
    }
    HWND Dialog() const { return m_hwnd; }

    IUnknown* connected = nullptr;
    bool activated = false;
    int applied = 0;
};

class PropertyPageTest : public testing::Test {
protected:
    void SetUp() override
    {
        frame = CreateWindowExW(0, L"STATIC", L"frame", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                nullptr, nullptr);
        ASSERT_NE(frame, nullptr);
        page = new CTestPage;
        object = new CTestSink;
    }
    void TearDown() override
    {
        page.Reset();
        DestroyWindow(frame);
    }

    HWND frame = nullptr;
    ComPtr<CTestPage> page;
    ComPtr<CTestSink> object;
    CTestPageSite site;
    RECT area = {10, 10, 210, 110};
};

TEST_F(PropertyPageTest, PageInfoComesFromTheResources)
{
    PROPPAGEINFO info = {};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_STREQ(info.pszTitle, L"Test Page");
    EXPECT_GT(info.size.cx, 0);
    EXPECT_GT(info.size.cy, 0);
    CoTaskMemFree(info.pszTitle);
}

TEST_F(PropertyPageTest, ASiteIsSetOnceAndTakenBackOnce)
{
    ASSERT_EQ(page->SetPageSite(&site), S_OK);
    EXPECT_EQ(site.refs, 2);
    EXPECT_EQ(page->SetPageSite(&site), E_UNEXPECTED);
    EXPECT_EQ(page->SetPageSite(nullptr), S_OK);
    EXPECT_EQ(site.refs, 1);
    EXPECT_EQ(page->SetPageSite(nullptr), E_UNEXPECTED);
}

TEST_F(PropertyPageTest, ObjectsConnectOneAtATime)
{
    IUnknown* objects[2] = {static_cast<IBaseFilter*>(object.Get()), static_cast<IBaseFilter*>(object.Get())};
    EXPECT_EQ(page->SetObjects(2, objects), E_UNEXPECTED);
    EXPECT_EQ(page->SetObjects(1, nullptr), E_POINTER);
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    EXPECT_EQ(page->connected, objects[0]);
    ASSERT_EQ(page->SetObjects(0, nullptr), S_OK);
    EXPECT_EQ(page->connected, nullptr);
}

TEST_F(PropertyPageTest, AnEditMarksThePageDirtyUntilApplied)
{
    IUnknown* pObject = static_cast<IBaseFilter*>(object.Get());
    ASSERT_EQ(page->SetPageSite(&site), S_OK);
    ASSERT_EQ(page->SetObjects(1, &pObject), S_OK);
    ASSERT_EQ(page->Activate(frame, &area, FALSE), S_OK);
    EXPECT_EQ(page->Activate(frame, &area, FALSE), E_UNEXPECTED);
    ASSERT_NE(page->Dialog(), nullptr);
    EXPECT_EQ(GetParent(page->Dialog()), frame);
    EXPECT_TRUE(page->activated);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);

    SetDlgItemTextW(page->Dialog(), kNameControl, L"camera");
    EXPECT_EQ(page->IsPageDirty(), S_OK);
    EXPECT_EQ(site.lastStatus, static_cast<DWORD>(PROPPAGESTATUS_DIRTY));

    ASSERT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(page->applied, 1);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    ASSERT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(page->applied, 1);  // nothing changed, nothing applied

    ASSERT_EQ(page->Deactivate(), S_OK);
    EXPECT_EQ(page->Dialog(), nullptr);
    EXPECT_EQ(page->Deactivate(), E_UNEXPECTED);
    page->SetObjects(0, nullptr);
    page->SetPageSite(nullptr);
}

TEST_F(PropertyPageTest, ShowAndMoveNeedAnActivePage)
{
    EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
    EXPECT_EQ(page->Move(&area), E_UNEXPECTED);
    ASSERT_EQ(page->Activate(frame, &area, FALSE), S_OK);
    EXPECT_EQ(page->Show(SW_MAXIMIZE), E_INVALIDARG);
    EXPECT_EQ(page->Show(SW_HIDE), S_OK);
    EXPECT_FALSE(IsWindowVisible(page->Dialog()));
    RECT moved = {20, 30, 120, 90};
    ASSERT_EQ(page->Move(&moved), S_OK);
    RECT rc;
    GetWindowRect(page->Dialog(), &rc);
    EXPECT_EQ(rc.right - rc.left, 100);
    EXPECT_EQ(rc.bottom - rc.top, 60);
    page->Deactivate();
}

TEST_F(PropertyPageTest, ApplyNeedsAnObjectAndASite)
{
    EXPECT_EQ(page->Apply(), E_UNEXPECTED);
}

}  // namespace
