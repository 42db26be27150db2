#pragma once
// How "vcsf live" and "vcsf probe" reach the camera: --camera (required: an
// address or a host name, and the port), --nic (by default the local address that
// the system's routing uses toward the camera), --multicast, --transport, --ssl,
// --user, --password and --timeout. Each becomes a property assignment that
// remembers the option it came from, so that a refusal names what the user typed.
// NAME=VALUE assignments of the address or the NIC stand for --camera or --nic.

#include "tools/vcsf/CCommandLine.h"
#include "tools/vcsf/CConfigCommand.h"

#include <string>
#include <vector>

class CLinkOptions {
public:
    using Assignment = CConfigCommand::Assignment;
    enum class Take { Mine, NotMine, Bad };

    static bool IsFlag(const std::wstring& name) { return name == L"--ssl"; }
    // Keeps one of the link's options; Bad with *pError for a malformed value.
    Take Keep(const CCommandLine::Item& item, std::wstring* pError);
    // Checks the combination, resolves the camera and finds the NIC, and appends
    // the assignments. `given` are the user's NAME=VALUE assignments.
    bool Finish(const std::vector<Assignment>& given, std::vector<Assignment>* pOut, std::wstring* pError);
    bool IsHttp() const { return m_Transport.value == L"http"; }

private:
    bool AddCamera(std::vector<Assignment>* pOut, std::wstring* pError);
    bool AddNic(const std::vector<Assignment>& given, std::vector<Assignment>* pOut, std::wstring* pError);
    bool Conflicts(std::wstring* pError) const;
    static bool SplitEndpoint(const CCommandLine::Item& item, std::wstring* pHost, std::wstring* pPort, std::wstring* pError);

    CCommandLine::Item m_Camera, m_Nic, m_Multicast, m_Transport, m_Ssl, m_User, m_Password, m_TimeOut;
    std::wstring m_CameraAddress;  // dotted, once resolved
};
