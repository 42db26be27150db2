#pragma once
// The source filter: its identity, its configuration, and the small queries its
// workers ask it.
//
// Locking: the filter lock (CBaseFilter's) guards the state changes, the switches
// of live and recording while running, and the audio model. The receive lock is
// held while a sample is delivered on the main pin; a start does not hold it, since
// a start waits for the camera while a push thread made at first data may already
// deliver. The recording pin delivers from its one push thread without it: a
// recorder that holds its samples would otherwise stall the main pin, and its ring
// would overflow and end the whole stream. SetValue and GetValue take no other lock but the
// configuration's; the values that workers read change only while no transport runs,
// but live, recording and the audio model, which are single words.
//
// Lock order on the live and playback paths: a thread that holds a lock of this
// table takes only locks below it.
//    1. filter lock (CBaseFilter)       Pause, Stop, DynamicRec/Live, audio model
//    2. receive lock (this filter)      a delivery on the main pin
//    3. push workers (CPushWorkers)     the push thread objects; the file reader and
//                                       the playback push thread have no lock
//    4. a worker thread (CWorkerThread) its start and join; the cancel step may take
//                                       its owner's lock (the receiver's closes the
//                                       socket), and the receiver starts its thread
//                                       under its own lock: both only on the
//                                       filter's thread under the filter lock, but
//                                       for the reconnector's thread, which stops
//                                       and starts the transport without the filter
//                                       lock while running; Stop joins it first
//    5. live push (CPushData)           sending flag, sizes, the ring read
//    6. receiver (CNetReceiver)         activation, the socket, posted receives
//    7. buffer pool (CBufferPool)       receive blocks
//    8. recording parser (CRecordingPath)  the parser while a receiver writes;
//       then the parser's own (CParsePS)    a parse
//    9. sample pools (CTSMediaSamplePool, CESMediaSamplePool)
//   10. indexed buffers (CIndexedBuffer2, CPlayIndexedBuffer)
//   11. ring buffer (CMpegBuffer), HTTP record buffer (CHTTPBuffer)
//   12. configuration (CFilterConfig)   texts and dates; takes nothing
//       restart record (this filter)    the play and seek places; takes nothing
//       seeking values (CSeek)          start, stop, rate; takes nothing
//   13. camera parameters (CCamParm)    takes nothing: it calls out only after it
//   14. trace log (CTraceLog)           last of all, and under it its sink's
//                                       (CTraceCapture, the native build's)
// Holding any of 5 to 14, nothing calls the graph, creates or joins a thread, or
// takes a lock above its own; the filter's lock-free queries may be asked anywhere.

#include "DShowFilters/CFilterConfig.h"
#include "baseclasses/CBaseFilter.h"
#include "camera/ILinkRestarter.h"
#include "core/CPlayRate.h"
#include "core/ICamParmOwner.h"
#include "playback/IPlayOwner.h"

#include <atomic>
#include <memory>
#include <ocidl.h>

class CBufferPool;
class CCamParm;
class CMpegBuffer;
class CNetRecvAlloc;
class CTransportChooser;
class CReconnector;
class CStallWatch;
class CPlayIndexedBuffer;
class CPushWorkers;
class CESMediaSamplePool;
class CRecOutputPin;
class CRecordingPath;
class CSeek;
class CTSMediaSamplePool;
class CVCSourceOutputPin;

