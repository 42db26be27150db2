#include "DShowFilters/CVCodecSourceFilter.h"

#include "DShowFilters/CRecOutputPin.h"
#include "DShowFilters/CSeek.h"
#include "DShowFilters/CVCSourceOutputPin.h"
#include "baseclasses/ComGuard.h"
#include "DShowFilters/CTransportChooser.h"
#include "camera/CReconnector.h"
#include "camera/CStallWatch.h"
#include "core/ByteOrder.h"
#include "core/CBufferPool.h"
#include "core/CCamParm.h"
#include "core/CMpegBuffer.h"
#include "core/CPlayIndexedBuffer.h"
#include "core/PlayUnitInfo.h"
#include "core/Trace.h"
#include "playback/PlayTime.h"
#include "stream/CESMediaSamplePool.h"
#include "stream/CNetRecvAlloc.h"
#include "stream/CPushWorkers.h"
#include "stream/CRecordingPath.h"
#include "stream/CTSMediaSamplePool.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vfwmsgs.h>

namespace {

constexpr uint32_t kPoolBuffers = 54;
constexpr uint32_t kPoolBufferBytes = 4096;
constexpr uint32_t kMpegBufferBytes = 0x78000;
constexpr int kPlaySamples = 10;
constexpr uint32_t kReconnectStallMs = 5000;

static_assert(VCSF_STATUS_NO_DATA == kStatusNoFirstPacket && VCSF_STATUS_UNAUTHORIZED == kStatusUnauthorized &&
              VCSF_STATUS_MAC_CHANGED == kStatusMacChanged && VCSF_STATUS_BUFFER_OVERFLOW == kStatusBufferOverflow &&
              VCSF_STATUS_RECONNECTING == kStatusReconnecting && VCSF_STATUS_STREAM_ENDED == kStatusStreamEnded &&
              VCSF_STATUS_NOTHING_YET == kStatusNothingYet);
const uint32_t kAddressNotSet = IPv4NetworkOrder(254, 255, 255, 255);  // never accepted by SetValue

bool IsTrue(const VARIANT& value) { return static_cast<uint16_t>(value.boolVal) == 0xFFFF; }

}  // namespace

CUnknown* CVCodecSourceFilter::CreateInstance(IUnknown* pUnkOuter, HRESULT* phr)
{
    auto* pFilter = new (std::nothrow) CVCodecSourceFilter(pUnkOuter, phr);
    if (!pFilter) {
        *phr = E_OUTOFMEMORY;
        return nullptr;
    }
    if (FAILED(*phr)) {
        delete pFilter;
        return nullptr;
    }
    return pFilter;
}

CVCodecSourceFilter::CVCodecSourceFilter(IUnknown* pUnk, HRESULT* phr)
    : CBaseFilter(L"CVCodecSourceFilter", pUnk, &m_FilterLock, CLSID_VCodecSourceFilter)
{
    m_PlayPlace.time = m_Config.PlayDateStart();
    const HRESULT hr = CreateObjects();
    if (FAILED(hr)) *phr = hr;
}

