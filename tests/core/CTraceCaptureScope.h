#pragma once
// Tracing on into the native capturing sink for the life of a scope, for tests that
// assert what a class writes to the trace log.

#include "core/CTraceCapture.h"
#include "core/Trace.h"

#include <string>
#include <vector>

class CTraceCaptureScope {
public:
    CTraceCaptureScope()
    {
        EndAll();
        TraceCapture().SetSettingsFilePresent(true);
        g_bTraceEnable = 1;
        g_TraceStart(0);
    }
    ~CTraceCaptureScope() { EndAll(); }

    // The lines of the log that end with `tail` (the line's own line feed aside).
    size_t Count(const std::wstring& tail) const
    {
        const std::wstring wanted = tail + L"\n";
        size_t count = 0;
        for (const std::wstring& line : TraceCapture().FileLines())
            count += line.size() >= wanted.size() && line.compare(line.size() - wanted.size(), wanted.size(), wanted) == 0;
        return count;
    }
    bool Wrote(const std::wstring& tail) const { return Count(tail) > 0; }
    // A numbered system error line whose text is `message`.
    bool WroteSystemError(const std::wstring& message) const
    {
        for (const std::wstring& line : TraceCapture().FileLines()) {
            if (line.find(L"/SF/[System Error] ") != std::wstring::npos &&
                line.find(L": " + message + L"\n") != std::wstring::npos)
                return true;
        }
        return false;
    }
    size_t LineCount() const { return TraceCapture().FileLines().size(); }

    // Tracing off and closed, and the capture empty, whatever a test left behind.
    static void EndAll()
    {
        while (g_nTraceRef > 0) {
            g_bTraceEnable = 1;
            g_TraceEnd();
        }
        g_bTraceEnable = 0;
        TraceCapture().Reset();
    }
};
