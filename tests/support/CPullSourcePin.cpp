#include "tests/support/CPullSourcePin.h"

#include "baseclasses/CBaseFilter.h"
#include "tests/support/CExclusiveLock.h"

#include <uuids.h>
#include <vfwmsgs.h>

namespace {

constexpr LONGLONG kUnitsPerByte = 10000000;  // a pull request's times are byte offsets in these units

}  // namespace

CPullSourcePin::CPullSourcePin(CBaseFilter* pFilter, CCritSec* pLock, CGrowingStream* pStream, const GUID& subtype,
                               HRESULT* phr)
    : CBasePin(L"CPullSourcePin", pFilter, pLock, phr, L"Output", PINDIR_OUTPUT), m_pStream(pStream),
      m_subtype(subtype)
{
}

CPullSourcePin::~CPullSourcePin()
{
    for (const Pending& pending : m_queue) pending.pSample->Release();
}

HRESULT CPullSourcePin::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IAsyncReader) return GetInterface(static_cast<IAsyncReader*>(this), ppv);
    return CBasePin::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CPullSourcePin::GetMediaType(int iPosition, CMediaType* pmt)
{
    if (iPosition < 0) return E_INVALIDARG;
    if (iPosition > 0) return VFW_S_NO_MORE_ITEMS;
    pmt->SetType(&MEDIATYPE_Stream);
    pmt->SetSubtype(&m_subtype);
    pmt->SetFormatType(&GUID_NULL);
    pmt->SetVariableSize();
    return S_OK;
}

HRESULT CPullSourcePin::CheckMediaType(const CMediaType* pmt)
{
    if (*pmt->Type() != MEDIATYPE_Stream || *pmt->Subtype() != m_subtype) return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT CPullSourcePin::RequestAllocator(IMemAllocator* pPreferred, ALLOCATOR_PROPERTIES* pProps,
                                         IMemAllocator** ppActual)
{
    if (!pProps || !ppActual) return E_POINTER;
    *ppActual = nullptr;
    ALLOCATOR_PROPERTIES wanted = *pProps, actual = {};
    if (wanted.cbAlign == 0) wanted.cbAlign = 1;
    if (pPreferred && SUCCEEDED(pPreferred->SetProperties(&wanted, &actual))) {
        pPreferred->AddRef();
        *ppActual = pPreferred;
        return S_OK;
    }
    IMemAllocator* pOwn = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                  reinterpret_cast<void**>(&pOwn));
    if (FAILED(hr)) return hr;
    hr = pOwn->SetProperties(&wanted, &actual);
    if (FAILED(hr)) {
        pOwn->Release();
        return hr;
    }
    *ppActual = pOwn;
    return S_OK;
}

HRESULT CPullSourcePin::Request(IMediaSample* pSample, DWORD_PTR dwUser)
{
    if (!pSample) return E_POINTER;
    {
        CExclusiveLock lock(&m_queueLock);
        if (m_bFlushing) return VFW_E_WRONG_STATE;
        pSample->AddRef();
        m_queue.push_back({pSample, dwUser});
    }
    WakeAllConditionVariable(&m_queued);
    return S_OK;
}

HRESULT CPullSourcePin::WaitForNext(DWORD dwTimeout, IMediaSample** ppSample, DWORD_PTR* pdwUser)
{
    if (!ppSample || !pdwUser) return E_POINTER;
    *ppSample = nullptr;
    *pdwUser = 0;
    Pending next = {};
    HRESULT hr = S_OK;
    if (!TakeNext(dwTimeout, &next, &hr)) return hr;
    if (SUCCEEDED(hr)) hr = Fill(next.pSample);
    *ppSample = next.pSample;  // the caller takes the reference the queue held
    *pdwUser = next.dwUser;
    return hr;
}

// False when nothing was taken (*phr says why); during a flush a queued request
// comes back unread, with VFW_E_WRONG_STATE in *phr.
bool CPullSourcePin::TakeNext(DWORD dwTimeout, Pending* pNext, HRESULT* phr)
{
    CExclusiveLock lock(&m_queueLock);
    const ULONGLONG deadline = dwTimeout == INFINITE ? 0 : GetTickCount64() + dwTimeout;
    while (m_queue.empty() && !m_bFlushing) {
        const ULONGLONG now = GetTickCount64();
        if (dwTimeout != INFINITE && now >= deadline) {
            *phr = VFW_E_TIMEOUT;
            return false;
        }
        const DWORD wait = dwTimeout == INFINITE ? INFINITE : static_cast<DWORD>(deadline - now);
        SleepConditionVariableSRW(&m_queued, &m_queueLock, wait, 0);
    }
    if (m_queue.empty()) {
        *phr = VFW_E_WRONG_STATE;
        return false;
    }
    *pNext = m_queue.front();
    m_queue.pop_front();
    *phr = m_bFlushing ? VFW_E_WRONG_STATE : S_OK;
    return true;
}

HRESULT CPullSourcePin::SyncReadAligned(IMediaSample* pSample)
{
    if (!pSample) return E_POINTER;
    return Fill(pSample);
}

// Reads the bytes that the sample's times name into it.
HRESULT CPullSourcePin::Fill(IMediaSample* pSample)
{
    REFERENCE_TIME tStart = 0, tStop = 0;
    HRESULT hr = pSample->GetTime(&tStart, &tStop);
    if (FAILED(hr)) return hr;
    const LONGLONG llPosition = tStart / kUnitsPerByte;
    const LONGLONG llLength = (tStop - tStart) / kUnitsPerByte;
    BYTE* pBuffer = nullptr;
    if (tStart < 0 || llLength < 0 || llLength > pSample->GetSize()) return E_INVALIDARG;
    hr = pSample->GetPointer(&pBuffer);
    if (FAILED(hr)) return hr;
    hr = m_pStream->Read(llPosition, static_cast<LONG>(llLength), pBuffer);
    pSample->SetActualDataLength(SUCCEEDED(hr) ? static_cast<long>(llLength) : 0);
    return hr;
}

HRESULT CPullSourcePin::SyncRead(LONGLONG llPosition, LONG lLength, BYTE* pBuffer)
{
    return m_pStream->Read(llPosition, lLength, pBuffer);
}

HRESULT CPullSourcePin::Length(LONGLONG* pTotal, LONGLONG* pAvailable)
{
    if (!pTotal || !pAvailable) return E_POINTER;
    *pAvailable = m_pStream->Received();
    *pTotal = m_pStream->Length();
    return S_OK;
}

HRESULT CPullSourcePin::BeginFlush()
{
    {
        CExclusiveLock lock(&m_queueLock);
        m_bFlushing = true;
    }
    m_pStream->SetInterrupted(true);
    WakeAllConditionVariable(&m_queued);
    return S_OK;
}

HRESULT CPullSourcePin::EndFlush()
{
    {
        CExclusiveLock lock(&m_queueLock);
        m_bFlushing = false;
    }
    m_pStream->SetInterrupted(false);
    return S_OK;
}