// In order; the first object that fails ends construction with its result.
HRESULT CVCodecSourceFilter::CreateObjects()
{
    HRESULT hr = CreatePins();
    if (FAILED(hr)) return hr;
    int32_t result = 0;
    m_pBufferPool.reset(new (std::nothrow) CBufferPool(kPoolBuffers, kPoolBufferBytes, &result));
    if (!m_pBufferPool || result < 0) {
        g_ErrorLog(1, L"Constructor", L"m_pBufferPool");
        return result < 0 ? result : E_OUTOFMEMORY;
    }
    m_pCamParm.reset(new (std::nothrow) CCamParm(this));
    if (!m_pCamParm) {
        g_ErrorLog(1, L"Constructor", L"m_pCamParm");
        return E_OUTOFMEMORY;
    }
    m_pMpegBuffer.reset(new (std::nothrow) CMpegBuffer(kMpegBufferBytes, &result));
    if (!m_pMpegBuffer || result < 0) {
        g_Trace(1, L"Constructor:m_pMpegBuffer create error");
        return E_OUTOFMEMORY;
    }
    m_pPlayBuffer.reset(new (std::nothrow) CPlayIndexedBuffer(CPlayIndexedBuffer::kPlaySize,
                                                              CPlayIndexedBuffer::kPlayType, &result));
    if (!m_pPlayBuffer || result < 0) {
        g_Trace(1, L"Constructor: m_pPlayIdxBuf create error.");
        return E_OUTOFMEMORY;
    }
    m_pRecording.reset(new (std::nothrow) CRecordingPath(GetOwner(), m_pCamParm.get(), &hr));
    if (!m_pRecording) return E_OUTOFMEMORY;
    if (FAILED(hr)) return hr;
    m_pTransports.reset(new (std::nothrow) CTransportChooser(m_pBufferPool.get(), this, this, m_pCamParm.get(),
                                                             m_pMpegBuffer.get(), m_pPlayBuffer.get(), &hr));
    if (!m_pTransports) return E_OUTOFMEMORY;
    if (FAILED(hr)) return hr;
    m_pStallWatch.reset(new (std::nothrow) CStallWatch(m_pCamParm.get(), this));
    if (!m_pStallWatch) return E_OUTOFMEMORY;
    m_pReconnector.reset(new (std::nothrow) CReconnector(m_pCamParm.get(), this, &hr));
    if (!m_pReconnector) return E_OUTOFMEMORY;
    if (FAILED(hr)) return hr;
    hr = CreateSamplePools();
    if (FAILED(hr)) return hr;
    CreateSeeking();
    return S_OK;
}

// A filter without it still plays; it only does not seek.
void CVCodecSourceFilter::CreateSeeking()
{
    m_pSeek.reset(new (std::nothrow) CSeek(GetOwner(), this, m_pPlayBuffer.get(), m_pOutput.get(), m_pCamParm.get(), m_pLock));
    if (!m_pSeek) g_Trace(1, L"Constructor: m_pSeek create error.");
    m_pOutput->SetSeeking(m_pSeek.get());
}

HRESULT CVCodecSourceFilter::CreatePins()
{
    HRESULT hr = S_OK;
    m_pOutput.reset(new (std::nothrow) CVCSourceOutputPin(this, m_pLock, &hr, &m_pNetRecvAlloc));
    if (!m_pOutput || FAILED(hr)) {
        g_ErrorLog(1, L"Constructor", L"m_pOutput");
        return FAILED(hr) ? hr : E_OUTOFMEMORY;
    }
    m_pOutputR.reset(new (std::nothrow) CRecOutputPin(this, m_pLock, &hr, &m_pNetRecvAlloc));
    if (!m_pOutputR || FAILED(hr)) {
        g_ErrorLog(1, L"Constructor", L"m_pOutputR");
        return FAILED(hr) ? hr : E_OUTOFMEMORY;
    }
    return S_OK;
}

// Every sample out holds the filter's controlling unknown, so an aggregated
// filter outlives its samples too.
HRESULT CVCodecSourceFilter::CreateSamplePools()
{
    HRESULT hr = S_OK;
    m_pMSPool.reset(new (std::nothrow) CTSMediaSamplePool(GetOwner(), m_pCamParm.get(), &hr));
    if (!m_pMSPool || FAILED(hr)) {
        g_ErrorLog(1, L"Constructor", L"m_pMSPool");
        return FAILED(hr) ? hr : E_OUTOFMEMORY;
    }
    m_pNetRecvAlloc = new (std::nothrow) CNetRecvAlloc(GetOwner());
    if (!m_pNetRecvAlloc) {
        g_ErrorLog(1, L"Constructor", L"m_pNetRecvAlloc");
        return E_OUTOFMEMORY;
    }
    m_pMSPlayPool.reset(new (std::nothrow) CESMediaSamplePool(kPlaySamples, GetOwner(), m_pCamParm.get(),
                                                              m_pPlayBuffer.get(), &hr));
    if (!m_pMSPlayPool || FAILED(hr)) {
        g_ErrorLog(1, L"Constructor", L"m_pMSPlayPool");
        return FAILED(hr) ? hr : E_OUTOFMEMORY;
    }
    const CPushWorkers::Buffers buffers = {m_pMSPool.get(),        m_pMpegBuffer.get(), m_pRecording->Pool(),
                                           m_pRecording->Buffer(), m_pMSPlayPool.get(), m_pPlayBuffer.get()};
    m_pWorkers.reset(new (std::nothrow) CPushWorkers(this, m_pCamParm.get(), buffers));
    return m_pWorkers ? S_OK : E_OUTOFMEMORY;
}

