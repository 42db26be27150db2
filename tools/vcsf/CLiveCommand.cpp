#include "tools/vcsf/CLiveCommand.h"

#include "core/ICamParmOwner.h"
#include "tools/vcsf/CConfigCommand.h"
#include "tools/vcsf/CFileSink.h"
#include "tools/vcsf/CMinuteRecordSink.h"
#include "tools/vcsf/CStreamReport.h"

#include <uuids.h>

#include <cstring>
#include <cwchar>

namespace {

constexpr DWORD kEventWaitMs = 250;
std::wstring (*const Printed)(const wchar_t*, ...) = CStreamReport::Printed;

std::wstring JsonText(const std::wstring& text)
{
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        if (c == L'"' || c == L'\\') out += L'\\';
        out += c;
    }
    return out + L"\"";
}

}  // namespace

CLiveCommand::CLiveCommand(IBaseFilter* pFilter, const CLiveOptions& options, Report report,
                           const std::atomic<bool>* pbInterrupted)
    : m_pFilter(pFilter), m_Options(options), m_Report(std::move(report)), m_pbInterrupted(pbInterrupted)
{
}

CLiveCommand::~CLiveCommand()
{
    if (m_pControl) m_pControl->Stop();
    if (m_bOwnOutput) CloseHandle(m_hOutput);
    if (m_hRecord != INVALID_HANDLE_VALUE) CloseHandle(m_hRecord);
}

uint64_t CLiveCommand::Bytes() const { return m_pSink ? m_pSink->Bytes() : 0; }

int CLiveCommand::Run()
{
    if (FAILED(m_pFilter->QueryInterface(IID_PPV_ARGS(&m_pConfig)))) {
        m_Report(L"vcsf live: the filter has no configuration interface", false);
        return 2;
    }
    if (!Configure() || !OpenOutput()) return 2;
    const HRESULT hr = BuildGraph();
    if (FAILED(hr)) {
        m_Report(Printed(L"vcsf live: cannot build the graph (0x%08lX)", static_cast<unsigned long>(hr)), false);
        return 2;
    }
    return Stream();
}

bool CLiveCommand::Configure()
{
    CConfigCommand command(m_pConfig.Get(), L"vcsf live");
    const bool ok = command.Apply(m_Options.assignments);
    std::wstring errors = command.Errors();
    if (!errors.empty() && errors.back() == L'\n') errors.pop_back();
    if (!ok) m_Report(errors, false);
    return ok;
}

bool CLiveCommand::OpenOutput()
{
    if (!m_Options.recordFolder.empty() && !OpenRecording()) return false;
    if (!m_Options.recordPacks.empty() && (m_hRecord = OpenFile(m_Options.recordPacks)) == INVALID_HANDLE_VALUE)
        return false;
    if (m_Options.output == L"-") {
        m_hOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        return m_hOutput != INVALID_HANDLE_VALUE && m_hOutput != nullptr;
    }
    m_hOutput = OpenFile(m_Options.output);
    m_bOwnOutput = m_hOutput != INVALID_HANDLE_VALUE;
    return m_bOwnOutput;
}

// The folder is made here, so that a path that cannot be recorded into fails now.
bool CLiveCommand::OpenRecording()
{
    const std::wstring& folder = m_Options.recordFolder;
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        m_Report(Printed(L"vcsf live: cannot create the recording folder %ls (error %lu)", folder.c_str(), GetLastError()),
                 false);
        return false;
    }
    // CreateDirectory says "already exists" of a file of that name too.
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        m_Report(L"vcsf live: cannot record into " + folder + L": it is a file, not a folder", false);
        return false;
    }
    CMinuteRecording* pRecording = CreateMinuteRecording(folder.c_str(), m_Options.recordArea);
    if (!pRecording) {
        m_Report(L"vcsf live: cannot record into " + folder + L" (a path of 1 to 260 characters is needed)", false);
        return false;
    }
    m_pMinuteSink = new CMinuteRecordSink(pRecording, static_cast<DWORD>(m_Options.recordStall * 1000));
    return true;
}

HANDLE CLiveCommand::OpenFile(const std::wstring& path)
{
    const HANDLE hFile =
        CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        m_Report(Printed(L"vcsf live: cannot create %ls (error %lu)", path.c_str(), GetLastError()), false);
    return hFile;
}

