#include "playback/CPushPlay.h"

#include "core/CCamParm.h"
#include "core/CPlayIndexedBuffer.h"
#include "core/PlayUnitInfo.h"
#include "core/Trace.h"
#include "playback/IPlayOwner.h"
#include "playback/PlayTime.h"
#include "stream/CESMediaSamplePool.h"

#include <vfwmsgs.h>

#include <algorithm>

namespace {

constexpr uint32_t kSampleFlags = 0x130;
constexpr uint32_t kSyncPoint = 0x01;
constexpr uint32_t kKindKeyUnit = 3;

const CWorkerThread::Policy kThreadPolicy = {3000, 1, THREAD_PRIORITY_NORMAL};

const CWorkerThread::Lines kThreadLines = {
    .eventCreateError = {1, L"CPushPlay: event create error(%d)"},
    .threadCreateError = {1, L"PushES: SendThread create error(%d)"},
    .stopEventError = {1, L"CPushPlay:Stop event to m_hSendThread error(%d)"},
    .returned = {{0, L"CPushPlay(T:%d) m_hSendThread return event received."}},
    .timedOut = {{1, L"CPushPlay:m_hSendThread stop time out."}},
    .cancelled = {1, L"m_hSendThread terminated."},
};

bool IsSyncPoint(const IndexEntry& e)
{
    return (e.dwDataKind == kIndexKindPack && e.dwNotKey == 0) || e.dwDataKind == kKindKeyUnit;
}

// A span of 0 would spin the thread.
DWORD Span(double ms) { return std::max<DWORD>(1, static_cast<DWORD>(ms)); }

}  // namespace

CPushPlay::CPushPlay(IPlayOwner* pFilter, CPlayIndexedBuffer* pBuffer, CESMediaSamplePool* pPool, CCamParm* pCamParm,
                     uint32_t pinType, uint32_t kbps, HRESULT* phr)
    : CPinSender(L"CPushPlay", pinType, kThreadPolicy, kThreadLines), m_pFilter(pFilter), m_pBuffer(pBuffer),
      m_pPool(pPool), m_pCamParm(pCamParm)
{
    g_Trace(0, L"CPushPlay(T:%d) constructor.", static_cast<int32_t>(m_nPinType));
    const DWORD frameMs = static_cast<DWORD>(m_pCamParm->CalcRefTime() / 1000 / 10);
    g_Trace(0, L"CPushPlay: Send span set to %d.", static_cast<int32_t>(frameMs));
    const DWORD span = static_cast<DWORD>(frameMs * 0.8);
    const uint32_t bytesPerSecond = (kbps << 10) >> 3;
    m_dwSampleSize = std::max<uint32_t>(1, static_cast<uint32_t>(bytesPerSecond * 1.5 * span / 1000.0));
    m_dwSendSpan = Span(span);
    g_Trace(0, L"init m_dwMediaSampleSize size %d", m_dwSampleSize.load());
    g_Trace(0, L"init m_dwSendSpan size %d", static_cast<int32_t>(m_dwSendSpan.load()));
    *phr = m_Thread.Start(ThreadEntry, this);
}

CPushPlay::~CPushPlay()
{
    if (m_Thread.Handle()) m_Thread.Stop(static_cast<int32_t>(m_nPinType));
    g_Trace(0, L"CPushPlay(T:%d): destructor end.", static_cast<int32_t>(m_nPinType));
}

unsigned CPushPlay::ThreadEntry(void* pParam)
{
    static_cast<CPushPlay*>(pParam)->ThreadProc();
    return 0;
}

void CPushPlay::ThreadProc()
{
    g_Trace(0, L"CPushPlay(T:%d)::ThreadEntry: m_hSendThread created.", static_cast<int32_t>(m_nPinType));
    for (;;) {
        const DWORD wait = WaitForSingleObjectEx(m_Thread.StopEvent(), m_dwSendSpan, TRUE);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_FAILED) break;
        if (wait == WAIT_TIMEOUT && IsSending()) Tick();
    }
    g_Trace(0, L"CPushPlay::ThreadProc: Stop event receive.");
    m_pFilter->SendEndOfStream(m_nPinType);  // once: the thread ends once
    g_Trace(0, L"CPushPlay::ThreadEntry: m_hSendThread end.");
}