// The receiver goes before the camera parameters: a receiving thread still running
// would otherwise write into them after they were deleted.
CVCodecSourceFilter::~CVCodecSourceFilter()
{
    // A graph stops a filter before it lets it go; a filter that only ever saw its
    // first data outside a graph still has its push threads here.
    m_pOutput->SetSeeking(nullptr);
    m_pSeek.reset();
    m_pWorkers.reset();
    m_pTransports.reset();
    m_pCamParm.reset();
    m_pOutput.reset();
    m_pBufferPool.reset();
    m_pMSPool.reset();
    delete m_pNetRecvAlloc;
    m_pOutputR.reset();
    m_pRecording.reset();
    m_pMSPlayPool.reset();
    m_pPlayBuffer.reset();
    m_pMpegBuffer.reset();
    g_TraceEnd();
    g_bTraceEnable = 0;
}

HRESULT CVCodecSourceFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_ISpecifyPropertyPages) return GetInterface(static_cast<ISpecifyPropertyPages*>(this), ppv);
    if (riid == IID_IVLMVCConfigure || riid == IID_IVLMVCConfigure3)
        return GetInterface(static_cast<IVLMVCConfigure3*>(this), ppv);
    if (riid == IID_IAMFilterMiscFlags) return GetInterface(static_cast<IAMFilterMiscFlags*>(this), ppv);
    if (riid == IID_IVCSFStatistics) return GetInterface(static_cast<IVCSFStatistics*>(this), ppv);
    if (riid == IID_IMediaSeeking && m_pSeek) return m_pSeek->NonDelegatingQueryInterface(riid, ppv);
    return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CVCodecSourceFilter::SetValue(REFGUID property, const VARIANT* value)
{
    if (!value) return E_POINTER;
    VARIANT copy = *value;
    const PropertyInfo* info = CFilterConfig::Find(property);
    if (!IsStopped() && !(info && info->access == PropertyAccess::AnyState)) {
        g_Trace(3, L"CVCodecSourceFilter::SetValue: Filter state is not stop.");
        return VFW_E_NOT_STOPPED;
    }
    return ComGuard([&] { return ConfProcedure(info, &copy, false); });
}

HRESULT CVCodecSourceFilter::GetValue(REFGUID property, VARIANT* value)
{
    if (!value) return E_POINTER;
    const PropertyInfo* info = CFilterConfig::Find(property);
    return ComGuard([&] { return ConfProcedure(info, value, true); });
}

HRESULT CVCodecSourceFilter::GetStatistics(VCSF_STATISTICS* pStatistics)
{
    if (!pStatistics) return E_POINTER;
    if (pStatistics->cbSize < sizeof(VCSF_STATISTICS)) return E_INVALIDARG;
    const CLinkCounters::Values v = m_pCamParm->Counters().Snapshot();
    VCSF_STATISTICS s = {};
    s.cbSize = pStatistics->cbSize;
    s.dwMsSinceStreamData = m_pCamParm->HasStreamData()
                                ? static_cast<DWORD>(std::min<uint64_t>(m_pCamParm->MsSinceStreamData(), 0xFFFFFFFE))
                                : 0xFFFFFFFF;
    s.ullReceived = v.received;
    s.ullReceivedBytes = v.receivedBytes;
    s.ullPacketGaps = v.packetGaps;
    s.ullWrongIdentifiers = v.wrongIdentifiers;
    s.ullShortOrDropped = v.shortOrDropped;
    s.ullRingOverflows = v.ringOverflows;
    s.ullRecordingOverflows = v.recordingOverflows;
    s.ullReconnections = v.reconnections;
    s.ullMainPinBytes = v.mainPinBytes;
    s.ullRecordingPinBytes = v.recordingPinBytes;
    s.wLastReconnectCause = v.lastReconnectCause;
    *pStatistics = s;
    return S_OK;
}

