#pragma once
// Holds an SRW lock exclusively for the life of a scope.

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
