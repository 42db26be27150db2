#pragma once
// The live response body for the record reader: the data request's reads, and the
// reader's retry waits, which a stop cuts short.

#include "core/IHttpByteSource.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>

class CWinInetByteSource : public IHttpByteSource {
public:
    // The request is read through the pointer, so that a close that another thread
    // makes (it cancels the read) is seen on the next call.
    CWinInetByteSource(const std::atomic<HINTERNET>* phRequest, HANDLE hStopEvent)
        : m_phRequest(phRequest), m_hStopEvent(hStopEvent)
    {
    }

    bool QueryAvailable(uint32_t* pcbAvailable, uint32_t* pdwError) override;
    bool Read(uint8_t* pDest, uint32_t cbWanted, uint32_t* pcbRead, uint32_t* pdwError) override;
    bool Pause(uint32_t dwMilliseconds) override;

private:
    const std::atomic<HINTERNET>* const m_phRequest;
    const HANDLE m_hStopEvent;
};
