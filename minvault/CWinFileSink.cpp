#include "minvault/CWinFileSink.h"

#include <algorithm>

bool CWinFileSink::Append(const uint8_t* p, size_t cb)
{
    for (size_t done = 0; done < cb;) {
        const DWORD want = static_cast<DWORD>(std::min<size_t>(cb - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(m_hFile, p + done, want, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}
