#pragma once
// The command line of "vcsf probe": how the camera is reached, with the options
// of "vcsf live" (--camera, --nic, --multicast, --transport, --ssl, --user,
// --password, --timeout) and NAME=VALUE assignments.

#include "tools/vcsf/CLinkOptions.h"

#include <string>
#include <vector>

class CProbeOptions {
public:
    // False with Error() set when the command line is malformed.
    bool Parse(const std::vector<std::wstring>& args);
    const std::wstring& Error() const { return m_error; }

    std::vector<CConfigCommand::Assignment> assignments;

private:
    bool Fail(const std::wstring& message);

    CLinkOptions m_Link;
    std::wstring m_error;
};
