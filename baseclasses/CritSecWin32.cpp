#include "core/CritSec.h"

#include <windows.h>

static_assert(sizeof(CRITICAL_SECTION) <= sizeof(unsigned char[40]), "CCritSec storage");
static_assert(alignof(CRITICAL_SECTION) <= 8, "CCritSec alignment");

static CRITICAL_SECTION* Section(unsigned char* storage)
{
    return reinterpret_cast<CRITICAL_SECTION*>(storage);
}

CCritSec::CCritSec() { InitializeCriticalSection(Section(m_cs)); }
CCritSec::~CCritSec() { DeleteCriticalSection(Section(m_cs)); }
void CCritSec::Lock() { EnterCriticalSection(Section(m_cs)); }
void CCritSec::Unlock() { LeaveCriticalSection(Section(m_cs)); }
