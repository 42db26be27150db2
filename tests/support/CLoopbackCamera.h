#pragma once
// A camera's command port on 127.0.0.1 for the filter's lifecycle tests: it records
// the requests that arrive, and answers each start request with the datagrams it is
// given, sent to the requesting socket. The integration tests use vcsf-camera.

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class CLoopbackCamera {
public:
    using Bytes = std::vector<uint8_t>;
    struct Request {
        Bytes bytes;
        uint16_t usFromPort;  // host order
    };

    explicit CLoopbackCamera(std::vector<Bytes> answer);
    ~CLoopbackCamera();
    CLoopbackCamera(const CLoopbackCamera&) = delete;
    CLoopbackCamera& operator=(const CLoopbackCamera&) = delete;

    uint16_t Port() const { return m_usPort; }  // network order
    std::vector<Request> Requests();
    // Sends more datagrams to the socket that sent the last start request.
    void Send(const std::vector<Bytes>& datagrams);

private:
    void Serve();

    SOCKET m_hSocket = INVALID_SOCKET;
    uint16_t m_usPort = 0;
    std::vector<Bytes> m_Answer;
    std::mutex m_Mutex;
    std::vector<Request> m_Requests;
    sockaddr_in m_Requester = {};
    std::thread m_Thread;
};
