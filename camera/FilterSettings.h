#pragma once
// The settings the filter holds for its transports and its file reader: the
// communication type, which chooses the transport, and the two settings blocks.

#include <windows.h>

#include <cstdint>

// The transport is in the low four bits; bit 3 plays recorded files.
enum ComType : uint16_t {
    COMTYPE_UNICAST = 0,
    COMTYPE_MULTICAST = 1,
    COMTYPE_HTTP = 2,
    COMTYPE_FILE = 8,
};
inline constexpr uint16_t kComTypeTransportMask = 0x0F;

inline uint16_t TransportOf(uint16_t usComType) { return usComType & kComTypeTransportMask; }
inline bool IsFileComType(uint16_t usComType) { return (usComType & COMTYPE_FILE) != 0; }

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

// What a transport is started with: a copy, taken while the filter is stopped.
struct FilterSettings {
    uint16_t usComType;
    NetworkSettings network;
    PlaySettings play;
};
