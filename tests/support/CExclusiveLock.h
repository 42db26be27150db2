#pragma once
// Holds an SRW lock exclusively for the life of a scope.
//
// Locking: it takes the one lock it is given, on the constructing thread, and
// releases it on the same thread; what the lock guards and its order are its
// owner's (CGrowingStream, CPullSourcePin). A condition variable may release and
// retake it while it is held.

#include <windows.h>

class CExclusiveLock {
public:
    explicit CExclusiveLock(SRWLOCK* pLock) : m_pLock(pLock) { AcquireSRWLockExclusive(m_pLock); }
    ~CExclusiveLock() { ReleaseSRWLockExclusive(m_pLock); }
    CExclusiveLock(const CExclusiveLock&) = delete;
    CExclusiveLock& operator=(const CExclusiveLock&) = delete;

private:
    SRWLOCK* const m_pLock;
};
