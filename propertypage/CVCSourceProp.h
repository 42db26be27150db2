#pragma once
// The filter's property page: dialog 101, in which a user edits the configuration.
// It talks to the filter only through IVLMVCConfigure3: GetValue when the page is
// activated (Refresh_), SetValue on SAVE or when the frame applies (OnSave_). The
// "..." button chooses the play folder and fills the play times from the minute
// files found there. Failures go to the error log, never to a message box.
//
// Threads: everything runs on the host's user-interface thread; no lock.

#include "baseclasses/CBasePropertyPage.h"
#include "DShowFilters/IVLMVCConfigure.h"
#include "playback/CMinvaultLibrary.h"

#include <cstdint>

class CVCSourceProp : public CBasePropertyPage {
public:
    // The playback speeds the Speed box takes.
    static constexpr double kMinSpeed = 0.25;
    static constexpr double kMaxSpeed = 4.0;

    static CUnknown* CreateInstance(IUnknown* pUnkOuter, HRESULT* phr);

    HRESULT OnConnect(IUnknown* pUnknown) override;
    HRESULT OnDisconnect() override;
    HRESULT OnActivate() override;
    HRESULT OnDeactivate() override;
    HRESULT OnApplyChanges() override;
    INT_PTR OnReceiveMessage(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    explicit CVCSourceProp(IUnknown* pUnkOuter);

    HRESULT Refresh_();
    bool RefreshNetwork();
    void RefreshFlags();
    void RefreshPlayback();
    void ShowSpeed();
    void ShowDate(REFGUID id, int dateId, int timeId, const wchar_t* pszError);
    HRESULT OnSave_();
    void SaveNetwork(uint32_t ulNIC, uint32_t ulAddress, uint16_t usPort, uint16_t usComType);
    void SavePlayback();
    void SaveSpeed();
    void SaveDate(REFGUID id, int dateId, int timeId, const wchar_t* pszError);
    // Writes one value; a refused one is logged and the save goes on.
    void Save(REFGUID id, VARIANT value, const wchar_t* pszSource, const wchar_t* pszError);
    void SaveText(REFGUID id, int controlId, int cchRead, int cchStored, const wchar_t* pszError);
    void SaveFlag(REFGUID id, bool bOn, const wchar_t* pszSource, const wchar_t* pszError);
    bool IsButtonOn(int id) const;
    bool IsChecked(int id) const;
    uint16_t CheckedComType() const;
    bool ReadAddress(int id, const wchar_t* pszTrace, const wchar_t* pszError, uint32_t* pulAddress) const;
    void OnCommand(int id, int code);
    void ChoosePlayFolder();
    void ShowRecordingEnd(const wchar_t* pszFolder, bool bLatest, int dateId, int timeId, int topDateId,
                          int topTimeId);
    void Validated();

    HWND m_hDialog = nullptr;
    IVLMVCConfigure3* m_pConfig = nullptr;
    uint8_t m_bActivated = 0;
    CMinvaultLibrary m_Minvault;
};
