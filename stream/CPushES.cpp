#include "stream/CPushES.h"

#include "core/CIndexedBuffer2.h"
#include "core/CLinkCounters.h"
#include "core/Trace.h"
#include "stream/CESMediaSamplePool.h"
#include "stream/IPushOwner.h"

namespace {

constexpr uint32_t kKindKeyUnit = 3;
constexpr uint32_t kTimeValid = 0x10;
constexpr uint32_t kMediaTimeValid = 0x20;
constexpr uint32_t kStopValid = 0x100;
constexpr uint32_t kSyncPoint = 0x01;
constexpr uint32_t kDiscontinuity = 0x04;

const CWorkerThread::Policy kThreadPolicy = {3000, 1, THREAD_PRIORITY_NORMAL};

const CWorkerThread::Lines kThreadLines = {
    .eventCreateError = {1, L"CPushES: event create error(%d)"},
    .threadCreateError = {1, L"PushES: SendThread create error(%d)"},
    .stopEventError = {1, L"CPushES:Stop event to m_hSendThread error(%d)"},
    .returned = {{0, L"CPushES(T:%d) m_hSendThread return event received."}},
    .timedOut = {{1, L"CPushES:m_hSendThread stop time out."}},
    .cancelled = {1, L"m_hSendThread terminated."},
};

bool IsSyncPoint(const IndexEntry& entry)
{
    return (entry.dwDataKind == kIndexKindPack && entry.dwNotKey == 0) || entry.dwDataKind == kKindKeyUnit;
}

}  // namespace

CPushES::CPushES(IPushOwner* pFilter, CIndexedBuffer2* pIdxBuf, CESMediaSamplePool* pPool, CLinkCounters* pCounters,
                 uint32_t pinType, HRESULT* phr)
    : CPinSender(L"CPushES", pinType, kThreadPolicy, kThreadLines), m_pFilter(pFilter), m_pIdxBuf(pIdxBuf),
      m_pSampleSource(pPool), m_pCounters(pCounters)
{
    g_Trace(0, L"CPushES(T:%d) constructor.", static_cast<int32_t>(m_nPinType));
    *phr = m_Thread.Start(ThreadEntry, this);
}

CPushES::~CPushES()
{
    m_Thread.Stop(static_cast<int32_t>(m_nPinType));
    g_Trace(0, L"CPushES(T:%d): destructor end.", static_cast<int32_t>(m_nPinType));
}

void CPushES::Finish()
{
    m_bFinishing = true;
    if (HANDLE hThread = m_Thread.Handle()) WaitForSingleObject(hThread, kFinishMs);
    Stop();
}

unsigned CPushES::ThreadEntry(void* pParam)
{
    static_cast<CPushES*>(pParam)->ThreadProc();
    return 0;
}

void CPushES::ThreadProc()
{
    g_Trace(0, L"CPushES(T:%d)::ThreadEntry: m_hSendThread created.", static_cast<int32_t>(m_nPinType));
    for (;;) {
        const DWORD wait = WaitForSingleObjectEx(m_Thread.StopEvent(), kTickMs, TRUE);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_FAILED) break;
        if (wait != WAIT_TIMEOUT) continue;
        const bool bLast = m_bFinishing;  // everything to finish with was indexed before it was set
        SendReady();
        if (bLast) break;
    }
    g_Trace(0, L"CPushES::ThreadProc: Stop event receive.");
    m_pFilter->SendEndOfStream(m_nPinType);  // once: the thread ends once
    g_Trace(0, L"CPushES::ThreadEntry: m_hSendThread end.");
}

// Every packet that is ready goes in the tick: one a tick would cap the stream at a
// hundred packs a second, under a megabit with packs of a kilobyte, and the buffer
// would overflow behind it.
void CPushES::SendReady()
{
    while (IsSending() && !m_Thread.IsStopSet() && SendOne()) {
    }
}

// False when no packet was ready.
bool CPushES::SendOne()
{
    IndexEntry entry = {};
    if (m_pIdxBuf->ReadIndex(&entry) < 0) return false;
    const uint32_t length = entry.dwHeadSize + entry.dwDataSize;
    if (m_pIdxBuf->ReadEnd(entry.dwOffset + length, length) < 0) return false;
    MakeMS(entry);
    return true;
}

void CPushES::MakeMS(const IndexEntry& entry)
{
    const uint32_t flags = kTimeValid | kMediaTimeValid | kStopValid | (IsSyncPoint(entry) ? kSyncPoint : 0) |
                           (entry.dwAfterGap ? kDiscontinuity : 0);
    const LONGLONG seq = static_cast<LONGLONG>(entry.ullSeq);
    IMediaSample* pSample = nullptr;
    const HRESULT hr = m_pSampleSource->GetSample(m_pIdxBuf->Data() + entry.dwOffset, entry.dwHeadSize + entry.dwDataSize,
                                                  seq, seq, entry.llStart, entry.llStop, flags, entry.dwHeadSize,
                                                  m_Thread.StopEvent(), &pSample);
    if (FAILED(hr)) {
        g_Trace(1, L"MakeMS: InitES failed.");
        return;
    }
    const long cbActual = pSample->GetActualDataLength();
    bool bTaken = false;
    m_pFilter->CheckAndDeliver(pSample, m_nPinType, &bTaken);
    if (bTaken) m_pCounters->NoteRecordingPinBytes(static_cast<uint64_t>(cbActual));
    pSample->Release();
}
