#include "propertypage/CEditControl.h"

#include <cwchar>

void CEditControl::SetNumber(long value) const
{
    wchar_t text[16];
    std::swprintf(text, 16, L"%ld", value);
    SetText(text);
}

void CEditControl::GetText(wchar_t* pszText, int cch) const
{
    if (cch <= 0) return;
    pszText[0] = L'\0';
    GetWindowTextW(m_hwnd, pszText, cch);
}

long CEditControl::GetNumber() const
{
    wchar_t text[32];
    GetText(text, 32);
    return std::wcstol(text, nullptr, 10);
}
