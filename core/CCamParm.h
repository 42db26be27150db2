#pragma once
// What is known of the camera's stream: the stream information block sent to the
// host with every notification, the camera's MAC address, the byte accounting of
// the current stream unit, the first-data step that starts the push threads, and
// the frame-rate and bit-rate arithmetic of the push threads.
//
// Locking: m_Lock guards every field. The receiving thread (UDP, HTTP or the file
// reader) writes; push threads, the parser and the filter read. Nothing calls out
// while holding m_Lock: the notifications, the first-data step and the bit-rate
// change read what they need under it and call the owner after leaving it.
//
// The block an event carries is a copy made for that event in a ring of
// kSentBlocks, so the host reads what was sent while the stream goes on; a slot is
// written again only kSentBlocks events later.

#include "core/CritSec.h"
#include "core/ICamParmOwner.h"
#include "core/StreamInfoBlock.h"

#include <cstdint>

class CCamParm {
public:
    static constexpr uint32_t kSentBlocks = 256;

    explicit CCamParm(ICamParmOwner* pOwner);

    void InitCamParm();
    void ResetCounters();

    // Notifications: 0 when sent (or when the sink failed, which is traced), -1 without a graph.
    int32_t SendNotify();
    int32_t SendRetryPlay();
    int32_t SendErrAbort(int32_t hr);
    void SetStatus(uint16_t usStatus, bool bNotify);

    void GetMacAddress(uint8_t mac[6]);
    void SetMacAddress(const uint8_t mac[6]);
    uint32_t GetRecvLength();
    void SetRecvLength(uint32_t length);
    void AddRecvLength(uint32_t length);
    uint32_t GetTotalLength();
    void SetTotalLength(uint32_t length);
    bool IsFirstDataGet();
    bool IsFirstPacket();
    uint32_t GetWidth();
    uint32_t GetHeight();
    void SetPictureSize(uint32_t width, uint32_t height);
    uint32_t GetReadCount();
    void IncrementReadCount();
    uint16_t GetStatus();
    StreamInfoBlock GetBlock();

    int32_t SetStrmHeadInfo(const STRM_HEAD_INFO& info);
    int32_t SetResHeadInfo(const STRM_HEAD_INFO& info);
    int32_t SetPsIndexInfo(const StreamInfoBlock& entry);
    void SetBitRate(uint32_t kbps);
    int32_t GetStreamInfo(StreamInfoRecord* pRecord);

    // The unit that just ended: 1 when whole (or not judged), 0 when bytes are missing.
    int32_t PacketCheck();
    int32_t SequenceCheck(uint8_t sequence);
    void SetFirstDataGet(bool bFound);

    int64_t CalcRefTime();
    // 100-ns units per frame of a frame-rate code; 0 for an unknown code.
    static int64_t FrameDuration(uint16_t usFrameRateCode, bool bVideoSystem25);
    uint32_t CalcAvgBitRate();
    static uint32_t CalcAvgBitRate(const StreamInfoBlock& block);
    static uint32_t CalcBufferBytes(const StreamInfoBlock& block, int64_t duration);

private:
    int32_t Notify(int32_t code, const wchar_t* pFailure);
    bool StoreIndexInfo(const StreamInfoBlock& entry, bool bSplitPending, int64_t split);
    void StartPushThreads(uint32_t dwAvgBitRate);

    ICamParmOwner* const m_pOwner;
    CCritSec m_Lock;
    StreamInfoBlock m_Block = {};
    uint8_t m_Mac[6] = {};
    uint32_t m_dwRecvLength = 0;
    uint32_t m_dwTotalLength = 0;
    uint8_t m_bFirstDataGet = 0;
    uint32_t m_dwReadCount = 0;
    uint32_t m_dwAvgBitRate = 1;
    uint32_t m_dwFirstPacket = 0;
    uint8_t m_bLastSequence = 0;
    uint32_t m_dwWidth = 0;
    uint32_t m_dwHeight = 0;
    StreamInfoBlock m_Sent[kSentBlocks] = {};
    uint32_t m_nNextSent = 0;
};
