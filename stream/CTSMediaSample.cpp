#include "stream/CTSMediaSample.h"

#include "baseclasses/CMediaType.h"
#include "core/CCamParm.h"
#include "core/CameraHeads.h"
#include "core/Trace.h"
#include "stream/CTSMediaSamplePool.h"

#include <vfwmsgs.h>

#include <algorithm>
#include <cstring>

CTSMediaSample::CTSMediaSample(CTSMediaSamplePool* pPool, CCamParm* pCamParm) : m_pPool(pPool), m_pCamParm(pCamParm)
{
}

CTSMediaSample::~CTSMediaSample()
{
    if (m_pMediaType) DeleteMediaType(m_pMediaType);
}

void CTSMediaSample::InitSend(BYTE* pData, uint32_t length)
{
    m_dwLength = length;
    m_lActual = static_cast<long>(length);
    m_dwPacketType = PTYPE_HTTP;
    m_pbData = pData;
    m_dwOffset = 0;
    m_dwFlags = 0;
    m_pCamParm->SendNotify();
}

STDMETHODIMP CTSMediaSample::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_INVALIDARG;
    if (riid == IID_IUnknown || riid == IID_IMediaSample || riid == IID_IMediaSample2) {
        *ppv = static_cast<IMediaSample2*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CTSMediaSample::AddRef() { return static_cast<ULONG>(++m_cRef); }

STDMETHODIMP_(ULONG) CTSMediaSample::Release()
{
    const LONG cRef = --m_cRef;
    if (cRef == 0) {
        ClearState();
        ReturnToPool();
    }
    return static_cast<ULONG>(cRef);
}

void CTSMediaSample::ClearState()
{
    if (m_pMediaType) DeleteMediaType(m_pMediaType);
    m_pMediaType = nullptr;
    m_dwFlags = 0;
    m_dwOffset = 0;
    m_dwLength = 0;
}

void CTSMediaSample::ReturnToPool() { m_pPool->Return(this); }

STDMETHODIMP CTSMediaSample::GetPointer(BYTE** ppBuffer)
{
    if (!ppBuffer) return E_POINTER;
    *ppBuffer = m_pbData;
    return S_OK;
}

STDMETHODIMP_(long) CTSMediaSample::GetSize()
{
    switch (m_dwPacketType) {
    case PTYPE_FIRST:
    case PTYPE_CONT:
    case PTYPE_MC_FIRST:
    case PTYPE_MC_CONT:
    case PTYPE_HTTP: return m_lActual;
    default: return 0;
    }
}

STDMETHODIMP CTSMediaSample::GetTime(REFERENCE_TIME* pStart, REFERENCE_TIME* pEnd)
{
    if (!pStart || !pEnd) return E_POINTER;
    if (!(m_dwFlags & kTimeValid)) return VFW_E_SAMPLE_TIME_NOT_SET;
    *pStart = m_tStart;
    if (!(m_dwFlags & kStopValid)) {
        *pEnd = m_tStart + 1;
        return VFW_S_NO_STOP_TIME;
    }
    *pEnd = m_tStop;
    return S_OK;
}

STDMETHODIMP CTSMediaSample::SetTime(REFERENCE_TIME* pStart, REFERENCE_TIME* pEnd)
{
    if (!pStart) {
        m_dwFlags &= ~(kTimeValid | kStopValid);
        return S_OK;
    }
    m_dwFlags |= kTimeValid;
    m_tStart = *pStart;
    SetFlag(kStopValid, pEnd != nullptr);
    if (pEnd) m_tStop = *pEnd;
    return S_OK;
}

STDMETHODIMP CTSMediaSample::IsSyncPoint() { return FlagResult(kSyncPoint); }

STDMETHODIMP CTSMediaSample::SetSyncPoint(BOOL bIsSyncPoint)
{
    SetFlag(kSyncPoint, bIsSyncPoint);
    return S_OK;
}

STDMETHODIMP CTSMediaSample::IsPreroll() { return FlagResult(kPreroll); }

STDMETHODIMP CTSMediaSample::SetPreroll(BOOL bIsPreroll)
{
    SetFlag(kPreroll, bIsPreroll);
    return S_OK;
}

STDMETHODIMP_(long) CTSMediaSample::GetActualDataLength() { return m_lActual; }

STDMETHODIMP CTSMediaSample::SetActualDataLength(long lLength)
{
    if (lLength > m_lActual) return VFW_E_BUFFER_OVERFLOW;
    m_lActual = lLength;
    return S_OK;
}

STDMETHODIMP CTSMediaSample::GetMediaType(AM_MEDIA_TYPE** ppMediaType)
{
    g_Trace(0, L"CTSMediaSample::GetMediaType");
    if (!ppMediaType) return E_POINTER;
    *ppMediaType = nullptr;
    if (!(m_dwFlags & kTypeChanged)) return S_FALSE;
    *ppMediaType = CreateMediaType(m_pMediaType);
    return *ppMediaType ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CTSMediaSample::SetMediaType(AM_MEDIA_TYPE* pMediaType)
{
    if (m_pMediaType) DeleteMediaType(m_pMediaType);
    m_pMediaType = nullptr;
    m_dwFlags &= ~kTypeChanged;
    if (!pMediaType) return S_OK;
    m_pMediaType = CreateMediaType(pMediaType);
    if (!m_pMediaType) return E_OUTOFMEMORY;
    m_dwFlags |= kTypeChanged;
    return S_OK;
}

STDMETHODIMP CTSMediaSample::IsDiscontinuity() { return FlagResult(kDiscontinuity); }

STDMETHODIMP CTSMediaSample::SetDiscontinuity(BOOL bDiscontinuity)
{
    SetFlag(kDiscontinuity, bDiscontinuity);
    return S_OK;
}

STDMETHODIMP CTSMediaSample::GetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd)
{
    if (!pTimeStart || !pTimeEnd) return E_POINTER;
    if (!(m_dwFlags & kMediaTimeValid)) return VFW_E_MEDIA_TIME_NOT_SET;
    *pTimeStart = m_tMediaStart;
    *pTimeEnd = m_tMediaStop;
    return S_OK;
}

STDMETHODIMP CTSMediaSample::SetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd)
{
    if (!pTimeStart) {
        m_dwFlags &= ~kMediaTimeValid;
        return S_OK;
    }
    if (!pTimeEnd) return E_POINTER;
    m_dwFlags |= kMediaTimeValid;
    m_tMediaStart = *pTimeStart;
    m_tMediaStop = *pTimeEnd;
    return S_OK;
}

// The sample flags as AM_SAMPLE_* flags: the media-time bit is ours alone.
STDMETHODIMP CTSMediaSample::GetProperties(DWORD cbProperties, BYTE* pbProperties)
{
    if (cbProperties == 0) return S_OK;
    if (!pbProperties) return E_POINTER;
    AM_SAMPLE2_PROPERTIES p = {};
    p.cbData = std::min<DWORD>(cbProperties, sizeof(p));
    p.dwTypeSpecificFlags = m_dwTypeSpecificFlags;
    p.dwSampleFlags = m_dwFlags & ~kMediaTimeValid;
    p.lActual = m_lActual;
    p.tStart = m_tStart;
    p.tStop = m_tStop;
    p.dwStreamId = m_dwStreamId;
    p.pMediaType = (m_dwFlags & kTypeChanged) ? m_pMediaType : nullptr;
    p.pbBuffer = m_pbData;
    p.cbBuffer = m_lActual;
    std::memcpy(pbProperties, &p, p.cbData);
    return S_OK;
}

STDMETHODIMP CTSMediaSample::SetProperties(DWORD, const BYTE*) { return E_NOTIMPL; }
