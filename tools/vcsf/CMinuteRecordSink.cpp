#include "tools/vcsf/CMinuteRecordSink.h"

namespace {

// {5C7D2E91-3B4A-4E6F-8A1D-9F0C2B7E4D63}
const CLSID CLSID_MinuteRecordSink = {0x5c7d2e91, 0x3b4a, 0x4e6f, {0x8a, 0x1d, 0x9f, 0x0c, 0x2b, 0x7e, 0x4d, 0x63}};

}  // namespace

CMinuteRecordSink::CMinuteRecordSink(CMinuteRecording* pRecording, DWORD dwStallMs)
    : CSampleSink(L"CMinuteRecordSink", CLSID_MinuteRecordSink),
      m_pRecording(pRecording),
      m_dwStallMs(dwStallMs),
      m_hStopped(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
}

CMinuteRecordSink::~CMinuteRecordSink()
{
    DestroyMinuteRecording(m_pRecording);
    if (m_hStopped) CloseHandle(m_hStopped);
}

// The graph stops its renderers first: a stalled sample must not hold the source's stop.
STDMETHODIMP CMinuteRecordSink::Stop()
{
    if (m_hStopped) SetEvent(m_hStopped);
    return CSampleSink::Stop();
}

int32_t CMinuteRecordSink::Finish()
{
    CAutoLock lock(&m_RecordingLock);
    const int32_t result = m_pRecording->Finish();
    Note(result);
    return result;
}

MinuteRecordingStats CMinuteRecordSink::Stats()
{
    CAutoLock lock(&m_RecordingLock);
    MinuteRecordingStats stats = {};
    m_pRecording->GetRecordingStats(&stats);
    return stats;
}

// The packet's whole buffer: its 24-byte head, then the pack.
HRESULT CMinuteRecordSink::Consume(IMediaSample* pSample, BYTE* p)
{
    if (m_dwStallMs && Samples() == 1 && m_hStopped) WaitForSingleObject(m_hStopped, m_dwStallMs);
    if (pSample->IsDiscontinuity() == S_OK) m_dwGaps++;
    CAutoLock lock(&m_RecordingLock);
    Note(m_pRecording->AddSample(p, static_cast<uint32_t>(pSample->GetSize())));
    return S_OK;
}

void CMinuteRecordSink::Note(int32_t result)
{
    int32_t none = 0;
    if (result != 0) m_FirstFailure.compare_exchange_strong(none, result);
}

std::wstring CMinuteRecordSink::Meaning(int32_t result)
{
    switch (static_cast<MinuteRecordingResult>(result)) {
    case MinuteRecordingResult::Ok: return L"recorded";
    case MinuteRecordingResult::ClockWentBack: return L"the camera's clock went back before a unit already recorded";
    case MinuteRecordingResult::MinuteUnavailable: return L"its minute's file is foreign, full or could not be made";
    case MinuteRecordingResult::WriteFailed: return L"its minute file could not be written";
    case MinuteRecordingResult::Refused: return L"it is not a unit that a minute file can hold";
    case MinuteRecordingResult::NoMemory: return L"out of memory";
    case MinuteRecordingResult::BadArgument: break;
    }
    return L"the recorder refused it";
}
