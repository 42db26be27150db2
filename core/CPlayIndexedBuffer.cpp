#include "core/CPlayIndexedBuffer.h"

#include "core/StreamInfoBlock.h"
#include "core/Trace.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>

namespace {

constexpr uint16_t kStatusEndOfData = 0x0501;
constexpr uint16_t kStatusGap = 0x0601;

int64_t Counter() { return std::chrono::steady_clock::now().time_since_epoch().count(); }
constexpr int64_t kCounterFrequency = std::chrono::steady_clock::period::den / std::chrono::steady_clock::period::num;

}  // namespace

CPlayIndexedBuffer::CPlayIndexedBuffer(uint32_t size, uint32_t type, int32_t* pResult) : m_nType(type)
{
    Init();
    m_pData = new (std::nothrow) uint8_t[size]();
    if (!m_pData) {
        g_Trace(1, L"CPlayIndexedBuffer::Constructor: out of memory");
        *pResult = kOutOfMemory;
        return;
    }
    m_dwSize = size;
    m_dwLoopEnd = size;
    *pResult = kOk;
}

CPlayIndexedBuffer::~CPlayIndexedBuffer() { delete[] m_pData; }

void CPlayIndexedBuffer::Init()
{
    g_Trace(0, L"CPlayIndexedBuffer(T:%d):Init call.", m_nType);
    CAutoLock lock(&m_Lock);
    m_nWrite = m_nRead = 0;
    m_nLastRead = -1;
    m_dwWriteOffset = m_dwLockEnd = m_dwBuffered = 0;
    m_nReqNo = 0;
    m_dwExpected = m_dwWritten = m_bLast = 0;
    m_bFrameWritten = false;
    m_ullTime = m_ullSeq = 0;
    m_ullRefTime = kDefaultRefTime;
    m_bOverflow = m_bStarted = 0;
    m_dwStartSize = kStartSize;
    m_dwReserved = m_dwLastLockEnd = 0;
    m_dwLoopEnd = m_dwSize;
    for (PlayIndexEntry& e : m_Index) {
        e.block = {};
        e.block.info.usStatus = kStatusNothingYet;
        e.llWriteCounter = e.llCounterFrequency = e.llFirstReadCounter = 0;
        e.bState = kPlayEntryEmpty;
        e.bStatusSet = 0;
    }
    m_LastRead = {};
}

// An entry still unread keeps what its own frame brought: the reader writes nothing
// while the index is full (its buffer level is then the highest).
void CPlayIndexedBuffer::SetStatus(uint16_t usStatus)
{
    CAutoLock lock(&m_Lock);
    PlayIndexEntry& e = m_Index[m_nWrite];
    if (e.bState == kPlayEntryWritten) return;
    e.block.info.usStatus = usStatus;
    if (usStatus != 0) e.bStatusSet = 1;
}

void CPlayIndexedBuffer::SetStreamInfo(const StreamInfoBlock& block)
{
    CAutoLock lock(&m_Lock);
    PlayIndexEntry& e = m_Index[m_nWrite];
    if (e.bState != kPlayEntryWritten) e.block = block;
}

void CPlayIndexedBuffer::SetOrdinal(uint16_t usOrdinal)
{
    CAutoLock lock(&m_Lock);
    PlayIndexEntry& e = m_Index[m_nWrite];
    if (e.bState != kPlayEntryWritten) e.usOrdinal = usOrdinal;
}

int32_t CPlayIndexedBuffer::WriteIndex(const IndexRequest& request)
{
    CorrectLostFrame();
    const uint64_t expected = uint64_t{request.dwDataSize} + request.dwHeadSize;
    m_dwExpected = expected > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(expected);
    m_dwWritten = m_bLast = 0;
    m_bFrameWritten = false;

    CAutoLock lock(&m_Lock);
    m_nReqNo = m_nReqNo == kMaxReqNo ? 0 : m_nReqNo + 1;
    PlayIndexEntry& e = m_Index[m_nWrite];
    if (e.bState == kPlayEntryWritten) return m_nReqNo;  // unread: Write refuses the frame
    e.entry.dwDataSize = request.dwDataSize;
    e.entry.ullSeq = ++m_ullSeq;
    e.entry.llStart = static_cast<int64_t>(m_ullTime);
    m_ullTime += m_ullRefTime;
    e.entry.llStop = static_cast<int64_t>(m_ullTime);
    e.entry.dwOffset = 0;
    e.entry.dwDataKind = request.dwDataKind;
    e.entry.dwHeadSize = request.dwHeadSize;
    e.entry.dwNotKey = request.dwNotKey;
    // The reader sets the gap and the end before it opens the entry.
    if (StatusOf(e) != kStatusEndOfData && StatusOf(e) != kStatusGap) {
        e.block.info.usStatus = 0;
        e.bStatusSet = 0;
    }
    return m_nReqNo;
}

