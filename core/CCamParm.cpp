#include "core/CCamParm.h"

#include "core/CivilTime.h"
#include "core/IndexRecords.h"
#include "core/Trace.h"

#include <chrono>
#include <cstring>

namespace {

const uint32_t kBitRateTable[3][5] = {
    {120, 170, 250, 300, 350},
    {250, 375, 500, 600, 700},
    {500, 750, 1000, 1200, 1400},
};
constexpr uint32_t kUnknownResolutionBitRate = 2640;

void ResetBlock(StreamInfoBlock* block)
{
    std::memset(block, 0, sizeof(*block));
    STRM_HEAD_INFO& s = block->info;
    s.bFlag3 = s.bFlag4 = s.bFlag24 = 0xFF;
    s.bParamByte1 = s.bParamByte2 = s.bResolution = s.bQuality = s.bVideoSystem = 0xFF;
    s.usFrameRate = s.usField11_15 = s.usField16_19 = s.usField20_23 = 0xFFFF;
    s.usParamWord1 = s.usParamWord2 = s.usParamWord3 = 0xFFFF;
    s.b2BitField0 = s.b2BitField1 = s.b2BitField2 = s.bExtra = 0xFF;
    s.usStatus = kStatusNothingYet;
}

// The block's time stamp as seconds since 1970, taken as UTC. A 29 February of a
// common year counts as the 28th, as the recorder wrote it.
int64_t TimeStampSeconds(const uint8_t ts[6])
{
    int64_t year = 1900 + ts[5];
    unsigned month = ts[4] >= 1 && ts[4] <= 12 ? ts[4] : 1;
    unsigned day = ts[3];
    if (month == 2 && day == 29 && !IsLeapYear(year)) day = 28;
    return DaysFromCivil(year, month, day) * 86400 + ts[2] * 3600 + ts[1] * 60 + ts[0];
}

uint64_t SteadyMs()
{
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

}  // namespace

CCamParm::CCamParm(ICamParmOwner* pOwner) : m_pOwner(pOwner), m_Clock(SteadyMs) { InitCamParm(); }

void CCamParm::InitCamParm()
{
    CAutoLock lock(&m_Lock);
    ResetBlock(&m_Block);
    m_dwWidth = 0;
    m_dwHeight = 0;
    ResetCounters();
}

void CCamParm::ResetCounters()
{
    CAutoLock lock(&m_Lock);
    std::memset(m_Mac, 0, sizeof(m_Mac));
    m_dwRecvLength = 0;
    m_dwTotalLength = 0;
    m_bFirstDataGet = 0;
    m_dwAvgBitRate = 1;
    m_dwFirstPacket = 0;
    m_bLastSequence = 0;
}

int32_t CCamParm::Notify(int32_t code, const wchar_t* pFailure)
{
    if (!m_pOwner->IsInGraph()) {
        g_ErrorLog(1, L"SendNotify", L"m_pGraph is NULL!!!");
        return -1;
    }
    const StreamInfoBlock* pSent;
    {
        CAutoLock lock(&m_Lock);
        const uint64_t now = m_bNotifyOnChange ? m_Clock() : 0;
        if (code == kEventStreamInfo && m_bNotifyOnChange && !IsNews(now)) return 0;
        StreamInfoBlock& slot = m_Sent[m_nNextSent++ % kSentBlocks];
        slot = m_Block;
        pSent = &slot;
        if (code == kEventStreamInfo) {
            m_LastInfo = m_Block;
            std::memset(m_LastInfo.info.TimeStamp, 0, sizeof(m_LastInfo.info.TimeStamp));
            m_bLastInfo = true;
            m_qwLastInfoMs = now;
        }
    }
    int32_t hr = m_pOwner->SendGraphEvent(code, reinterpret_cast<intptr_t>(pSent), sizeof(*pSent));
    if (hr < 0) g_Trace(1, pFailure, static_cast<uint32_t>(hr));
    return 0;
}

// The time stamp changes with every unit and is no news by itself.
bool CCamParm::IsNews(uint64_t now) const
{
    if (!m_bLastInfo || now - m_qwLastInfoMs >= kRepeatMs) return true;
    StreamInfoBlock block = m_Block;
    std::memset(block.info.TimeStamp, 0, sizeof(block.info.TimeStamp));
    return std::memcmp(&m_LastInfo, &block, sizeof(block)) != 0;
}

void CCamParm::SetNotifyOnChange(bool bOn)
{
    CAutoLock lock(&m_Lock);
    m_bNotifyOnChange = bOn;
    m_bLastInfo = false;
}

void CCamParm::SetClock(MsClock clock)
{
    CAutoLock lock(&m_Lock);
    m_Clock = clock;
}

int32_t CCamParm::SendNotify() { return Notify(kEventStreamInfo, L"SendNotify: Notfy error( %u )"); }

int32_t CCamParm::SendRetryPlay() { return Notify(kEventRetryPlay, L"SendRetryPlay: Notfy error( %u )"); }

int32_t CCamParm::SendErrAbort(int32_t hr)
{
    if (!m_pOwner->IsInGraph()) {
        g_ErrorLog(1, L"SendNotify", L"m_pGraph is NULL!!!");
        return -1;
    }
    int32_t result = m_pOwner->SendGraphEvent(kEventErrorAbort, hr, 0);
    if (result < 0) g_Trace(1, L"SendErrAbort: Notfy error( %u )", static_cast<uint32_t>(result));
    return 0;
}

void CCamParm::SetStatus(uint16_t usStatus, bool bNotify)
{
    {
        CAutoLock lock(&m_Lock);
        m_Block.info.usStatus = usStatus;
    }
    if (bNotify) SendNotify();
}

void CCamParm::GetMacAddress(uint8_t mac[6])
{
    CAutoLock lock(&m_Lock);
    std::memcpy(mac, m_Mac, 6);
}

void CCamParm::SetMacAddress(const uint8_t mac[6])
{
    CAutoLock lock(&m_Lock);
    std::memcpy(m_Mac, mac, 6);
}

uint32_t CCamParm::GetRecvLength()
{
    CAutoLock lock(&m_Lock);
    return m_dwRecvLength;
}

void CCamParm::SetRecvLength(uint32_t length)
{
    CAutoLock lock(&m_Lock);
    m_dwRecvLength = length;
}

void CCamParm::AddRecvLength(uint32_t length)
{
    CAutoLock lock(&m_Lock);
    m_dwRecvLength += length;
}

uint32_t CCamParm::GetTotalLength()
{
    CAutoLock lock(&m_Lock);
    return m_dwTotalLength;
}

void CCamParm::SetTotalLength(uint32_t length)
{
    CAutoLock lock(&m_Lock);
    m_dwTotalLength = length;
}

bool CCamParm::IsFirstDataGet()
{
    CAutoLock lock(&m_Lock);
    return m_bFirstDataGet != 0;
}

bool CCamParm::IsFirstPacket()
{
    CAutoLock lock(&m_Lock);
    return m_dwFirstPacket != 0;
}

uint32_t CCamParm::GetWidth()
{
    CAutoLock lock(&m_Lock);
    return m_dwWidth;
}

uint32_t CCamParm::GetHeight()
{
    CAutoLock lock(&m_Lock);
    return m_dwHeight;
}

void CCamParm::SetPictureSize(uint32_t width, uint32_t height)
{
    CAutoLock lock(&m_Lock);
    m_dwWidth = width;
    m_dwHeight = height;
}

uint32_t CCamParm::GetReadCount()
{
    CAutoLock lock(&m_Lock);
    return m_dwReadCount;
}

void CCamParm::IncrementReadCount()
{
    CAutoLock lock(&m_Lock);
    m_dwReadCount++;
}

uint16_t CCamParm::GetStatus()
{
    CAutoLock lock(&m_Lock);
    return m_Block.info.usStatus;
}

StreamInfoBlock CCamParm::GetBlock()
{
    CAutoLock lock(&m_Lock);
    return m_Block;
}

int32_t CCamParm::SetStrmHeadInfo(const STRM_HEAD_INFO& in)
{
    CAutoLock lock(&m_Lock);
    STRM_HEAD_INFO& s = m_Block.info;
    s.bFlag1 = in.bFlag1;
    s.bFlag2 = in.bFlag2;
    s.bFlag5 = in.bFlag5;
    s.bFlag25 = in.bFlag25;
    s.bFlag26 = in.bFlag26;
    s.bFlag27 = in.bFlag27;
    s.bFlag3 = in.bFlag3;
    s.bFlag4 = in.bFlag4;
    s.bFlag24 = in.bFlag24;
    s.bParamByte1 = in.bParamByte1;
    s.bParamByte2 = in.bParamByte2;
    s.bResolution = in.bResolution;
    s.bQuality = in.bQuality;
    s.bVideoSystem = in.bVideoSystem;
    s.usFrameRate = in.usFrameRate;
    s.usField11_15 = in.usField11_15;
    s.usField16_19 = in.usField16_19;
    s.usField20_23 = in.usField20_23;
    s.usParamWord1 = in.usParamWord1;
    s.usParamWord2 = in.usParamWord2;
    s.usParamWord3 = in.usParamWord3;
    std::memcpy(s.TimeStamp, in.TimeStamp, sizeof(s.TimeStamp));
    s.b2BitField0 = in.b2BitField0;
    s.b2BitField1 = in.b2BitField1;
    s.b2BitField2 = in.b2BitField2;
    s.usStatus = kStatusOk;
    m_Block.ulIndexValue = 0;
    return 0;
}

int32_t CCamParm::SetResHeadInfo(const STRM_HEAD_INFO& in)
{
    CAutoLock lock(&m_Lock);
    STRM_HEAD_INFO& s = m_Block.info;
    s.bFlag3 = in.bFlag3;
    s.bFlag4 = in.bFlag4;
    s.bFlag24 = in.bFlag24;
    s.bFlag1 = in.bFlag1;
    s.bFlag2 = in.bFlag2;
    s.bResolution = in.bResolution;
    s.bQuality = in.bQuality;
    s.bVideoSystem = in.bVideoSystem;
    s.usFrameRate = in.usFrameRate;
    s.usField11_15 = in.usField11_15;
    s.usField16_19 = in.usField16_19;
    s.usField20_23 = in.usField20_23;
    s.b2BitField0 = in.b2BitField0;
    s.b2BitField1 = in.b2BitField1;
    s.b2BitField2 = in.b2BitField2;
    s.bExtra = in.bExtra;
    std::memcpy(s.Response, in.Response, sizeof(s.Response));
    s.usStatus = in.usStatus;
    m_Block.ulIndexValue = 0;
    return 0;
}

int32_t CCamParm::SetPsIndexInfo(const StreamInfoBlock& entry)
{
    int64_t split = 0;
    const bool bSplitPending = m_pOwner->GetSplitTime(&split);
    bool bSplitReached = false;
    {
        CAutoLock lock(&m_Lock);
        bSplitReached = StoreIndexInfo(entry, bSplitPending, split);
    }
    if (bSplitReached) m_pOwner->SetSplitPending(false);
    return 0;
}

// True when the entry's time is the pending split time, which it then marks.
bool CCamParm::StoreIndexInfo(const StreamInfoBlock& entry, bool bSplitPending, int64_t split)
{
    STRM_HEAD_INFO& s = m_Block.info;
    const STRM_HEAD_INFO& in = entry.info;
    std::memcpy(s.TimeStamp, in.TimeStamp, sizeof(s.TimeStamp));
    s.usIndexWord = in.usIndexWord;
    m_Block.ulIndexValue = entry.ulIndexValue;
    s.bFlag3 = in.bFlag3;
    s.bFlag24 = in.bFlag24;
    s.bParamByte1 = in.bParamByte1;
    s.bResolution = in.bResolution;
    s.bQuality = in.bQuality;
    s.bVideoSystem = in.bVideoSystem;
    s.usFrameRate = in.usFrameRate;
    s.usField16_19 = in.usField16_19;

    bool bSplitReached = false;
    if (bSplitPending) {
        int64_t now = TimeStampSeconds(in.TimeStamp);
        if (split <= now && now <= split + 1) {
            g_Trace(0, L"SplitTime %I64d == NowTime %I64d !!!", split, now);
            s.usField16_19 |= 0x8000;
            bSplitReached = true;
        }
    }
    s.b2BitField0 = in.b2BitField0;
    s.b2BitField1 = in.b2BitField1;
    s.b2BitField2 = in.b2BitField2;
    s.bFlag1 = in.bFlag1;
    s.bFlag2 = in.bFlag2;
    s.usStatus = kStatusOk;
    return bSplitReached;
}

void CCamParm::SetBitRate(uint32_t kbps)
{
    bool bChanged;
    {
        CAutoLock lock(&m_Lock);
        bChanged = kbps != m_dwAvgBitRate;
        m_dwAvgBitRate = kbps;
    }
    if (bChanged) m_pOwner->SetAvgBitRate(kbps);
}

// The audio model is read before the lock: the owner takes its own lock for it,
// and a stop holding that lock may be waiting for this thread.
int32_t CCamParm::GetStreamInfo(StreamInfoRecord* pRecord)
{
    bool bAudio = m_pOwner->GetAudioModel() != 0;
    CAutoLock lock(&m_Lock);
    WriteStreamInfo(m_Block, bAudio, pRecord->bytes);
    return 0;
}

int32_t CCamParm::PacketCheck()
{
    CAutoLock lock(&m_Lock);
    if (m_dwFirstPacket || !m_bFirstDataGet) {
        m_dwFirstPacket = 0;
        return 1;
    }
    if (m_dwRecvLength == m_dwTotalLength) return 1;
    if (m_dwTotalLength != 0) {
        g_Trace(1, L"CCamParm::PacketCheck... Data receive error.");
        g_Trace(1, L"Susposed: %d, Actual: %d", m_dwTotalLength, m_dwRecvLength);
        return 0;
    }
    g_Trace(1, L"CCamParm::PacketCheck... FirstPacket may be lost.");
    return 0;
}

int32_t CCamParm::SequenceCheck(uint8_t sequence)
{
    CAutoLock lock(&m_Lock);
    int32_t result = 1;
    if (!m_dwFirstPacket && m_bFirstDataGet && static_cast<uint8_t>(m_bLastSequence + 1) != sequence) {
        g_Trace(1, L"CCamParm::SequenceCheck... Sequence Number error. Whole packet may be lost.");
        result = 0;
    }
    m_bLastSequence = sequence;
    return result;
}

void CCamParm::SetFirstDataGet(bool bFound)
{
    const bool bFileMode = bFound && m_pOwner->IsFileMode();
    uint32_t dwAvgBitRate;
    {
        CAutoLock lock(&m_Lock);
        m_bFirstDataGet = bFound ? 1 : 0;
        if (!bFound) {
            m_dwReadCount = 0;
            return;
        }
        m_dwFirstPacket = 1;
        if (bFileMode) m_dwAvgBitRate = CalcAvgBitRate(m_Block);
        dwAvgBitRate = m_dwAvgBitRate;
    }
    StartPushThreads(dwAvgBitRate);
}

// Called without m_Lock: the owner creates threads here.
void CCamParm::StartPushThreads(uint32_t dwAvgBitRate)
{
    int32_t result = 0;
    bool bFileMode = m_pOwner->IsFileMode();
    if (!bFileMode && m_pOwner->GetLive()) {
        g_Trace(0, L"CCamParm::m_dwAvgBitRate = %d", dwAvgBitRate);
        result = m_pOwner->CreatePushData();
    } else if (bFileMode) {
        if (m_pOwner->GetRate() == 1.0) m_pOwner->SetAvgBitRate(dwAvgBitRate);
        result = m_pOwner->CreatePushPlay();
    }
    if (result < 0) {
        g_Trace(2, L"Cannot create CPushData!!!");
        m_pOwner->StopStream(true);
    }
    if (m_pOwner->GetRec() && m_pOwner->CreatePushES(ESTYPE_PSREC, 0) < 0) {
        g_Trace(2, L"Cannot create CPushES!!!!");
        m_pOwner->StopStream(true);
    }
}

int64_t CCamParm::CalcRefTime()
{
    uint16_t code;
    bool b25;
    {
        CAutoLock lock(&m_Lock);
        code = m_Block.info.usFrameRate;
        b25 = m_Block.info.bVideoSystem != 0;
    }
    const int64_t refTime = FrameDuration(code, b25);
    g_Trace(0, L"CalcRefTime: FrameRate = %d, so reference time =%ld.", code, static_cast<long>(refTime));
    return refTime;
}

int64_t CCamParm::FrameDuration(uint16_t usFrameRateCode, bool bVideoSystem25)
{
    static const int64_t k30[] = {2001996, 1000998, 667332, 333666, 166833};
    static const int64_t k25[] = {2001996, 1000998, 667332, 400000, 200000};
    return usFrameRateCode <= 4 ? (bVideoSystem25 ? k25 : k30)[usFrameRateCode] : 0;
}

uint32_t CCamParm::CalcAvgBitRate()
{
    CAutoLock lock(&m_Lock);
    return CalcAvgBitRate(m_Block);
}

// A quality above the table's last column counts as that column.
uint32_t CCamParm::CalcAvgBitRate(const StreamInfoBlock& block)
{
    const STRM_HEAD_INFO& s = block.info;
    unsigned quality = s.bQuality > 4 ? 4 : s.bQuality;
    uint32_t v = s.bResolution <= 2 ? kBitRateTable[s.bResolution][quality] : kUnknownResolutionBitRate;
    static const uint32_t kFramesPerSecond[] = {5, 10, 15};
    if (s.usFrameRate <= 2) v = static_cast<uint32_t>(v * kFramesPerSecond[s.usFrameRate] / 30 * 1.7);
    return v;
}

uint32_t CCamParm::CalcBufferBytes(const StreamInfoBlock& block, int64_t duration)
{
    uint32_t bytesPerSecond = (CalcAvgBitRate(block) << 10) >> 3;
    int64_t milliseconds = duration / 1000 / 10;
    return static_cast<uint32_t>(bytesPerSecond * 1.5 * static_cast<double>(milliseconds) / 1000.0);
}
