#include "tools/vcsf/CLinkOptions.h"

#include "tools/vcsf/CNetLookup.h"

#include <cwctype>

namespace {

bool Assigns(const std::vector<CLinkOptions::Assignment>& given, const std::wstring& name)
{
    for (const CLinkOptions::Assignment& a : given) {
        if (a.text.size() <= name.size() || a.text[name.size()] != L'=') continue;
        if (_wcsnicmp(a.text.c_str(), name.c_str(), name.size()) == 0) return true;
    }
    return false;
}

bool IsPort(const std::wstring& text)
{
    if (text.empty() || text.size() > 5) return false;
    for (wchar_t c : text)
        if (!std::iswdigit(c)) return false;
    const unsigned long port = std::wcstoul(text.c_str(), nullptr, 10);
    return port >= 1 && port <= 65535;
}

}  // namespace

CLinkOptions::Take CLinkOptions::Keep(const CCommandLine::Item& item, std::wstring* pError)
{
    const std::wstring& name = item.name;
    CCommandLine::Item* pSlot = name == L"--camera"      ? &m_Camera
                                : name == L"--nic"       ? &m_Nic
                                : name == L"--multicast" ? &m_Multicast
                                : name == L"--transport" ? &m_Transport
                                : name == L"--ssl"       ? &m_Ssl
                                : name == L"--user"      ? &m_User
                                : name == L"--password"  ? &m_Password
                                : name == L"--timeout"   ? &m_TimeOut
                                                         : nullptr;
    if (!pSlot) return Take::NotMine;
    if (name == L"--transport" && item.value != L"udp" && item.value != L"http") {
        *pError = L"--transport takes udp or http";
        return Take::Bad;
    }
    *pSlot = item;
    return Take::Mine;
}

bool CLinkOptions::Finish(const std::vector<Assignment>& given, std::vector<Assignment>* pOut, std::wstring* pError)
{
    if (Conflicts(pError)) return false;
    if (IsHttp()) pOut->push_back({L"VCSF_ComType=2", m_Transport.Typed()});
    if (!m_Ssl.name.empty()) pOut->push_back({L"VCSF_UseSSL=true", L"--ssl"});
    if (!m_User.name.empty()) pOut->push_back({L"VCSF_UserName=" + m_User.value, m_User.Typed()});
    if (!m_Password.name.empty()) pOut->push_back({L"VCSF_Password=" + m_Password.value, L"--password"});
    if (!m_TimeOut.name.empty()) pOut->push_back({L"VCSF_TimeOut=" + m_TimeOut.value, m_TimeOut.Typed()});
    if (!m_Multicast.name.empty()) {
        std::wstring group, port;
        if (!SplitEndpoint(m_Multicast, &group, &port, pError)) return false;
        pOut->push_back({L"VCSF_ComType=1", m_Multicast.Typed()});
        pOut->push_back({L"VCSF_MCAddress=" + group, m_Multicast.Typed()});
        if (!port.empty()) pOut->push_back({L"VCSF_MulticastPort=" + port, m_Multicast.Typed()});
    }
    if (m_Camera.name.empty() && !Assigns(given, L"VCSF_Address")) {
        *pError = L"--camera ADDRESS[:PORT] is required: the camera's address or host name";
        return false;
    }
    return AddCamera(pOut, pError) && AddNic(given, pOut, pError);
}

bool CLinkOptions::Conflicts(std::wstring* pError) const
{
    if (IsHttp() && !m_Multicast.name.empty()) {
        *pError = L"--multicast receives a UDP group; it cannot go with --transport http";
        return true;
    }
    for (const CCommandLine::Item* pHttpOnly : {&m_Ssl, &m_User, &m_Password}) {
        if (IsHttp() || pHttpOnly->name.empty()) continue;
        *pError = pHttpOnly->name + L" is for the camera's HTTP session: give --transport http with it";
        return true;
    }
    return false;
}

bool CLinkOptions::AddCamera(std::vector<Assignment>* pOut, std::wstring* pError)
{
    if (m_Camera.name.empty()) return true;
    std::wstring host, port, error;
    if (!SplitEndpoint(m_Camera, &host, &port, pError)) return false;
    if (!CNetLookup::Resolve(host, &m_CameraAddress, &error)) {
        *pError = m_Camera.Typed() + L": " + error;
        return false;
    }
    pOut->push_back({L"VCSF_Address=" + m_CameraAddress, m_Camera.Typed()});
    if (!port.empty()) pOut->push_back({std::wstring(IsHttp() ? L"VCSF_TCPPort=" : L"VCSF_Port=") + port, m_Camera.Typed()});
    return true;
}

// Without --nic the filter would use its own default, an address of some other network.
bool CLinkOptions::AddNic(const std::vector<Assignment>& given, std::vector<Assignment>* pOut, std::wstring* pError)
{
    if (!m_Nic.name.empty()) {
        pOut->push_back({L"VCSF_NIC=" + m_Nic.value, m_Nic.Typed()});
        return true;
    }
    if (Assigns(given, L"VCSF_NIC") || m_CameraAddress.empty()) return true;
    std::wstring local, error;
    if (!CNetLookup::LocalAddressToward(m_CameraAddress, &local, &error)) {
        *pError = m_Camera.Typed() + L": " + error + L"; give --nic";
        return false;
    }
    pOut->push_back({L"VCSF_NIC=" + local, L"--nic " + local + L" (the route to " + m_CameraAddress + L")"});
    return true;
}

// ADDRESS or ADDRESS:PORT, the port 1 to 65535.
bool CLinkOptions::SplitEndpoint(const CCommandLine::Item& item, std::wstring* pHost, std::wstring* pPort, std::wstring* pError)
{
    const std::wstring& value = item.value;
    const size_t colon = value.find(L':');
    *pHost = value.substr(0, colon);
    *pPort = colon == std::wstring::npos ? L"" : value.substr(colon + 1);
    if (pHost->empty() || (colon != std::wstring::npos && !IsPort(*pPort))) {
        *pError = item.Typed() + L": not ADDRESS[:PORT] with a port from 1 to 65535";
        return false;
    }
    return true;
}
