#pragma once
// The unicast command channel: the start request sent from the stream socket, so
// that the camera streams back to it; a thread that renews the request; the stop
// request on the way out.
//
// Locking: none of its own; its thread's start and stop are serialised by the thread.

#include <winsock2.h>
#include <windows.h>

#include "baseclasses/CWorkerThread.h"

#include <cstdint>

class CNetCmd {
public:
    static constexpr DWORD kFirstContinueMs = 1000;
    static constexpr DWORD kContinueIntervalMs = 10000;

    // The socket is borrowed; the destination holds the camera's address and command port.
    CNetCmd(SOCKET hSocket, const sockaddr_in& destination);
    ~CNetCmd();
    CNetCmd(const CNetCmd&) = delete;
    CNetCmd& operator=(const CNetCmd&) = delete;

    int32_t SendReq(const uint8_t* pBuffer, int32_t nLength);
    int32_t SendStartReq(bool bAdmin);
    int32_t SendContReq();
    int32_t SendStopReq();
    HRESULT InitContThread();
    int32_t StopContThread();

private:
    friend class CNetCmdTestPeer;

    // Before InitContThread; tests shorten the cadence.
    void SetIntervals(DWORD dwFirstMs, DWORD dwIntervalMs);
    int32_t SendCommand(uint16_t usCommand, const uint16_t* pusArgument, const wchar_t* pszName);
    static unsigned ThreadProc(void* pParam);
    void RenewUntilStopped();

    SOCKET m_hSocket;
    sockaddr_in m_Destination;
    // The receiving thread's stop path and the filter's Stop may both end it.
    CWorkerThread m_ContThread;
    DWORD m_dwFirstMs = kFirstContinueMs;
    DWORD m_dwIntervalMs = kContinueIntervalMs;
};
