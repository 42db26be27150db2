#pragma once
// What "vcsf --help" and "vcsf SUBCOMMAND --help" print.

#include <string>

class CHelpText {
public:
    // The usage of every subcommand, and what they share.
    static std::wstring Overview();
    // One subcommand's usage and description; empty for an unknown name.
    static std::wstring For(const std::wstring& subcommand);
};
