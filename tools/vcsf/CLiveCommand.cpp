#include "tools/vcsf/CLiveCommand.h"

#include "core/ICamParmOwner.h"
#include "tools/vcsf/CFileSink.h"
#include "tools/vcsf/CMinuteRecordSink.h"
#include "tools/vcsf/CStreamReport.h"

#include <cstring>

namespace {

constexpr DWORD kEventWaitMs = 250;
constexpr ULONGLONG kSilenceMs = 3000;
constexpr ULONG kComTypeMulticast = 1, kComTypeHttp = 2;

double Seconds(ULONGLONG ms) { return static_cast<double>(ms) / 1000; }
std::wstring (*const Printed)(const wchar_t*, ...) = CStreamReport::Printed;

}  // namespace

CLiveCommand::CLiveCommand(IBaseFilter* pFilter, const CLiveOptions& options, Report report,
                           const std::atomic<bool>* pbInterrupted)
    : m_Options(options), m_Session(pFilter, L"vcsf live", options.bJson, std::move(report)), m_pbInterrupted(pbInterrupted)
{
}

CLiveCommand::~CLiveCommand()
{
    if (m_Session.Control()) m_Session.Control()->Stop();
}

uint64_t CLiveCommand::Bytes() const { return m_pSink ? m_pSink->Bytes() : 0; }

int CLiveCommand::Run()
{
    // The parameters are shown when they change: events for every unit would be wasted.
    std::vector<CConfigCommand::Assignment> assignments = {L"VCSF_NotifyOnChange=true"};
    assignments.insert(assignments.end(), m_Options.assignments.begin(), m_Options.assignments.end());
    if (const int status = m_Session.Configure(assignments); status != 0) return status;
    if (!OpenOutput()) return 2;
    const HRESULT hr = BuildGraph();
    if (FAILED(hr)) {
        m_Session.Say(L"vcsf live: cannot build the graph: " + CStreamReport::SystemError(static_cast<DWORD>(hr)));
        return 2;
    }
    if (m_Options.bStats)
        m_pStatistics = std::make_unique<CLinkStatistics>(m_Session.Filter(),
                                                          (m_Session.Number(VCSF_ComType) & 0x0F) == kComTypeHttp);
    return Stream();
}

bool CLiveCommand::OpenOutput()
{
    if (!m_Options.recordFolder.empty() && !OpenRecording()) return false;
    if (!m_Options.recordPacks.empty() && !m_Session.Prepare(&m_RecordPacks, m_Options.recordPacks, m_Options.bOverwrite))
        return false;
    return m_Session.OpenOutput(m_Options.output, m_Options.bOverwrite);
}

// The folder is made here, so that a path that cannot be recorded into fails now.
bool CLiveCommand::OpenRecording()
{
    const std::wstring& folder = m_Options.recordFolder;
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        m_Session.Say(L"vcsf live: cannot create the recording folder " + folder + L": " + CStreamReport::SystemError(GetLastError()));
        return false;
    }
    // CreateDirectory says "already exists" of a file of that name too.
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        m_Session.Say(L"vcsf live: cannot record into " + folder + L": it is a file, not a folder");
        return false;
    }
    CMinuteRecording* pRecording = CreateMinuteRecording(folder.c_str(), m_Options.recordArea);
    if (!pRecording) {
        m_Session.Say(L"vcsf live: cannot record into " + folder + L" (a path of 1 to 260 characters is needed)");
        return false;
    }
    m_pMinuteSink = new CMinuteRecordSink(pRecording, static_cast<DWORD>(m_Options.recordStall * 1000));
    return true;
}

HRESULT CLiveCommand::BuildGraph()
{
    HRESULT hr = m_Session.BuildGraph();
    m_pSink = new CFileSink(m_Session.Output(), CFileSink::Content::Data);
    if (SUCCEEDED(hr)) hr = m_Session.ConnectSink(L"MPEG-2 Program", m_pSink.Get(), L"vcsf live output");
    if (SUCCEEDED(hr) && !m_Options.recordPacks.empty()) {
        m_pRecordSink = new CFileSink(&m_RecordPacks, CFileSink::Content::Packets);
        hr = m_Session.ConnectSink(L"Stream", m_pRecordSink.Get(), L"vcsf live packs");
    }
    if (SUCCEEDED(hr) && m_pMinuteSink) hr = m_Session.ConnectSink(L"Stream", m_pMinuteSink.Get(), L"vcsf live recorder");
    return hr;
}

// False once a write has failed (a closed pipe, a full disk).
bool CLiveCommand::CheckWrites()
{
    for (CFileSink* pSink : {m_pSink.Get(), m_pRecordSink.Get()}) {
        if (!pSink || !pSink->WriteError()) continue;
        m_Session.Say(std::wstring(L"vcsf live: writing ") + (pSink == m_pSink.Get() ? L"the stream" : L"the packs") +
                      L" failed: " + CStreamReport::SystemError(pSink->WriteError()));
        return false;
    }
    return true;
}

