#include "tools/vcsf/CProbeCommand.h"

#include "core/ICamParmOwner.h"
#include "tools/vcsf/CConfigCommand.h"
#include "tools/vcsf/CStreamReport.h"

#include <uuids.h>
#include <vfwmsgs.h>

#include <cstring>

namespace {

constexpr ULONG kComTypeHttp = 2;

std::wstring Hex(HRESULT hr) { return CStreamReport::Printed(L"0x%08lX", static_cast<unsigned long>(hr)); }

}  // namespace

int CProbeCommand::Run(const std::vector<CConfigCommand::Assignment>& assignments)
{
    if (FAILED(m_pFilter->QueryInterface(IID_PPV_ARGS(&m_pConfig)))) {
        m_errors += L"vcsf probe: the filter has no configuration interface\n";
        return 2;
    }
    if (const int status = Configure(assignments); status != 0) return status;
    const HRESULT hr = JoinGraph();
    if (FAILED(hr)) {
        m_errors += L"vcsf probe: cannot build a filter graph (" + Hex(hr) + L")\n";
        return 2;
    }
    const int status = Probe();
    m_pControl->Stop();
    return status;
}

// 1 for a value the filter refused, 2 for one malformed.
int CProbeCommand::Configure(const std::vector<CConfigCommand::Assignment>& assignments)
{
    std::vector<CConfigCommand::Assignment> all = {{L"HVSF_Live=false"}, {L"HVSF_Rec=false"}};
    all.insert(all.end(), assignments.begin(), assignments.end());
    CConfigCommand command(m_pConfig.Get(), L"vcsf probe");
    bool ok = command.Apply(all);
    if (ok && (Number(VCSF_ComType) & 0x0F) == kComTypeHttp && !Number(HVSF_Live)) ok = command.Apply({{L"HVSF_Live=true"}});
    m_errors += command.Errors();
    return ok ? 0 : command.Malformed() ? 2 : 1;
}

HRESULT CProbeCommand::JoinGraph()
{
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&m_pGraph));
    if (SUCCEEDED(hr)) hr = m_pGraph->AddFilter(m_pFilter, L"VCodecSourceFilter");
    if (SUCCEEDED(hr)) hr = m_pGraph.As(&m_pControl);
    if (SUCCEEDED(hr)) hr = m_pGraph.As(&m_pEvents);
    return hr;
}

int CProbeCommand::Probe()
{
    const HRESULT hr = m_pControl->Pause();
    if (FAILED(hr)) {
        ReportPauseFailure(hr);
        return 1;
    }
    StreamInfoBlock block;
    HRESULT hrAbort = S_OK;
    if (!WaitForParameters(Number(VCSF_TimeOut), &block, &hrAbort)) {
        m_errors += FAILED(hrAbort) ? L"vcsf probe: the filter ended the stream (" + Hex(hrAbort) + L")\n"
                                    : L"vcsf probe: packets came, but no stream head within the time-out (--timeout, VCSF_TimeOut)\n";
        return 1;
    }
    if (block.info.usStatus != kStatusOk) {
        m_errors += L"vcsf probe: the camera reports " + CStreamReport::Status(block.info.usStatus) + L"\n";
        return 1;
    }
    m_report += CStreamReport::Parameters(block, Number(HVSF_StrmWidth), Number(HVSF_StrmHeight));
    return 0;
}

bool CProbeCommand::WaitForParameters(DWORD dwMs, StreamInfoBlock* pBlock, HRESULT* phrAbort)
{
    const ULONGLONG deadline = GetTickCount64() + dwMs;
    for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
        long code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (FAILED(m_pEvents->GetEvent(&code, &p1, &p2, static_cast<long>(deadline - now)))) continue;
        // The block is the filter's own and lives as long as the filter: copy it at once.
        if (code == kEventStreamInfo && p2 == sizeof(StreamInfoBlock))
            std::memcpy(pBlock, reinterpret_cast<const void*>(p1), sizeof(*pBlock));
        if (code == kEventErrorAbort) *phrAbort = static_cast<HRESULT>(p1);
        m_pEvents->FreeEventParams(code, p1, p2);
        if (code == kEventStreamInfo && pBlock->info.usStatus != kStatusNothingYet) return true;
    }
    return false;
}

// The status the failed start notified, if any, comes first: it says why.
void CProbeCommand::ReportPauseFailure(HRESULT hr)
{
    const uint16_t usStatus = LastNotifiedStatus();
    // A time-out says it all by itself.
    const bool bStatus = hr != VFW_E_TIMEOUT && usStatus != kStatusNothingYet && usStatus != kStatusOk;
    if (bStatus) m_errors += L"vcsf probe: status " + CStreamReport::Status(usStatus) + L"\n";
    m_errors += L"vcsf probe: " +
                CStreamReport::StartFailure(hr, Number(VCSF_TimeOut), static_cast<uint16_t>(Number(VCSF_ComType)), bStatus) +
                L"\n";
}

// The status of the last stream information event already queued.
uint16_t CProbeCommand::LastNotifiedStatus()
{
    uint16_t usStatus = kStatusNothingYet;
    long code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    while (SUCCEEDED(m_pEvents->GetEvent(&code, &p1, &p2, 0))) {
        if (code == kEventStreamInfo && p2 == sizeof(StreamInfoBlock))
            usStatus = reinterpret_cast<const StreamInfoBlock*>(p1)->info.usStatus;
        m_pEvents->FreeEventParams(code, p1, p2);
    }
    return usStatus;
}

ULONG CProbeCommand::Number(REFGUID id) { return CConfigCommand::Number(m_pConfig.Get(), id); }
