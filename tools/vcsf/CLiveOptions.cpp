#include "tools/vcsf/CLiveOptions.h"

#include <cwchar>

bool CLiveOptions::Fail(const std::wstring& message)
{
    m_error = L"vcsf live: " + message;
    return false;
}

bool CLiveOptions::Parse(const std::vector<std::wstring>& args)
{
    for (size_t i = 0; i < args.size(); i++) {
        const std::wstring& arg = args[i];
        if (arg == L"--json" || arg == L"--ssl" || arg == L"-y" || arg == L"--overwrite") {
            if (arg == L"--json") bJson = true;
            else if (arg == L"--ssl") assignments.push_back(L"VCSF_UseSSL=true");
            else bOverwrite = true;
            continue;
        }
        if (arg.rfind(L"-", 0) != 0) {
            if (arg.find(L'=') == std::wstring::npos) return Fail(L"'" + arg + L"' is neither an option nor NAME=VALUE");
            assignments.push_back(arg);
            continue;
        }
        if (i + 1 >= args.size()) return Fail(arg + L" needs a value");
        if (!ParseOption(arg, args[++i])) return false;
    }
    if (output.empty()) return Fail(L"-o FILE (or -o - for standard output) is required");
    if (!recordFolder.empty() && !recordPacks.empty())
        return Fail(L"--record and --record-packs both take the recording pin: give one of them");
    if (m_bAreaGiven && recordFolder.empty()) return Fail(L"--area needs --record DIR");
    if (recordStall > 0 && recordFolder.empty()) return Fail(L"--stall-recorder needs --record DIR");
    return AddCamera();
}

bool CLiveOptions::Seconds(const std::wstring& value, double* pSeconds)
{
    wchar_t* end = nullptr;
    *pSeconds = std::wcstod(value.c_str(), &end);
    return !value.empty() && *end == L'\0' && *pSeconds > 0;
}

bool CLiveOptions::ParseOption(const std::wstring& name, const std::wstring& value)
{
    if (name == L"-o" || name == L"--output") {
        output = value;
    } else if (name == L"--record-packs") {
        if (value == L"-") return Fail(L"--record-packs takes a file");
        recordPacks = value;
        assignments.push_back(L"HVSF_Rec=true");
    } else if (name == L"--record") {
        recordFolder = value;
        assignments.push_back(L"HVSF_Rec=true");
    } else if (name == L"--area") {
        if (value != L"normal" && value != L"alarm") return Fail(L"--area takes normal or alarm");
        recordArea = value == L"alarm" ? kAreaAlarm : kAreaNormal;
        m_bAreaGiven = true;
    } else if (name == L"--camera") {
        m_camera = value;
    } else if (name == L"--transport") {
        if (value != L"udp" && value != L"http") return Fail(L"--transport takes udp or http");
        m_bHttp = value == L"http";
        if (m_bHttp) assignments.push_back(L"VCSF_ComType=2");
    } else if (name == L"--user") {
        assignments.push_back(L"VCSF_UserName=" + value);
    } else if (name == L"--password") {
        assignments.push_back(L"VCSF_Password=" + value);
    } else if (name == L"--multicast") {
        assignments.push_back(L"VCSF_ComType=1");
        return AddEndpoint(value, L"VCSF_MCAddress", L"VCSF_MulticastPort");
    } else if (name == L"--nic") {
        assignments.push_back(L"VCSF_NIC=" + value);
    } else if (name == L"--timeout") {
        assignments.push_back(L"VCSF_TimeOut=" + value);
    } else if (name == L"--duration") {
        if (!Seconds(value, &duration)) return Fail(L"--duration takes seconds above 0");
    } else if (name == L"--stall-recorder") {
        if (!Seconds(value, &recordStall) || recordStall > 60) return Fail(L"--stall-recorder takes seconds above 0, up to 60");
    } else {
        return Fail(L"unknown option " + name);
    }
    return true;
}

bool CLiveOptions::AddCamera()
{
    if (m_camera.empty()) return true;
    return AddEndpoint(m_camera, L"VCSF_Address", m_bHttp ? L"VCSF_TCPPort" : L"VCSF_Port");
}

// ADDRESS or ADDRESS:PORT; the filter checks both when they are set.
bool CLiveOptions::AddEndpoint(const std::wstring& value, const wchar_t* pszAddress, const wchar_t* pszPort)
{
    const size_t colon = value.find(L':');
    if (colon == 0 || colon + 1 == value.size()) return Fail(L"'" + value + L"' is not ADDRESS[:PORT]");
    assignments.push_back(std::wstring(pszAddress) + L"=" + value.substr(0, colon));
    if (colon != std::wstring::npos) assignments.push_back(std::wstring(pszPort) + L"=" + value.substr(colon + 1));
    return true;
}
