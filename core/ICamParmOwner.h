#pragma once
// What the camera parameters and the receivers need of the filter that owns them:
// the graph's event sink, the push threads of the first-data step, the recording
// parser and the filter's switches. The
// filter implements it; native tests implement it too.

#include <cstdint>

class ICamParmOwner {
public:
    virtual ~ICamParmOwner() = default;

    virtual bool IsInGraph() = 0;
    // The graph's IMediaEventSink::Notify; an HRESULT.
    virtual int32_t SendGraphEvent(int32_t code, intptr_t param1, intptr_t param2) = 0;

    // Signed results: negative when the thread could not be created and started.
    virtual int32_t CreatePushData() = 0;
    virtual int32_t CreatePushPlay() = 0;
    virtual int32_t CreatePushES(uint32_t esTypes, int64_t referenceTime) = 0;
    virtual void StopStream(bool bNotify) = 0;
    // A broken camera link that the owner heals with a new session instead of ending
    // the stream; cause: the status that says why. False: end the stream as ever.
    virtual bool Reconnect(uint16_t cause)
    {
        (void)cause;
        return false;
    }
    virtual void SetAvgBitRate(uint32_t kbps) = 0;
    // The stream data of one camera packet for the recording parser, if there is one.
    virtual void WriteRecording(const uint8_t* pData, uint32_t cb) = 0;

    virtual double GetRate() = 0;
    virtual bool IsFileMode() = 0;
    virtual bool GetLive() = 0;
    virtual bool GetRec() = 0;
    virtual uint8_t GetAudioModel() = 0;
    // The pending split time (seconds since 1970, UTC); false when none is pending.
    virtual bool GetSplitTime(int64_t* pTime) = 0;
    virtual void SetSplitPending(bool bPending) = 0;
};

inline constexpr uint32_t ESTYPE_VIDEO = 1;
inline constexpr uint32_t ESTYPE_AUDIO = 2;
inline constexpr uint32_t ESTYPE_REC = 4;
inline constexpr uint32_t ESTYPE_PSREC = 8;

inline constexpr int32_t kEventStreamInfo = 0x8001;
inline constexpr int32_t kEventRetryPlay = 0x8443;
inline constexpr int32_t kEventErrorAbort = 3;  // EC_ERRORABORT