// A frame written short gets the size it got. A frame whose Write failed has no
// entry: the entry before the write position belongs to an older frame.
void CPlayIndexedBuffer::CorrectLostFrame()
{
    if (!m_bFrameWritten || (m_dwWritten == m_dwExpected && m_bLast)) return;
    g_Trace(1, L"Packet Loss... %d/%d", m_dwWritten, m_dwExpected);
    CAutoLock lock(&m_Lock);
    IndexEntry& last = m_Index[Previous(m_nWrite)].entry;
    last.dwHeadSize = std::min(last.dwHeadSize, m_dwWritten);
    last.dwDataSize = m_dwWritten - last.dwHeadSize;
    g_Trace(1, L"LastIdxSize correct to %d", last.dwDataSize);
}

// A second Write for one request, a frame longer than announced (it would reach
// past the space checked for it) and an unread entry in the way are refused.
int32_t CPlayIndexedBuffer::Write(const uint8_t* pData, uint32_t size, int32_t reqNo, uint32_t bLast)
{
    if (reqNo != m_nReqNo || m_bFrameWritten || m_dwExpected == 0) {
        g_Trace(1, L"Write(1): Request number is incorrect(%d)!!", reqNo);
        return kWriteError;
    }
    if (size > m_dwExpected) {
        g_Trace(1, L"Write(1): PacketSize over(%d/%d), cut!", size, m_dwExpected);
        size = m_dwExpected;
    }
    CAutoLock lock(&m_Lock);
    PlayIndexEntry& e = m_Index[m_nWrite];
    if (e.bState == kPlayEntryWritten) {
        g_Trace(1, L"IdxWriteOver. (%d)", m_nWrite);
        return kWriteError;
    }
    uint32_t offset = 0;
    const int32_t r = WriteAndGetOffset(pData, size, &offset);
    if (r < 0) {
        g_Trace(1, L"Write(1): WriteError(%d)", r);
        return r;
    }
    e.entry.dwOffset = offset;
    e.llCounterFrequency = kCounterFrequency;
    e.llWriteCounter = Counter();
    e.bState = kPlayEntryWritten;
    m_nWrite = Next(m_nWrite);
    if (m_nWrite == 0) g_Trace(1, L"IdxPool loop.");
    m_dwWritten = size;
    m_bLast = bLast;
    m_bFrameWritten = true;
    return 0;
}

int32_t CPlayIndexedBuffer::WriteAndGetOffset(const uint8_t* pData, uint32_t size, uint32_t* pOffset)
{
    if (m_bOverflow) return kWriteError;
    if (IsOverflow(m_dwExpected)) {
        g_Trace(2, L"CPlayIndexedBuffer::WriteAndGetOffset: Buffer overflow!!!");
        m_bOverflow = 1;
        return kWriteError;
    }
    if (uint64_t{m_dwWriteOffset} + m_dwExpected > m_dwSize) {
        g_Trace(1, L"CPlayIndexedBuffer::WriteAndGetOffset: Buffer will loop.");
        Loop();
    }
    *pOffset = m_dwWriteOffset;
    if (size != 0) std::memcpy(m_pData + m_dwWriteOffset, pData, size);
    m_dwWriteOffset += size;
    m_dwBuffered += size;
    m_dwReserved += size;
    return 0;
}

// Samples released up to the loop point already will never reach the loop end: the
// release side starts again at the ring's start now, or its reservation would leak
// and its stale lock end would stop the writer there on the next round.
void CPlayIndexedBuffer::Loop()
{
    if (m_dwLockEnd == m_dwWriteOffset) m_dwLockEnd = m_dwLastLockEnd = 0;
    else m_dwLoopEnd = m_dwWriteOffset;
    m_dwWriteOffset = 0;
}

// The bytes not yet given back run from the lock end, across the loop end if they
// wrap, to the write offset; a frame must not reach them. The writer stops short of
// the lock end, so that a full ring never looks empty. The push thread's read end
// is no bound: after the loop to the start it lies in the round before.
bool CPlayIndexedBuffer::IsOverflow(uint32_t size) const
{
    const uint64_t w = m_dwWriteOffset, x = size, r = m_dwLockEnd;
    if (x > m_dwSize) return true;
    if (m_dwReserved == 0) return false;
    if (r >= w) return w + x >= r;
    return w + x > m_dwSize && x >= r;
}

bool CPlayIndexedBuffer::HasRoomFor(uint32_t size)
{
    CAutoLock lock(&m_Lock);
    return !m_bOverflow && m_Index[m_nWrite].bState != kPlayEntryWritten && !IsOverflow(size);
}

