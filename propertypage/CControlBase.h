#pragma once
// A control of the page's dialog, found by its id, for one operation: the
// wrappers are made on the stack where a value is shown or read.

#include <windows.h>

class CControlBase {
public:
    CControlBase(HWND hDialog, int id) : m_hwnd(GetDlgItem(hDialog, id)), m_id(id) {}
    virtual ~CControlBase() = default;
    CControlBase(const CControlBase&) = delete;
    CControlBase& operator=(const CControlBase&) = delete;

    // What "clear" means for the kind of control.
    virtual void Clear() = 0;
    HWND Handle() const { return m_hwnd; }
    int Id() const { return m_id; }

protected:
    // BST_CHECKED, BST_UNCHECKED or BST_INDETERMINATE, for the buttons.
    UINT ButtonState() const { return static_cast<UINT>(SendMessageW(m_hwnd, BM_GETCHECK, 0, 0)); }
    void SetButtonState(UINT state) const { SendMessageW(m_hwnd, BM_SETCHECK, state, 0); }

    const HWND m_hwnd;
    const int m_id;
};
