#include "tools/vcsf/CPlaySink.h"

CPlaySink::CPlaySink(COutputFile* pOutput, double speed)
    : CFileSink(pOutput, Content::Data), m_dSpeed(speed), m_hStopped(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    QueryPerformanceFrequency(&m_Frequency);
}

CPlaySink::~CPlaySink()
{
    if (m_hStopped) CloseHandle(m_hStopped);
}

STDMETHODIMP CPlaySink::Stop()
{
    if (m_hStopped) SetEvent(m_hStopped);
    return CFileSink::Stop();
}

// A new run counts afresh: the time between two runs is nobody's.
STDMETHODIMP CPlaySink::Run(REFERENCE_TIME tStart)
{
    if (m_hStopped) ResetEvent(m_hStopped);
    if (m_bCounting) m_llPlayedCounts += m_LastCounter.QuadPart - m_BaseCounter.QuadPart;
    m_bCounting = false;
    return CFileSink::Run(tStart);
}

HRESULT CPlaySink::Consume(IMediaSample* pSample, BYTE* p)
{
    if (m_FirstSample.QuadPart == 0) QueryPerformanceCounter(&m_FirstSample);
    uint64_t scr = 0;
    if (m_Clock.Feed(p, static_cast<size_t>(pSample->GetActualDataLength()), &scr)) WaitFor(scr);
    return CFileSink::Consume(pSample, p);
}

// The count goes on at the new speed from the next pack.
void CPlaySink::OnNewSegment(double rate)
{
    if (rate > 0) m_dSpeed = rate;
    m_bRecount = true;
}

double CPlaySink::PlayedSeconds() const
{
    const int64_t counts = m_llPlayedCounts + (m_bCounting ? m_LastCounter.QuadPart - m_BaseCounter.QuadPart : 0);
    return static_cast<double>(counts) / static_cast<double>(m_Frequency.QuadPart);
}

void CPlaySink::StartCount(uint64_t scr, LARGE_INTEGER now)
{
    if (m_bCounting) m_llPlayedCounts += m_LastCounter.QuadPart - m_BaseCounter.QuadPart;
    m_bCounting = true;
    m_ullBaseScr = m_ullLastScr = scr;
    m_BaseCounter = m_LastCounter = now;
}

void CPlaySink::WaitFor(uint64_t scr)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (!m_bCounting || m_bRecount.exchange(false) || scr < m_ullLastScr || scr - m_ullLastScr > kMaxStep) {
        StartCount(scr, now);
        return;
    }
    m_ullMediaTicks += scr - m_ullLastScr;
    m_ullLastScr = scr;
    const double dueSeconds = static_cast<double>(scr - m_ullBaseScr) / CPackClock::kHz / m_dSpeed;
    const double waitedSeconds = static_cast<double>(now.QuadPart - m_BaseCounter.QuadPart) / m_Frequency.QuadPart;
    if (dueSeconds > waitedSeconds && m_hStopped)
        WaitForSingleObject(m_hStopped, static_cast<DWORD>((dueSeconds - waitedSeconds) * 1000));
    QueryPerformanceCounter(&m_LastCounter);
}
