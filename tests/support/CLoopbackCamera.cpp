#include "tests/support/CLoopbackCamera.h"

namespace {
bool IsRefusedPort(uint16_t port)
{
    return port <= 1024 || (port >= 4000 && port <= 5000) || port == 10000 || port == 10001 || port == 34341 ||
           port == 38214;
}
}  // namespace

CLoopbackCamera::CLoopbackCamera(std::vector<Bytes> answer) : m_Answer(std::move(answer))
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    // Drawn again while the system gives a port the filter refuses for the camera.
    for (uint16_t port = 0; port == 0 || IsRefusedPort(port);) {
        if (m_hSocket != INVALID_SOCKET) closesocket(m_hSocket);
        m_hSocket = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local = {};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_hSocket, reinterpret_cast<sockaddr*>(&local), sizeof(local));
        int length = sizeof(local);
        getsockname(m_hSocket, reinterpret_cast<sockaddr*>(&local), &length);
        port = ntohs(local.sin_port);
        m_usPort = local.sin_port;
    }
    m_Thread = std::thread([this] { Serve(); });
}

// Closing the socket ends the blocked receive, and with it the thread.
CLoopbackCamera::~CLoopbackCamera()
{
    closesocket(m_hSocket);
    m_Thread.join();
    WSACleanup();
}

std::vector<CLoopbackCamera::Request> CLoopbackCamera::Requests()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Requests;
}

void CLoopbackCamera::Send(const std::vector<Bytes>& datagrams)
{
    sockaddr_in to;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        to = m_Requester;
    }
    for (const Bytes& d : datagrams) {
        sendto(m_hSocket, reinterpret_cast<const char*>(d.data()), static_cast<int>(d.size()), 0,
               reinterpret_cast<const sockaddr*>(&to), sizeof(to));
    }
}

void CLoopbackCamera::Serve()
{
    for (;;) {
        uint8_t buffer[64];
        sockaddr_in from = {};
        int length = sizeof(from);
        const int n = recvfrom(m_hSocket, reinterpret_cast<char*>(buffer), sizeof(buffer), 0,
                               reinterpret_cast<sockaddr*>(&from), &length);
        if (n <= 0) return;
        const bool bStart = n == 6 && buffer[2] == 0x70 && buffer[3] == 0x01;
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_Requests.push_back({Bytes(buffer, buffer + n), ntohs(from.sin_port)});
            if (bStart) m_Requester = from;
        }
        if (bStart) Send(m_Answer);
    }
}
