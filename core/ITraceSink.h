#pragma once
// Where the trace log's lines go: the trace file and the debugger output on Windows,
// a capturing sink natively. Each build binds TraceSink() to its own.

#include <cstdint>

struct TraceTime {
    uint16_t usYear, usMonth, usDay, usHour, usMinute, usSecond, usMilliseconds;
};

enum class TraceOpenResult { Opened, TempFolderError, OpenError };

class ITraceSink {
public:
    virtual bool SettingsFilePresent() = 0;
    virtual TraceOpenResult OpenTraceFile(bool bProtectedMode) = 0;
    virtual bool WriteLine(const wchar_t* line) = 0;
    virtual void Flush() = 0;
    virtual bool CloseTraceFile() = 0;
    virtual void DebugOutput(const wchar_t* line) = 0;
    // Modal, no owner window, OK only.
    virtual void ShowMessage(const wchar_t* text, const wchar_t* caption) = 0;
    virtual TraceTime LocalTime() = 0;

protected:
    ~ITraceSink() = default;
};

ITraceSink& TraceSink();
