#include "core/CIndexedBuffer2.h"

#include "core/Trace.h"

#include <algorithm>
#include <cstring>
#include <new>

CIndexedBuffer2::CIndexedBuffer2(uint32_t size, uint32_t type, int32_t* pResult) : m_nType(type)
{
    Init();
    m_pData = new (std::nothrow) uint8_t[size]();
    if (!m_pData) {
        g_Trace(1, L"CIndexedBuffer2::Constructor: out of memory");
        *pResult = kOutOfMemory;
        return;
    }
    m_dwSize = size;
    *pResult = kOk;
}

CIndexedBuffer2::~CIndexedBuffer2() { delete[] m_pData; }

void CIndexedBuffer2::Init()
{
    CAutoLock lock(&m_Lock);
    g_Trace(0, L"CIndexedBuffer2(T:%d):Init call.", m_nType);
    m_nIdxWrite = 0;
    m_nIdxRead = 0;
    m_nReqNo = 0;
    m_llTime = 0;
    m_ullSeq = 0;
    m_dwWritePos = 0;
    m_dwSamplePos.store(0, std::memory_order_relaxed);
    m_dwReadEndPos = 0;
    m_dwDataSize = 0;
    m_dwPacketSize = 0;
    m_dwPacketWritten = 0;
    m_bPacketComplete = 0;
    m_bPacketCut = 0;
    m_PacketStage = PacketStage::None;
    m_bOverflow = 0;
    m_bGap = 0;
    m_dwGapsOpened = 0;
    m_bReadStarted = 0;
    m_bIFrame = 0;
    m_llRefTime = kDefaultRefTime;
    m_dwStartSize = kStartSize;
}

int32_t CIndexedBuffer2::WriteIndex(const IndexRequest& request)
{
    CorrectLostPacket();
    const uint64_t packetSize = uint64_t{request.dwHeadSize} + request.dwDataSize;
    m_dwPacketSize = packetSize > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(packetSize);
    m_dwPacketWritten = 0;
    m_bPacketComplete = 0;
    m_bPacketCut = 0;
    m_PacketStage = PacketStage::HeadPending;

    CAutoLock lock(&m_Lock);
    if (m_bOverflow && request.dwNotKey == 0) m_bOverflow = 0;  // a key pack tries again
    IndexEntry& entry = IdxPool[m_nIdxWrite];
    entry.dwDataSize = request.dwDataSize;
    entry.dwHeadSize = request.dwHeadSize;
    entry.dwDataKind = request.dwDataKind;
    entry.dwNotKey = request.dwNotKey;
    entry.dwAfterGap = m_bGap;
    entry.ullSeq = ++m_ullSeq;
    entry.dwOffset = 0;
    entry.llStart = m_llTime;
    m_llTime += m_llRefTime;
    entry.llStop = m_llTime;
    m_nReqNo = m_nReqNo == kMaxReqNo ? 0 : m_nReqNo + 1;
    m_bIFrame = 1;
    return m_nReqNo;
}

// The entry of a packet that got fewer bytes than announced, or whose last write was
// not complete, gets the size that was written, a head cut short included: a larger
// entry would reach into the next packet, and its release would free those bytes.
// A packet whose head never reached the area has no entry: the slot before
// m_nIdxWrite belongs to an older packet.
void CIndexedBuffer2::CorrectLostPacket()
{
    if (m_PacketStage != PacketStage::HeadWritten || m_bPacketCut) return;
    if (m_dwPacketWritten == m_dwPacketSize && m_bPacketComplete) return;
    g_Trace(1, L"Packet Loss... %d/%d", m_dwPacketWritten, m_dwPacketSize);
    CAutoLock lock(&m_Lock);
    IndexEntry& last = IdxPool[m_nIdxWrite == 0 ? kIdxPoolSize - 1 : m_nIdxWrite - 1];
    last.dwHeadSize = std::min(last.dwHeadSize, m_dwPacketWritten);
    last.dwDataSize = m_dwPacketWritten - last.dwHeadSize;
    g_Trace(1, L"LastIdxSize correct to %d", last.dwDataSize);
}