HRESULT CVCodecSourceFilter::ConfProcedure(const PropertyInfo* info, VARIANT* value, bool bGet)
{
    if (!info) {
        g_ErrorLog(1, L"CVCodecSourceFilter::ConfProcedure", L"このIDは定義されていません");
        return E_NOTIMPL;
    }
    return bGet ? GetProperty(*info, value) : SetProperty(*info, *value);
}

// The values that come from the stream or the running filter rather than the store.
HRESULT CVCodecSourceFilter::GetProperty(const PropertyInfo& info, VARIANT* value)
{
    if (info.id == &HVSF_StrmWidth) value->ulVal = m_pCamParm->GetWidth();
    else if (info.id == &HVSF_StrmHeight) value->ulVal = m_pCamParm->GetHeight();
    else if (info.id == &HVSF_AudioModel) value->boolVal = GetAudioModel() ? VARIANT_TRUE : VARIANT_FALSE;
    else return m_Config.Load(info, value);
    return S_OK;
}

HRESULT CVCodecSourceFilter::SetProperty(const PropertyInfo& info, const VARIANT& value)
{
    if (info.id == &HVSF_Rec || info.id == &HVSF_Live) return SwitchMode(info, value);
    if (info.id == &HVSF_AudioModel) {
        SetAudioModel(IsTrue(value));
        return S_OK;
    }
    if (info.id == &VCSF_ComType && m_pTransports->IsActive()) {
        g_ErrorLog(0, L"CVCodecSourceFilter::ConfProcedure: SetComType", L"すでに通信が開始されているので変更できません。");
        return VFW_E_NOT_STOPPED;
    }
    // A new speed takes effect only once the first data have arrived.
    if (info.id == &VCF_PlaySpeed && !m_pCamParm->IsFirstDataGet()) return S_OK;
    const HRESULT hr = m_Config.Store(info, value);
    if (SUCCEEDED(hr)) AfterStore(info);
    return hr;
}

void CVCodecSourceFilter::AfterStore(const PropertyInfo& info)
{
    if (info.id == &VCSF_ProtectedMode && !g_bTraceEnable) {
        g_bTraceEnable = 1;
        g_TraceStart(m_Config.IsOn<VCSF_ProtectedMode>());
    }
    if (info.id == &VCF_PlaySpeed) m_PlayRate.Store(m_Config.Get<VCF_PlaySpeed, double>());
    if (info.id == &VCF_PlayAudio) SetAudioModel(m_Config.IsOn<VCF_PlayAudio>());
    if (info.id == &VCF_PlayDateStart) {
        CAutoLock lock(&m_RestartLock);
        m_PlayPlace = {m_Config.PlayDateStart(), 0, 0};
        m_bRateRestart = m_bPosRestart = m_bRestartAsked = 0;  // a new range starts at its start
    }
}

// The flag always ends equal to the request; E_FAIL says a running filter could not follow.
HRESULT CVCodecSourceFilter::SwitchMode(const PropertyInfo& info, const VARIANT& value)
{
    const bool bRec = info.id == &HVSF_Rec;
    const uint16_t request = static_cast<uint16_t>(value.boolVal);
    const bool bOn = IsTrue(value);
    const bool bFlag = m_Config.IsOn(info);
    HRESULT hr = S_OK;
    if ((bOn && !bFlag) || (request == 0 && bFlag)) hr = bRec ? DynamicRec(bOn) : DynamicLive(bOn);
    else g_Trace(1, bRec ? L"HVSF_Rec receive but already mode changed!" : L"HVSF_Live receive but already mode changed!");
    m_Config.SetOn(info, bOn);
    return FAILED(hr) ? E_FAIL : S_OK;
}

HRESULT CVCodecSourceFilter::GetPages(CAUUID* pPages)
{
    if (!pPages) return E_POINTER;
    pPages->cElems = 1;
    pPages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pPages->pElems) return E_OUTOFMEMORY;
    pPages->pElems[0] = CLSID_VCSourceProp;
    return S_OK;
}

