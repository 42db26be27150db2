#pragma once
// What is known of the camera's stream: the stream information block sent to the
// host with every notification, the camera's MAC address, the byte accounting of
// the current stream unit, the first-data step that starts the push threads, and
// the frame-rate and bit-rate arithmetic of the push threads.
//
// Locking: m_Lock guards every field but the data mark, an atomic, and the link
// counters, which take no lock. The receiving thread (UDP, HTTP or the file
// reader) writes; push threads, the parser and the filter read. Nothing calls out
// while holding m_Lock: the notifications, the first-data step and the bit-rate
// change read what they need under it and call the owner after leaving it.
//
// The block an event carries is a copy made for that event in a ring of
// kSentBlocks, so the host reads what was sent while the stream goes on; a slot is
// written again only kSentBlocks events later. With notify-on-change, event 0x8001
// goes out when the block (its time stamp aside) differs from the one last sent,
// and otherwise at most once in kRepeatMs.

#include "core/CLinkCounters.h"
#include "core/CritSec.h"
#include "core/ICamParmOwner.h"
#include "core/StreamInfoBlock.h"

#include <atomic>
#include <cstdint>

class CCamParm {
public:
    static constexpr uint32_t kSentBlocks = 256;
    static constexpr uint64_t kRepeatMs = 1000;
    using MsClock = uint64_t (*)();

    explicit CCamParm(ICamParmOwner* pOwner);

    void InitCamParm();
    void SetNotifyOnChange(bool bOn);
    // The clock of notify-on-change and of the data mark, in milliseconds; a test
    // gives its own, before the stream starts.
    void SetClock(MsClock clock);
    // The receivers mark each piece of stream data; a stall is the time since.
    void NoteStreamData() { m_qwLastDataMs.store(m_Clock(), std::memory_order_relaxed); }
    uint64_t MsSinceStreamData() const { return m_Clock() - m_qwLastDataMs.load(std::memory_order_relaxed); }
    // False until the next NoteStreamData.
    void ForgetStreamData() { m_qwLastDataMs.store(kNoStreamData, std::memory_order_relaxed); }
    bool HasStreamData() const { return m_qwLastDataMs.load(std::memory_order_relaxed) != kNoStreamData; }
    CLinkCounters& Counters() { return m_Counters; }
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
    static constexpr uint64_t kNoStreamData = UINT64_MAX;

    int32_t Notify(int32_t code, const wchar_t* pFailure);
    // Under m_Lock: whether this block is worth an event with notify-on-change.
    bool IsNews(uint64_t now) const;
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
    bool m_bNotifyOnChange = false;
    MsClock m_Clock;
    StreamInfoBlock m_LastInfo = {};  // of the last event 0x8001, its time stamp cleared
    bool m_bLastInfo = false;
    uint64_t m_qwLastInfoMs = 0;
    std::atomic<uint64_t> m_qwLastDataMs{kNoStreamData};  // written by the receiving thread without m_Lock
    CLinkCounters m_Counters;
};
