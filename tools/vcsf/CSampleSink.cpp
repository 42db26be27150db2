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

CSampleSink::CSampleSink(const wchar_t* pszName, REFCLSID clsid)
    : CBaseFilter(pszName, nullptr, &m_Lock, clsid), m_pin(this, &m_Lock, nullptr)
{
}
