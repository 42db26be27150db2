#pragma once
// What "vcsf live" and "vcsf play" share: the filter configured from NAME=VALUE
// assignments, the output file or standard output, a graph of the system's Filter
// Graph Manager with the host's renderers on the filter's pins, and the report of
// the stream's events: each status with its meaning as it changes, the stream
// parameters when they change, as text lines or as JSON lines.

#include "DShowFilters/IVLMVCConfigure.h"
#include "baseclasses/DShowUuids.h"
#include "core/StreamInfoBlock.h"
#include "tools/vcsf/CConfigCommand.h"
#include "tools/vcsf/COutputFile.h"

#include <strmif.h>
#include <wrl/client.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

class CSampleSink;

class CStreamSession {
public:
    using Report = std::function<void(const std::wstring& line, bool bProgress)>;

    // pszCommand names the command in its messages ("vcsf live").
    CStreamSession(IBaseFilter* pFilter, const wchar_t* pszCommand, bool bJson, Report report);
    ~CStreamSession();
    CStreamSession(const CStreamSession&) = delete;
    CStreamSession& operator=(const CStreamSession&) = delete;

    // The assignments applied: 0; once the failure was reported, 1 for a value the
    // filter refused, 2 for one malformed.
    int Configure(const std::vector<CConfigCommand::Assignment>& assignments);
    bool OpenOutput(const std::wstring& output, bool bOverwrite);
    // False once the refusal was reported.
    bool Prepare(COutputFile* pFile, const std::wstring& path, bool bOverwrite);
    COutputFile* Output() { return &m_Output; }

    // The graph with the filter in it.
    HRESULT BuildGraph();
    HRESULT ConnectSink(const wchar_t* pszPin, CSampleSink* pSink, const wchar_t* pszName);
    IGraphBuilder* Graph() const { return m_pGraph.Get(); }
    IMediaControl* Control() const { return m_pControl.Get(); }
    IMediaEventEx* Events() const { return m_pEvents.Get(); }
    IVLMVCConfigure* Config() const { return m_pConfig.Get(); }
    IBaseFilter* Filter() const { return m_pFilter; }
    // Runs the graph; the filter's start can wait for the camera for as long as
    // VCSF_TimeOut, and an interruption ends that wait at once: since the graph
    // cannot be stopped while it starts, the process ends there, with status 1.
    HRESULT Start(const std::atomic<bool>* pbInterrupted);
    // A run that failed half-way can leave the filters it paused before the failing
    // one paused, and a graph cannot take a paused filter out of itself when released.
    void StopEveryFilter();

    void ShowBlock(const StreamInfoBlock& block);
    uint16_t LastStatus() const { return m_usLastStatus; }
    // The filter's reconnections that carried data again (0x9010, then 0x0000).
    uint32_t Reconnections() const { return m_dwReconnections; }
    // The text, or with --json the JSON line.
    void Event(const std::wstring& text, const std::wstring& json);
    // An error or a warning, a line each; with --json a JSON object each.
    void Say(const std::wstring& lines) { Tell(lines, L"error"); }
    void Warn(const std::wstring& lines) { Tell(lines, L"warning"); }
    // The line redrawn in place on a terminal; none with --json.
    void Progress(const std::wstring& line);
    bool IsJson() const { return m_bJson; }
    const std::wstring& Command() const { return m_Command; }
    ULONG Number(REFGUID id);

private:
    void Tell(const std::wstring& lines, const wchar_t* pszKind);

    IBaseFilter* const m_pFilter;
    const std::wstring m_Command;
    const bool m_bJson;
    const Report m_Report;
    Microsoft::WRL::ComPtr<IVLMVCConfigure> m_pConfig;
    Microsoft::WRL::ComPtr<IGraphBuilder> m_pGraph;
    Microsoft::WRL::ComPtr<IMediaControl> m_pControl;
    Microsoft::WRL::ComPtr<IMediaEventEx> m_pEvents;
    COutputFile m_Output;
    std::wstring m_lastSummary;
    uint16_t m_usLastStatus = kStatusNothingYet;
    uint32_t m_dwReconnections = 0;
};
