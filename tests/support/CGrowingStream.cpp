#include "tests/support/CGrowingStream.h"

#include "tests/support/CExclusiveLock.h"

#include <vfwmsgs.h>

#include <algorithm>
#include <cstring>

CGrowingStream::CGrowingStream() { m_bytes.reserve(1 << 20); }

void CGrowingStream::Append(const BYTE* pData, size_t cb)
{
    if (!pData || cb == 0) return;
    {
        CExclusiveLock lock(&m_lock);
        if (m_bEnded) return;
        m_bytes.insert(m_bytes.end(), pData, pData + cb);
    }
    WakeAllConditionVariable(&m_changed);
}

void CGrowingStream::End()
{
    {
        CExclusiveLock lock(&m_lock);
        m_bEnded = true;
    }
    WakeAllConditionVariable(&m_changed);
}

void CGrowingStream::SetInterrupted(bool bInterrupted)
{
    {
        CExclusiveLock lock(&m_lock);
        m_bInterrupted = bInterrupted;
    }
    WakeAllConditionVariable(&m_changed);
}

LONGLONG CGrowingStream::Received() const
{
    CExclusiveLock lock(&m_lock);
    return static_cast<LONGLONG>(m_bytes.size());
}

LONGLONG CGrowingStream::Length() const
{
    CExclusiveLock lock(&m_lock);
    return m_bEnded ? static_cast<LONGLONG>(m_bytes.size()) : kOpenLength;
}

HRESULT CGrowingStream::Read(LONGLONG llPosition, LONG cb, BYTE* pBuffer)
{
    if (!pBuffer) return E_POINTER;
    if (llPosition < 0 || cb < 0 || llPosition > kOpenLength - cb) return E_INVALIDARG;
    const LONGLONG llEnd = llPosition + cb;
    CExclusiveLock lock(&m_lock);
    if (!m_bEnded && llPosition >= static_cast<LONGLONG>(m_bytes.size()) + kFarAhead) {
        std::memset(pBuffer, 0, static_cast<size_t>(cb));
        return S_OK;
    }
    const ULONGLONG deadline = GetTickCount64() + kReadBoundMs;
    while (!Ready(llEnd)) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return VFW_E_TIMEOUT;
        SleepConditionVariableSRW(&m_changed, &m_lock, static_cast<DWORD>(deadline - now), 0);
    }
    if (m_bInterrupted) return VFW_E_WRONG_STATE;
    return CopyOut(llPosition, cb, pBuffer);
}

// Under the lock: the read can be answered now.
bool CGrowingStream::Ready(LONGLONG llEnd) const
{
    return m_bInterrupted || m_bEnded || static_cast<LONGLONG>(m_bytes.size()) >= llEnd;
}

HRESULT CGrowingStream::CopyOut(LONGLONG llPosition, LONG cb, BYTE* pBuffer) const
{
    const LONGLONG llHave = static_cast<LONGLONG>(m_bytes.size());
    if (llPosition >= llHave && cb > 0) return HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);
    const size_t cbCopy = static_cast<size_t>(std::min<LONGLONG>(cb, llHave - llPosition));
    std::memcpy(pBuffer, m_bytes.data() + llPosition, cbCopy);
    std::memset(pBuffer + cbCopy, 0, static_cast<size_t>(cb) - cbCopy);
    return cbCopy == static_cast<size_t>(cb) ? S_OK : S_FALSE;
}
