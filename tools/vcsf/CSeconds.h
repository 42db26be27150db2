#pragma once
// A number of seconds from the command line: finite, above 0, up to a limit.

#include <string>

class CSeconds {
public:
    static constexpr double kYear = 365.0 * 24 * 3600;

    static bool Parse(const std::wstring& text, double limit, double* pSeconds);
};
