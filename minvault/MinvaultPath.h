#pragma once
// The recording folder a caller names: a path of 1 to 260 characters.

#include <cwchar>

inline bool IsRecordingFolderPath(const wchar_t* pszPath)
{
    if (!pszPath) return false;
    const size_t cch = wcsnlen(pszPath, 261);
    return cch > 0 && cch <= 260;
}
