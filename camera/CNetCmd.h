#pragma once
// The unicast command channel: the start request sent from the stream socket, so
// that the camera streams back to it; a thread that renews the request; the stop
// request on the way out.

#include <winsock2.h>
#include <windows.h>

#include "core/CritSec.h"

#include <cstdint>

class CNetCmd {
public:
    static constexpr DWORD kFirstContinueMs = 1000;
    static constexpr DWORD kContinueIntervalMs = 10000;

    // The socket is borrowed; the destination holds the camera's address and command port.
    CNetCmd(SOCKET hSocket, const sockaddr_in& destination, HRESULT* phr);
    ~CNetCmd();
    CNetCmd(const CNetCmd&) = delete;
    CNetCmd& operator=(const CNetCmd&) = delete;

    int32_t SendReq(const uint8_t* pBuffer, int32_t nLength);
    int32_t SendStartReq(bool bAdmin);
    int32_t SendContReq();
    int32_t SendStopReq();
    HRESULT InitContThread();
    int32_t StopContThread();
    // Before InitContThread; tests shorten the cadence.
    void SetIntervals(DWORD dwFirstMs, DWORD dwIntervalMs);

private:
    int32_t SendCommand(uint16_t usCommand, const uint16_t* pusArgument, const wchar_t* pszName);
    static unsigned __stdcall ThreadProc(void* pParam);
    void RenewUntilStopped();

    SOCKET m_hSocket;
    sockaddr_in m_Destination;
    // The receiving thread's stop path and the filter's Stop may both end the thread.
    CCritSec m_ThreadLock;
    HANDLE m_hContThread = nullptr;
    HANDLE m_hStopEvent = nullptr;
    DWORD m_dwFirstMs = kFirstContinueMs;
    DWORD m_dwIntervalMs = kContinueIntervalMs;
};
