#pragma once
// A test's hold on the real trace file: the settings file is put in place (or kept
// away), the trace file starts absent, message boxes are captured, and everything
// is cleared again at the end. Tests using it take the CTest lock "tracefile".

#include <string>
#include <vector>

class CTraceFileSession {
public:
    struct Box {
        std::wstring text, caption;
    };

    explicit CTraceFileSession(bool bSettingsFile = true);
    ~CTraceFileSession();

    static std::wstring TraceFolder();  // the common files' VELMAR\H264
    static std::wstring TraceFilePath();
    static std::wstring SettingsFilePath();

    // Switches tracing on as a host does, and off as the filter's destructor does.
    static void SwitchOn(bool bProtectedMode = false);
    static void SwitchOff();

    static std::string ReadBytes(const std::wstring& path);
    static bool Exists(const std::wstring& path);
    // The file's lines without their CR LF; a line feed without CR fails the test.
    static std::vector<std::string> Lines(const std::wstring& path);
    std::vector<std::string> TraceLines() const { return Lines(TraceFilePath()); }
    static bool EndsWith(const std::string& line, const std::string& tail);
    // The index of the first line that ends with `tail`, or -1.
    static int Find(const std::vector<std::string>& lines, const std::string& tail);
    const std::vector<Box>& Boxes() const;
};
