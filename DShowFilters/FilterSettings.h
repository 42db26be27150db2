#pragma once
// The settings blocks the filter holds for its transports and its file reader.

#include <windows.h>

#include <cstdint>

struct NetworkSettings {
    uint32_t ulAddress;        // camera, network order
    uint32_t ulMCAddress;      // multicast group, network order
    uint32_t ulNIC;            // local interface, network order
    uint16_t usTCPPort;        // HTTP, network order
    uint16_t usPort;           // UDP, network order
    uint16_t usMulticastPort;  // network order
    uint8_t bIsAdmin;
    WCHAR szUserName[16];
    WCHAR szPassword[16];
    uint64_t hSession;  // a host's WinINet session; full width, the module is 64-bit
    uint8_t bAuthNeed;
    uint8_t bUseSSL;
    uint32_t dwTimeOut;  // milliseconds
};

struct PlaySettings {
    WCHAR szPlayPath[260];
    double dPlaySpeed;
    uint8_t bPlayArea;
    uint8_t bPlayAudio;
    SYSTEMTIME stDateStart;
    SYSTEMTIME stDateTop;
    SYSTEMTIME stDateEnd;
};
