#pragma once
// What "vcsf live" and "vcsf play" share on their command lines: where the stream
// goes (-o, with -y to replace a file) and whether the events are JSON lines.

#include "tools/vcsf/CCommandLine.h"

#include <string>

class COutputOptions {
public:
    std::wstring output;      // a path, or "-" for standard output
    bool bJson = false;
    bool bOverwrite = false;  // -y: an existing file may be replaced

protected:
    // True when the item is one of these options, now taken.
    bool TakeOutputOption(const CCommandLine::Item& item);
};
