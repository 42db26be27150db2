#pragma once
// IMediaSeeking for a source that seeks in media time: it keeps the duration,
// start, stop and rate, and tells the derived class of each change through its
// hooks, which run after the value is stored and outside the lock. The current
// position is the graph's to know (from its clock), not the source's.
//
// Locking: the lock given at construction guards the values; the hooks are called
// without it.

#include "baseclasses/CUnknown.h"
#include "core/CritSec.h"

#include <strmif.h>

class CSourceSeeking : public IMediaSeeking, public CUnknown {
public:
    static constexpr DWORD kCapabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                                           AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetStopPos |
                                           AM_SEEKING_CanGetDuration;
    static constexpr LONGLONG kLongest = 0x3FFFFFFFFFFFFFFFLL;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    STDMETHODIMP GetCapabilities(DWORD* pCapabilities) override;
    STDMETHODIMP CheckCapabilities(DWORD* pCapabilities) override;
    STDMETHODIMP IsFormatSupported(const GUID* pFormat) override;
    STDMETHODIMP QueryPreferredFormat(GUID* pFormat) override;
    STDMETHODIMP GetTimeFormat(GUID* pFormat) override;
    STDMETHODIMP IsUsingTimeFormat(const GUID* pFormat) override;
    STDMETHODIMP SetTimeFormat(const GUID* pFormat) override;
    STDMETHODIMP GetDuration(LONGLONG* pDuration) override;
    STDMETHODIMP GetStopPosition(LONGLONG* pStop) override;
    STDMETHODIMP GetCurrentPosition(LONGLONG* pCurrent) override;
    STDMETHODIMP ConvertTimeFormat(LONGLONG* pTarget, const GUID* pTargetFormat, LONGLONG source,
                                   const GUID* pSourceFormat) override;
    STDMETHODIMP SetPositions(LONGLONG* pCurrent, DWORD currentFlags, LONGLONG* pStop, DWORD stopFlags) override;
    STDMETHODIMP GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) override;
    STDMETHODIMP GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest) override;
    STDMETHODIMP SetRate(double rate) override;
    STDMETHODIMP GetRate(double* pRate) override;
    STDMETHODIMP GetPreroll(LONGLONG* pPreroll) override;

protected:
    CSourceSeeking(const WCHAR* pName, IUnknown* pUnk, CCritSec* pLock);

    virtual HRESULT ChangeStart() = 0;
    virtual HRESULT ChangeStop() = 0;
    virtual HRESULT ChangeRate() = 0;

    LONGLONG m_rtDuration = kLongest;
    LONGLONG m_rtStart = 0;
    LONGLONG m_rtStop = kLongest;
    double m_dRateSeeking = 1.0;
    DWORD m_dwSeekingCaps = kCapabilities;
    CCritSec* const m_pLock;
};
