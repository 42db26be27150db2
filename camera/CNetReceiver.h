#pragma once
// The network receiver. So far: the communication type (refused while reception
// is active), the unicast socket and the command channel that it drives.

#include "core/CritSec.h"

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <memory>

class CNetCmd;

class CNetReceiver {
public:
    explicit CNetReceiver(HRESULT* phr);
    ~CNetReceiver();
    CNetReceiver(const CNetReceiver&) = delete;
    CNetReceiver& operator=(const CNetReceiver&) = delete;

    // 0 when stored, -1 when refused because reception is active.
    int32_t SetComType(uint16_t usComType);
    uint16_t GetComType();
    bool IsActive();

    // Address and port in network order, as configured.
    HRESULT InitUnicast(uint32_t ulCameraAddress);
    int32_t NetCmdSetup(uint32_t ulCameraAddress, uint16_t usCommandPort, bool bAdmin);
    void StopNetCmd();
    void LeaveMulticast_();
    // The stream socket's local port in host order; 0 before the first send gives it one.
    uint16_t LocalPort();

private:
    CCritSec m_Lock;
    uint16_t m_usComType = 0;
    bool m_bActive = false;
    bool m_bWinsockStarted = false;
    SOCKET m_hAsyncSocket = INVALID_SOCKET;
    std::unique_ptr<CNetCmd> m_pNetCmd;
};
