#pragma once
// A plain TCP client on loopback for the HTTP camera's tests that must see the
// bytes on the wire: the response head as sent, a body without chunks, silence.

#include <chrono>
#include <cstdint>
#include <string>

class CTcpPeer {
public:
    enum class Read { Data, End, Silent };

    explicit CTcpPeer(uint16_t port);
    ~CTcpPeer();
    CTcpPeer(const CTcpPeer&) = delete;
    CTcpPeer& operator=(const CTcpPeer&) = delete;

    bool Send(const std::string& text);
    // Appends what arrives within `wait`: Silent when nothing did, End at the connection's end.
    Read Receive(std::string* pBytes, std::chrono::milliseconds wait);
    // Receives until `pBytes` holds `cb` bytes; false when the connection ended or went silent first.
    bool ReceiveAtLeast(std::string* pBytes, size_t cb);

private:
    int m_hSocket = -1;
};
