#pragma once
// A TCP port on 127.0.0.1 that the system chose: listening, for a server that
// accepts and never answers, or closed again, for a port where nothing listens.
// Winsock must be started.

#include <winsock2.h>

#include <cstdint>

class CLoopbackTcpPort {
public:
    explicit CLoopbackTcpPort(bool bListen)
    {
        m_Socket = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr = {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int cb = sizeof(addr);
        if (bind(m_Socket, reinterpret_cast<sockaddr*>(&addr), cb) == 0 &&
            getsockname(m_Socket, reinterpret_cast<sockaddr*>(&addr), &cb) == 0 && (!bListen || listen(m_Socket, 4) == 0))
            m_usPort = ntohs(addr.sin_port);
        if (!bListen) Close();
    }
    ~CLoopbackTcpPort() { Close(); }
    CLoopbackTcpPort(const CLoopbackTcpPort&) = delete;
    CLoopbackTcpPort& operator=(const CLoopbackTcpPort&) = delete;

    uint16_t Port() const { return m_usPort; }  // 0 when it could not be had

private:
    void Close()
    {
        if (m_Socket != INVALID_SOCKET) closesocket(m_Socket);
        m_Socket = INVALID_SOCKET;
    }

    SOCKET m_Socket = INVALID_SOCKET;
    uint16_t m_usPort = 0;
};
