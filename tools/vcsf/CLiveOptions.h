#pragma once
// The command line of "vcsf live": where the camera is, where the stream goes, how
// long, and in what form the events are shown. The network options become property
// assignments, so that they are checked and refused exactly as "vcsf config" does.

#include <cstdint>
#include <string>
#include <vector>

class CLiveOptions {
public:
    static constexpr uint8_t kAreaNormal = 1, kAreaAlarm = 2;

    // False with Error() set when the command line is malformed.
    bool Parse(const std::vector<std::wstring>& args);
    const std::wstring& Error() const { return m_error; }

    std::vector<std::wstring> assignments;  // NAME=VALUE, in the order given
    std::wstring output;                    // a path, or "-" for standard output
    std::wstring recordPacks;               // where the recording pin's samples go; empty: not connected
    std::wstring recordFolder;              // where the recording pin's minute files go; empty: none
    uint8_t recordArea = kAreaNormal;
    double recordStall = 0;                 // seconds the recorder holds its first pack
    double duration = -1;                   // seconds; negative: until Ctrl+C or the stream ends
    bool bJson = false;
    bool bOverwrite = false;  // -y: an existing file may be replaced

private:
    bool AddCamera();

    bool ParseOption(const std::wstring& name, const std::wstring& value);
    static bool Seconds(const std::wstring& value, double* pSeconds);
    bool AddEndpoint(const std::wstring& value, const wchar_t* pszAddress, const wchar_t* pszPort);
    bool Fail(const std::wstring& message);

    std::wstring m_error;
    std::wstring m_camera;  // ADDRESS[:PORT]; its port is the TCP port over HTTP
    bool m_bHttp = false;
    bool m_bAreaGiven = false;
};
