#pragma once
// The live indexed buffer of the recording path: the parser writes each pack with
// its 24-byte head into the data area, where head and pack lie contiguous and never
// wrap; a ring of 512 entries tells the elementary-stream push thread where each
// packet lies, its size, sequence number, times and key flag. Samples point into
// the area itself; downstream gives the space back by SetSamplePos as it releases.
//
// Writing one packet: WriteIndex, the first-form Write of the head with the request
// number it returned, then second-form Writes of the pack bytes, the last with
// complete set. Reading: ReadIndex, ReadEnd, delivery, and on release SetSamplePos.
//
// Locking: m_Lock guards every member but these. m_dwSamplePos is stored by the
// releasing thread without the lock (an atomic, released so that the writer sees
// the sample's reads finished before it reuses the space). The packet state (size,
// written, complete, cut, stage) and m_nReqNo are touched by the writer thread only
// and read by it without the lock; Init resets them, and is called only while no
// writer and no reader runs. Threads: the receiving thread writes, the push thread
// reads, downstream releases. No other lock is taken while m_Lock is held, except
// the trace log's own.
//
// No packet or entry ever reaches out of the area: a head is taken once per opened
// packet, pack bytes only behind it, sizes are summed without wrapping, the writer
// stops short of the released position (a full area would look empty), and an
// entry ring with 511 unread entries overflows rather than being lapped.
//
// An overflow opens a gap: packets are refused until a key pack fits again, and
// that key pack's entry says that it follows a gap. The writer (the parser) also
// opens one when it has to drop stream bytes of its own.

#include "core/CritSec.h"
#include "core/IndexRecords.h"

#include <atomic>
#include <cstdint>

class CIndexedBuffer2 {
public:
    static constexpr int32_t kOk = 0;                                         // S_OK
    static constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000E);  // E_OUTOFMEMORY
    static constexpr uint32_t kLiveSize = 0x78000;
    static constexpr uint32_t kLiveType = 8;
    static constexpr uint32_t kStartSize = 32768;
    static constexpr int64_t kDefaultRefTime = 333667;
    static constexpr int32_t kIdxPoolSize = 512;
    static constexpr int32_t kMaxReqNo = 256;

    // The writes' failure.
    static constexpr int32_t kWriteError = -1;
    // ReadIndex's results.
    static constexpr int32_t kNoEntry = -1;
    static constexpr int32_t kNotStarted = -2;
    static constexpr int32_t kIncomplete = -3;
    static constexpr int32_t kNoData = -4;

    // *pResult: kOk, or kOutOfMemory (the area is then empty and takes nothing).
    CIndexedBuffer2(uint32_t size, uint32_t type, int32_t* pResult);
    virtual ~CIndexedBuffer2();
    CIndexedBuffer2(const CIndexedBuffer2&) = delete;
    CIndexedBuffer2& operator=(const CIndexedBuffer2&) = delete;

    void Init();

    // Opens the entry of a new packet; returns its request number.
    int32_t WriteIndex(const IndexRequest& request);
    // The head of the open packet; makes its entry visible. 0 or kWriteError.
    int32_t Write(const uint8_t* pHead, uint32_t length, int32_t reqNo, uint32_t bComplete);
    // Pack bytes behind the head. 0 or kWriteError.
    int32_t Write(const uint8_t* pData, uint32_t length, uint32_t bComplete);

    // 0 and the next entry, or a negative ReadIndex result.
    int32_t ReadIndex(IndexEntry* pEntry);
    // The reader has taken a packet ending at endOffset. Returns 0.
    int32_t ReadEnd(uint32_t endOffset, uint32_t length);
    // Downstream has released the sample of a packet ending at endOffset. Any thread, no lock.
    void SetSamplePos(uint32_t endOffset);

    void SetReferenceTime(int64_t step);
    int64_t GetReferenceTime();
    // 0 while waiting for a key pack: after Init, and in a gap.
    int32_t IsIFrameWritten();
    struct Gaps {
        uint32_t opened;  // since Init
        bool bOpen;
    };
    // Packets are lost from here to the next key pack that fits. Writer thread.
    void OpenGap();
    Gaps GetGaps();
    // Nothing more will be written: the reader takes what is whole below the start threshold too.
    void EndOfInput();

    // The data area; an entry's offset is from here.
    const uint8_t* Data() const { return m_pData; }
    uint8_t* Data() { return m_pData; }
    uint32_t GetSize() const { return m_dwSize; }

private:
    enum class PacketStage : uint32_t { None, HeadPending, HeadWritten };

    void CorrectLostPacket();
    // Both under m_Lock.
    void Overflow(const wchar_t* pszWhat);
    void BeginGap();
    // Places a head in the area; *pOffset tells where, from the area's start.
    int32_t WriteAndGetOffset(const uint8_t* pBytes, uint32_t length, uint32_t* pOffset);
    bool IsOverflow(uint32_t packetSize) const;
    bool IsIdxPoolFull() const;
    int32_t CheckReadable(uint32_t need);
    uint32_t PlaceBytes(uint32_t at, const uint8_t* pBytes, uint32_t length);
    static int32_t NextSlot(int32_t slot) { return slot + 1 == kIdxPoolSize ? 0 : slot + 1; }

    CCritSec m_Lock;
    uint32_t m_bReadStarted = 0;
    uint32_t m_dwStartSize = kStartSize;
    uint32_t m_nType = 0;
    IndexEntry IdxPool[kIdxPoolSize] = {};
    int32_t m_nIdxWrite = 0;
    int32_t m_nIdxRead = 0;
    int32_t m_nReqNo = 0;
    int64_t m_llTime = 0;
    uint64_t m_ullSeq = 0;
    int64_t m_llRefTime = kDefaultRefTime;
    uint32_t m_dwSize = 0;
    uint8_t* m_pData = nullptr;
    uint32_t m_dwWritePos = 0;
    std::atomic<uint32_t> m_dwSamplePos{0};
    uint32_t m_dwReadEndPos = 0;
    uint32_t m_dwDataSize = 0;
    uint32_t m_dwPacketSize = 0;
    uint32_t m_dwPacketWritten = 0;
    uint32_t m_bPacketComplete = 0;
    uint32_t m_bPacketCut = 0;
    PacketStage m_PacketStage = PacketStage::None;
    uint32_t m_bOverflow = 0;
    uint32_t m_bGap = 0;
    uint32_t m_dwGapsOpened = 0;
    uint32_t m_bIFrame = 0;
};
