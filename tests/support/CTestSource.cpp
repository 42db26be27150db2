#include "tests/support/CTestSource.h"

#include <cstring>
#include <uuids.h>
#include <vfwmsgs.h>

// {0F3C6B52-8E1D-4E0B-B5A7-6C2E9D41A0B3}
static const CLSID CLSID_TestSource = {0x0f3c6b52, 0x8e1d, 0x4e0b, {0xb5, 0xa7, 0x6c, 0x2e, 0x9d, 0x41, 0xa0, 0xb3}};

CTestSourcePin::CTestSourcePin(CTestSource* pSource, CCritSec* pLock, HRESULT* phr)
    : CBaseOutputPin(L"CTestSourcePin", pSource, pLock, phr, L"Out")
{
}

HRESULT CTestSourcePin::GetMediaType(int iPosition, CMediaType* pmt)
{
    static const GUID* const subtypes[] = {&MEDIASUBTYPE_MPEG2_PROGRAM, &MEDIASUBTYPE_MPEG2_TRANSPORT};
    if (iPosition < 0) return E_INVALIDARG;
    if (iPosition >= 2) return VFW_S_NO_MORE_ITEMS;
    pmt->SetType(&MEDIATYPE_Stream);
    pmt->SetSubtype(subtypes[iPosition]);
    pmt->SetFormatType(&GUID_NULL);
    pmt->SetVariableSize();
    return S_OK;
}

HRESULT CTestSourcePin::CheckMediaType(const CMediaType* pmt)
{
    if (*pmt->Type() != MEDIATYPE_Stream) return VFW_E_TYPE_NOT_ACCEPTED;
    if (*pmt->Subtype() == MEDIASUBTYPE_MPEG2_PROGRAM || *pmt->Subtype() == MEDIASUBTYPE_MPEG2_TRANSPORT) return S_OK;
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CTestSourcePin::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pProps)
{
    pProps->cBuffers = kBufferCount;
    pProps->cbBuffer = kBufferSize;
    ALLOCATOR_PROPERTIES actual = {};
    HRESULT hr = pAlloc->SetProperties(pProps, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer < kBufferSize ? E_FAIL : S_OK;
}

HRESULT CTestSourcePin::InitAllocator(IMemAllocator** ppAlloc)
{
    m_bOwnAllocator = true;
    return CBaseOutputPin::InitAllocator(ppAlloc);
}

CTestSource::CTestSource()
    : CBaseFilter(L"CTestSource", nullptr, &m_filterLock, CLSID_TestSource), m_pin(this, &m_filterLock, nullptr)
{
}

HRESULT CTestSource::DeliverSample(long cb, REFERENCE_TIME tStart)
{
    IMediaSample* pSample = nullptr;
    HRESULT hr = m_pin.GetDeliveryBuffer(&pSample, nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    BYTE* pData = nullptr;
    pSample->GetPointer(&pData);
    if (cb > pSample->GetSize()) {
        pSample->Release();
        return E_INVALIDARG;
    }
    std::memset(pData, 0x5A, cb);
    pSample->SetActualDataLength(cb);
    REFERENCE_TIME tStop = tStart + 1;
    pSample->SetTime(&tStart, &tStop);
    hr = m_pin.Deliver(pSample);
    pSample->Release();
    return hr;
}
