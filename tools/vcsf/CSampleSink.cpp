#include "tools/vcsf/CSampleSink.h"

#include <uuids.h>
#include <vfwmsgs.h>

CSampleSinkPin::CSampleSinkPin(CSampleSink* pSink, CCritSec* pLock, HRESULT* phr)
    : CBaseInputPin(L"CSampleSinkPin", pSink, pLock, phr, L"In"), m_pSink(pSink)
{
}

HRESULT CSampleSinkPin::CheckMediaType(const CMediaType* pmt)
{
    return *pmt->Type() == MEDIATYPE_Stream ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

STDMETHODIMP CSampleSinkPin::Receive(IMediaSample* pSample)
{
    HRESULT hr = CBaseInputPin::Receive(pSample);
    if (hr != S_OK) return hr;
    BYTE* p = nullptr;
    hr = pSample->GetPointer(&p);
    if (FAILED(hr)) return hr;
    m_pSink->m_ullSamples++;
    return m_pSink->Consume(pSample, p);
}

STDMETHODIMP CSampleSinkPin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate)
{
    m_pSink->OnNewSegment(dRate);
    return CBaseInputPin::NewSegment(tStart, tStop, dRate);
}

CSampleSink::CSampleSink(const wchar_t* pszName, REFCLSID clsid)
    : CBaseFilter(pszName, nullptr, &m_Lock, clsid), m_pin(this, &m_Lock, nullptr),
      m_seeking(L"CSampleSink seeking", GetOwner(), &m_pin)
{
}

STDMETHODIMP CSampleSink::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IMediaSeeking) return m_seeking.NonDelegatingQueryInterface(riid, ppv);
    return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}
