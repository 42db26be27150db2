#pragma once
// "vcsf live": the filter and the host's file sink on its main pin (and with
// --record-packs another on its recording pin, with --record the minute-file
// recorder) in a graph of the system's Filter
// Graph Manager, running until the duration, Ctrl+C or a
// failure. Events go to the report function as they happen: the stream
// parameters whenever they change, each status with its meaning, a progress line
// when asked, the link statistics each second with --stats, and at the end the
// bytes written; or all of it as JSON lines.

#include "tools/vcsf/CLinkStatistics.h"
#include "tools/vcsf/CLiveOptions.h"
#include "tools/vcsf/CStreamSession.h"

#include <atomic>
#include <memory>
#include <string>

class CFileSink;
class CMinuteRecordSink;

class CLiveCommand {
public:
    using Report = CStreamSession::Report;

    // *pbInterrupted, once true, ends the run early (Ctrl+C). A flag, not an event: it
    // is looked at after every graph event, and an event's zero wait is a kernel call
    // each time (under Wine a server round trip).
    CLiveCommand(IBaseFilter* pFilter, const CLiveOptions& options, Report report,
                 const std::atomic<bool>* pbInterrupted);
    ~CLiveCommand();
    CLiveCommand(const CLiveCommand&) = delete;
    CLiveCommand& operator=(const CLiveCommand&) = delete;

    // 0: ran to its end; 1: the stream failed or the filter refused a value;
    // 2: malformed values, an output refused, no graph.
    int Run();
    uint64_t Bytes() const;

private:
    bool OpenOutput();
    bool OpenRecording();
    bool CheckWrites();
    void CheckRecording();
    bool FinishRecording();
    HRESULT BuildGraph();
    int Stream();
    int StartFailed(HRESULT hr);
    // False once the stream has failed.
    bool HandleEvent(long code, LONG_PTR p1, LONG_PTR p2);
    std::wstring EndReason();
    bool WatchData(ULONGLONG now);
    void ShowProgress(ULONGLONG elapsedMs);
    void ShowStatistics(ULONGLONG elapsedMs);
    void ShowEnd(double seconds);

    const CLiveOptions& m_Options;
    CStreamSession m_Session;
    const std::atomic<bool>* const m_pbInterrupted;
    Microsoft::WRL::ComPtr<CFileSink> m_pSink;
    Microsoft::WRL::ComPtr<CFileSink> m_pRecordSink;
    Microsoft::WRL::ComPtr<CMinuteRecordSink> m_pMinuteSink;
    struct DataWatch {
        ULONGLONG lastData;  // when the bytes written last grew
        uint64_t bytes;
        bool bSilent;        // the silence has been said
    } m_Watch = {};
    ULONGLONG m_nextJsonProgressMs = 1000;
    std::unique_ptr<CLinkStatistics> m_pStatistics;  // with --stats
    ULONGLONG m_nextStatisticsMs = 1000;
    bool m_bRecordingLossShown = false;
    uint32_t m_gapsShown = 0;
    COutputFile m_RecordPacks;
};