class CVCodecSourceFilter : public CBaseFilter,
                            public IVLMVCConfigure3,
                            public IVCSFStatistics,
                            public ISpecifyPropertyPages,
                            public IAMFilterMiscFlags,
                            private ICamParmOwner,
                            private IPlayOwner,
                            private ILinkRestarter {
public:
    static CUnknown* CreateInstance(IUnknown* pUnkOuter, HRESULT* phr);
    ~CVCodecSourceFilter() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IVLMVCConfigure
    STDMETHODIMP SetValue(REFGUID property, const VARIANT* value) override;
    STDMETHODIMP GetValue(REFGUID property, VARIANT* value) override;

    // IVCSFStatistics: the link counters, which take no lock, in any state.
    STDMETHODIMP GetStatistics(VCSF_STATISTICS* pStatistics) override;

    // ISpecifyPropertyPages
    STDMETHODIMP GetPages(CAUUID* pPages) override;

    // IAMFilterMiscFlags
    STDMETHODIMP_(ULONG) GetMiscFlags() override;

    int GetPinCount() override;
    CBasePin* GetPin(int n) override;

    // State changes start and stop the transport that the communication type selects.
    STDMETHODIMP Pause() override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* pState) override;

    // Switch live delivery and recording; while stopped they only choose what the next start creates.
    HRESULT DynamicRec(bool bOn);
    HRESULT DynamicLive(bool bOn);

    // What the camera parameters and the workers ask of the filter.
    bool IsInGraph() override { return GetFilterGraph() != nullptr; }
    int32_t SendGraphEvent(int32_t code, intptr_t param1, intptr_t param2) override;
    int32_t CreatePushData() override;
    int32_t CreatePushPlay() override;
    int32_t CreatePushES(uint32_t esTypes, int64_t referenceTime) override;
    void StopStream(bool bNotify) override;
    bool Reconnect(uint16_t cause) override;
    void SetAvgBitRate(uint32_t kbps) override;
    void WriteRecording(const uint8_t* pData, uint32_t cb) override;
    double GetRate() override;
    bool IsFileMode() override;
    bool GetLive() override { return m_Config.IsOn<HVSF_Live>(); }
    bool GetRec() override { return m_Config.IsOn<HVSF_Rec>(); }
    uint8_t GetAudioModel() override;
    bool GetSplitTime(int64_t* pTime) override;
    void SetSplitPending(bool bPending) override { m_bSplitPending = bPending ? 1 : 0; }
    void SetSplitTime(int64_t time) override;
    void SetAudioModel(uint8_t bAudioModel);
    bool IsStopping() const override { return m_bStopping != 0; }

    // Delivery of both pins: false when refused (stopping, live frozen, or downstream
    // timed out in a network mode until the next Stop).
    bool CheckAndDeliver(IMediaSample* pSample, uint32_t esType, bool* pbTaken) override;
    bool DeliverVideo(IMediaSample* pSample, bool* pbTaken) override
    {
        return CheckAndDeliver(pSample, ESTYPE_VIDEO, pbTaken);
    }
    void SendEndOfStream(uint32_t esTypes) override;
    bool IsQualityQuiet() const override;
    bool IsPaused() const override { return m_State == State_Paused; }
    bool IsStopped() const override { return m_State == State_Stopped; }
    void SetRate(double rate) override;
    DWORD GetPushInterval(bool bForReader) override { return m_PlayRate.PushInterval(bForReader); }
    bool IsRateRestart() const override { return m_bRateRestart != 0; }
    void SetRateRestart(bool bPending) override;
    bool IsPosRestart() const override { return m_bPosRestart != 0; }
    void SetPosRestart(bool bPending) override;
    // Playback reports its progress only while running.
    void SetPlayTime(const PlayPlace& place) override;
    void SetPosTime(const SYSTEMTIME& time) override;
    bool SeekTo(LONGLONG fromStart) override;
    void RequestRestart() override;
    void GetRestartTime(PlayPlace* pPlace) const override;
    // The file reader's record offset; 0xA003 while there is no file reader.
    int32_t GetIndexOffset(uint32_t* pOffset) const override;
    HRESULT SeekNotify(bool bPosRestart) override;

private:
    friend class CFilterTestPeer;

    CVCodecSourceFilter(IUnknown* pUnk, HRESULT* phr);
    HRESULT CreateObjects();
    HRESULT NetPause();
    HRESULT FilePause();
    HRESULT StartTransport();
    void EndTransport();
    void ResetBuffers();
    void PauseStream(bool bNotify);
    HRESULT ActivatePins();
    HRESULT CreatePins();
    HRESULT CreateSamplePools();
    void CreateSeeking();

    // Sets or gets the value of the property's row; null: no such property.
    HRESULT ConfProcedure(const PropertyInfo* info, VARIANT* value, bool bGet);
    HRESULT GetProperty(const PropertyInfo& info, VARIANT* value);
    HRESULT SetProperty(const PropertyInfo& info, const VARIANT& value);
    void AfterStore(const PropertyInfo& info);
    uint32_t StallTimeOut() const;
    HRESULT RestartLink() override;
    void AbortRestart() override;
    HRESULT SwitchMode(const PropertyInfo& info, const VARIANT& value);

    CCritSec m_FilterLock;
    CCritSec m_ReceiveLock;
    CFilterConfig m_Config;

    // Declared in the order of construction; the receiver goes first on the way out.
    std::unique_ptr<CVCSourceOutputPin> m_pOutput;
    std::unique_ptr<CRecOutputPin> m_pOutputR;
    std::unique_ptr<CBufferPool> m_pBufferPool;
    std::unique_ptr<CCamParm> m_pCamParm;
    std::unique_ptr<CMpegBuffer> m_pMpegBuffer;
    std::unique_ptr<CPlayIndexedBuffer> m_pPlayBuffer;
    std::unique_ptr<CRecordingPath> m_pRecording;
    std::unique_ptr<CTransportChooser> m_pTransports;
    std::unique_ptr<CStallWatch> m_pStallWatch;
    std::unique_ptr<CReconnector> m_pReconnector;
    std::unique_ptr<CTSMediaSamplePool> m_pMSPool;
    CNetRecvAlloc* m_pNetRecvAlloc = nullptr;  // owned; its reference count is the filter's
    std::unique_ptr<CESMediaSamplePool> m_pMSPlayPool;
    std::unique_ptr<CPushWorkers> m_pWorkers;
    std::unique_ptr<CSeek> m_pSeek;  // none when it could not be made: the filter does not seek

    // Read by the push threads before each delivery.
    std::atomic<uint8_t> m_bStopping{0};
    std::atomic<uint8_t> m_bLiveFrozen{0};
    std::atomic<uint8_t> m_bDemuxOverflow{0};
    uint32_t m_dwAvgBitRate = 0;
    CPlayRate m_PlayRate;
    std::atomic<uint8_t> m_bRateRestart{0};
    std::atomic<uint8_t> m_bPosRestart{0};
    std::atomic<uint8_t> m_bRestartAsked{0};  // of the host, for the restart pending
    mutable CCritSec m_RestartLock;
    PlayPlace m_PlayPlace;
    SYSTEMTIME m_stPosTime = {};
    uint8_t m_bSplitPending = 0;
    int64_t m_llSplitTime = 0;
};
