#pragma once
// "vcsf probe": configures a new filter, pauses it in a graph of its own until the
// camera's first stream head arrives, reports the stream parameters of that head
// and stops. Only the parameters are wanted, so the outputs start switched off (an
// assignment may switch them on), but for the live output over HTTP, whose
// stream heads are read on the live path.

#include "baseclasses/DShowUuids.h"
#include "core/StreamInfoBlock.h"
#include "DShowFilters/IVLMVCConfigure.h"
#include "tools/vcsf/CConfigCommand.h"

#include <strmif.h>
#include <wrl/client.h>

#include <string>
#include <vector>

class CProbeCommand {
public:
    explicit CProbeCommand(IBaseFilter* pFilter) : m_pFilter(pFilter) {}

    // 0: parameters reported; 1: a value refused or the stream failed; 2: a value
    // malformed, or no graph.
    int Run(const std::vector<CConfigCommand::Assignment>& assignments);
    const std::wstring& Report() const { return m_report; }
    const std::wstring& Errors() const { return m_errors; }

private:
    int Configure(const std::vector<CConfigCommand::Assignment>& assignments);
    HRESULT JoinGraph();
    int Probe();
    // The block of the first stream head, or the abort that came instead.
    bool WaitForParameters(DWORD dwMs, StreamInfoBlock* pBlock, HRESULT* phrAbort);
    void ReportPauseFailure(HRESULT hr);
    uint16_t LastNotifiedStatus();
    ULONG Number(REFGUID id);

    IBaseFilter* const m_pFilter;
    Microsoft::WRL::ComPtr<IVLMVCConfigure> m_pConfig;
    Microsoft::WRL::ComPtr<IGraphBuilder> m_pGraph;
    Microsoft::WRL::ComPtr<IMediaControl> m_pControl;
    Microsoft::WRL::ComPtr<IMediaEventEx> m_pEvents;
    std::wstring m_report;
    std::wstring m_errors;
};