// One sample at most.
void CPushPlay::Tick()
{
    if (IsRestartPending()) return;
    if (m_bEnd) {
        if (!m_pFilter->IsStopping()) SetStatus(kStatusEndOfData);
        return;
    }
    if (m_bGap) {
        HandleGap();
        return;
    }
    const uint32_t sampleSize = m_dwSampleSize;
    if (m_Pending.size >= sampleSize) {
        MakeES(sampleSize, Cut::Full);
        m_dwSendSpan = kContinueMs;
        return;
    }
    PlayIndexEntry entry = {};
    entry.block.info.usStatus = kStatusNothingYet;
    const int32_t result = m_pBuffer->ReadIndexLocked(&entry, sampleSize - m_Pending.size, false);
    if (result < 0) NoFrame(result, entry.block.info.usStatus);
    else TakeFrame(entry);
}

// A status that waits at the write position: an error the reader met, or the end
// after the last frame went out already.
void CPushPlay::NoFrame(int32_t result, uint16_t usStatus)
{
    if (result != CPlayIndexedBuffer::kStatusPending || usStatus == kStatusNothingYet) return;
    if (usStatus == kStatusEndOfData) {
        Finish();
        return;
    }
    if (usStatus == m_usLastStatus) return;
    m_usLastStatus = usStatus;
    SetStatus(usStatus);
}

void CPushPlay::TakeFrame(const PlayIndexEntry& entry)
{
    const IndexEntry& e = entry.entry;
    const uint32_t size = e.dwDataSize + e.dwHeadSize;
    Retune(entry);
    m_pBuffer->ReleaseRead(size);
    const uint16_t usStatus = entry.block.info.usStatus;
    if (usStatus == kStatusGap) {
        if (m_Pending.size > 0) MakeES(m_Pending.size, Cut::End);
        m_GapInfo = entry.block;
        m_bGap = true;
        return;
    }
    NoteStatus(entry);
    if (m_Pending.size > 0 && e.dwOffset != m_Pending.offset + m_Pending.size) MakeES(m_Pending.size, Cut::RingPoint);
    if (m_Pending.size == 0) m_Pending.offset = e.dwOffset;
    m_Pending.size += size;
    m_ullTaken += size;
    m_Taken.push_back({m_ullTaken - size, m_ullTaken, entry.block.ulIndexValue, entry.usOrdinal});
    m_Frame = entry;
    if (usStatus == kStatusEndOfData) Finish();
    else if (m_Pending.size >= m_dwSampleSize) MakeES(m_dwSampleSize, Cut::Full);
    else m_dwSendSpan = kContinueMs;
}

// A sample holds about one and a half frame times of the stream, and the span
// follows the frame rate and the play rate: a faster play sends as many samples
// more often, so that the bytes a second grow with the rate.
void CPushPlay::Retune(const PlayIndexEntry& entry)
{
    const double rate = m_pFilter->GetRate();
    const uint64_t step = CPlayIndexedBuffer::CalcRefTime(entry.block);
    const uint32_t size = std::max<uint32_t>(1, CCamParm::CalcBufferBytes(entry.block, static_cast<int64_t>(step)));
    if (size != m_dwSampleSize) {
        m_dwSampleSize = size;
        g_Trace(1, L"★Change Trans Size = %d", size);
    }
    if (rate > 1) m_dwSendSpan = Span(static_cast<double>(step) / rate / 1000 / 10 * 0.8);
    else if (rate == 1 && m_pFilter->GetAudioModel()) m_dwSendSpan = Span(static_cast<double>(m_pBuffer->GetRefTime() / 1000 / 10) * 0.7);
    else m_dwSendSpan = Span(static_cast<double>(step / 1000 / 10) * 0.8);
}

// An error the reader set on a frame, and on each key frame the frame's own.
void CPushPlay::NoteStatus(const PlayIndexEntry& entry)
{
    const uint16_t usStatus = entry.block.info.usStatus;
    if (usStatus == kStatusNothingYet || usStatus == kStatusEndOfData) return;
    if (usStatus == m_usLastStatus && entry.entry.dwNotKey != 0) return;
    m_usLastStatus = usStatus;
    SetStatus(usStatus);
}