ULONG CVCodecSourceFilter::GetMiscFlags() { return AM_FILTER_MISC_FLAGS_IS_SOURCE; }

// The two output pins join with live delivery.
int CVCodecSourceFilter::GetPinCount() { return 2; }

CBasePin* CVCodecSourceFilter::GetPin(int n)
{
    if (n == 0) return m_pOutput.get();
    if (n == 1) return m_pOutputR.get();
    return nullptr;
}

// Under the filter lock: a stop on another thread either comes first, and the
// switch only chooses what the next start creates, or waits for it.
// Switched off, the packs whose end has arrived still reach the pin before its
// end-of-stream; the parser goes before the recording buffer is emptied.
HRESULT CVCodecSourceFilter::DynamicRec(bool bOn)
{
    CAutoLock lock(m_pLock);
    if (IsStopped() || bOn == m_Config.IsOn<HVSF_Rec>()) return 0;
    if (bOn) {
        g_Trace(1, L"DynamicRec: Rec Start.");
        const bool bCreated = CreatePushES(ESTYPE_PSREC, 0) >= 0;
        if (bCreated) m_Config.SetOn<HVSF_Rec>(true);
        else g_Trace(1, L"DynamicRec: CreatePushES failed.");
        m_pRecording->CreateParser();
        return bCreated ? 0 : -1;
    }
    g_Trace(1, L"DynamicRec: Rec Stop.");
    m_pRecording->EndParser();
    m_pWorkers->FinishRecording();
    m_pRecording->Reset();
    m_Config.SetOn<HVSF_Rec>(false);
    return 0;
}

HRESULT CVCodecSourceFilter::DynamicLive(bool bOn)
{
    CAutoLock lock(m_pLock);
    if (IsStopped() || bOn == m_Config.IsOn<HVSF_Live>()) return 0;
    if (bOn) {
        g_Trace(1, L"DynamicLive: Live Start.");
        if (FAILED(CreatePushData())) {
            g_Trace(1, L"DynamicLive: CreatePushData failed.");
            return -1;
        }
        return 0;
    }
    g_Trace(1, L"Live Stop.");
    m_pWorkers->Delete(CPushWorkers::kLive);
    m_pMpegBuffer->Reset();
    return 0;
}

int32_t CVCodecSourceFilter::SendGraphEvent(int32_t code, intptr_t param1, intptr_t param2)
{
    return NotifyEvent(code, param1, param2);
}

int32_t CVCodecSourceFilter::CreatePushData() { return m_pWorkers->CreateLive(m_dwAvgBitRate, GetRate()); }

int32_t CVCodecSourceFilter::CreatePushPlay()
{
    const double rate = m_Config.IsOn<HVSF_AudioModel>() ? 1.0 : GetRate();
    // A restart at another rate keeps the time step of that rate.
    const int64_t frameDuration = m_pCamParm->CalcRefTime();
    if (rate != 1.0 && frameDuration > 0) m_pPlayBuffer->SetRefTime(static_cast<uint64_t>(frameDuration / rate));
    return m_pWorkers->CreatePlay(m_pCamParm->CalcAvgBitRate(), rate);
}

int32_t CVCodecSourceFilter::CreatePushES(uint32_t esTypes, int64_t referenceTime)
{
    if (esTypes & (ESTYPE_VIDEO | ESTYPE_AUDIO | ESTYPE_REC)) return E_UNEXPECTED;
    if (!(esTypes & ESTYPE_PSREC)) return S_OK;
    return m_pWorkers->CreateRecording(referenceTime);
}

void CVCodecSourceFilter::WriteRecording(const uint8_t* pData, uint32_t cb) { m_pRecording->Write(pData, cb); }

void CVCodecSourceFilter::StopStream(bool bNotify)
{
    // Asked only: a receiving thread stops the stream here while a delivery may be held.
    if (!IsStopped()) {
        const bool bMain = m_pOutput->IsConnected();
        const uint32_t workers = (bMain ? CPushWorkers::kLive | CPushWorkers::kPlay : 0) |
                                 (m_pOutputR->IsConnected() ? CPushWorkers::kRecording : 0);
        // Downstream lets go of what it holds, so that a playback thread waiting for a sample goes on.
        if (bMain && m_pWorkers->Has(CPushWorkers::kPlay)) {
            m_pOutput->DeliverBeginFlush();
            m_pOutput->DeliverEndFlush();
        }
        m_pWorkers->RequestStop(workers);
    }
    if (bNotify) m_pCamParm->SendErrAbort(E_FAIL);
}

