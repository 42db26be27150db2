#include "baseclasses/CPosPassThru.h"

#include <wrl/client.h>

CPosPassThru::CPosPassThru(const WCHAR* pName, IUnknown* pUnk, IPin* pPin) : CUnknown(pName, pUnk), m_pPin(pPin) {}

HRESULT CPosPassThru::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

template <typename Call>
HRESULT CPosPassThru::Upstream(Call call)
{
    Microsoft::WRL::ComPtr<IPin> pPeer;
    if (m_pPin->ConnectedTo(&pPeer) != S_OK) return E_NOTIMPL;
    Microsoft::WRL::ComPtr<IMediaSeeking> pSeeking;
    if (FAILED(pPeer.As(&pSeeking))) return E_NOTIMPL;
    return call(pSeeking.Get());
}

HRESULT CPosPassThru::GetCapabilities(DWORD* p)
{
    return Upstream([&](IMediaSeeking* s) { return s->GetCapabilities(p); });
}

HRESULT CPosPassThru::CheckCapabilities(DWORD* p)
{
    return Upstream([&](IMediaSeeking* s) { return s->CheckCapabilities(p); });
}

HRESULT CPosPassThru::IsFormatSupported(const GUID* p)
{
    return Upstream([&](IMediaSeeking* s) { return s->IsFormatSupported(p); });
}

HRESULT CPosPassThru::QueryPreferredFormat(GUID* p)
{
    return Upstream([&](IMediaSeeking* s) { return s->QueryPreferredFormat(p); });
}

HRESULT CPosPassThru::GetTimeFormat(GUID* p)
{
    return Upstream([&](IMediaSeeking* s) { return s->GetTimeFormat(p); });
}

HRESULT CPosPassThru::IsUsingTimeFormat(const GUID* p)
{
    return Upstream([&](IMediaSeeking* s) { return s->IsUsingTimeFormat(p); });
}

HRESULT CPosPassThru::SetTimeFormat(const GUID* p)
{
    return Upstream([&](IMediaSeeking* s) { return s->SetTimeFormat(p); });
}

HRESULT CPosPassThru::GetDuration(LONGLONG* p)
{
    return Upstream([&](IMediaSeeking* s) { return s->GetDuration(p); });
}

HRESULT CPosPassThru::GetStopPosition(LONGLONG* p)
{
    return Upstream([&](IMediaSeeking* s) { return s->GetStopPosition(p); });
}

HRESULT CPosPassThru::GetCurrentPosition(LONGLONG* p)
{
    return Upstream([&](IMediaSeeking* s) { return s->GetCurrentPosition(p); });
}

HRESULT CPosPassThru::ConvertTimeFormat(LONGLONG* pTarget, const GUID* pTargetFormat, LONGLONG source,
                                        const GUID* pSourceFormat)
{
    return Upstream(
        [&](IMediaSeeking* s) { return s->ConvertTimeFormat(pTarget, pTargetFormat, source, pSourceFormat); });
}

HRESULT CPosPassThru::SetPositions(LONGLONG* pCurrent, DWORD currentFlags, LONGLONG* pStop, DWORD stopFlags)
{
    return Upstream([&](IMediaSeeking* s) { return s->SetPositions(pCurrent, currentFlags, pStop, stopFlags); });
}

HRESULT CPosPassThru::GetPositions(LONGLONG* pCurrent, LONGLONG* pStop)
{
    return Upstream([&](IMediaSeeking* s) { return s->GetPositions(pCurrent, pStop); });
}

HRESULT CPosPassThru::GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest)
{
    return Upstream([&](IMediaSeeking* s) { return s->GetAvailable(pEarliest, pLatest); });
}

HRESULT CPosPassThru::SetRate(double rate)
{
    return Upstream([&](IMediaSeeking* s) { return s->SetRate(rate); });
}

HRESULT CPosPassThru::GetRate(double* p)
{
    return Upstream([&](IMediaSeeking* s) { return s->GetRate(p); });
}

HRESULT CPosPassThru::GetPreroll(LONGLONG* p)
{
    return Upstream([&](IMediaSeeking* s) { return s->GetPreroll(p); });
}
