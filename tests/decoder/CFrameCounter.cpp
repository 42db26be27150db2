#include "tests/decoder/CFrameCounter.h"

#include <algorithm>

CFrameCounter::CFrameCounter(REFERENCE_TIME window)
    : m_window(window), m_hWindowPassed(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
}

CFrameCounter::~CFrameCounter()
{
    if (m_hWindowPassed) CloseHandle(m_hWindowPassed);
}

HRESULT CFrameCounter::SampleCB(double, IMediaSample* pSample)
{
    if (!pSample) return E_POINTER;
    REFERENCE_TIME tStart = 0, tStop = 0;
    const bool bTimed = SUCCEEDED(pSample->GetTime(&tStart, &tStop));
    bool bPassed = false;
    AcquireSRWLockExclusive(&m_lock);
    if (pSample->GetActualDataLength() <= 0) m_cEmpty++;
    if (!bTimed) {
        m_cUntimed++;
    } else {
        m_starts.push_back(tStart);
        bPassed = tStart >= m_starts.front() + m_window;
    }
    ReleaseSRWLockExclusive(&m_lock);
    if (bPassed) SetEvent(m_hWindowPassed);
    return S_OK;
}

bool CFrameCounter::WaitForWindow(DWORD dwBoundMs) const
{
    return m_hWindowPassed && WaitForSingleObject(m_hWindowPassed, dwBoundMs) == WAIT_OBJECT_0;
}

long CFrameCounter::FramesInWindow() const
{
    AcquireSRWLockShared(&m_lock);
    long count = 0;
    if (!m_starts.empty()) {
        const REFERENCE_TIME first = m_starts.front();
        count = static_cast<long>(std::count_if(m_starts.begin(), m_starts.end(), [&](REFERENCE_TIME t) {
            return t >= first && t < first + m_window;
        }));
    }
    ReleaseSRWLockShared(&m_lock);
    return count;
}

long CFrameCounter::Untimed() const
{
    AcquireSRWLockShared(&m_lock);
    const long count = m_cUntimed;
    ReleaseSRWLockShared(&m_lock);
    return count;
}

long CFrameCounter::Empty() const
{
    AcquireSRWLockShared(&m_lock);
    const long count = m_cEmpty;
    ReleaseSRWLockShared(&m_lock);
    return count;
}
