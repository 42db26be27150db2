#pragma once
// The receiver's side of the wire for the simulator's tests: a UDP socket on
// loopback, or a member of a multicast group joined on 127.0.0.1.

#include <cstdint>
#include <string>
#include <vector>

class CUdpPeer {
public:
    CUdpPeer();
    // Joined to `group` on loopback, on a port of its own (Port()).
    explicit CUdpPeer(const std::string& group);
    ~CUdpPeer();
    CUdpPeer(const CUdpPeer&) = delete;
    CUdpPeer& operator=(const CUdpPeer&) = delete;

    uint16_t Port() const { return m_usPort; }
    void SendTo(uint16_t port, const std::vector<uint8_t>& bytes);
    // The next datagram; false when none came within the bound.
    bool Receive(std::vector<uint8_t>* pDatagram);
    // The datagrams already waiting, without waiting for more.
    std::vector<std::vector<uint8_t>> Drain();

private:
    void Open(uint32_t address);
    bool Receive(std::vector<uint8_t>* pDatagram, int flags);

    int m_hSocket = -1;
    uint16_t m_usPort = 0;
};
