#pragma once
// The lock of every core object: a critical section on Windows (its body lives in
// baseclasses/CritSecWin32.cpp, so that this header stays free of Windows headers),
// a recursive mutex natively. Both are recursive, as the framework's lock is.

#if !defined(_WIN32)
#include <mutex>
#endif

class CCritSec {
public:
    CCritSec();
    ~CCritSec();
    CCritSec(const CCritSec&) = delete;
    CCritSec& operator=(const CCritSec&) = delete;

    void Lock();
    void Unlock();

private:
#if defined(_WIN32)
    alignas(8) unsigned char m_cs[40];  // a CRITICAL_SECTION
#else
    std::recursive_mutex m_mutex;
#endif
};

#if !defined(_WIN32)
inline CCritSec::CCritSec() = default;
inline CCritSec::~CCritSec() = default;
inline void CCritSec::Lock() { m_mutex.lock(); }
inline void CCritSec::Unlock() { m_mutex.unlock(); }
#endif

// Holds a lock for the life of a scope.
class CAutoLock {
public:
    explicit CAutoLock(CCritSec* pLock) : m_pLock(pLock) { m_pLock->Lock(); }
    ~CAutoLock() { m_pLock->Unlock(); }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

private:
    CCritSec* const m_pLock;
};