HRESULT CLiveCommand::BuildGraph()
{
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&m_pGraph));
    if (SUCCEEDED(hr)) hr = m_pGraph->AddFilter(m_pFilter, L"VCodecSourceFilter");
    m_pSink = new CFileSink(m_hOutput, CFileSink::Content::Data);
    if (SUCCEEDED(hr)) hr = ConnectSink(L"MPEG-2 Program", m_pSink.Get(), L"vcsf live output");
    if (SUCCEEDED(hr) && m_hRecord != INVALID_HANDLE_VALUE) {
        m_pRecordSink = new CFileSink(m_hRecord, CFileSink::Content::Packets);
        hr = ConnectSink(L"Stream", m_pRecordSink.Get(), L"vcsf live packs");
    }
    if (SUCCEEDED(hr) && m_pMinuteSink) hr = ConnectSink(L"Stream", m_pMinuteSink.Get(), L"vcsf live recorder");
    if (SUCCEEDED(hr)) hr = m_pGraph.As(&m_pControl);
    if (SUCCEEDED(hr)) hr = m_pGraph.As(&m_pEvents);
    return hr;
}

HRESULT CLiveCommand::ConnectSink(const wchar_t* pszPin, CSampleSink* pSink, const wchar_t* pszName)
{
    Microsoft::WRL::ComPtr<IPin> pPin;
    HRESULT hr = m_pGraph->AddFilter(pSink, pszName);
    if (SUCCEEDED(hr)) hr = m_pFilter->FindPin(pszPin, &pPin);
    if (SUCCEEDED(hr)) hr = m_pGraph->ConnectDirect(pPin.Get(), pSink->InputPin(), nullptr);
    return hr;
}

// False once a write has failed (a closed pipe, a full disk).
bool CLiveCommand::CheckWrites()
{
    for (CFileSink* pSink : {m_pSink.Get(), m_pRecordSink.Get()}) {
        if (!pSink || !pSink->WriteError()) continue;
        m_Report(Printed(L"vcsf live: writing %ls failed (error %lu)",
                         pSink == m_pSink.Get() ? L"the stream" : L"the packs", pSink->WriteError()),
                 false);
        return false;
    }
    return true;
}

// A lost unit does not end the stream; it is said once as it happens, and so is
// every gap.
void CLiveCommand::CheckRecording()
{
    if (!m_pMinuteSink) return;
    for (const uint32_t gaps = m_pMinuteSink->Gaps(); m_gapsShown < gaps; m_gapsShown++)
        Event(L"vcsf live: the recording has a gap: the graph did not take the recording pin's packs in time, "
              L"and the filter dropped them up to the next key pack",
              L"{\"event\":\"gap\"}");
    if (m_bRecordingLossShown || !m_pMinuteSink->FirstFailure()) return;
    m_bRecordingLossShown = true;
    m_Report(L"vcsf live: a unit could not be recorded: " + CMinuteRecordSink::Meaning(m_pMinuteSink->FirstFailure()),
             false);
}

// False when units were lost, or packs in a gap.
bool CLiveCommand::FinishRecording()
{
    m_pMinuteSink->Finish();
    const MinuteRecordingStats stats = m_pMinuteSink->Stats();
    const unsigned long long units = stats.units, bytes = stats.bytes, dropped = stats.unitsDropped;
    Event(Printed(L"vcsf live: %llu units, %llu bytes recorded in %u minute %ls below %ls", units, bytes, stats.files,
                  CStreamReport::Plural(stats.files, L"file", L"files"), m_Options.recordFolder.c_str()),
          Printed(L"{\"event\":\"minutes\",\"units\":%llu,\"bytes\":%llu,\"files\":%u,\"dropped\":%llu}", units,
                  bytes, stats.files, dropped));
    CheckRecording();
    if (m_gapsShown)
        m_Report(Printed(L"vcsf live: the recording has %u %ls", m_gapsShown, CStreamReport::Plural(m_gapsShown, L"gap", L"gaps")),
                 false);
    if (dropped == 0 && stats.filesFailed == 0) return m_gapsShown == 0;
    std::wstring text = Printed(L"vcsf live: %llu units could not be recorded; the first because ", dropped) +
                        CMinuteRecordSink::Meaning(m_pMinuteSink->FirstFailure());
    if (stats.lastError) text += Printed(L" (error %u)", stats.lastError);
    m_Report(text, false);
    return false;
}

int CLiveCommand::Stream()
{
    const HRESULT hr = m_pControl->Run();
    if (FAILED(hr)) return StartFailed(hr);
    const ULONGLONG start = GetTickCount64();
    const ULONGLONG end = m_Options.duration > 0 ? start + static_cast<ULONGLONG>(m_Options.duration * 1000) : ~0ULL;
    int status = 0;
    for (ULONGLONG now = start; now < end && status == 0; now = GetTickCount64()) {
        if (m_pbInterrupted && m_pbInterrupted->load()) break;
        long code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (SUCCEEDED(m_pEvents->GetEvent(&code, &p1, &p2, kEventWaitMs))) {
            if (!HandleEvent(code, p1, p2)) status = 1;
            m_pEvents->FreeEventParams(code, p1, p2);
        }
        if (!CheckWrites()) status = 1;
        CheckRecording();
        ShowProgress(static_cast<double>(GetTickCount64() - start) / 1000);
    }
    m_pControl->Stop();
    if (m_pMinuteSink && !FinishRecording()) status = 1;
    ShowEnd(static_cast<double>(GetTickCount64() - start) / 1000);
    return status;
}

