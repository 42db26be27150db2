#include "core/CParsePS.h"

#include "core/ByteOrder.h"
#include "core/IndexRecords.h"
#include "core/Trace.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

namespace {

constexpr uint32_t kSystemHeaderCode = 0x000001BB;
constexpr uint32_t kVideoCode = 0x000001E0;
constexpr uint32_t kAudioCode = 0x000001C0;
// Where the next start code lies behind a pack header without stuffing, and behind
// such a header and a 48-byte system header.
constexpr int32_t kAfterPackHeader = 14;
constexpr int32_t kAfterSystemHeader = 62;
// Bytes held back behind a searched region: a start code found in it is classified
// from bytes that have arrived.
constexpr int32_t kLookahead = static_cast<int32_t>(CParsePS::kMirrorSize);

// The start code's last byte is rare in stream data: a vector search for it, then a
// look at the three bytes in front, finds what a byte-by-byte compare finds.
int32_t FindStartCode(const uint8_t* pBytes, int32_t last)
{
    const uint8_t* p = pBytes + 3;
    const uint8_t* const end = pBytes + last + 4;
    while (p < end) {
        p = static_cast<const uint8_t*>(std::memchr(p, 0xBA, static_cast<size_t>(end - p)));
        if (!p) return -1;
        if (p[-1] == 0x01 && p[-2] == 0 && p[-3] == 0) return static_cast<int32_t>(p - 3 - pBytes);
        p++;
    }
    return -1;
}

int32_t ClassifyPack(const uint8_t* pPack, int32_t at)
{
    const uint32_t next = ReadBE32(pPack + kAfterPackHeader);
    if (next == kSystemHeaderCode) {
        g_Trace(0, L"SystemHeader found at %d", at);
        const uint32_t behind = ReadBE32(pPack + kAfterSystemHeader);
        if (behind == kVideoCode) return CParsePS::kKeyPack;
        return behind == kAudioCode ? CParsePS::kAudioPack : CParsePS::kOtherPack;
    }
    if (next == kAudioCode) {
        g_Trace(0, L"Audio pack at %d", at);
        return CParsePS::kAudioPack;
    }
    if (next == kVideoCode) {
        g_Trace(0, L"Video pack at %d", at);
        return CParsePS::kVideoPack;
    }
    g_Trace(0, L"Other type(0x%08x)", next);
    return CParsePS::kOtherPack;
}

}  // namespace

// A parser without its ring refuses every write, so it never parses either.
CParsePS::CParsePS(CIndexedBuffer2* pIdxBuf, CCamParm* pCamParm, int32_t* pResult)
    : m_pIdxBuf(pIdxBuf), m_pCamParm(pCamParm)
{
    m_pRing = new (std::nothrow) uint8_t[kRingSize + kMirrorSize];
    if (!m_pRing) {
        g_Trace(1, L"CParsePS: out of memory");
        *pResult = kOutOfMemory;
        return;
    }
    *pResult = kOk;
}

CParsePS::~CParsePS()
{
    CAutoLock lock(&m_Lock);
    delete[] m_pRing;
    m_pRing = nullptr;
}

// The ring never fills to its last byte: a full ring would look empty.
int32_t CParsePS::Write(const uint8_t* pBytes, uint32_t length)
{
    if (!m_pRing) return kRefused;
    if (length >= kRingSize) {
        Overflow(L"1");
        return kOverflow;
    }
    int32_t result = 0;
    // No sum: a length near 4 GiB would wrap it and pass.
    if (length > kRingSize - m_dwDataSize) {
        Overflow(L"1");
        result = kOverflow;
    } else if (m_dwDataSize != 0 && length >= FreeSpace()) {
        Overflow(m_dwWritePos >= m_dwReadPos ? L"2" : L"3");
        result = kOverflow;
    }
    const uint32_t toEnd = kRingSize - m_dwWritePos;
    if (length <= toEnd) {
        Place(m_dwWritePos, pBytes, length);
        m_dwWritePos += length;  // may stand at the ring's end; the next write wraps
    } else {
        Place(m_dwWritePos, pBytes, toEnd);
        Place(0, pBytes + toEnd, length - toEnd);
        m_dwWritePos = length - toEnd;
    }
    m_dwDataSize += length;
    return result;
}

