#include "baseclasses/CSourceSeeking.h"

#include <uuids.h>

namespace {

constexpr DWORD kPositioningMask = AM_SEEKING_PositioningBitsMask;

bool IsMediaTime(const GUID* pFormat) { return *pFormat == TIME_FORMAT_MEDIA_TIME; }

// A position and its flags: which positioning, and whether the pointer it needs is there.
HRESULT CheckPositioning(const LONGLONG* p, DWORD flags, bool bStart)
{
    const DWORD positioning = flags & kPositioningMask;
    if (positioning == AM_SEEKING_NoPositioning) return S_OK;
    if (!p) return E_POINTER;
    if (bStart && positioning == AM_SEEKING_IncrementalPositioning) return E_INVALIDARG;
    return S_OK;
}

LONGLONG Positioned(LONGLONG current, LONGLONG base, LONGLONG value, DWORD flags)
{
    switch (flags & kPositioningMask) {
    case AM_SEEKING_AbsolutePositioning: return value;
    case AM_SEEKING_RelativePositioning: return current + value;
    case AM_SEEKING_IncrementalPositioning: return base + value;
    default: return current;
    }
}

}  // namespace

CSourceSeeking::CSourceSeeking(const WCHAR* pName, IUnknown* pUnk, CCritSec* pLock)
    : CUnknown(pName, pUnk), m_pLock(pLock)
{
}

HRESULT CSourceSeeking::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CSourceSeeking::GetCapabilities(DWORD* pCapabilities)
{
    if (!pCapabilities) return E_POINTER;
    *pCapabilities = m_dwSeekingCaps;
    return S_OK;
}

// S_OK: all asked for; S_FALSE: some, which are left; E_FAIL: none.
HRESULT CSourceSeeking::CheckCapabilities(DWORD* pCapabilities)
{
    if (!pCapabilities) return E_POINTER;
    const DWORD asked = *pCapabilities;
    *pCapabilities &= m_dwSeekingCaps;
    if (*pCapabilities == asked) return S_OK;
    return *pCapabilities ? S_FALSE : E_FAIL;
}

HRESULT CSourceSeeking::IsFormatSupported(const GUID* pFormat)
{
    if (!pFormat) return E_POINTER;
    return IsMediaTime(pFormat) ? S_OK : S_FALSE;
}

HRESULT CSourceSeeking::QueryPreferredFormat(GUID* pFormat) { return GetTimeFormat(pFormat); }

HRESULT CSourceSeeking::GetTimeFormat(GUID* pFormat)
{
    if (!pFormat) return E_POINTER;
    *pFormat = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT CSourceSeeking::IsUsingTimeFormat(const GUID* pFormat) { return IsFormatSupported(pFormat); }

HRESULT CSourceSeeking::SetTimeFormat(const GUID* pFormat)
{
    if (!pFormat) return E_POINTER;
    return IsMediaTime(pFormat) ? S_OK : E_INVALIDARG;
}

HRESULT CSourceSeeking::GetDuration(LONGLONG* pDuration)
{
    if (!pDuration) return E_POINTER;
    CAutoLock lock(m_pLock);
    *pDuration = m_rtDuration;
    return S_OK;
}

HRESULT CSourceSeeking::GetStopPosition(LONGLONG* pStop)
{
    if (!pStop) return E_POINTER;
    CAutoLock lock(m_pLock);
    *pStop = m_rtStop;
    return S_OK;
}

HRESULT CSourceSeeking::GetCurrentPosition(LONGLONG*) { return E_NOTIMPL; }

// Null formats mean the one in use; media time is the only one.
HRESULT CSourceSeeking::ConvertTimeFormat(LONGLONG* pTarget, const GUID* pTargetFormat, LONGLONG source,
                                          const GUID* pSourceFormat)
{
    if (!pTarget) return E_POINTER;
    if ((pTargetFormat && !IsMediaTime(pTargetFormat)) || (pSourceFormat && !IsMediaTime(pSourceFormat)))
        return E_INVALIDARG;
    *pTarget = source;
    return S_OK;
}

// An incremental stop counts from the new start.
HRESULT CSourceSeeking::SetPositions(LONGLONG* pCurrent, DWORD currentFlags, LONGLONG* pStop, DWORD stopFlags)
{
    HRESULT hr = CheckPositioning(pCurrent, currentFlags, true);
    if (SUCCEEDED(hr)) hr = CheckPositioning(pStop, stopFlags, false);
    if (FAILED(hr)) return hr;
    const bool bStart = (currentFlags & kPositioningMask) != AM_SEEKING_NoPositioning;
    const bool bStop = (stopFlags & kPositioningMask) != AM_SEEKING_NoPositioning;
    {
        CAutoLock lock(m_pLock);
        if (bStart) m_rtStart = Positioned(m_rtStart, m_rtStart, *pCurrent, currentFlags);
        if (bStop) m_rtStop = Positioned(m_rtStop, m_rtStart, *pStop, stopFlags);
        if (pCurrent && (currentFlags & AM_SEEKING_ReturnTime)) *pCurrent = m_rtStart;
        if (pStop && (stopFlags & AM_SEEKING_ReturnTime)) *pStop = m_rtStop;
    }
    if (bStop) hr = ChangeStop();
    if (bStart) {
        const HRESULT hrStart = ChangeStart();
        if (SUCCEEDED(hr)) hr = hrStart;
    }
    return hr;
}

HRESULT CSourceSeeking::GetPositions(LONGLONG* pCurrent, LONGLONG* pStop)
{
    if (!pCurrent && !pStop) return E_POINTER;
    CAutoLock lock(m_pLock);
    if (pCurrent) *pCurrent = m_rtStart;
    if (pStop) *pStop = m_rtStop;
    return S_OK;
}

HRESULT CSourceSeeking::GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest)
{
    if (!pEarliest && !pLatest) return E_POINTER;
    CAutoLock lock(m_pLock);
    if (pEarliest) *pEarliest = 0;
    if (pLatest) *pLatest = m_rtDuration;
    return S_OK;
}

HRESULT CSourceSeeking::SetRate(double rate)
{
    {
        CAutoLock lock(m_pLock);
        m_dRateSeeking = rate;
    }
    return ChangeRate();
}

HRESULT CSourceSeeking::GetRate(double* pRate)
{
    if (!pRate) return E_POINTER;
    CAutoLock lock(m_pLock);
    *pRate = m_dRateSeeking;
    return S_OK;
}

HRESULT CSourceSeeking::GetPreroll(LONGLONG* pPreroll)
{
    if (!pPreroll) return E_POINTER;
    *pPreroll = 0;
    return S_OK;
}