// The statuses the failed start reported come first: they say why.
int CLiveCommand::StartFailed(HRESULT hr)
{
    long code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    while (SUCCEEDED(m_pEvents->GetEvent(&code, &p1, &p2, 0))) {
        HandleEvent(code, p1, p2);
        m_pEvents->FreeEventParams(code, p1, p2);
    }
    m_Report(L"vcsf live: " +
                 CStreamReport::StartFailure(hr, Number(VCSF_TimeOut), static_cast<uint16_t>(Number(VCSF_ComType))),
             false);
    StopEveryFilter();
    return 1;
}

// A run that failed half-way can leave the filters it paused before the failing one
// paused, and a graph cannot take a paused filter out of itself when it is released.
void CLiveCommand::StopEveryFilter()
{
    m_pControl->Stop();
    Microsoft::WRL::ComPtr<IEnumFilters> pFilters;
    if (FAILED(m_pGraph->EnumFilters(&pFilters))) return;
    for (Microsoft::WRL::ComPtr<IBaseFilter> pFilter; pFilters->Next(1, &pFilter, nullptr) == S_OK; pFilter.Reset())
        pFilter->Stop();
}

bool CLiveCommand::HandleEvent(long code, LONG_PTR p1, LONG_PTR p2)
{
    if (code == kEventStreamInfo && p2 == sizeof(StreamInfoBlock)) {
        StreamInfoBlock block;
        std::memcpy(&block, reinterpret_cast<const void*>(p1), sizeof(block));  // the filter's own, still changing
        ShowBlock(block);
        return true;
    }
    if (code != kEventErrorAbort) return true;
    Event(Printed(L"vcsf live: the filter ended the stream (0x%08lX); last status ", static_cast<unsigned long>(p1)) +
              CStreamReport::Status(m_usLastStatus),
          Printed(L"{\"event\":\"abort\",\"hresult\":\"0x%08lX\"}", static_cast<unsigned long>(p1)));
    return false;
}

void CLiveCommand::ShowBlock(const StreamInfoBlock& block)
{
    const uint16_t usStatus = block.info.usStatus;
    if (usStatus != m_usLastStatus) {
        m_usLastStatus = usStatus;
        Event(L"status " + CStreamReport::Status(usStatus),
              Printed(L"{\"event\":\"status\",\"code\":\"0x%04X\",\"meaning\":", usStatus) +
                  JsonText(CStreamReport::StatusMeaning(usStatus)) + L"}");
    }
    if (usStatus != kStatusOk) return;
    const uint32_t width = Number(HVSF_StrmWidth), height = Number(HVSF_StrmHeight);
    const std::wstring summary = CStreamReport::Summary(block, width, height);
    if (summary == m_lastSummary) return;
    m_lastSummary = summary;
    Event(L"stream " + summary, L"{\"event\":\"parameters\"," + CStreamReport::JsonMembers(block, width, height) + L"}");
}

void CLiveCommand::ShowProgress(double seconds)
{
    if (m_Options.bJson || seconds <= 0) return;
    const double bytes = static_cast<double>(Bytes());
    m_Report(Printed(L"%8.1f s  %10.0f bytes  %6.2f Mbit/s", seconds, bytes, bytes * 8 / seconds / 1e6), true);
}

void CLiveCommand::ShowEnd(double seconds)
{
    if (m_pRecordSink) {
        const unsigned long long packs = m_pRecordSink->Samples(), bytes = m_pRecordSink->Bytes();
        Event(Printed(L"vcsf live: %llu packs recorded, %llu bytes written to %ls", packs, bytes,
                      m_Options.recordPacks.c_str()),
              Printed(L"{\"event\":\"recorded\",\"packs\":%llu,\"bytes\":%llu}", packs, bytes));
    }
    const unsigned long long bytes = Bytes();
    Event(Printed(L"vcsf live: %.1f s, %llu bytes written", seconds, bytes),
          Printed(L"{\"event\":\"end\",\"seconds\":%.3f,\"bytes\":%llu}", seconds, bytes));
}

void CLiveCommand::Event(const std::wstring& text, const std::wstring& json)
{
    m_Report(m_Options.bJson ? json : text, false);
}

ULONG CLiveCommand::Number(REFGUID id) { return CConfigCommand::Number(m_pConfig.Get(), id); }
