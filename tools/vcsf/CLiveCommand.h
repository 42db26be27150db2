#pragma once
// "vcsf live": the filter and the host's file sink on its main pin (and with
// --record-packs another on its recording pin, with --record the minute-file
// recorder) in a graph of the system's Filter
// Graph Manager, running until the duration, Ctrl+C or a
// failure. Events go to the report function as they happen: the stream
// parameters whenever they change, each status with its meaning, a progress line
// when asked, and at the end the bytes written; or all of it as JSON lines.

#include "baseclasses/DShowUuids.h"
#include "core/StreamInfoBlock.h"
#include "DShowFilters/IVLMVCConfigure.h"
#include "tools/vcsf/CLiveOptions.h"

#include <strmif.h>
#include <wrl/client.h>

#include <atomic>
#include <functional>
#include <string>

class CFileSink;
class CMinuteRecordSink;
class CSampleSink;

class CLiveCommand {
public:
    using Report = std::function<void(const std::wstring& line, bool bProgress)>;

    // *pbInterrupted, once true, ends the run early (Ctrl+C). A flag, not an event: it
    // is looked at after every graph event, and an event's zero wait is a kernel call
    // each time (under Wine a server round trip).
    CLiveCommand(IBaseFilter* pFilter, const CLiveOptions& options, Report report,
                 const std::atomic<bool>* pbInterrupted);
    ~CLiveCommand();
    CLiveCommand(const CLiveCommand&) = delete;
    CLiveCommand& operator=(const CLiveCommand&) = delete;

    // 0: ran to its end; 1: the stream failed; 2: bad values, no output, no graph.
    int Run();
    uint64_t Bytes() const;

private:
    bool Configure();
    bool OpenOutput();
    HANDLE OpenFile(const std::wstring& path);
    bool OpenRecording();
    HRESULT ConnectSink(const wchar_t* pszPin, CSampleSink* pSink, const wchar_t* pszName);
    bool CheckWrites();
    void CheckRecording();
    bool FinishRecording();
    HRESULT BuildGraph();
    int Stream();
    // False once the stream has failed.
    int StartFailed(HRESULT hr);
    void StopEveryFilter();
    bool HandleEvent(long code, LONG_PTR p1, LONG_PTR p2);
    void ShowBlock(const StreamInfoBlock& block);
    void ShowProgress(double seconds);
    void ShowEnd(double seconds);
    void Event(const std::wstring& text, const std::wstring& json);
    ULONG Number(REFGUID id);

    IBaseFilter* const m_pFilter;
    const CLiveOptions& m_Options;
    const Report m_Report;
    const std::atomic<bool>* const m_pbInterrupted;
    Microsoft::WRL::ComPtr<IVLMVCConfigure> m_pConfig;
    Microsoft::WRL::ComPtr<IGraphBuilder> m_pGraph;
    Microsoft::WRL::ComPtr<IMediaControl> m_pControl;
    Microsoft::WRL::ComPtr<IMediaEventEx> m_pEvents;
    Microsoft::WRL::ComPtr<CFileSink> m_pSink;
    Microsoft::WRL::ComPtr<CFileSink> m_pRecordSink;
    Microsoft::WRL::ComPtr<CMinuteRecordSink> m_pMinuteSink;
    bool m_bRecordingLossShown = false;
    uint32_t m_gapsShown = 0;
    HANDLE m_hOutput = INVALID_HANDLE_VALUE;
    bool m_bOwnOutput = false;
    HANDLE m_hRecord = INVALID_HANDLE_VALUE;
    std::wstring m_lastSummary;
    uint16_t m_usLastStatus = kStatusNothingYet;
};
