#pragma once
// The filter's transports, one of which the communication type chooses at each
// start: the UDP receiver for unicast and multicast, the HTTP client for HTTP,
// the file reader's for recorded playback.
//
// Locking: none of its own; the filter lock serialises Start and Stop. IsActive
// may be asked from any thread.

#include "camera/ITransport.h"

#include <windows.h>

#include <memory>

class CBufferPool;
class CCamParm;
class CFileTransport;
class CHTTPClient;
class CMpegBuffer;
class CNetReceiver;
class CPlayIndexedBuffer;
class ICamParmOwner;
class IPlayOwner;

class CTransportChooser {
public:
    CTransportChooser(CBufferPool* pPool, ICamParmOwner* pOwner, IPlayOwner* pPlayOwner, CCamParm* pCamParm,
                      CMpegBuffer* pRing, CPlayIndexedBuffer* pPlayBuffer, HRESULT* phr);
    ~CTransportChooser();
    CTransportChooser(const CTransportChooser&) = delete;
    CTransportChooser& operator=(const CTransportChooser&) = delete;

    // E_NOTIMPL for a communication type without a transport.
    HRESULT Start(const FilterSettings& settings);
    void Stop();
    // Cuts short a start that waits for the camera; any thread.
    void AbortStart();
    bool IsActive();
    // A file reader was made and not deleted since.
    bool HasFileReader() const;

private:
    friend class CFilterTestPeer;

    ITransport* For(uint16_t usComType) const;

    std::unique_ptr<CNetReceiver> m_pUdp;
    std::unique_ptr<CHTTPClient> m_pHttp;
    std::unique_ptr<CFileTransport> m_pFile;
    ITransport* m_pActive = nullptr;
};