int32_t CPlayIndexedBuffer::ReadIndexLocked(PlayIndexEntry* pEntry, uint32_t required, bool bRepeat)
{
    CAutoLock lock(&m_Lock);
    PlayIndexEntry& e = m_Index[m_nRead];
    if (m_nWrite == m_nRead && m_Index[Next(m_nRead)].bState != kPlayEntryWritten) {
        if (!e.bStatusSet) return kNoEntry;
        pEntry->block.info.usStatus = StatusOf(e);
        return kStatusPending;
    }
    const uint16_t usWriteStatus = StatusOf(m_Index[m_nWrite]);
    if (usWriteStatus == kStatusEndOfData && m_nWrite == Next(m_nRead)) e.block.info.usStatus = kStatusEndOfData;
    if (e.bState != kPlayEntryWritten) {
        g_Trace(1, L"IdxRead Over. (%d)", m_nRead);
        return kNotWritten;
    }
    if (m_nRead != m_nLastRead) {
        e.llFirstReadCounter = Counter();
        m_nLastRead = m_nRead;
    }
    if (bRepeat) {
        *pEntry = m_LastRead;
        return 0;
    }
    const int32_t r = DataReady(required, usWriteStatus);
    if (r < 0) return r;
    *pEntry = e;
    m_LastRead = e;
    e.bState = kPlayEntryRead;
    m_nRead = Next(m_nRead);
    g_Trace(0, L"CPlayIndexedBuffer::ReadIndex NextRead!");
    if (m_nRead == 0) g_Trace(1, L"ReadIndex: ReadPos loop.");
    return 0;
}

// With the end of the data pending, what there is goes out: a recording shorter
// than the start size would otherwise never start. The last frame written goes
// out without waiting for the next: the reader may need its bytes back to write that.
int32_t CPlayIndexedBuffer::DataReady(uint32_t required, uint16_t usWriteStatus)
{
    const bool bEnd = usWriteStatus == kStatusEndOfData;
    if (!m_bStarted) {
        if (!bEnd && (m_dwBuffered < m_dwStartSize || m_dwBuffered < required)) return kNotStarted;
        m_bStarted = 1;
        return 0;
    }
    if (m_dwBuffered == 0) return kNoData;
    if (bEnd) return 0;
    if (m_dwBuffered < required) return kTooLittle;
    return m_dwReserved < required ? kStatusPending : 0;
}

void CPlayIndexedBuffer::GetStreamInfo(StreamInfoBlock* pBlock)
{
    CAutoLock lock(&m_Lock);
    *pBlock = m_Index[m_nRead].block;
}

void CPlayIndexedBuffer::ReleaseRead(uint32_t size)
{
    CAutoLock lock(&m_Lock);
    m_dwBuffered = size < m_dwBuffered ? m_dwBuffered - size : 0;
}

// Samples come back in order, so the bytes from the last one's end up to p are free.
// At the loop end the next sample's bytes begin at the ring's start again.
void CPlayIndexedBuffer::ReadLockEnd(const uint8_t* p)
{
    CAutoLock lock(&m_Lock);
    m_dwLockEnd = static_cast<uint32_t>(p - m_pData);
    const uint32_t step = m_dwLockEnd - m_dwLastLockEnd;
    if (m_dwReserved >= step) m_dwReserved -= step;
    else g_Trace(0, L"ReadLockEnd: BufReservationS Size Err = %d", m_dwLockEnd);
    m_dwLastLockEnd = m_dwLockEnd;
    if (m_dwLockEnd != m_dwLoopEnd) return;
    m_dwLockEnd = m_dwLastLockEnd = 0;
    m_dwLoopEnd = m_dwSize;
}

void CPlayIndexedBuffer::SetStartSize(uint32_t bytes)
{
    CAutoLock lock(&m_Lock);
    m_dwStartSize = std::min(bytes, kMaxStartSize);
    g_Trace(0, L"dwStartSize set to %d", m_dwStartSize);
}

void CPlayIndexedBuffer::SetRefTime(uint64_t step)
{
    CAutoLock lock(&m_Lock);
    m_ullRefTime = step;
    g_Trace(1, L"Reference time set to %ld", static_cast<long>(step));
}

uint64_t CPlayIndexedBuffer::GetRefTime()
{
    CAutoLock lock(&m_Lock);
    return m_ullRefTime;
}

uint32_t CPlayIndexedBuffer::GetReservedBytes()
{
    CAutoLock lock(&m_Lock);
    return m_dwReserved;
}

int32_t CPlayIndexedBuffer::GetFreeIndexCount()
{
    CAutoLock lock(&m_Lock);
    return FreeIndexCount();
}

int32_t CPlayIndexedBuffer::FreeIndexCount() const
{
    const int32_t w = m_nWrite, r = m_nRead;
    if (r < w) return r > 0 ? kIndexCount - w + r - 1 : kIndexCount - w;
    if (r > w) return r - w - 1;
    if (w == 0 && m_Index[0].bState == kPlayEntryEmpty) return kIndexCount;
    return m_Index[Next(w)].bState == kPlayEntryWritten ? 0 : kIndexCount;
}

uint64_t CPlayIndexedBuffer::CalcRefTime(const StreamInfoBlock& block)
{
    const bool b25 = block.info.bVideoSystem != 0;
    uint64_t step = 0;
    switch (block.info.usFrameRate) {
    case 0: step = 2001996; break;
    case 1: step = 1000998; break;
    case 2: step = 667332; break;
    case 3: step = b25 ? 400000 : 333666; break;
    case 4: step = b25 ? 200000 : 166833; break;
    default: break;
    }
    g_Trace(0, L"CalcRefTime: FrameRate = %d, so reference time =%ld.", block.info.usFrameRate, static_cast<long>(step));
    return step;
}