// A lost unit does not end the stream; it is said once as it happens, and so is
// every gap but those that the filter's reconnections opened: the camera's, said
// by their statuses.
void CLiveCommand::CheckRecording()
{
    if (!m_pMinuteSink) return;
    const uint32_t all = m_pMinuteSink->Gaps(), reconnections = m_Session.Reconnections();
    for (const uint32_t gaps = all > reconnections ? all - reconnections : 0; m_gapsShown < gaps; m_gapsShown++)
        m_Session.Event(L"vcsf live: the recording has a gap: the graph did not take the recording pin's packs in time, "
                        L"and the filter dropped them up to the next key pack",
                        L"{\"event\":\"gap\"}");
    if (m_bRecordingLossShown || !m_pMinuteSink->FirstFailure()) return;
    m_bRecordingLossShown = true;
    m_Session.Warn(L"vcsf live: a unit could not be recorded: " + CMinuteRecordSink::Meaning(m_pMinuteSink->FirstFailure()));
}

// False when units were lost, or packs in a gap.
bool CLiveCommand::FinishRecording()
{
    m_pMinuteSink->Finish();
    const MinuteRecordingStats stats = m_pMinuteSink->Stats();
    const unsigned long long units = stats.units, bytes = stats.bytes, dropped = stats.unitsDropped;
    m_Session.Event(Printed(L"vcsf live: %llu units, %llu bytes recorded in %u minute %ls below %ls", units, bytes,
                            stats.files, CStreamReport::Plural(stats.files, L"file", L"files"),
                            m_Options.recordFolder.c_str()),
                    Printed(L"{\"event\":\"minutes\",\"units\":%llu,\"bytes\":%llu,\"files\":%u,\"dropped\":%llu}",
                            units, bytes, stats.files, dropped));
    CheckRecording();
    if (m_gapsShown)
        m_Session.Say(Printed(L"vcsf live: the recording has %u %ls", m_gapsShown,
                              CStreamReport::Plural(m_gapsShown, L"gap", L"gaps")));
    if (dropped == 0 && stats.filesFailed == 0) return m_gapsShown == 0;
    std::wstring text = Printed(L"vcsf live: %llu units could not be recorded; the first because ", dropped) +
                        CMinuteRecordSink::Meaning(m_pMinuteSink->FirstFailure());
    if (stats.lastError) text += L": " + CStreamReport::SystemError(stats.lastError);
    m_Session.Say(text);
    return false;
}

int CLiveCommand::Stream()
{
    const HRESULT hr = m_Session.Start(m_pbInterrupted);
    if (FAILED(hr)) return StartFailed(hr);
    const ULONGLONG start = GetTickCount64();
    const ULONGLONG end = m_Options.duration > 0 ? start + static_cast<ULONGLONG>(m_Options.duration * 1000) : ~0ULL;
    m_Watch = {start, 0, false};
    int status = 0;
    for (ULONGLONG now = start; now < end && status == 0; now = GetTickCount64()) {
        if (m_pbInterrupted && m_pbInterrupted->load()) break;
        long code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (SUCCEEDED(m_Session.Events()->GetEvent(&code, &p1, &p2, kEventWaitMs))) {
            if (!HandleEvent(code, p1, p2)) status = 1;
            m_Session.Events()->FreeEventParams(code, p1, p2);
        }
        if (!CheckWrites() || !WatchData(GetTickCount64())) status = 1;
        CheckRecording();
        ShowProgress(GetTickCount64() - start);
        ShowStatistics(GetTickCount64() - start);
    }
    m_Session.Control()->Stop();
    m_pSink->Finish();
    if (status == 0 && !CheckWrites()) status = 1;
    if (m_pMinuteSink && !FinishRecording()) status = 1;
    ShowEnd(static_cast<double>(GetTickCount64() - start) / 1000);
    return status;
}

// A camera that falls silent is said once, and again when its data come back;
// false once the silence has lasted --stall-timeout.
bool CLiveCommand::WatchData(ULONGLONG now)
{
    const uint64_t bytes = Bytes();
    if (bytes != m_Watch.bytes) {
        if (m_Watch.bSilent)
            m_Session.Event(Printed(L"vcsf live: data from the camera again after %.1f s", Seconds(now - m_Watch.lastData)),
                            Printed(L"{\"event\":\"data\",\"after_seconds\":%.3f}", Seconds(now - m_Watch.lastData)));
        m_Watch.bytes = bytes;
        m_Watch.lastData = now;
        m_Watch.bSilent = false;
        return true;
    }
    const ULONGLONG silence = now - m_Watch.lastData;
    if (!m_Watch.bSilent && silence >= kSilenceMs) {
        m_Watch.bSilent = true;
        m_Session.Event(L"vcsf live: no data from the camera for 3 s", L"{\"event\":\"silence\",\"seconds\":3}");
    }
    if (m_Options.bReconnect || m_Options.stallTimeout < 0 || Seconds(silence) < m_Options.stallTimeout) return true;
    m_Session.Say(Printed(L"vcsf live: no data from the camera for %g s (--stall-timeout): ending", m_Options.stallTimeout));
    return false;
}

