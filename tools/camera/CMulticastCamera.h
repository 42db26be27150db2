#pragma once
// The camera in multicast: the stream goes to the group from the start, through
// the given interface, with loopback on so that a receiver on the same machine
// gets it; --stop-after, or a stop request on the command port that
// --stop-on-request opens, ends it with the multicast stop head.

#include "tools/camera/CCameraLog.h"
#include "tools/camera/CCameraOptions.h"
#include "tools/camera/CCommandSocket.h"
#include "tools/camera/CRunControl.h"
#include "tools/camera/CStreamSender.h"
#include "tools/camera/CStreamSource.h"

#include <netinet/in.h>

class CMulticastCamera {
public:
    CMulticastCamera(const CCameraOptions& options, const CStreamSource& source, CCameraLog& log);
    ~CMulticastCamera();
    CMulticastCamera(const CMulticastCamera&) = delete;
    CMulticastCamera& operator=(const CMulticastCamera&) = delete;

    int Run();

private:
    bool OpenSocket();
    bool OpenCommandPort();
    const char* ReadRequests();
    void SendStop();

    const CCameraOptions& m_Options;
    CCameraLog& m_Log;
    CRunControl m_Control;
    CStreamSender m_Sender;
    int m_hSocket = -1;
    CCommandSocket m_CommandPort;
    sockaddr_in m_Group = {};
    uint64_t m_qwStopHeads = 0;
};
