#include "tools/vcsf/CSeconds.h"

#include <cmath>
#include <cwchar>

// "inf" and "nan" read as numbers; neither is a time a run can last.
bool CSeconds::Parse(const std::wstring& text, double limit, double* pSeconds)
{
    wchar_t* end = nullptr;
    const double seconds = std::wcstod(text.c_str(), &end);
    if (text.empty() || *end != L'\0' || !std::isfinite(seconds) || seconds <= 0 || seconds > limit) return false;
    *pSeconds = seconds;
    return true;
}
