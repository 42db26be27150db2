#pragma once
// The playback indexed buffer: the recorded-file reader writes each recorded unit
// whole into a data ring, with an entry of 168 bytes that also carries the stream
// information and a status (0x0601 a gap before the frame, 0x0501 the end); the
// playback push thread reads the entries in order and sends the frames in samples
// that point into the ring. The bytes handed to samples stay reserved until the
// sample pool gives them back with ReadLockEnd.
//
// Writing one frame: SetStatus and SetStreamInfo for the entry about to be written,
// WriteIndex, then one Write of the whole frame. Reading: ReadIndexLocked, then
// ReleaseRead once the frame's bytes have been taken for sending.
//
// A frame never wraps: one that does not fit before the ring's end goes to its
// start, and the loop end marks where the data before it end. The reader of the
// frames follows them by their offsets. No frame reaches
// bytes that are not given back yet, unread or held by a sample, and an unread
// entry is never written over: such a frame is refused.
//
// Locking: m_Lock guards every member; ReadLockEnd takes it too (from the sample
// pool, under the pool's lock: pool before buffer). No other lock is taken while
// it is held, except the trace log's. Threads: the reader's writes, the push
// thread's reads, and whatever thread releases a sample.

#include "core/CritSec.h"
#include "core/IndexRecords.h"

#include <cstdint>

class CPlayIndexedBuffer {
public:
    static constexpr int32_t kOk = 0;                                         // S_OK
    static constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000E);  // E_OUTOFMEMORY
    static constexpr uint32_t kPlaySize = 0x78000;
    static constexpr uint32_t kPlayType = 8;
    static constexpr int32_t kIndexCount = 512;
    static constexpr uint32_t kStartSize = 32768;
    static constexpr uint32_t kMaxStartSize = 30720;  // what SetStartSize takes at most
    static constexpr uint64_t kDefaultRefTime = 333667;
    static constexpr int32_t kMaxReqNo = 256;

    static constexpr int32_t kWriteError = -1;
    // ReadIndexLocked's results.
    static constexpr int32_t kNoEntry = -1;
    static constexpr int32_t kNotStarted = -2;
    static constexpr int32_t kTooLittle = -3;
    static constexpr int32_t kNoData = -4;
    static constexpr int32_t kStatusPending = -5;  // or too few reserved bytes
    static constexpr int32_t kNotWritten = -6;

    // *pResult: kOk, or kOutOfMemory (the ring is then empty and takes nothing).
    CPlayIndexedBuffer(uint32_t size, uint32_t type, int32_t* pResult);
    ~CPlayIndexedBuffer();
    CPlayIndexedBuffer(const CPlayIndexedBuffer&) = delete;
    CPlayIndexedBuffer& operator=(const CPlayIndexedBuffer&) = delete;

    void Init();

    // For the entry at the write position, before its WriteIndex.
    void SetStatus(uint16_t usStatus);
    void SetStreamInfo(const StreamInfoBlock& block);
    void SetOrdinal(uint16_t usOrdinal);
    // Whether a frame of size bytes can be written now: its entry is free and its
    // bytes reach nothing that is not given back yet.
    bool HasRoomFor(uint32_t size);
    // Opens the entry of a new frame; returns its request number.
    int32_t WriteIndex(const IndexRequest& request);
    // The whole frame of the open entry, which becomes readable. 0 or kWriteError.
    int32_t Write(const uint8_t* pData, uint32_t size, int32_t reqNo, uint32_t bLast);

    // 0 and the next entry (with bRepeat, the last one again), or a negative result;
    // kStatusPending with the pending status in *pEntry's block.
    int32_t ReadIndexLocked(PlayIndexEntry* pEntry, uint32_t required, bool bRepeat);
    // The stream information of the entry at the read position.
    void GetStreamInfo(StreamInfoBlock* pBlock);
    // The push thread has taken a frame's bytes for sending.
    void ReleaseRead(uint32_t size);
    // Downstream has released the bytes up to p.
    void ReadLockEnd(const uint8_t* p);

    void SetStartSize(uint32_t bytes);
    void SetRefTime(uint64_t step);
    uint64_t GetRefTime();
    uint32_t GetReservedBytes();
    int32_t GetFreeIndexCount();
    static int32_t GetIndexCapacity() { return kIndexCount; }
    // The step of a frame rate code and video system; 0 for an unknown code.
    static uint64_t CalcRefTime(const StreamInfoBlock& block);

    const uint8_t* Data() const { return m_pData; }
    uint32_t GetSize() const { return m_dwSize; }

private:
    void CorrectLostFrame();
    int32_t WriteAndGetOffset(const uint8_t* pData, uint32_t size, uint32_t* pOffset);
    bool IsOverflow(uint32_t size) const;
    void Loop();
    int32_t DataReady(uint32_t required, uint16_t usWriteStatus);
    int32_t FreeIndexCount() const;
    static uint16_t StatusOf(const PlayIndexEntry& e) { return e.block.info.usStatus; }
    static int32_t Next(int32_t slot) { return slot + 1 == kIndexCount ? 0 : slot + 1; }
    static int32_t Previous(int32_t slot) { return slot == 0 ? kIndexCount - 1 : slot - 1; }

    CCritSec m_Lock;
    uint32_t m_bStarted = 0;
    uint32_t m_dwStartSize = kStartSize;
    const uint32_t m_nType;
    PlayIndexEntry m_Index[kIndexCount] = {};
    int32_t m_nWrite = 0;
    int32_t m_nRead = 0;
    int32_t m_nLastRead = -1;
    int32_t m_nReqNo = 0;
    uint64_t m_ullTime = 0;
    uint64_t m_ullSeq = 0;
    uint64_t m_ullRefTime = kDefaultRefTime;
    uint32_t m_dwSize = 0;
    uint8_t* m_pData = nullptr;
    uint32_t m_dwWriteOffset = 0;
    uint32_t m_dwLockEnd = 0;  // released by downstream up to here
    uint32_t m_dwBuffered = 0;
    uint32_t m_dwExpected = 0;
    uint32_t m_dwWritten = 0;
    uint32_t m_bLast = 0;
    bool m_bFrameWritten = false;  // the open entry's frame went in
    uint32_t m_bOverflow = 0;
    PlayIndexEntry m_LastRead = {};
    uint32_t m_dwReserved = 0;
    uint32_t m_dwLoopEnd = 0;
    uint32_t m_dwLastLockEnd = 0;
};
