#include "tools/vcsf/CProbeOptions.h"

bool CProbeOptions::Fail(const std::wstring& message)
{
    m_error = L"vcsf probe: " + message;
    return false;
}

bool CProbeOptions::Parse(const std::vector<std::wstring>& args)
{
    std::vector<CCommandLine::Item> items;
    std::wstring error;
    if (!CCommandLine::Split(args, {L"--ssl"}, &items, &error)) return Fail(error);
    for (const CCommandLine::Item& item : items) {
        if (item.IsOperand() && item.value.find(L'=') != std::wstring::npos) {
            assignments.push_back({item.value});
            continue;
        }
        if (item.IsOperand()) return Fail(L"'" + item.value + L"' is neither an option nor NAME=VALUE");
        const CLinkOptions::Take take = m_Link.Keep(item, &error);
        if (take == CLinkOptions::Take::Bad) return Fail(error);
        if (take == CLinkOptions::Take::NotMine) return Fail(L"unknown option " + item.name + L" (vcsf probe --help lists them)");
    }
    std::vector<CConfigCommand::Assignment> link;
    if (!m_Link.Finish(assignments, &link, &error)) return Fail(error);
    assignments.insert(assignments.end(), link.begin(), link.end());
    return true;
}