int32_t CIndexedBuffer2::Write(const uint8_t* pHead, uint32_t length, int32_t reqNo, uint32_t bComplete)
{
    if (reqNo != m_nReqNo || m_PacketStage != PacketStage::HeadPending) {
        g_Trace(1, L"Write(1): Request number is incorrect(%d)!!", reqNo);
        return kWriteError;
    }
    CAutoLock lock(&m_Lock);
    if (!m_bOverflow && IsIdxPoolFull()) Overflow(L"CIndexedBuffer2::Write(1): IdxPool overflow!!!");
    // A head longer than its whole packet is cut as pack bytes are.
    const bool bCut = length > m_dwPacketSize;
    if (bCut) {
        g_Trace(1, L"Write(1): PacketSize over(%d/%d), cut!", length, m_dwPacketSize);
        length = m_dwPacketSize;
    }
    uint32_t offset = 0;
    const int32_t r = WriteAndGetOffset(pHead, length, &offset);
    if (r < 0) {
        g_Trace(1, L"Write(1): WriteError(%d)", r);
        return r;
    }
    IdxPool[m_nIdxWrite].dwOffset = offset;
    m_nIdxWrite = NextSlot(m_nIdxWrite);
    if (m_nIdxWrite == 0) g_Trace(1, L"IdxPool loop.");
    m_dwPacketWritten = length;
    m_bPacketComplete = bComplete;
    m_bPacketCut = bCut;
    m_PacketStage = PacketStage::HeadWritten;
    m_bGap = 0;  // in a gap only a key pack gets this far
    return r;
}

// The reader lags by 511 entries: one more would look like none.
bool CIndexedBuffer2::IsIdxPoolFull() const { return NextSlot(m_nIdxWrite) == m_nIdxRead; }

// The whole packet is reserved, so that its data always fits behind its head.
int32_t CIndexedBuffer2::WriteAndGetOffset(const uint8_t* pBytes, uint32_t length, uint32_t* pOffset)
{
    CAutoLock lock(&m_Lock);
    if (m_bOverflow) return kWriteError;
    if (IsOverflow(m_dwPacketSize)) {
        Overflow(L"CIndexedBuffer2::WriteAndGetOffset: Buffer overflow!!!");
        return kWriteError;
    }
    if (uint64_t{m_dwWritePos} + m_dwPacketSize > m_dwSize) {
        g_Trace(1, L"CIndexedBuffer2::WriteAndGetOffset: Buffer will loop.");
        m_dwWritePos = 0;
    }
    *pOffset = m_dwWritePos;
    m_dwWritePos = PlaceBytes(m_dwWritePos, pBytes, length);
    return 0;
}

void CIndexedBuffer2::Overflow(const wchar_t* pszWhat)
{
    if (!m_bGap) g_Trace(2, L"%s", pszWhat);
    BeginGap();
}

void CIndexedBuffer2::BeginGap()
{
    if (!m_bGap) m_dwGapsOpened++;
    m_bOverflow = 1;
    m_bGap = 1;
    m_bIFrame = 0;
}

void CIndexedBuffer2::OpenGap()
{
    CAutoLock lock(&m_Lock);
    BeginGap();
}

CIndexedBuffer2::Gaps CIndexedBuffer2::GetGaps()
{
    CAutoLock lock(&m_Lock);
    return {m_dwGapsOpened, m_bGap != 0};
}

void CIndexedBuffer2::EndOfInput()
{
    CAutoLock lock(&m_Lock);
    m_bReadStarted = 1;
}

