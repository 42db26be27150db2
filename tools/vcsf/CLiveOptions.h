#pragma once
// The command line of "vcsf live": how the camera is reached, where the stream
// goes, how long, and in what form the events are shown. The network options
// become property assignments, so that they are checked and refused exactly as
// "vcsf config" does, in the words the user typed.

#include "tools/vcsf/CLinkOptions.h"
#include "tools/vcsf/COutputOptions.h"

#include <cstdint>
#include <string>
#include <vector>

class CLiveOptions : public COutputOptions {
public:
    using Assignment = CConfigCommand::Assignment;
    static constexpr uint8_t kAreaNormal = 1, kAreaAlarm = 2;

    // False with Error() set when the command line is malformed.
    bool Parse(const std::vector<std::wstring>& args);
    const std::wstring& Error() const { return m_error; }

    std::vector<Assignment> assignments;    // NAME=VALUE, those of the options last
    std::wstring recordPacks;               // where the recording pin's samples go; empty: not connected
    std::wstring recordFolder;              // where the recording pin's minute files go; empty: none
    uint8_t recordArea = kAreaNormal;
    double recordStall = 0;                 // seconds the recorder holds its first pack
    double duration = -1;                   // seconds; negative: until Ctrl+C or the stream ends
    double stallTimeout = -1;               // seconds without data that end the run; negative: never
    bool bReconnect = false;                // the filter heals the link; a stall no longer ends the run
    bool bStats = false;                    // the link statistics each second and at the end

private:
    bool Take(const CCommandLine::Item& item);
    bool ParseOption(const CCommandLine::Item& item);
    bool Check();
    bool Fail(const std::wstring& message);

    CLinkOptions m_Link;
    std::wstring m_error;
    bool m_bAreaGiven = false;
};
