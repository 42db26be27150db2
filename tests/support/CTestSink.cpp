#include "tests/support/CTestSink.h"

#include <algorithm>
#include <cstring>

#include <evcode.h>
#include <uuids.h>
#include <vfwmsgs.h>

// {6B7B4C1E-2F4A-4C55-9A61-3B1C2D8E0F11}
static const CLSID CLSID_TestSink = {0x6b7b4c1e, 0x2f4a, 0x4c55, {0x9a, 0x61, 0x3b, 0x1c, 0x2d, 0x8e, 0x0f, 0x11}};

CTestSinkPin::CTestSinkPin(CTestSink* pSink, CCritSec* pLock, HRESULT* phr)
    : CBaseInputPin(L"CTestSinkPin", pSink, pLock, phr, L"In"), m_pSink(pSink)
{
}

HRESULT CTestSinkPin::CheckMediaType(const CMediaType* pmt)
{
    if (*pmt->Type() != MEDIATYPE_Stream) return VFW_E_TYPE_NOT_ACCEPTED;
    if (m_pSink->m_acceptedSubtype != GUID_NULL && *pmt->Subtype() != m_pSink->m_acceptedSubtype)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT CTestSinkPin::GetAllocator(IMemAllocator** ppAllocator)
{
    if (m_pSink->m_bWithholdAllocator) {
        if (ppAllocator) *ppAllocator = nullptr;
        return VFW_E_NO_ALLOCATOR;
    }
    return CBaseInputPin::GetAllocator(ppAllocator);
}

HRESULT CTestSinkPin::NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly)
{
    HRESULT hr = CBaseInputPin::NotifyAllocator(pAllocator, bReadOnly);
    if (SUCCEEDED(hr)) m_pSink->m_pNotified = pAllocator;
    return hr;
}

HRESULT CTestSinkPin::Receive(IMediaSample* pSample)
{
    HRESULT hr = CBaseInputPin::Receive(pSample);
    if (hr != S_OK) return hr;
    return m_pSink->Take(pSample);
}

HRESULT CTestSinkPin::EndOfStream()
{
    HRESULT hr = CheckStreamState();
    if (hr != S_OK) return hr;
    {
        CAutoLock lock(&m_pSink->m_countLock);
        m_pSink->m_counts.endOfStreams++;
    }
    return m_pSink->NotifyEvent(EC_COMPLETE, S_OK, 0);
}

HRESULT CTestSinkPin::BeginFlush()
{
    CBaseInputPin::BeginFlush();
    SetEvent(m_pSink->m_hRelease);  // a held Receive ends on a flush
    CAutoLock lock(&m_pSink->m_countLock);
    m_pSink->m_counts.flushes++;
    return S_OK;
}

HRESULT CTestSinkPin::EndFlush() { return CBaseInputPin::EndFlush(); }

HRESULT CTestSinkPin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate)
{
    CBaseInputPin::NewSegment(tStart, tStop, dRate);
    CAutoLock lock(&m_pSink->m_countLock);
    m_pSink->m_counts.newSegments++;
    m_pSink->m_counts.segmentStart = tStart;
    m_pSink->m_counts.segmentStop = tStop;
    m_pSink->m_counts.segmentRate = dRate;
    return S_OK;
}

CTestSink::CTestSink(IUnknown* pUnkOuter)
    : CBaseFilter(L"CTestSink", pUnkOuter, &m_filterLock, CLSID_TestSink),
      m_pin(this, &m_filterLock, nullptr),
      m_seeking(L"CTestSink seeking", GetOwner(), &m_pin),
      m_hSample(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      m_hBlocked(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_hRelease(CreateEventW(nullptr, TRUE, TRUE, nullptr))
{
}

CTestSink::~CTestSink()
{
    CloseHandle(m_hSample);
    CloseHandle(m_hBlocked);
    CloseHandle(m_hRelease);
}

HRESULT CTestSink::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IAMFilterMiscFlags) return GetInterface(static_cast<IAMFilterMiscFlags*>(this), ppv);
    if (riid == IID_IMediaSeeking) return m_seeking.NonDelegatingQueryInterface(riid, ppv);
    return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}

ULONG CTestSink::GetMiscFlags() { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

HRESULT CTestSink::Stop()
{
    SetEvent(m_hRelease);  // a held Receive ends on a stop
    return CBaseFilter::Stop();
}

CBasePin* CTestSink::GetPin(int n) { return n == 0 ? &m_pin : nullptr; }

void CTestSink::BlockReceive()
{
    m_bBlock = true;
    ResetEvent(m_hRelease);
}

void CTestSink::Unblock()
{
    m_bBlock = false;
    SetEvent(m_hRelease);
}

CTestSink::Counts CTestSink::GetCounts()
{
    CAutoLock lock(&m_countLock);
    return m_counts;
}

void CTestSink::WaitWhileBlocked()
{
    if (!m_bBlock) return;
    SetEvent(m_hBlocked);
    WaitForSingleObject(m_hRelease, INFINITE);
    ResetEvent(m_hBlocked);
}

void CTestSink::KeepHead(IMediaSample* pSample)
{
    BYTE* p = nullptr;
    if (FAILED(pSample->GetPointer(&p)) || !p) return;
    const int room = static_cast<int>(sizeof(m_counts.head)) - m_counts.headLength;
    const int n = std::min<int>(room, pSample->GetActualDataLength());
    if (n > 0) std::memcpy(m_counts.head + m_counts.headLength, p, static_cast<size_t>(n));
    m_counts.headLength += std::max(n, 0);
}

void CTestSink::KeepSample(IMediaSample* pSample)
{
    BYTE* p = nullptr;
    if (!m_bKeepSamples || FAILED(pSample->GetPointer(&p)) || !p) return;
    KeptSample kept = {std::vector<uint8_t>(p, p + pSample->GetSize()), pSample->GetActualDataLength(),
                       pSample->IsSyncPoint() == S_OK, pSample->IsDiscontinuity() == S_OK, -1, -1};
    LONGLONG mediaStop = 0;
    pSample->GetMediaTime(&kept.mediaStart, &mediaStop);
    REFERENCE_TIME stop = 0;
    pSample->GetTime(&kept.start, &stop);
    m_kept.push_back(std::move(kept));
}

std::vector<CTestSink::KeptSample> CTestSink::Kept()
{
    CAutoLock lock(&m_countLock);
    return m_kept;
}

HRESULT CTestSink::Take(IMediaSample* pSample)
{
    WaitWhileBlocked();
    HRESULT hr = m_hrReceive;
    if (hr != S_OK) return hr;
    REFERENCE_TIME tStart = 0, tStop = 0;
    pSample->GetTime(&tStart, &tStop);
    {
        CAutoLock lock(&m_countLock);
        KeepHead(pSample);
        KeepSample(pSample);
        m_counts.samples++;
        m_counts.bytes += pSample->GetActualDataLength();
        m_counts.lastSampleStart = tStart;
    }
    SetEvent(m_hSample);
    return S_OK;
}