// The statuses the failed start reported come first: they say why.
int CLiveCommand::StartFailed(HRESULT hr)
{
    long code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    while (SUCCEEDED(m_Session.Events()->GetEvent(&code, &p1, &p2, 0))) {
        HandleEvent(code, p1, p2);
        m_Session.Events()->FreeEventParams(code, p1, p2);
    }
    m_Session.Say(L"vcsf live: " + CStreamReport::StartFailure(hr, m_Session.Number(VCSF_TimeOut),
                                                               static_cast<uint16_t>(m_Session.Number(VCSF_ComType)),
                                                               m_Session.LastStatus() != kStatusNothingYet));
    m_Session.StopEveryFilter();
    return 1;
}

bool CLiveCommand::HandleEvent(long code, LONG_PTR p1, LONG_PTR p2)
{
    if (code == kEventStreamInfo && p2 == sizeof(StreamInfoBlock)) {
        StreamInfoBlock block;
        std::memcpy(&block, reinterpret_cast<const void*>(p1), sizeof(block));  // the filter's own, still changing
        m_Session.ShowBlock(block);
        return true;
    }
    if (code != kEventErrorAbort) return true;
    m_Session.Event(L"vcsf live: the stream ended: " + EndReason(),
                    Printed(L"{\"event\":\"abort\",\"hresult\":\"0x%08lX\",\"status\":\"0x%04X\",\"reason\":",
                            static_cast<unsigned long>(p1), m_Session.LastStatus()) +
                        CStreamReport::JsonText(EndReason()) + L"}");
    return false;
}

// Every failure but the stop head of a multicast camera and the end of an HTTP
// body notifies its status before the stream ends; an HTTP body that ends after
// a silence has stalled, one that ends while data flow was closed.
std::wstring CLiveCommand::EndReason()
{
    const uint16_t usStatus = m_Session.LastStatus();
    const ULONG ulComType = m_Session.Number(VCSF_ComType) & 0x0F;
    if (usStatus == kStatusOk && ulComType == kComTypeMulticast) return L"the camera stopped its multicast stream";
    if (ulComType != kComTypeHttp) return L"status " + CStreamReport::Status(usStatus);
    const ULONGLONG silence = GetTickCount64() - m_Watch.lastData;
    if (usStatus == kStatusOk && silence >= kSilenceMs)
        return Printed(L"the camera's HTTP server stalled: nothing came for %.0f s", Seconds(silence));
    if (usStatus == kStatusOk) return L"the camera's HTTP server closed the live body";
    if (usStatus == kStatusNoFirstPacket) return L"the camera's HTTP server stalled: nothing within the time-out";
    if (usStatus == kStatusOtherFailure) return L"the HTTP connection failed";
    return L"the camera sent the status " + CStreamReport::Status(usStatus);
}

void CLiveCommand::ShowProgress(ULONGLONG elapsedMs)
{
    const double seconds = Seconds(elapsedMs);
    if (seconds <= 0) return;
    const double bytes = static_cast<double>(Bytes()), rate = bytes * 8 / seconds / 1e6;
    if (!m_Options.bJson) {
        m_Session.Progress(Printed(L"%8.1f s  %10.0f bytes  %6.2f Mbit/s", seconds, bytes, rate));
        return;
    }
    if (elapsedMs < m_nextJsonProgressMs) return;
    m_nextJsonProgressMs = (elapsedMs / 1000 + 1) * 1000;
    m_Session.Event(L"", Printed(L"{\"event\":\"progress\",\"seconds\":%.3f,\"bytes\":%.0f,\"mbit_per_second\":%.3f,"
                                 L"\"since_data_seconds\":%.3f}",
                                 seconds, bytes, rate, Seconds(GetTickCount64() - m_Watch.lastData)));
}

void CLiveCommand::ShowStatistics(ULONGLONG elapsedMs)
{
    if (!m_pStatistics || elapsedMs < m_nextStatisticsMs) return;
    m_nextStatisticsMs = (elapsedMs / 1000 + 1) * 1000;
    if (m_pStatistics->Read())
        m_Session.Event(L"vcsf live: " + m_pStatistics->Text(), L"{\"event\":\"stats\"," + m_pStatistics->JsonMembers() + L"}");
}

void CLiveCommand::ShowEnd(double seconds)
{
    if (m_pRecordSink) {
        const unsigned long long packs = m_pRecordSink->Samples(), bytes = m_pRecordSink->Bytes();
        m_Session.Event(Printed(L"vcsf live: %llu packs recorded, %llu bytes written to %ls", packs, bytes,
                                m_Options.recordPacks.c_str()),
                        Printed(L"{\"event\":\"recorded\",\"packs\":%llu,\"bytes\":%llu}", packs, bytes));
    }
    const unsigned long long bytes = Bytes();
    std::wstring text = Printed(L"vcsf live: %.1f s, %llu bytes written", seconds, bytes);
    std::wstring json = Printed(L"{\"event\":\"end\",\"seconds\":%.3f,\"bytes\":%llu", seconds, bytes);
    if (m_pStatistics && m_pStatistics->Read()) {
        text += L"; " + m_pStatistics->Text();
        json += L",\"stats\":{" + m_pStatistics->JsonMembers() + L"}";
    }
    m_Session.Event(text, json + L"}");
}
