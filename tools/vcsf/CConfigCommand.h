#pragma once
// "vcsf config [NAME=VALUE ...]": sets the given values through the configuration
// interface, then prints every property with its current value.

#include "DShowFilters/IVLMVCConfigure.h"

#include <string>
#include <utility>
#include <vector>

class CConfigCommand {
public:
    // NAME=VALUE, and the option the user typed for it when it came from one, so
    // that a refusal names what the user wrote.
    struct Assignment {
        std::wstring text;
        std::wstring typed;
        Assignment(std::wstring t, std::wstring by = L"") : text(std::move(t)), typed(std::move(by)) {}
        Assignment(const wchar_t* t) : text(t) {}
        bool operator==(const Assignment& o) const { return text == o.text && typed == o.typed; }
    };

    // `command` opens each error line.
    explicit CConfigCommand(IVLMVCConfigure* pConfig, std::wstring command = L"vcsf config")
        : m_pConfig(pConfig), m_command(std::move(command))
    {
    }

    // Sets each assignment in turn; false when one was malformed or refused (see Errors()).
    bool Apply(const std::vector<Assignment>& assignments);
    std::wstring Listing();
    const std::wstring& Errors() const { return m_errors; }
    // Whether a failure was the user's writing (not NAME=VALUE, no such property, a
    // malformed value) rather than the filter's refusal.
    bool Malformed() const { return m_bMalformed; }
    // A 32-bit or narrower number property; 0 when it cannot be read.
    static ULONG Number(IVLMVCConfigure* pConfig, REFGUID id);

private:
    bool ApplyOne(const Assignment& assignment);
    void Refuse(const Assignment& assignment, const std::wstring& why);

    IVLMVCConfigure* const m_pConfig;
    const std::wstring m_command;
    std::wstring m_errors;
    bool m_bMalformed = false;
};
