#pragma once
// The camera in multicast: the stream goes to the group from the start, through
// the given interface, with loopback on so that a receiver on the same machine
// gets it; --stop-after ends it with the multicast stop head.

#include "tools/camera/CCameraLog.h"
#include "tools/camera/CCameraOptions.h"
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
    void SendStop();

    const CCameraOptions& m_Options;
    CCameraLog& m_Log;
    CRunControl m_Control;
    CStreamSender m_Sender;
    int m_hSocket = -1;
    sockaddr_in m_Group = {};
};