bool CVCodecSourceFilter::Reconnect(uint16_t cause) { return m_pReconnector->Take(cause); }

// The receiving thread that broke has ended or ends by itself; the transport's stop joins it.
HRESULT CVCodecSourceFilter::RestartLink()
{
    m_pTransports->Stop();
    m_pCamParm->SetFirstDataGet(false);  // the new session's data begin at a system header
    m_pMpegBuffer->MarkGap();
    m_pRecording->BreakForReconnect();
    const HRESULT hr = m_pTransports->Start(m_Config.Settings());
    if (FAILED(hr)) m_pTransports->Stop();  // nothing half started waits for the next attempt
    return hr;
}

void CVCodecSourceFilter::AbortRestart() { m_pTransports->AbortStart(); }

void CVCodecSourceFilter::PauseStream(bool bNotify)
{
    if (IsStopped()) return;
    m_pWorkers->Pause(CPushWorkers::kAll);
    if (bNotify) m_pCamParm->SendErrAbort(E_FAIL);
}

bool CVCodecSourceFilter::CheckAndDeliver(IMediaSample* pSample, uint32_t esType, bool* pbTaken)
{
    if (pbTaken) *pbTaken = false;
    if (m_bLiveFrozen || m_bStopping || m_bDemuxOverflow) return false;
    HRESULT hr = E_UNEXPECTED;
    if (esType == ESTYPE_VIDEO) {
        CAutoLock lock(&m_ReceiveLock);
        hr = m_pOutput->Deliver(pSample);
    } else if (esType == ESTYPE_PSREC) {
        hr = m_pOutputR->Deliver(pSample);  // its one push thread; a recorder that holds it must not hold the main pin
    }
    if (pbTaken) *pbTaken = SUCCEEDED(hr);
    if (hr != VFW_E_TIMEOUT) return true;
    if (IsFileMode()) return false;
    g_Trace(1, L"#### Deliver returned VFW_E_TIMEOUT, maybe Demux buffer overflow!!! ####");
    m_bDemuxOverflow = 1;
    return false;
}

void CVCodecSourceFilter::SendEndOfStream(uint32_t esTypes)
{
    if ((esTypes & ESTYPE_VIDEO) && m_pOutput->IsConnected()) m_pOutput->DeliverEndOfStream();
    if ((esTypes & ESTYPE_PSREC) && m_pOutputR->IsConnected()) m_pOutputR->DeliverEndOfStream();
}

bool CVCodecSourceFilter::IsQualityQuiet() const { return m_pOutput->IsQualityQuiet(); }

// The connected pins go active once the transport has started; the last result counts.
HRESULT CVCodecSourceFilter::ActivatePins()
{
    HRESULT hr = S_OK;
    if (m_pOutput->IsConnected()) hr = m_pOutput->Active();
    if (m_pOutputR->IsConnected()) hr = m_pOutputR->Active();
    return hr;
}

STDMETHODIMP CVCodecSourceFilter::Pause()
{
    CAutoLock lock(m_pLock);
    return ComGuard([&] { return IsFileMode() ? FilePause() : NetPause(); });
}

