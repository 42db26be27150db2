#pragma once
// "vcsf config [NAME=VALUE ...]": sets the given values through the configuration
// interface, then prints every property with its current value.

#include "DShowFilters/IVLMVCConfigure.h"

#include <string>
#include <utility>
#include <vector>

class CConfigCommand {
public:
    // `command` opens each error line.
    explicit CConfigCommand(IVLMVCConfigure* pConfig, std::wstring command = L"vcsf config")
        : m_pConfig(pConfig), m_command(std::move(command))
    {
    }

    // Sets each assignment in turn; false when one was malformed or refused (see Errors()).
    bool Apply(const std::vector<std::wstring>& assignments);
    std::wstring Listing();
    const std::wstring& Errors() const { return m_errors; }
    // A 32-bit or narrower number property; 0 when it cannot be read.
    static ULONG Number(IVLMVCConfigure* pConfig, REFGUID id);

private:
    bool ApplyOne(const std::wstring& assignment);

    IVLMVCConfigure* const m_pConfig;
    const std::wstring m_command;
    std::wstring m_errors;
};
