#include "tools/vcsf/CNetLookup.h"

#include "tools/vcsf/CStreamReport.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace {

// Winsock for as long as one lookup takes.
class CWinsock {
public:
    CWinsock() { m_bStarted = WSAStartup(MAKEWORD(2, 2), &m_Data) == 0; }
    ~CWinsock()
    {
        if (m_bStarted) WSACleanup();
    }
    bool Started() const { return m_bStarted; }

private:
    WSADATA m_Data = {};
    bool m_bStarted = false;
};

std::wstring Dotted(const in_addr& address)
{
    wchar_t text[INET_ADDRSTRLEN] = {};
    InetNtopW(AF_INET, &address, text, INET_ADDRSTRLEN);
    return text;
}

}  // namespace

bool CNetLookup::Resolve(const std::wstring& host, std::wstring* pAddress, std::wstring* pError)
{
    CWinsock winsock;
    ADDRINFOW hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    ADDRINFOW* pFound = nullptr;
    const int error = winsock.Started() ? GetAddrInfoW(host.c_str(), nullptr, &hints, &pFound) : WSAGetLastError();
    if (error != 0 || !pFound) {
        *pError = L"cannot find the host '" + host + L"': " + CStreamReport::SystemError(static_cast<DWORD>(error));
        return false;
    }
    *pAddress = Dotted(reinterpret_cast<const sockaddr_in*>(pFound->ai_addr)->sin_addr);
    FreeAddrInfoW(pFound);
    return true;
}

// Connecting a datagram socket sends nothing; it only asks the routing for the way.
bool CNetLookup::LocalAddressToward(const std::wstring& address, std::wstring* pLocal, std::wstring* pError)
{
    CWinsock winsock;
    sockaddr_in remote = {};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(9);
    SOCKET s = INVALID_SOCKET;
    bool ok = winsock.Started() && InetPtonW(AF_INET, address.c_str(), &remote.sin_addr) == 1 &&
              (s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)) != INVALID_SOCKET &&
              connect(s, reinterpret_cast<const sockaddr*>(&remote), sizeof(remote)) == 0;
    sockaddr_in local = {};
    int cb = sizeof(local);
    ok = ok && getsockname(s, reinterpret_cast<sockaddr*>(&local), &cb) == 0 && local.sin_addr.s_addr != 0;
    if (ok) *pLocal = Dotted(local.sin_addr);
    else *pError = L"the system has no route to " + address + L": " + CStreamReport::SystemError(WSAGetLastError());
    if (s != INVALID_SOCKET) closesocket(s);
    return ok;
}