// The writer stops short of the released position: a write position equal to it
// means that downstream holds nothing.
bool CIndexedBuffer2::IsOverflow(uint32_t packetSize) const
{
    const uint64_t w = m_dwWritePos;
    const uint64_t x = packetSize;
    const uint64_t s = m_dwSamplePos.load(std::memory_order_acquire);
    if (x > m_dwSize) return true;
    if (w < s && w + x >= s) return true;
    return w >= m_dwReadEndPos && w + x > m_dwSize && s <= x;
}

uint32_t CIndexedBuffer2::PlaceBytes(uint32_t at, const uint8_t* pBytes, uint32_t length)
{
    if (length != 0) std::memcpy(m_pData + at, pBytes, length);
    m_dwDataSize += length;
    return at + length;
}

int32_t CIndexedBuffer2::Write(const uint8_t* pData, uint32_t length, uint32_t bComplete)
{
    if (m_bPacketCut) {
        g_Trace(0, L"Write(2): over correct, skip!");
        return 0;
    }
    CAutoLock lock(&m_Lock);
    if (m_bOverflow || m_PacketStage != PacketStage::HeadWritten) {
        g_Trace(1, L"Write(2): WriteError(%d)", kWriteError);
        return kWriteError;
    }
    if (uint64_t{m_dwPacketWritten} + length > m_dwPacketSize) {
        g_Trace(1, L"Write(2): PacketSize over(%d/%d), cut!", m_dwPacketWritten + length, m_dwPacketSize);
        length = m_dwPacketSize - m_dwPacketWritten;
        m_bPacketCut = 1;
    }
    m_dwWritePos = PlaceBytes(m_dwWritePos, pData, length);
    m_dwPacketWritten += length;
    m_bPacketComplete = bComplete;
    return 0;
}

int32_t CIndexedBuffer2::ReadIndex(IndexEntry* pEntry)
{
    CAutoLock lock(&m_Lock);
    if (m_nIdxRead == m_nIdxWrite) return kNoEntry;
    const IndexEntry& next = IdxPool[m_nIdxRead];
    const int32_t r = CheckReadable(next.dwDataSize + next.dwHeadSize);
    if (r < 0) return r;
    *pEntry = next;
    m_nIdxRead = NextSlot(m_nIdxRead);
    if (m_nIdxRead == 0) g_Trace(1, L"ReadIndex: ReadPos loop.");
    return r;
}

// Packets lie one after the other, so a held size of at least need means that the
// whole next packet is in the area.
int32_t CIndexedBuffer2::CheckReadable(uint32_t need)
{
    if (m_bReadStarted) {
        if (m_dwDataSize == 0) return kNoData;
        return m_dwDataSize < need ? kIncomplete : 0;
    }
    if (m_dwDataSize >= m_dwStartSize && m_dwDataSize >= need) {
        m_bReadStarted = 1;
        return 0;
    }
    return kNotStarted;
}

// A packet whose entry was shortened below its head may be taken for more bytes than
// it got; the held size stops at 0 rather than wrapping.
int32_t CIndexedBuffer2::ReadEnd(uint32_t endOffset, uint32_t length)
{
    CAutoLock lock(&m_Lock);
    m_dwDataSize = length < m_dwDataSize ? m_dwDataSize - length : 0;
    m_dwReadEndPos = endOffset;
    return 0;
}

void CIndexedBuffer2::SetSamplePos(uint32_t endOffset) { m_dwSamplePos.store(endOffset, std::memory_order_release); }

void CIndexedBuffer2::SetReferenceTime(int64_t step)
{
    CAutoLock lock(&m_Lock);
    m_llRefTime = step;
    g_Trace(1, L"Reference time set to %ld", static_cast<long>(step));
}

int64_t CIndexedBuffer2::GetReferenceTime()
{
    CAutoLock lock(&m_Lock);
    return m_llRefTime;
}

int32_t CIndexedBuffer2::IsIFrameWritten()
{
    CAutoLock lock(&m_Lock);
    return static_cast<int32_t>(m_bIFrame);
}
