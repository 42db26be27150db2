#pragma once
// An edit box: its text, or a whole number written in decimal.

#include "propertypage/CControlBase.h"

class CEditControl : public CControlBase {
public:
    using CControlBase::CControlBase;

    void SetText(const wchar_t* pszText) const { SetWindowTextW(m_hwnd, pszText); }
    void SetNumber(long value) const;
    // At most cch - 1 characters, always terminated.
    void GetText(wchar_t* pszText, int cch) const;
    // The first 31 characters read as a decimal number; 0 for an empty box.
    long GetNumber() const;
    // Removes the selected text.
    void Clear() override { SendMessageW(m_hwnd, WM_CLEAR, 0, 0); }
};
