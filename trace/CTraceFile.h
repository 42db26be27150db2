#pragma once
// The trace log's Windows sink: the settings-file switch in the common program-files
// folder, the trace file written in code page 932 with CR LF, the debugger output.

#include "core/ITraceSink.h"

#include <cstdio>

class CTraceFile : public ITraceSink {
public:
    bool SettingsFilePresent() override;
    TraceOpenResult OpenTraceFile(bool bProtectedMode) override;
    bool WriteLine(const wchar_t* line) override;
    void Flush() override;
    bool CloseTraceFile() override;
    void DebugOutput(const wchar_t* line) override;
    void ShowMessage(const wchar_t* text, const wchar_t* caption) override;
    TraceTime LocalTime() override;

private:
    FILE* m_pTraceFile = nullptr;
};
