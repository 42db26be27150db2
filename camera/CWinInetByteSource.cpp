#include "camera/CWinInetByteSource.h"

bool CWinInetByteSource::QueryAvailable(uint32_t* pcbAvailable, uint32_t* pdwError)
{
    DWORD cb = 0;
    if (!InternetQueryDataAvailable(m_phRequest->load(), &cb, 0, 0)) {
        *pdwError = GetLastError();
        return false;
    }
    *pcbAvailable = cb;
    return true;
}

bool CWinInetByteSource::Read(uint8_t* pDest, uint32_t cbWanted, uint32_t* pcbRead, uint32_t* pdwError)
{
    DWORD cb = 0;
    if (!InternetReadFile(m_phRequest->load(), pDest, cbWanted, &cb)) {
        *pdwError = GetLastError();
        return false;
    }
    *pcbRead = cb;
    return true;
}

bool CWinInetByteSource::Pause(uint32_t dwMilliseconds)
{
    return WaitForSingleObject(m_hStopEvent, dwMilliseconds) == WAIT_TIMEOUT;
}
