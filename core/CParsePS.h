#pragma once
// The program stream parser of the recording path: it keeps the stream bytes of the
// camera packets in a ring of its own, cuts them into packs at the pack start code
// (00 00 01 BA) and writes each pack with its 24-byte head into the live indexed
// buffer. A pack is indexed once the start code of the next one and the 62 bytes
// behind it have arrived, so that the next pack can be classified from bytes that
// are there; packs before the first key pack (system header, then video) are dropped.
// At the end of the stream Flush indexes the pack whose end has arrived without them.
//
// Bytes that do not fit the ring are a stretch without any pack boundary (junk, or
// a pack longer than the ring): the ring is emptied, the indexed buffer opens a gap,
// and the stream goes on at the next key pack.
//
// The ring is followed by a mirror of its first 66 bytes, so that a start code near
// the ring's end is classified without wrapping. The mirror always equals the ring's
// first 66 bytes: every write into them is made twice.
//
// Locking: Write takes no lock; Parse holds m_Lock while it parses. Both are called
// by the one receiving thread that feeds the parser, so the ring and its positions
// belong to that thread. The indexed buffer and the camera parameters take their own
// locks while m_Lock is held.

#include "core/CCamParm.h"
#include "core/CIndexedBuffer2.h"
#include "core/CritSec.h"

#include <cstdint>

class CParsePS {
public:
    static constexpr int32_t kOk = 0;                                         // S_OK
    static constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000E);  // E_OUTOFMEMORY
    static constexpr uint32_t kRingSize = 0x4B000;
    static constexpr uint32_t kMirrorSize = 0x42;
    // The search for the next pack starts this far behind the current one.
    static constexpr int32_t kMinPackSize = 48;

    // Write's results besides 0: kRefused, nothing taken (a parser without its ring);
    // kOverflow, stream bytes dropped: what the ring held, and the new bytes too if
    // they are more than it holds.
    static constexpr int32_t kRefused = -1;
    static constexpr int32_t kOverflow = -2;
    // Parse's result when the ring holds nothing.
    static constexpr int32_t kNoData = -1;

    // SearchPack's types.
    static constexpr int32_t kKeyPack = 0;
    static constexpr int32_t kVideoPack = 1;
    static constexpr int32_t kAudioPack = 2;
    static constexpr int32_t kOtherPack = 3;

    // *pResult: kOk, or kOutOfMemory (the parser then must not be used).
    CParsePS(CIndexedBuffer2* pIdxBuf, CCamParm* pCamParm, int32_t* pResult);
    ~CParsePS();
    CParsePS(const CParsePS&) = delete;
    CParsePS& operator=(const CParsePS&) = delete;

    // 0, kRefused or kOverflow.
    int32_t Write(const uint8_t* pBytes, uint32_t length);
    // Indexes every complete pack in the ring: 0, or kNoData.
    int32_t Parse();
    // Also the pack whose successor's start code has arrived without the bytes behind it.
    int32_t Flush();
    uint32_t GetDataSize() const { return m_dwDataSize; }

    // Position of the first pack start code at 0 to last, or -1; *pType gets the
    // pack's type (unchanged without a match). Bytes up to last + 65 must be readable.
    static int32_t SearchPack(const uint8_t* pBytes, int32_t last, int32_t* pType);

private:
    // WriteIdxBuf's result for a pack dropped while waiting for the key pack.
    static constexpr int32_t kDropped = 1;

    void Overflow(const wchar_t* pszKind);
    void ParseContiguous();
    void ParseTail();
    void ParseWrapped();
    void WriteStraddling(uint32_t packStart, uint32_t end, int32_t type);
    // Indexes the packs of one region; returns the position of the first pack not
    // indexed, or -1 when the region holds no start code.
    int32_t ParsePacks(const uint8_t* pBytes, int32_t length, uint32_t* pConsumed, int32_t* pType);
    int32_t WriteIdxBuf(const uint8_t* pPack, int32_t type, uint32_t total, uint32_t first);
    void Place(uint32_t at, const uint8_t* pBytes, uint32_t length);
    void Advance(uint32_t length);
    uint32_t FreeSpace() const;

    CIndexedBuffer2* const m_pIdxBuf;
    CCamParm* const m_pCamParm;
    uint8_t* m_pRing = nullptr;
    uint32_t m_dwWritePos = 0;
    uint32_t m_dwReadPos = 0;
    uint32_t m_dwDataSize = 0;
    uint32_t m_dwReqNo = 0;
    CCritSec m_Lock;
};