// A ring that fills up holds no boundary that a parse could cut at: what it holds is dropped.
void CParsePS::Overflow(const wchar_t* pszKind)
{
    g_Trace(1, L"CParsePS: Buffer over flow(%s)!!!", pszKind);
    m_dwReadPos = m_dwWritePos = m_dwDataSize = 0;
    m_pIdxBuf->OpenGap();
}

uint32_t CParsePS::FreeSpace() const
{
    return m_dwWritePos >= m_dwReadPos ? kRingSize - (m_dwWritePos - m_dwReadPos) : m_dwReadPos - m_dwWritePos;
}

void CParsePS::Place(uint32_t at, const uint8_t* pBytes, uint32_t length)
{
    if (length == 0) return;
    std::memcpy(m_pRing + at, pBytes, length);
    if (at < kMirrorSize) std::memcpy(m_pRing + kRingSize + at, pBytes, std::min(length, kMirrorSize - at));
}

void CParsePS::Advance(uint32_t length)
{
    m_dwDataSize -= length;
    m_dwReadPos += length;
    if (m_dwReadPos >= kRingSize) m_dwReadPos -= kRingSize;
}

int32_t CParsePS::Parse()
{
    if (m_dwDataSize == 0 || m_dwReadPos == m_dwWritePos) {
        g_Trace(0, L"Maybe valid data size = 0.");
        return kNoData;
    }
    if (m_dwDataSize <= kMirrorSize) {
        g_Trace(0, L"Search Size is too short.");
        return 0;
    }
    CAutoLock lock(&m_Lock);
    if (m_dwReadPos < m_dwWritePos) {
        ParseContiguous();
    } else if (m_dwWritePos < kMirrorSize) {
        ParseTail();
    } else {
        ParseWrapped();
        // What lies behind the pack across the end is complete too.
        if (m_dwReadPos < m_dwWritePos && m_dwDataSize > kMirrorSize) ParseContiguous();
    }
    return 0;
}

// Zeros behind the stream hold no start code, and classify any pack that reaches
// into them as not key; they are taken away again after the parse. Twice the
// lookahead: zeros that wrap leave the write position past the mirror's bytes, so
// that the tail is searched to the stream's end.
int32_t CParsePS::Flush()
{
    constexpr uint32_t kPad = 2 * kMirrorSize;
    static const uint8_t kZeros[kPad] = {};
    if (m_dwDataSize == 0 || FreeSpace() <= kPad) return Parse();
    Write(kZeros, kPad);
    const int32_t result = Parse();
    m_dwDataSize -= kPad;
    m_dwWritePos = m_dwWritePos >= kPad ? m_dwWritePos - kPad : m_dwWritePos + kRingSize - kPad;
    return result;
}

void CParsePS::ParseContiguous()
{
    uint32_t consumed = 0;
    int32_t type = kOtherPack;
    ParsePacks(m_pRing + m_dwReadPos, static_cast<int32_t>(m_dwDataSize) - kLookahead, &consumed, &type);
    Advance(consumed);
}

// The ring's first 66 bytes have not all arrived, so the mirror is not read: the tail
// is searched short of its last 66 bytes.
void CParsePS::ParseTail()
{
    const int32_t tail = static_cast<int32_t>(kRingSize - m_dwReadPos);
    if (tail < kLookahead) return;
    uint32_t consumed = 0;
    int32_t type = kOtherPack;
    ParsePacks(m_pRing + m_dwReadPos, tail - kLookahead, &consumed, &type);
    Advance(consumed);
}

