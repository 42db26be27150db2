#pragma once
// The trace log's algorithm over a sink: line forms, the open count, and a lock
// that keeps every write away from a stream being closed.
//
// Locking: m_Lock guards the open count and the sink's stream; every thread that
// traces takes it, last of all: nothing is called under it but the sink.

#include "core/CritSec.h"
#include "core/ITraceSink.h"

#include <cstdarg>
#include <cstdint>

class CTraceLog {
public:
    static constexpr size_t kMessageChars = 512;
    static constexpr size_t kLineChars = 512;
    static constexpr size_t kErrorLogChars = 256;

    explicit CTraceLog(ITraceSink& sink) : m_Sink(sink) {}

    void Trace(int32_t level, const wchar_t* format, va_list args);
    void Start(uint8_t bProtectedMode);
    void End();

private:
    void TraceLiteral(int32_t level, const wchar_t* format, ...);
    void FormatLine(wchar_t* line, int32_t level, const wchar_t* message);
    bool OpenFile(uint8_t bProtectedMode);

    ITraceSink& m_Sink;
    CCritSec m_Lock;
    bool m_bOpen = false;
};
