#pragma once
// The body of the live response as the record reader sees it: WinINet's request
// handle on Windows, memory in the native tests and the fuzzer.

#include <cstdint>

class IHttpByteSource {
public:
    virtual ~IHttpByteSource() = default;

    // Bytes that can be read now (InternetQueryDataAvailable); false with the
    // system's error code when the query failed.
    virtual bool QueryAvailable(uint32_t* pcbAvailable, uint32_t* pdwError) = 0;
    // Up to cbWanted bytes (InternetReadFile); 0 read means the body ended.
    virtual bool Read(uint8_t* pDest, uint32_t cbWanted, uint32_t* pcbRead, uint32_t* pdwError) = 0;
    // The retry waits; false when the stop came during the wait.
    virtual bool Pause(uint32_t dwMilliseconds) = 0;
};
