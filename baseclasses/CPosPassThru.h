#pragma once
// IMediaSeeking of a renderer: every call goes upstream, to the output pin that
// its input pin is connected to, which is how the graph's seeking reaches the
// source. Unconnected, it answers E_NOTIMPL, as a renderer that cannot seek.
//
// Locking: none; each call asks the pin for its peer afresh.

#include "baseclasses/CUnknown.h"

#include <strmif.h>

class CPosPassThru : public IMediaSeeking, public CUnknown {
public:
    // pPin is the renderer's input pin, which outlives this object.
    CPosPassThru(const WCHAR* pName, IUnknown* pUnk, IPin* pPin);

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

private:
    template <typename Call>
    HRESULT Upstream(Call call);

    IPin* const m_pPin;
};
