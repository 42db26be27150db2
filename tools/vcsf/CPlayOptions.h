#pragma once
// The command line of "vcsf play": the recording folder, where the stream goes,
// the range, the speed and the play area, and in what form the events are shown.
// The area becomes a property assignment, checked as "vcsf config" does; the
// range and the speed are set once the recording's ends are known and the first
// data have arrived.

#include "tools/vcsf/CCommandLine.h"
#include "tools/vcsf/CConfigCommand.h"
#include "tools/vcsf/COutputOptions.h"

#include <string>
#include <vector>

class CPlayOptions : public COutputOptions {
public:
    // False with Error() set when the command line is malformed.
    bool Parse(const std::vector<std::wstring>& args);
    const std::wstring& Error() const { return m_error; }

    std::wstring folder;
    std::wstring from, to;                  // ISO 8601 UTC; empty: the recording's ends
    double speed = 1.0;
    std::wstring control;                   // commands while playing: a path, or "-" for standard input
    std::vector<CConfigCommand::Assignment> assignments;  // NAME=VALUE for the filter

private:
    bool ParseOption(const CCommandLine::Item& item);
    bool Fail(const std::wstring& message);

    std::wstring m_error;
};
