#include "DShowFilters/CSeek.h"

#include "DShowFilters/CVCSourceOutputPin.h"
#include "core/CCamParm.h"
#include "core/CPlayIndexedBuffer.h"
#include "core/Trace.h"
#include "playback/IPlayOwner.h"

CSeek::CSeek(IUnknown* pOwner, IPlayOwner* pFilter, CPlayIndexedBuffer* pBuffer, CVCSourceOutputPin* pOutput,
             CCamParm* pCamParm, CCritSec* pFilterLock)
    : CSourceSeeking(L"CSeek", pOwner, &m_ValuesLock), m_pPlayIdxBuf(pBuffer), m_pFilter(pFilter), m_pOutput(pOutput),
      m_pCamParm(pCamParm), m_pFilterLock(pFilterLock)
{
}

ULONG CSeek::AddRef()
{
    g_Trace(0, L"CSeek::AddRef called.");
    return GetOwner()->AddRef();
}

// A refused rate changes nothing; a rate that is pending already does nothing more.
HRESULT CSeek::SetRate(double rate)
{
    if (!IsSeekable()) {
        {
            CAutoLock lock(m_pLock);
            m_dRateSeeking = 1.0;
        }
        return ChangeRate();
    }
    if (!(rate > 0)) return E_FAIL;
    {
        CAutoLock lock(m_pLock);
        if (m_pFilter->IsRateRestart() && rate == m_dRateSeeking) return S_OK;
        g_Trace(0, L"SetRate called.");
        m_dRateSeeking = rate;
    }
    // Stopped, the rate is for the next start, which begins at the range's start.
    const bool bRestart = !m_pFilter->IsStopped();
    const bool bJoined = IsRestartPending();
    if (bRestart) m_pFilter->SetRateRestart(true);
    const HRESULT hr = ChangeRate();
    if (SUCCEEDED(hr) && bRestart && !bJoined) AskHostToRestart();
    return hr;
}

HRESULT CSeek::ChangeStart()
{
    if (!IsSeekable()) return S_OK;
    LONGLONG start;
    {
        CAutoLock lock(m_pLock);
        start = m_rtStart;
    }
    const bool bJoined = IsRestartPending();
    if (!m_pFilter->SeekTo(start)) return S_OK;
    FlushMainPin();
    if (!bJoined) AskHostToRestart();
    return S_OK;
}

HRESULT CSeek::ChangeStop()
{
    if (IsSeekable()) FlushMainPin();
    return S_OK;
}

HRESULT CSeek::ChangeRate()
{
    if (!IsSeekable()) return S_OK;
    const int64_t frameDuration = m_pCamParm->CalcRefTime();
    CAutoLock lock(m_pFilterLock);
    double rate;
    LONGLONG start, stop;
    {
        CAutoLock values(m_pLock);
        if (!(m_dRateSeeking > 0)) {
            m_dRateSeeking = 1.0;
            return E_FAIL;
        }
        rate = m_dRateSeeking;
        start = m_rtStart;
        stop = m_rtStop;
    }
    m_pFilter->SetRate(rate);
    m_pPlayIdxBuf->SetStartSize(static_cast<uint32_t>(kStartSizeAtRate1 / rate));
    if (m_pOutput->IsConnected()) m_pOutput->SetRate(rate);
    // Before the first data the frame rate is unknown; the push thread sets the step then.
    if (frameDuration > 0) m_pPlayIdxBuf->SetRefTime(static_cast<uint64_t>(frameDuration / rate));
    FlushMainPin();
    return m_pOutput->IsConnected() ? m_pOutput->DeliverNewSegment(start, stop, rate) : S_OK;
}

// A change while a restart is pending joins it: the host restarts once, from
// the last change, however many arrive before it does.
bool CSeek::IsRestartPending() { return m_pFilter->IsRateRestart() || m_pFilter->IsPosRestart(); }

bool CSeek::IsSeekable() { return m_pFilter->IsFileMode() && !m_pFilter->GetAudioModel(); }

void CSeek::FlushMainPin()
{
    if (!m_pOutput->IsConnected()) return;
    m_pOutput->DeliverBeginFlush();
    Sleep(kFlushPauseMs);
    m_pOutput->DeliverEndFlush();
}

// Stopped, the next start begins where the change says; running or paused, the
// host restarts it.
void CSeek::AskHostToRestart()
{
    if (!m_pFilter->IsStopped()) m_pFilter->RequestRestart();
}
