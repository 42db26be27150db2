#include "tools/vcsf/CLiveOptions.h"

#include "tools/vcsf/CSeconds.h"

bool CLiveOptions::Fail(const std::wstring& message)
{
    m_error = L"vcsf live: " + message;
    return false;
}

bool CLiveOptions::Parse(const std::vector<std::wstring>& args)
{
    std::vector<CCommandLine::Item> items;
    std::wstring error;
    if (!CCommandLine::Split(args, {L"--json", L"--ssl", L"-y", L"--overwrite", L"--reconnect", L"--stats"}, &items,
                             &error))
        return Fail(error);
    for (const CCommandLine::Item& item : items)
        if (!Take(item)) return false;
    if (!Check()) return false;
    std::vector<Assignment> link;
    if (!m_Link.Finish(assignments, &link, &error)) return Fail(error);
    assignments.insert(assignments.end(), link.begin(), link.end());
    return true;
}

bool CLiveOptions::Take(const CCommandLine::Item& item)
{
    if (item.IsOperand()) {
        if (item.value.find(L'=') == std::wstring::npos)
            return Fail(L"'" + item.value + L"' is neither an option nor NAME=VALUE");
        assignments.push_back({item.value});
        return true;
    }
    std::wstring error;
    switch (m_Link.Keep(item, &error)) {
    case CLinkOptions::Take::Mine: return true;
    case CLinkOptions::Take::Bad: return Fail(error);
    case CLinkOptions::Take::NotMine: break;
    }
    return ParseOption(item);
}

bool CLiveOptions::ParseOption(const CCommandLine::Item& item)
{
    const std::wstring& name = item.name;
    const std::wstring& value = item.value;
    if (TakeOutputOption(item)) return true;
    if (name == L"--record-packs") {
        if (value == L"-") return Fail(L"--record-packs takes a file");
        recordPacks = value;
        assignments.push_back({L"HVSF_Rec=true", item.Typed()});
    } else if (name == L"--record") {
        recordFolder = value;
        assignments.push_back({L"HVSF_Rec=true", item.Typed()});
    } else if (name == L"--area") {
        if (value != L"normal" && value != L"alarm") return Fail(L"--area takes normal or alarm");
        recordArea = value == L"alarm" ? kAreaAlarm : kAreaNormal;
        m_bAreaGiven = true;
    } else if (name == L"--duration") {
        if (!CSeconds::Parse(value, CSeconds::kYear, &duration)) return Fail(L"--duration takes seconds above 0, up to a year");
    } else if (name == L"--stall-timeout") {
        if (!CSeconds::Parse(value, CSeconds::kYear, &stallTimeout))
            return Fail(L"--stall-timeout takes seconds above 0, up to a year");
    } else if (name == L"--reconnect") {
        bReconnect = true;
        assignments.push_back({L"VCSF_Reconnect=true", item.name});
    } else if (name == L"--stats") {
        bStats = true;
    } else if (name == L"--stall-recorder") {
        if (!CSeconds::Parse(value, 60, &recordStall)) return Fail(L"--stall-recorder takes seconds above 0, up to 60");
    } else {
        return Fail(L"unknown option " + name + L" (vcsf live --help lists them)");
    }
    return true;
}

bool CLiveOptions::Check()
{
    if (output.empty()) return Fail(L"-o FILE (or -o - for standard output) is required");
    if (!recordFolder.empty() && !recordPacks.empty())
        return Fail(L"--record and --record-packs both take the recording pin: give one of them");
    if (m_bAreaGiven && recordFolder.empty()) return Fail(L"--area needs --record DIR");
    if (recordStall > 0 && recordFolder.empty()) return Fail(L"--stall-recorder needs --record DIR");
    // The filter notices the stall and reconnects; without --reconnect vcsf ends the run.
    if (bReconnect && stallTimeout > 0) {
        if (stallTimeout * 1000 >= 4294967295.0) return Fail(L"--stall-timeout with --reconnect takes up to 49 days");
        assignments.push_back({L"VCSF_StallTimeOut=" + std::to_wstring(static_cast<uint32_t>(stallTimeout * 1000)),
                               L"--stall-timeout"});
    }
    return true;
}
