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

    // True when a line of the log ends with `tail` (the line's own line feed aside).
    bool Wrote(const std::wstring& tail) const
    {
        const std::wstring wanted = tail + L"\n";
        for (const std::wstring& line : TraceCapture().FileLines()) {
            if (line.size() >= wanted.size() && line.compare(line.size() - wanted.size(), wanted.size(), wanted) == 0)
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