// The whole tail is searched, the mirror giving the lookahead; then the pack left
// pending at the ring's end is ended by the first start code at the ring's start. A
// pending pack that begins the ring straddles nothing, and tail bytes without any
// start code are junk, dropped up to the pack at the start.
void CParsePS::ParseWrapped()
{
    const int32_t tail = static_cast<int32_t>(kRingSize - m_dwReadPos);
    uint32_t consumed = 0;
    int32_t type = kOtherPack;
    const int32_t pending = ParsePacks(m_pRing + m_dwReadPos, tail, &consumed, &type);
    if (pending == tail) {
        Advance(static_cast<uint32_t>(tail));
        return;
    }
    // The next start code counts only kMinPackSize behind the pending one, across the end too.
    const int32_t from = pending < 0 ? 0 : std::max(0, pending + kMinPackSize - tail);
    int32_t nextType = kOtherPack;
    const int32_t j = SearchPack(m_pRing + from, static_cast<int32_t>(m_dwWritePos) - kLookahead - from, &nextType);
    if (j < 0) {
        Advance(consumed);
        return;
    }
    const uint32_t end = static_cast<uint32_t>(j + from);
    if (pending >= 0) WriteStraddling(m_dwReadPos + static_cast<uint32_t>(pending), end, type);
    Advance(static_cast<uint32_t>(tail) + end);
}

// The pack's two parts go one after the other into its entry. A dropped pack has no
// entry for its second part.
void CParsePS::WriteStraddling(uint32_t packStart, uint32_t end, int32_t type)
{
    const uint32_t first = kRingSize - packStart;
    if (WriteIdxBuf(m_pRing + packStart, type, first + end, first) == kDropped) return;
    m_pIdxBuf->Write(m_pRing, end, 1);
}

// Junk in front of the first pack is consumed with the first pack indexed behind it.
int32_t CParsePS::ParsePacks(const uint8_t* pBytes, int32_t length, uint32_t* pConsumed, int32_t* pType)
{
    *pConsumed = 0;
    const int32_t first = SearchPack(pBytes, length, pType);
    if (first != 0) g_Trace(0, L"Maybe data corrupted...");
    if (first < 0) return -1;
    int32_t pos = first;
    int32_t remaining = length - first;
    uint32_t consumed = 0;
    while (remaining > kMinPackSize) {
        const int32_t thisType = *pType;
        const int32_t n = SearchPack(pBytes + pos + kMinPackSize, remaining - kMinPackSize, pType);
        if (n < 0) break;
        const int32_t packLength = n + kMinPackSize;
        WriteIdxBuf(pBytes + pos, thisType, static_cast<uint32_t>(packLength), static_cast<uint32_t>(packLength));
        consumed += static_cast<uint32_t>(packLength);
        pos += packLength;
        remaining -= packLength;
    }
    if (consumed != 0) *pConsumed = consumed + static_cast<uint32_t>(first);
    return pos;
}

int32_t CParsePS::SearchPack(const uint8_t* pBytes, int32_t last, int32_t* pType)
{
    if (last < 0) return -1;
    const int32_t at = FindStartCode(pBytes, last);
    if (at < 0) return -1;
    *pType = ClassifyPack(pBytes + at, at);
    return at;
}

int32_t CParsePS::WriteIdxBuf(const uint8_t* pPack, int32_t type, uint32_t total, uint32_t first)
{
    if (type != kKeyPack && !m_pIdxBuf->IsIFrameWritten()) {
        g_Trace(0, L"WriteIdxBuf:: wait for I frame.");
        return kDropped;
    }
    const uint32_t notKey = type != kKeyPack ? 1 : 0;
    const IndexRequest request = {total, 0, kIndexKindPack, kPackIndexHeadSize, notKey};
    m_dwReqNo = static_cast<uint32_t>(m_pIdxBuf->WriteIndex(request));
    StreamInfoRecord head = {};
    m_pCamParm->GetStreamInfo(&head);
    WriteLE32(head.bytes + offsetof(PackIndexHead, dwNotKey), notKey);
    m_pIdxBuf->Write(head.bytes, kPackIndexHeadSize, static_cast<int32_t>(m_dwReqNo), 0);
    return m_pIdxBuf->Write(pPack, first, total == first ? 1 : 0);
}
