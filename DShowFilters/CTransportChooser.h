#pragma once
// The filter's transports, one of which the communication type chooses at each
// start: the UDP receiver for unicast and multicast, the HTTP client for HTTP.
//
// Locking: none of its own; the filter lock serialises Start and Stop. IsActive
// may be asked from any thread.

#include "camera/ITransport.h"

#include <windows.h>

#include <memory>

class CBufferPool;
class CCamParm;
class CHTTPClient;
class CMpegBuffer;
class CNetReceiver;
class ICamParmOwner;

class CTransportChooser {
public:
    CTransportChooser(CBufferPool* pPool, ICamParmOwner* pOwner, CCamParm* pCamParm, CMpegBuffer* pRing,
                      HRESULT* phr);
    ~CTransportChooser();
    CTransportChooser(const CTransportChooser&) = delete;
    CTransportChooser& operator=(const CTransportChooser&) = delete;

    // E_NOTIMPL for a communication type without a transport.
    HRESULT Start(const FilterSettings& settings);
    void Stop();
    bool IsActive();

private:
    friend class CFilterTestPeer;

    ITransport* For(uint16_t usComType) const;

    std::unique_ptr<CNetReceiver> m_pUdp;
    std::unique_ptr<CHTTPClient> m_pHttp;
    ITransport* m_pActive = nullptr;
};
