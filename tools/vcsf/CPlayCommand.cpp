#include "tools/vcsf/CPlayCommand.h"

#include "core/ByteOrder.h"
#include "core/ICamParmOwner.h"
#include "core/PlayUnitInfo.h"
#include "DShowFilters/CPropertyText.h"
#include "playback/Minvault.h"
#include "playback/PlayTime.h"
#include "tools/vcsf/CConfigCommand.h"
#include "tools/vcsf/CPlaySink.h"
#include "tools/vcsf/CStreamReport.h"

#include <cstring>
#include <cwchar>
#include <sstream>

namespace {

constexpr DWORD kEventWaitMs = 250;
std::wstring (*const Printed)(const wchar_t*, ...) = CStreamReport::Printed;

std::wstring IsoTime(int64_t seconds)
{
    const CalendarTime t = CalendarOfSeconds(seconds);
    return Printed(L"%04u-%02u-%02uT%02u:%02u:%02uZ", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

constexpr LONGLONG kMediaSecond = 10000000;

bool ParseTime(const std::wstring& text, int64_t* pSeconds)
{
    CPropertyText parser;
    VARIANT v = {};
    std::wstring reason;
    if (!parser.Parse(PropertyForm::Date, text, &v, &reason)) return false;
    *pSeconds = SecondsOf(*static_cast<const SYSTEMTIME*>(v.byref));
    return true;
}

// A negative status is a failure of the minute-file library that ends the reading.
bool EndsReading(uint16_t usStatus) { return usStatus >= 0xFF00; }

}  // namespace

CPlayCommand::CPlayCommand(IBaseFilter* pFilter, const CPlayOptions& options, Report report,
                           const std::atomic<bool>* pbInterrupted)
    : m_Options(options), m_Session(pFilter, L"vcsf play", options.bJson, std::move(report)), m_pbInterrupted(pbInterrupted)
{
}

CPlayCommand::~CPlayCommand() = default;  // where CPlaySink is complete

int CPlayCommand::Run()
{
    if (const int status = Configure(); status != 0) return status;
    if (const int status = SetRange(); status != 0) return status;
    if (!m_Session.OpenOutput(m_Options.output, m_Options.bOverwrite)) return 2;
    const HRESULT hr = BuildGraph();
    if (FAILED(hr)) {
        m_Session.Say(Printed(L"vcsf play: cannot build the graph (0x%08lX)", static_cast<unsigned long>(hr)));
        return 2;
    }
    return Play();
}

// The recording's first and last unit times, where the options leave them open.
bool CPlayCommand::FindRange(std::wstring* pFrom, std::wstring* pTo)
{
    *pFrom = m_Options.from;
    *pTo = m_Options.to;
    for (auto [pTime, bLatest] : {std::pair{pFrom, false}, std::pair{pTo, true}}) {
        if (!pTime->empty()) continue;
        const int64_t time = FindTime(bLatest);
        if (time < 0) {
            m_Session.Say(L"vcsf play: " + m_Options.folder + L" holds no recording in the play area");
            return false;
        }
        *pTime = IsoTime(time);
    }
    return true;
}

int64_t CPlayCommand::FindTime(bool bLatest)
{
    const MinuteFileQuery query = RecordingEndQuery(m_Options.folder.c_str(), bLatest, m_bArea);
    uint8_t result[kMinvaultResultSize] = {};
    if (SearchMinuteFile(&query, result) < 0) return -1;
    return static_cast<int64_t>(ReadLE64(result + kMinvaultTimeOffset));
}

int CPlayCommand::Configure()
{
    std::vector<CConfigCommand::Assignment> assignments = {
        {L"VCSF_ComType=8"}, {L"VCF_PlayPath=" + m_Options.folder, m_Options.folder}, {L"VCF_PlayArea=1"}};
    assignments.insert(assignments.end(), m_Options.assignments.begin(), m_Options.assignments.end());
    if (const int status = m_Session.Configure(assignments); status != 0) return status;
    m_bArea = static_cast<uint8_t>(m_Session.Number(VCF_PlayArea));
    return 0;
}

// 1 for a folder without recordings in the play area or a range the filter
// refuses, 2 for a malformed time.
int CPlayCommand::SetRange()
{
    std::wstring from, to;
    if (!FindRange(&from, &to)) return 1;
    const int status = m_Session.Configure({{L"VCF_PlayDateStart=" + from, L"--from " + from},
                                            {L"VCF_PlayDateTop=" + from, L"--from " + from},
                                            {L"VCF_PlayDateEnd=" + to, L"--to " + to}});
    if (status != 0) return status;
    ParseTime(from, &m_llRangeStart);
    m_Session.Event(L"vcsf play: " + m_Options.folder + L" from " + from + L" to " + to,
                    L"{\"event\":\"range\",\"from\":\"" + from + L"\",\"to\":\"" + to + L"\"}");
    return 0;
}

HRESULT CPlayCommand::BuildGraph()
{
    HRESULT hr = m_Session.BuildGraph();
    m_pSink = new CPlaySink(m_Session.Output(), m_Options.speed);
    if (SUCCEEDED(hr)) hr = m_Session.ConnectSink(L"MPEG-2 Program", m_pSink.Get(), L"vcsf play output");
    return hr;
}

int CPlayCommand::Play()
{
    if (!m_Options.control.empty()) {
        std::wstring error;
        if (!m_Control.Open(m_Options.control, &error)) {
            m_Session.Say(error);
            return 2;
        }
    }
    m_dRate = m_Options.speed;
    QueryPerformanceCounter(&m_RunCounter);
    const HRESULT hr = m_Session.Control()->Run();
    if (FAILED(hr)) return StartFailed(hr);
    const ULONGLONG start = GetTickCount64();
    Next next = Next::Go;
    while (next == Next::Go && !(m_pbInterrupted && m_pbInterrupted->load())) {
        long code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (SUCCEEDED(m_Session.Events()->GetEvent(&code, &p1, &p2, kEventWaitMs))) {
            next = HandleEvent(code, p1, p2);
            m_Session.Events()->FreeEventParams(code, p1, p2);
        }
        if (next == Next::Go) next = PollControl();
        if (!CheckWrites()) next = Next::Failed;
        ShowProgress();
    }
    m_Session.Control()->Stop();
    m_pSink->Finish();
    if (next != Next::Failed && !CheckWrites()) next = Next::Failed;
    ShowEnd(static_cast<double>(GetTickCount64() - start) / 1000);
    return next == Next::Failed ? 1 : 0;
}

// False once a write has failed (a closed pipe, a full disk).
bool CPlayCommand::CheckWrites()
{
    if (!m_pSink->WriteError()) return true;
    m_Session.Say(L"vcsf play: writing the stream failed: " + CStreamReport::SystemError(m_pSink->WriteError()));
    return false;
}

int CPlayCommand::StartFailed(HRESULT hr)
{
    m_Session.Say(Printed(L"vcsf play: the filter could not start playback (0x%08lX): ", static_cast<unsigned long>(hr)) +
                  L"the folder holds no minute file, or " + L"Minvault.dll was not found beside the filter");
    m_Session.StopEveryFilter();
    return 1;
}

CPlayCommand::Next CPlayCommand::HandleEvent(long code, LONG_PTR p1, LONG_PTR p2)
{
    if (code == kEventStreamInfo && p2 == sizeof(StreamInfoBlock)) {
        StreamInfoBlock block;
        std::memcpy(&block, reinterpret_cast<const void*>(p1), sizeof(block));  // the filter's own, still changing
        return HandleBlock(block);
    }
    if (code == kEventRetryPlay) return Restart();
    if (code != kEventErrorAbort) return Next::Go;
    m_Session.Event(Printed(L"vcsf play: the filter ended playback (0x%08lX)", static_cast<unsigned long>(p1)),
                    Printed(L"{\"event\":\"abort\",\"hresult\":\"0x%08lX\"}", static_cast<unsigned long>(p1)));
    return Next::Failed;
}

CPlayCommand::Next CPlayCommand::HandleBlock(const StreamInfoBlock& block)
{
    ApplySpeed();
    const uint16_t usStatus = block.info.usStatus;
    m_Session.ShowBlock(block);
    if (usStatus == kStatusGap) m_bGapSeen = true;
    if (usStatus == kStatusOk && block.ulIndexValue != 0) {
        m_dwPlayTime = block.ulIndexValue;
        if (m_dwFirstPlayTime == 0) m_dwFirstPlayTime = m_dwPlayTime;
    }
    if (EndsReading(usStatus)) return Next::Failed;
    if (usStatus != kStatusEndOfData) return Next::Go;
    if (m_pSink->Bytes() > 0) return Next::Done;
    m_Session.Say(L"vcsf play: nothing is recorded in the range");
    return Next::Failed;
}

// Told to play again, after a gap or a change: a new run starts from where the
// filter stands, paused if it was.
CPlayCommand::Next CPlayCommand::Restart()
{
    const bool bGap = m_bGapSeen;
    if (bGap) {
        m_nGaps++;
        m_Session.Event(L"vcsf play: a gap in the recording after " + IsoTime(m_dwPlayTime) + L"; playing on after it",
                        L"{\"event\":\"gap\",\"after\":\"" + IsoTime(m_dwPlayTime) + L"\"}");
    }
    m_bGapSeen = false;
    m_Session.Control()->Stop();
    // After a gap or a new rate the stream goes on where it stopped, in the pack it
    // was in; after a seek it goes on elsewhere, so the pack cut by the seek ends here.
    if (m_bSeekAsked) m_pSink->Finish();
    m_bSeekAsked = false;
    if (!bGap)
        m_Session.Event(Printed(L"vcsf play: playing on after the change, %.3f s of the recording played in %.3f s",
                                m_pSink->MediaSeconds(), m_pSink->PlayedSeconds()),
                        Printed(L"{\"event\":\"restart\",\"media_seconds\":%.3f,\"played_seconds\":%.3f}",
                                m_pSink->MediaSeconds(), m_pSink->PlayedSeconds()));
    const HRESULT hr = m_bPaused ? m_Session.Control()->Pause() : m_Session.Control()->Run();
    if (SUCCEEDED(hr)) return Next::Go;
    m_Session.Say(Printed(L"vcsf play: playback could not go on (0x%08lX)", static_cast<unsigned long>(hr)));
    return Next::Failed;
}

CPlayCommand::Next CPlayCommand::PollControl()
{
    std::wstring line;
    Next next = Next::Go;
    while (next == Next::Go && !m_Options.control.empty() && m_Control.Next(&line)) next = ApplyControl(line);
    return next;
}

// One command; a malformed or refused one is said, and playback goes on.
CPlayCommand::Next CPlayCommand::ApplyControl(const std::wstring& line)
{
    std::wistringstream words(line);
    std::wstring verb, argument, extra;
    words >> verb >> argument >> extra;
    if (verb.empty() || verb[0] == L'#') return Next::Go;
    const bool bBare = argument.empty();
    HRESULT hr = S_OK;
    if (verb == L"stop" && bBare) {
        SayControl(line, L"ok");
        return Next::Done;
    } else if (verb == L"pause" && bBare) {
        hr = m_Session.Control()->Pause();
        m_bPaused = SUCCEEDED(hr) || m_bPaused;
    } else if (verb == L"run" && bBare) {
        hr = m_Session.Control()->Run();
        m_bPaused = FAILED(hr) && m_bPaused;
    } else if (verb == L"rate" && !bBare && extra.empty()) {
        wchar_t* end = nullptr;
        const double rate = std::wcstod(argument.c_str(), &end);
        if (*end != L'\0' || !(rate >= 0.0625 && rate <= 16)) {
            SayControl(line, L"refused: a rate is a factor from 0.0625 to 16");
            return Next::Go;
        }
        hr = ApplyRate(rate);
    } else if (verb == L"seek" && !bBare && extra.empty()) {
        int64_t seconds = 0;
        if (!ParseTime(argument, &seconds) || seconds < m_llRangeStart) {
            SayControl(line, L"refused: seek takes a time in the range, like " + IsoTime(m_llRangeStart));
            return Next::Go;
        }
        hr = ApplySeek(seconds);
    } else {
        SayControl(line, L"refused: the commands are rate X, seek TIME, pause, run and stop");
        return Next::Go;
    }
    SayControl(line, SUCCEEDED(hr) ? std::wstring(L"ok") : Printed(L"failed (0x%08lX)", static_cast<unsigned long>(hr)));
    return Next::Go;
}

// A graph gives a rate to its renderers, which pass it up to the source. A graph
// that keeps it to itself (Wine's) is passed over: the renderer gets it as the
// graph would have given it.
HRESULT CPlayCommand::ApplyRate(double rate)
{
    Microsoft::WRL::ComPtr<IMediaSeeking> pGraph, pRenderer;
    HRESULT hr = m_Session.Graph()->QueryInterface(IID_PPV_ARGS(&pGraph));
    if (SUCCEEDED(hr)) hr = pGraph->SetRate(rate);
    double now = 0;
    if (SUCCEEDED(hr) && SUCCEEDED(pGraph->GetRate(&now)) && now != rate &&
        SUCCEEDED(m_pSink->QueryInterface(IID_PPV_ARGS(&pRenderer))))
        hr = pRenderer->SetRate(rate);
    if (FAILED(hr)) return hr;
    m_dRate = rate;
    m_bSpeedSet = true;  // the speed of the command line is past
    return hr;
}

// Positions are media time from the range's start.
HRESULT CPlayCommand::ApplySeek(int64_t seconds)
{
    Microsoft::WRL::ComPtr<IMediaSeeking> pGraph;
    HRESULT hr = m_Session.Graph()->QueryInterface(IID_PPV_ARGS(&pGraph));
    LONGLONG position = (seconds - m_llRangeStart) * kMediaSecond;
    if (SUCCEEDED(hr)) hr = pGraph->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    m_bSeekAsked = m_bSeekAsked || SUCCEEDED(hr);
    return hr;
}

void CPlayCommand::SayControl(const std::wstring& line, const std::wstring& result)
{
    m_Session.Event(L"vcsf play: control: " + line + L": " + result,
                    L"{\"event\":\"control\",\"command\":" + CStreamReport::JsonText(line) + L",\"result\":" +
                        CStreamReport::JsonText(result) + L"}");
}

// The filter takes a speed once its first data have arrived.
void CPlayCommand::ApplySpeed()
{
    if (m_bSpeedSet) return;
    VARIANT v = {};
    v.vt = VT_R8;
    v.dblVal = m_Options.speed;
    m_Session.Config()->SetValue(VCF_PlaySpeed, &v);
    VARIANT now = {};
    m_bSpeedSet = SUCCEEDED(m_Session.Config()->GetValue(VCF_PlaySpeed, &now)) && now.dblVal == m_Options.speed;
}

void CPlayCommand::ShowProgress()
{
    if (m_Options.bJson || m_dwPlayTime == 0) return;
    m_Session.Progress(Printed(L"  playing %ls  speed %g  %llu bytes", IsoTime(m_dwPlayTime).c_str(), m_dRate,
                               static_cast<unsigned long long>(m_pSink->Bytes())));
}

void CPlayCommand::ShowEnd(double seconds)
{
    const unsigned long long bytes = m_pSink->Bytes();
    const double media = m_pSink->MediaSeconds(), played = m_pSink->PlayedSeconds();
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const LONGLONG first = m_pSink->FirstSampleCounter();
    const double startMs = first ? static_cast<double>(first - m_RunCounter.QuadPart) * 1000 / frequency.QuadPart : -1;
    m_Session.Event(Printed(L"vcsf play: %.1f s of recording played in %.1f s, %llu bytes written, %u %ls", media,
                            played, bytes, m_nGaps, CStreamReport::Plural(m_nGaps, L"gap", L"gaps")),
                    Printed(L"{\"event\":\"end\",\"seconds\":%.3f,\"media_seconds\":%.3f,\"played_seconds\":%.3f,"
                            L"\"bytes\":%llu,\"gaps\":%u,\"first\":\"%ls\",\"start_ms\":%.1f}",
                            seconds, media, played, bytes, m_nGaps, IsoTime(m_dwFirstPlayTime).c_str(), startMs));
}
