#pragma once
// What the system's resolver and routing say about the camera: its IPv4 address
// from a host name, and the local address that traffic to it leaves from.

#include <string>

class CNetLookup {
public:
    // A dotted IPv4 address for a host name or a dotted address; false with
    // *pError for a person when the name is unknown.
    static bool Resolve(const std::wstring& host, std::wstring* pAddress, std::wstring* pError);
    // The local address that the system's routing picks to reach `address`.
    static bool LocalAddressToward(const std::wstring& address, std::wstring* pLocal, std::wstring* pError);
};
