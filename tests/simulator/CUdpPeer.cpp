#include "tests/simulator/CUdpPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

CUdpPeer::CUdpPeer() { Open(htonl(INADDR_LOOPBACK)); }

CUdpPeer::CUdpPeer(const std::string& group)
{
    Open(htonl(INADDR_ANY));
    ip_mreq membership = {};
    inet_pton(AF_INET, group.c_str(), &membership.imr_multiaddr);
    membership.imr_interface.s_addr = htonl(INADDR_LOOPBACK);
    setsockopt(m_hSocket, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof(membership));
}

CUdpPeer::~CUdpPeer() { close(m_hSocket); }

void CUdpPeer::Open(uint32_t address)
{
    m_hSocket = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = address;
    bind(m_hSocket, reinterpret_cast<sockaddr*>(&local), sizeof(local));
    socklen_t length = sizeof(local);
    getsockname(m_hSocket, reinterpret_cast<sockaddr*>(&local), &length);
    m_usPort = ntohs(local.sin_port);
    const int buffer = 4 << 20;  // the stream may run ahead of a slow test
    setsockopt(m_hSocket, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof(buffer));
    const timeval bound = {10, 0};  // a bound on a lost datagram, not a pace
    setsockopt(m_hSocket, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof(bound));
}

void CUdpPeer::SendTo(uint16_t port, const std::vector<uint8_t>& bytes)
{
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);
    sendto(m_hSocket, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof(to));
}

bool CUdpPeer::Receive(std::vector<uint8_t>* pDatagram) { return Receive(pDatagram, 0); }

std::vector<std::vector<uint8_t>> CUdpPeer::Drain()
{
    std::vector<std::vector<uint8_t>> datagrams(1);
    while (Receive(&datagrams.back(), MSG_DONTWAIT)) datagrams.emplace_back();
    datagrams.pop_back();
    return datagrams;
}

bool CUdpPeer::Receive(std::vector<uint8_t>* pDatagram, int flags)
{
    pDatagram->resize(65536);
    const ssize_t n = recv(m_hSocket, pDatagram->data(), pDatagram->size(), flags);
    if (n < 0) return false;
    pDatagram->resize(static_cast<size_t>(n));
    return true;
}
