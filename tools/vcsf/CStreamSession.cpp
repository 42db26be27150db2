#include "tools/vcsf/CStreamSession.h"

#include "tools/vcsf/CConfigCommand.h"
#include "tools/vcsf/CSampleSink.h"
#include "tools/vcsf/CStreamReport.h"

#include <uuids.h>

#include <algorithm>
#include <cstdio>


CStreamSession::CStreamSession(IBaseFilter* pFilter, const wchar_t* pszCommand, bool bJson, Report report)
    : m_pFilter(pFilter), m_Command(pszCommand), m_bJson(bJson), m_Report(std::move(report))
{
}

CStreamSession::~CStreamSession()
{
    if (m_pControl) m_pControl->Stop();
}

int CStreamSession::Configure(const std::vector<CConfigCommand::Assignment>& assignments)
{
    if (!m_pConfig && FAILED(m_pFilter->QueryInterface(IID_PPV_ARGS(&m_pConfig)))) {
        Say(m_Command + L": the filter has no configuration interface");
        return 2;
    }
    CConfigCommand command(m_pConfig.Get(), m_Command.c_str());
    if (command.Apply(assignments)) return 0;
    Say(command.Errors());
    return command.Malformed() ? 2 : 1;
}

bool CStreamSession::OpenOutput(const std::wstring& output, bool bOverwrite)
{
    return Prepare(&m_Output, output, bOverwrite);
}

bool CStreamSession::Prepare(COutputFile* pFile, const std::wstring& path, bool bOverwrite)
{
    std::wstring error;
    if (pFile->Prepare(path, bOverwrite, &error)) return true;
    Say(m_Command + L": " + error);
    return false;
}

HRESULT CStreamSession::BuildGraph()
{
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&m_pGraph));
    if (SUCCEEDED(hr)) hr = m_pGraph->AddFilter(m_pFilter, L"VCodecSourceFilter");
    if (SUCCEEDED(hr)) hr = m_pGraph.As(&m_pControl);
    if (SUCCEEDED(hr)) hr = m_pGraph.As(&m_pEvents);
    return hr;
}

HRESULT CStreamSession::ConnectSink(const wchar_t* pszPin, CSampleSink* pSink, const wchar_t* pszName)
{
    Microsoft::WRL::ComPtr<IPin> pPin;
    HRESULT hr = m_pGraph->AddFilter(pSink, pszName);
    if (SUCCEEDED(hr)) hr = m_pFilter->FindPin(pszPin, &pPin);
    if (SUCCEEDED(hr)) hr = m_pGraph->ConnectDirect(pPin.Get(), pSink->InputPin(), nullptr);
    return hr;
}

namespace {

constexpr DWORD kInterruptCheckMs = 50;

struct StartCall {
    IMediaControl* pControl;
    HRESULT hr;
};

DWORD WINAPI RunGraph(void* pParam)
{
    auto* pCall = static_cast<StartCall*>(pParam);
    pCall->hr = pCall->pControl->Run();
    return 0;
}

}  // namespace

HRESULT CStreamSession::Start(const std::atomic<bool>* pbInterrupted)
{
    StartCall call = {m_pControl.Get(), E_FAIL};
    const HANDLE hThread = CreateThread(nullptr, 0, RunGraph, &call, 0, nullptr);
    if (!hThread) return m_pControl->Run();
    while (WaitForSingleObject(hThread, kInterruptCheckMs) == WAIT_TIMEOUT) {
        if (!pbInterrupted || !pbInterrupted->load()) continue;
        Say(m_Command + L": interrupted while the filter waited for the camera; nothing was written");
        std::fflush(nullptr);
        TerminateProcess(GetCurrentProcess(), 1);
    }
    CloseHandle(hThread);
    return call.hr;
}

void CStreamSession::StopEveryFilter()
{
    m_pControl->Stop();
    Microsoft::WRL::ComPtr<IEnumFilters> pFilters;
    if (FAILED(m_pGraph->EnumFilters(&pFilters))) return;
    for (Microsoft::WRL::ComPtr<IBaseFilter> pFilter; pFilters->Next(1, &pFilter, nullptr) == S_OK; pFilter.Reset())
        pFilter->Stop();
}

void CStreamSession::ShowBlock(const StreamInfoBlock& block)
{
    const uint16_t usStatus = block.info.usStatus;
    if (usStatus != m_usLastStatus) {
        if (usStatus == kStatusOk && m_usLastStatus == kStatusReconnecting) m_dwReconnections++;
        m_usLastStatus = usStatus;
        Event(L"status " + CStreamReport::Status(usStatus),
              CStreamReport::Printed(L"{\"event\":\"status\",\"code\":\"0x%04X\",\"meaning\":", usStatus) +
                  CStreamReport::JsonText(CStreamReport::StatusMeaning(usStatus)) + L"}");
    }
    if (usStatus != kStatusOk) return;
    const uint32_t width = Number(HVSF_StrmWidth), height = Number(HVSF_StrmHeight);
    const std::wstring summary = CStreamReport::Summary(block, width, height);
    if (summary == m_lastSummary) return;
    m_lastSummary = summary;
    Event(L"stream " + summary, L"{\"event\":\"parameters\"," + CStreamReport::JsonMembers(block, width, height) + L"}");
}

void CStreamSession::Event(const std::wstring& text, const std::wstring& json) { m_Report(m_bJson ? json : text, false); }

void CStreamSession::Tell(const std::wstring& lines, const wchar_t* pszKind)
{
    for (size_t start = 0; start < lines.size();) {
        const size_t end = std::min(lines.find(L'\n', start), lines.size());
        const std::wstring line = lines.substr(start, end - start);
        m_Report(m_bJson ? L"{\"event\":\"" + std::wstring(pszKind) + L"\",\"message\":" + CStreamReport::JsonText(line) + L"}"
                         : line,
                 false);
        start = end + 1;
    }
}

void CStreamSession::Progress(const std::wstring& line)
{
    if (!m_bJson) m_Report(line, true);
}

ULONG CStreamSession::Number(REFGUID id) { return CConfigCommand::Number(m_pConfig.Get(), id); }
