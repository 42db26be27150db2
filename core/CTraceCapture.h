#pragma once
// The native build's trace sink: keeps what would reach the file, the debugger and
// the message boxes, so that tests can read it; failures can be injected.
//
// Locking: its mutex guards what it captured. The trace log calls it under its own
// lock, and it calls nothing.

#include "core/ITraceSink.h"

#include <mutex>
#include <string>
#include <vector>

class CTraceCapture : public ITraceSink {
public:
    struct Box {
        std::wstring text, caption;
    };

    // Forgets what was captured and goes back to a machine without the settings file.
    void Reset();
    void SetSettingsFilePresent(bool bPresent);
    void SetOpenResult(TraceOpenResult result);
    void SetWriteFails(bool bFails);
    void SetFixedTime(const TraceTime& time);

    std::vector<std::wstring> FileLines() const;
    std::vector<std::wstring> DebugLines() const;
    std::vector<Box> Boxes() const;
    bool IsOpen() const;
    bool LastOpenProtected() const;
    int OpenCount() const;
    int WritesWhileClosed() const;

    bool SettingsFilePresent() override;
    TraceOpenResult OpenTraceFile(bool bProtectedMode) override;
    bool WriteLine(const wchar_t* line) override;
    void Flush() override;
    bool CloseTraceFile() override;
    void DebugOutput(const wchar_t* line) override;
    void ShowMessage(const wchar_t* text, const wchar_t* caption) override;
    TraceTime LocalTime() override;

private:
    mutable std::mutex m_Mutex;
    bool m_bSettingsPresent = false;
    TraceOpenResult m_OpenResult = TraceOpenResult::Opened;
    bool m_bWriteFails = false;
    bool m_bFixedTime = false;
    TraceTime m_FixedTime{};
    bool m_bOpen = false;
    bool m_bLastOpenProtected = false;
    int m_nOpenCount = 0;
    int m_nWritesWhileClosed = 0;
    std::vector<std::wstring> m_FileLines;
    std::vector<std::wstring> m_DebugLines;
    std::vector<Box> m_Boxes;
};

CTraceCapture& TraceCapture();
