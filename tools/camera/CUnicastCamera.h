#pragma once
// The camera in unicast: requests arrive on its command port, and the stream goes
// from that same socket to the address and port the start request came from, or
// with --send-to to a fixed receiver from the start.

#include "tools/camera/CCameraLog.h"
#include "tools/camera/CCameraOptions.h"
#include "tools/camera/CCommandSocket.h"
#include "tools/camera/CRunControl.h"
#include "tools/camera/CStreamSender.h"
#include "tools/camera/CStreamSource.h"

#include <netinet/in.h>

class CUnicastCamera {
public:
    CUnicastCamera(const CCameraOptions& options, const CStreamSource& source, CCameraLog& log);
    CUnicastCamera(const CUnicastCamera&) = delete;
    CUnicastCamera& operator=(const CUnicastCamera&) = delete;

    // Runs until an end reason; 0 unless the socket failed.
    int Run();

private:
    const char* ReadRequests(Clock::time_point now);
    const char* HandleRequest(const uint8_t* p, size_t cb, const sockaddr_in& from, Clock::time_point now);
    void SendToFixedReceiver();
    void StartStream(const sockaddr_in& to, Clock::time_point now);

    const CCameraOptions& m_Options;
    CCameraLog& m_Log;
    CRunControl m_Control;
    CStreamSender m_Sender;
    CCommandSocket m_Socket;
    bool m_bStreaming = false;
    uint32_t m_dwStops = 0;
    sockaddr_in m_Client = {};
    Clock::time_point m_LastRequest;
};
