#pragma once
// "vcsf play": the filter in file mode plays the units recorded below a folder,
// over a range (by default the whole recording), into the host's renderer on its
// main pin, which writes them to a file or standard output at the play speed. It
// acts as a host must: told to play again (after a gap, a rate or a seek), it
// restarts the graph, and the filter goes on from the position it stored. With
// --control, it takes commands while playing (rate, seek, pause, run, stop) and
// applies them through the graph as an interactive player does. Events go to the
// report function as in "vcsf live", with the recorded time being played on the
// progress line.

#include "tools/vcsf/CControlInput.h"
#include "tools/vcsf/CPlayOptions.h"
#include "tools/vcsf/CStreamSession.h"

#include <atomic>
#include <cstdint>
#include <string>

class CPlaySink;

class CPlayCommand {
public:
    using Report = CStreamSession::Report;

    CPlayCommand(IBaseFilter* pFilter, const CPlayOptions& options, Report report,
                 const std::atomic<bool>* pbInterrupted);
    ~CPlayCommand();
    CPlayCommand(const CPlayCommand&) = delete;
    CPlayCommand& operator=(const CPlayCommand&) = delete;

    // 0: played to the end of the range; 1: playback failed; 2: bad values, no output, no graph.
    int Run();

private:
    enum class Next { Go, Done, Failed };

    bool FindRange(std::wstring* pFrom, std::wstring* pTo);
    int64_t FindTime(bool bLatest);
    int Configure();
    int SetRange();
    HRESULT BuildGraph();
    int Play();
    int StartFailed(HRESULT hr);
    Next HandleEvent(long code, LONG_PTR p1, LONG_PTR p2);
    Next HandleBlock(const StreamInfoBlock& block);
    Next Restart();
    Next PollControl();
    bool CheckWrites();
    Next ApplyControl(const std::wstring& line);
    HRESULT ApplyRate(double rate);
    HRESULT ApplySeek(int64_t seconds);
    void SayControl(const std::wstring& line, const std::wstring& result);
    void ApplySpeed();
    void ShowProgress();
    void ShowEnd(double seconds);

    const CPlayOptions& m_Options;
    CStreamSession m_Session;
    const std::atomic<bool>* const m_pbInterrupted;
    Microsoft::WRL::ComPtr<CPlaySink> m_pSink;
    uint8_t m_bArea = 1;
    bool m_bSpeedSet = false;
    uint32_t m_dwPlayTime = 0;  // the unit time last played
    uint32_t m_dwFirstPlayTime = 0;
    uint32_t m_nGaps = 0;
    bool m_bGapSeen = false;  // the restart asked for next is after a gap
    bool m_bSeekAsked = false;  // the restart asked for next is after a seek
    bool m_bPaused = false;   // by a control command; a restart keeps it
    double m_dRate = 1.0;
    int64_t m_llRangeStart = 0;
    CControlInput m_Control;
    LARGE_INTEGER m_RunCounter = {};
};
