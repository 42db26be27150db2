#include "tests/simulator/CTcpPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

CTcpPeer::CTcpPeer(uint16_t port)
{
    m_hSocket = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);
    connect(m_hSocket, reinterpret_cast<sockaddr*>(&to), sizeof(to));
}

CTcpPeer::~CTcpPeer() { close(m_hSocket); }

bool CTcpPeer::Send(const std::string& text)
{
    return send(m_hSocket, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

CTcpPeer::Read CTcpPeer::Receive(std::string* pBytes, std::chrono::milliseconds wait)
{
    pollfd fd = {m_hSocket, POLLIN, 0};
    if (poll(&fd, 1, static_cast<int>(wait.count())) <= 0) return Read::Silent;
    char buffer[16384];
    const ssize_t n = recv(m_hSocket, buffer, sizeof(buffer), 0);
    if (n <= 0) return Read::End;
    pBytes->append(buffer, static_cast<size_t>(n));
    return Read::Data;
}

bool CTcpPeer::ReceiveAtLeast(std::string* pBytes, size_t cb)
{
    while (pBytes->size() < cb)
        if (Receive(pBytes, std::chrono::seconds(10)) != Read::Data) return false;
    return true;
}
