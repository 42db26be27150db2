#pragma once
// The camera's command port: a UDP socket bound on the given address (port 0: the
// system chooses), announced as the first log line, read without blocking. The
// unicast camera also sends its stream from it.

#include "tools/camera/CCameraLog.h"

#include <netinet/in.h>
#include <sys/types.h>

#include <cstdint>
#include <string>

constexpr uint16_t kStartRequest = 0x7001;
constexpr uint16_t kStopRequest = 0x7002;
constexpr uint16_t kContinueRequest = 0x7003;

class CCommandSocket {
public:
    CCommandSocket() = default;
    ~CCommandSocket();
    CCommandSocket(const CCommandSocket&) = delete;
    CCommandSocket& operator=(const CCommandSocket&) = delete;

    // False with errno set; otherwise logs "command port N".
    bool Open(const std::string& bindAddress, uint16_t port, CCameraLog& log);
    int Fd() const { return m_hSocket; }
    // The next waiting datagram, cut to cb; negative when none waits.
    ssize_t Receive(uint8_t* p, size_t cb, sockaddr_in* pFrom);

    static std::string Endpoint(const sockaddr_in& address);
    // A request of `length` bytes whose length word and command are as given.
    static bool IsRequest(const uint8_t* p, size_t cb, size_t length, uint16_t command);

private:
    int m_hSocket = -1;
};
