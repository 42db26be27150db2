#include "minvault/CWinFileSource.h"

#include <algorithm>

CWinFileSource::CWinFileSource(HANDLE hFile) : m_hFile(hFile)
{
    LARGE_INTEGER size;
    if (GetFileSizeEx(m_hFile, &size) && size.QuadPart > 0) m_Size = static_cast<uint64_t>(size.QuadPart);
}

CWinFileSource::~CWinFileSource() { CloseHandle(m_hFile); }

size_t CWinFileSource::ReadAt(uint64_t offset, uint8_t* pDest, size_t cb)
{
    size_t done = 0;
    while (done < cb) {
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset + done);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        const DWORD want = static_cast<DWORD>(std::min<size_t>(cb - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(m_hFile, pDest + done, want, &got, &at) || got == 0) break;
        done += got;
    }
    return done;
}