// The end is said once the last bytes have gone out, so that a host that stops on
// it has them all.
void CPushPlay::Finish()
{
    if (m_Pending.size > 0) MakeES(m_Pending.size, Cut::End);
    m_usLastStatus = kStatusEndOfData;
    m_bEnd = true;
}

// Once downstream is quiet, the host is asked to play again from the gap's first
// frame, which has not gone out.
void CPushPlay::HandleGap()
{
    if (m_bGapHandled || m_pFilter->IsStopping() || !m_pFilter->IsQualityQuiet()) return;
    m_bGapHandled = true;
    const SYSTEMTIME restart = SystemTimeOf(m_GapInfo.ulIndexValue);
    m_pFilter->SetPlayTime({restart, 0, 0});
    m_pFilter->SetPosTime(restart);
    m_pFilter->SetPosRestart(true);
    m_pFilter->SeekNotify(true);
    SetStatus(kStatusGap);
    m_pFilter->RequestRestart();
    SetStatus(0);
}

void CPushPlay::MakeES(uint32_t size, Cut cut)
{
    const uint8_t* p = m_pBuffer->Data() + m_Pending.offset;
    static const wchar_t* const kLines[] = {L"MakeES: Buffer Send pBuf(%p) dwSize(%d)",
                                            L"MakeES: Buffer RingPoint pBuf(%p) dwSize(%d)",
                                            L"MakeES: TokenEOF Point pBuf(%p) dwSize(%d)"};
    g_Trace(0, kLines[static_cast<int>(cut)], p, size);
    m_Pending.offset += size;
    m_Pending.size -= size;
    m_ullSent += size;
    DropSent();
    const IndexEntry& e = m_Frame.entry;
    const uint32_t flags = kSampleFlags | (IsSyncPoint(e) ? kSyncPoint : 0);
    const REFERENCE_TIME start = static_cast<REFERENCE_TIME>(m_ullTime);
    m_ullTime += m_pBuffer->GetRefTime();
    const LONGLONG seq = static_cast<LONGLONG>(e.ullSeq);
    IMediaSample* pSample = nullptr;
    const HRESULT hr = m_pPool->GetSample(const_cast<BYTE*>(p), size, seq, seq, start,
                                          static_cast<REFERENCE_TIME>(m_ullTime), flags, 0, m_Thread.StopEvent(), &pSample);
    if (FAILED(hr)) {
        if (hr != VFW_E_NOT_COMMITTED) g_Trace(1, L"MakeMS: InitES failed.%d", static_cast<int32_t>(hr));
        return;
    }
    if (!IsRestartPending() && m_pFilter->CheckAndDeliver(pSample, m_nPinType, nullptr)) UpdateRestartRecord(m_Frame.block);
    pSample->Release();
}

// Where a restart after a rate or position change goes on from. It follows the
// delivery while a restart is pending too: what went out meanwhile went out.
void CPushPlay::UpdateRestartRecord(const StreamInfoBlock& block)
{
    if (m_pFilter->IsStopping()) return;
    m_pFilter->SetPlayTime(RestartPlace());
    m_pCamParm->SetPsIndexInfo(block);
    m_pCamParm->SendNotify();
}

// After a change has flushed downstream, what would go out belongs before it: the
// restart plays on from the last delivery.
bool CPushPlay::IsRestartPending() { return m_pFilter->IsRateRestart() || m_pFilter->IsPosRestart(); }

void CPushPlay::DropSent()
{
    while (!m_Taken.empty() && m_Taken.front().end <= m_ullSent) {
        m_LastSent = m_Taken.front();
        m_Taken.pop_front();
    }
}

// The first frame not wholly sent, with what of it went out, or the place after
// the last one sent.
PlayPlace CPushPlay::RestartPlace() const
{
    if (m_Taken.empty())
        return {SystemTimeOf(m_LastSent.time), static_cast<uint16_t>(m_LastSent.ordinal + 1), 0};
    const TakenFrame& cut = m_Taken.front();
    const uint64_t delivered = m_ullSent > cut.start ? m_ullSent - cut.start : 0;
    return {SystemTimeOf(cut.time), cut.ordinal, static_cast<uint32_t>(delivered)};
}

void CPushPlay::SetStatus(uint16_t usStatus) { m_pCamParm->SetStatus(usStatus, true); }
