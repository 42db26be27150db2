#pragma once
// Bytes that arrive while they are read, for a reader that pulls at any offset.
// Until End, the stream says it is long (a pull-mode parser wants a length), and
// a read of bytes not yet here waits for them, a bounded time; a read that starts
// far beyond them is answered with zeros at once, because a parser probes the
// end of what it was told is the stream's length, and those bytes never come.
// After End, the length is what arrived and a read beyond it ends there.
//
// Locking: m_lock guards the bytes and the flags; waiting reads sleep on
// m_changed, which every Append, End and SetInterrupted wakes. Nothing else is
// called under the lock.

#include <windows.h>

#include <cstdint>
#include <vector>

class CGrowingStream {
public:
    static constexpr LONGLONG kOpenLength = 1LL << 40;
    static constexpr LONGLONG kFarAhead = 8LL << 20;
    static constexpr DWORD kReadBoundMs = 20000;

    CGrowingStream();
    CGrowingStream(const CGrowingStream&) = delete;
    CGrowingStream& operator=(const CGrowingStream&) = delete;

    void Append(const BYTE* pData, size_t cb);
    // No more bytes will come: waiting reads return with what there is.
    void End();
    // While interrupted (a flush), reads fail at once with VFW_E_WRONG_STATE.
    void SetInterrupted(bool bInterrupted);

    LONGLONG Received() const;
    // The length a reader is told: open until End, then what arrived.
    LONGLONG Length() const;

    // S_OK: all cb bytes; S_FALSE: the stream ended within them, the rest is zeros;
    // HRESULT_FROM_WIN32(ERROR_HANDLE_EOF): it ended before them; VFW_E_TIMEOUT:
    // they did not come within the bound.
    HRESULT Read(LONGLONG llPosition, LONG cb, BYTE* pBuffer);

private:
    bool Ready(LONGLONG llEnd) const;
    HRESULT CopyOut(LONGLONG llPosition, LONG cb, BYTE* pBuffer) const;

    mutable SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_changed = CONDITION_VARIABLE_INIT;
    std::vector<BYTE> m_bytes;
    bool m_bEnded = false;
    bool m_bInterrupted = false;
};
