#pragma once
// The stream ring buffer: the byte ring between the threads that receive
// the camera's program stream (UDP receiver, HTTP client) and the push thread that
// feeds the demultiplexer. Writers append whole pieces; the one reader locks a
// contiguous region in place, hands it on without copying and releases it with
// ReadEnd. The first read waits until the ready size has piled up.
//
// Locking: m_Lock guards every field, the flags included; every public operation
// takes it once for its whole body (Write copies while holding it). The reader's
// region is read outside the lock: writes never enter the stored range, and the
// region stays counted as stored until ReadEnd. Threads: any number of writers (in
// practice one receiving thread), one reader (the push thread), and the filter's
// thread for Reset and SetReadySize. No other lock is taken while m_Lock is held,
// except the trace log's own.
//
// A region is never empty: with nothing stored ReadLock gives -4, and a wanted length
// of 0 asks for whatever is stored. (An empty region at offset 0 would make ReadEnd
// take the whole capacity off the stored count.)

#include "core/CritSec.h"

#include <cstdint>

class CMpegBuffer {
public:
    static constexpr int32_t kOk = 0;                                      // S_OK
    static constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000E);  // E_OUTOFMEMORY
    static constexpr uint32_t kDefaultReadySize = 0x20000;

    // ReadLock's results.
    static constexpr int32_t kReachedEnd = 1;  // the region ends at the buffer's end or a gap, or is shorter than wanted
    static constexpr int32_t kReadLocked = -1;
    static constexpr int32_t kNotReady = -2;
    static constexpr int32_t kShort = -3;
    static constexpr int32_t kNoData = -4;
    // Write's and ReadEnd's failure.
    static constexpr int32_t kOverflow = -1;
    static constexpr int32_t kNotLocked = -1;

    // *pResult: kOk, or kOutOfMemory (the buffer then holds nothing and takes nothing).
    CMpegBuffer(uint32_t capacity, int32_t* pResult);
    ~CMpegBuffer();
    CMpegBuffer(const CMpegBuffer&) = delete;
    CMpegBuffer& operator=(const CMpegBuffer&) = delete;

    void Reset();
    void SetReadySize(uint32_t bytes);
    uint32_t GetDataSize();

    // 0, or kOverflow when the piece does not fit (nothing is written then).
    int32_t Write(const uint8_t* pData, uint32_t length);
    // 0 or kReachedEnd with a region of at least one byte in *ppData/*pLength (use it
    // without the lock until ReadEnd); a negative result with all outs set to 0.
    // A wanted length of 0 asks for whatever is stored.
    int32_t ReadLock(const uint8_t** ppData, uint32_t wanted, uint32_t* pLength, uint8_t* pReachedEnd);
    // 0, or kNotLocked without a region.
    int32_t ReadEnd();
    // The stream breaks here: what is written next begins a new stream. A region
    // never spans the break; the reader learns from RegionFollowsGap which one begins
    // after it.
    void MarkGap();
    // The region of the last ReadLock is the first after a gap.
    bool RegionFollowsGap();

private:
    int32_t CheckReady_(uint32_t wanted);  // under m_Lock
    bool CutAtGap_(uint32_t* pLength);     // under m_Lock

    CCritSec m_Lock;
    uint32_t m_dwWriteOffset = 0;
    uint32_t m_dwReadOffset = 0;
    uint32_t m_dwReadEnd = 0;  // end of the locked region; 0 when it reaches the buffer's end
    uint32_t m_dwReadySize = kDefaultReadySize;
    uint32_t m_dwBufferSize = 0;
    uint32_t m_dwStored = 0;
    uint8_t* m_pBuffer = nullptr;
    uint8_t m_bReady = 0;
    uint8_t m_bReadLocked = 0;
    // Counted from the last Reset, so that a gap's place survives the ring's wrap.
    uint64_t m_ullWritten = 0;
    uint64_t m_ullRead = 0;
    uint64_t m_ullGapAt = 0;
    bool m_bGapPending = false;
    bool m_bRegionAfterGap = false;
};
