#include "tools/camera/CCommandSocket.h"

#include "core/ByteOrder.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

CCommandSocket::~CCommandSocket()
{
    if (m_hSocket >= 0) close(m_hSocket);
}

bool CCommandSocket::Open(const std::string& bindAddress, uint16_t port, CCameraLog& log)
{
    m_hSocket = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (m_hSocket < 0) return false;
    if (inet_pton(AF_INET, bindAddress.c_str(), &local.sin_addr) != 1) {
        errno = EINVAL;
        return false;
    }
    if (bind(m_hSocket, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0) return false;
    socklen_t length = sizeof(local);
    if (getsockname(m_hSocket, reinterpret_cast<sockaddr*>(&local), &length) != 0) return false;
    log.Line("command port %u", ntohs(local.sin_port));
    return true;
}

ssize_t CCommandSocket::Receive(uint8_t* p, size_t cb, sockaddr_in* pFrom)
{
    socklen_t length = sizeof(*pFrom);
    return recvfrom(m_hSocket, p, cb, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(pFrom), &length);
}

std::string CCommandSocket::Endpoint(const sockaddr_in& address)
{
    char ip[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, ip, sizeof(ip));
    return std::string(ip) + ":" + std::to_string(ntohs(address.sin_port));
}

bool CCommandSocket::IsRequest(const uint8_t* p, size_t cb, size_t length, uint16_t command)
{
    return cb == length && ReadBE16(p) == length && ReadBE16(p + 2) == command;
}