HRESULT CVCodecSourceFilter::NetPause()
{
    if (m_Config.Get<VCSF_Address, uint32_t>() == kAddressNotSet || m_Config.Get<VCSF_NIC, uint32_t>() == kAddressNotSet) {
        g_ErrorLog(0, L"CVCodecSourceFilter::Pause()", L"IPまたはNICを設定してください。");
        return E_FAIL;
    }
    if (m_State == State_Paused) return S_OK;
    if (m_State == State_Running) {
        PauseStream(false);
        m_State = State_Paused;
        m_bLiveFrozen = 1;
        return S_OK;
    }
    // Without the receive lock: a start waits for the camera, and a push thread
    // made at first data may deliver meanwhile; a failed start joins that thread.
    m_bLiveFrozen = 0;
    if (m_Config.IsOn<VCSF_AuthNeed>()) m_pCamParm->InitCamParm();
    m_pCamParm->SetFirstDataGet(false);
    m_pCamParm->SetNotifyOnChange(m_Config.IsOn<VCSF_NotifyOnChange>());
    m_pCamParm->Counters().Reset();
    m_pCamParm->ForgetStreamData();
    HRESULT hr = ComGuard([&] { return StartTransport(); });
    // A failed start leaves nothing running: a second pause starts afresh.
    if (FAILED(hr)) {
        EndTransport();
        ResetBuffers();
        return hr;
    }
    hr = ActivatePins();
    m_State = State_Paused;
    return hr;
}

HRESULT CVCodecSourceFilter::StartTransport()
{
    // The parser is there before the first packet can reach it.
    if (m_Config.IsOn<HVSF_Rec>()) {
        const HRESULT hr = m_pRecording->CreateParser();
        if (FAILED(hr)) {
            g_Trace(1, L"CreateParsePS failed.");
            return hr;
        }
    }
    HRESULT hr = m_pTransports->Start(m_Config.Settings());
    if (SUCCEEDED(hr) && m_Config.IsOn<VCSF_Reconnect>()) hr = m_pReconnector->Start();
    return SUCCEEDED(hr) ? m_pStallWatch->Start(StallTimeOut()) : hr;
}

// A link that heals itself must notice a camera that fell silent.
uint32_t CVCodecSourceFilter::StallTimeOut() const
{
    const uint32_t ms = m_Config.Get<VCSF_StallTimeOut, uint32_t>();
    return ms == 0 && m_Config.IsOn<VCSF_Reconnect>() ? kReconnectStallMs : ms;
}

// A failed start is said as it is and leaves the filter stopped.
HRESULT CVCodecSourceFilter::FilePause()
{
    m_bLiveFrozen = 0;
    if (m_State != State_Stopped) {
        m_State = State_Paused;
        return S_OK;
    }
    m_pCamParm->SetFirstDataGet(false);
    const HRESULT hr = ComGuard([&] { return m_pTransports->Start(m_Config.Settings()); });
    if (FAILED(hr)) {
        EndTransport();
        ResetBuffers();
        return hr;
    }
    m_Config.SetOn<HVSF_Live>(false);
    if (m_pOutput->IsConnected()) m_pOutput->SetRate(GetRate());
    ActivatePins();
    m_State = State_Paused;
    return S_OK;
}

// The receiver goes first: its thread may create push threads at first data.
void CVCodecSourceFilter::EndTransport()
{
    m_pStallWatch->Stop();
    m_pReconnector->Stop();
    m_pTransports->Stop();
    m_pRecording->DeleteParser();
    m_pWorkers->Delete(CPushWorkers::kAll);
}

// Samples still out give nothing back to the next round's buffer.
void CVCodecSourceFilter::ResetBuffers()
{
    m_pMpegBuffer->Reset();
    m_pRecording->Reset();
    m_pMSPlayPool->NewRound();
    m_pPlayBuffer->Init();
}

// Never fails: whatever runs is stopped, and the filter is stopped afterwards.
STDMETHODIMP CVCodecSourceFilter::Stop()
{
    ComGuard([&] {
        CAutoLock lock(m_pLock);
        m_bStopping = 1;
        m_bLiveFrozen = 0;
        m_pStallWatch->Stop();  // a stop is no stall
        m_pReconnector->Stop();
        StopStream(false);
        EndTransport();
        CBaseFilter::Stop();
        ResetBuffers();
        return S_OK;
    });
    m_bStopping = 0;
    m_bDemuxOverflow = 0;
    return S_OK;
}

STDMETHODIMP CVCodecSourceFilter::GetState(DWORD, FILTER_STATE* pState)
{
    if (!pState) return E_POINTER;
    *pState = m_State;
    return !IsFileMode() && m_bLiveFrozen ? VFW_S_CANT_CUE : S_OK;
}

void CVCodecSourceFilter::SetAvgBitRate(uint32_t kbps)
{
    m_dwAvgBitRate = kbps;
    m_pWorkers->Tune(kbps);
}

void CVCodecSourceFilter::SetSplitTime(int64_t time)
{
    m_llSplitTime = time;
    m_bSplitPending = 1;
}

bool CVCodecSourceFilter::GetSplitTime(int64_t* pTime)
{
    if (!m_bSplitPending) return false;
    *pTime = m_llSplitTime;
    return true;
}

// Read without the filter lock: the receiving thread asks, and a stop holding that
// lock may be waiting for the thread.
uint8_t CVCodecSourceFilter::GetAudioModel() { return !m_bStopping && m_Config.IsOn<HVSF_AudioModel>(); }

void CVCodecSourceFilter::SetAudioModel(uint8_t bAudioModel)
{
    CAutoLock lock(m_pLock);
    m_Config.SetOn<HVSF_AudioModel>(bAudioModel != 0);
}

double CVCodecSourceFilter::GetRate() { return m_PlayRate.Get(m_bStopping != 0, m_Config.IsOn<HVSF_AudioModel>()); }

void CVCodecSourceFilter::SetRate(double rate) { m_PlayRate.Set(rate, m_bStopping != 0, m_Config.IsOn<HVSF_AudioModel>()); }

void CVCodecSourceFilter::SetPlayTime(const PlayPlace& place)
{
    if (m_State != State_Running) return;
    CAutoLock lock(&m_RestartLock);
    m_PlayPlace = place;
}

void CVCodecSourceFilter::SetPosTime(const SYSTEMTIME& time)
{
    if (m_State != State_Running) return;
    CAutoLock lock(&m_RestartLock);
    m_stPosTime = time;
}

void CVCodecSourceFilter::SetRateRestart(bool bPending)
{
    m_bRateRestart = bPending ? 1 : 0;
    if (!m_bRateRestart && !m_bPosRestart) m_bRestartAsked = 0;
}

void CVCodecSourceFilter::SetPosRestart(bool bPending)
{
    m_bPosRestart = bPending ? 1 : 0;
    if (!m_bRateRestart && !m_bPosRestart) m_bRestartAsked = 0;
}

void CVCodecSourceFilter::RequestRestart()
{
    m_bRestartAsked = 1;
    m_pCamParm->SendRetryPlay();
}

// Seconds from the range's start; before it is its start. A graph seeks every
// source to where it believes playback stands when it stops; a restart the host
// was asked for goes on from the filter's own place instead.
bool CVCodecSourceFilter::SeekTo(LONGLONG fromStart)
{
    if (IsStopped() && m_bRestartAsked) return false;
    if (IsStopped() && fromStart <= 0) {  // the next start begins there anyway, afresh
        m_bPosRestart = 0;
        return false;
    }
    const int64_t seconds = SecondsOf(m_Config.PlayDateStart()) + std::max<LONGLONG>(0, fromStart) / 10000000;
    const SYSTEMTIME position = SystemTimeOf(seconds);
    CAutoLock lock(&m_RestartLock);
    if (m_bPosRestart && SecondsOf(m_stPosTime) == seconds) return false;
    m_stPosTime = position;
    m_bPosRestart = 1;
    return true;
}

void CVCodecSourceFilter::GetRestartTime(PlayPlace* pPlace) const
{
    CAutoLock lock(&m_RestartLock);
    *pPlace = m_bPosRestart ? PlayPlace{m_stPosTime, 0, 0} : m_PlayPlace;
}

int32_t CVCodecSourceFilter::GetIndexOffset(uint32_t* pOffset) const
{
    if (!m_pTransports->HasFileReader()) return kStatusNoFileReader;
    *pOffset = m_Config.Get<HVSF_IndexOffSetSize, uint32_t>();
    return 0;
}

HRESULT CVCodecSourceFilter::SeekNotify(bool bPosRestart)
{
    CAutoLock lock(&m_ReceiveLock);
    if (!m_pSeek) return E_FAIL;
    if (bPosRestart) m_bPosRestart = 1;
    return S_OK;
}

bool CVCodecSourceFilter::IsFileMode() { return IsFileComType(m_Config.Get<VCSF_ComType, uint16_t>()); }
