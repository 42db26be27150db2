#include "DShowFilters/CTransportChooser.h"

#include "camera/CHTTPClient.h"
#include "camera/CNetReceiver.h"
#include "core/Trace.h"
#include "playback/CFileTransport.h"

#include <new>

CTransportChooser::CTransportChooser(CBufferPool* pPool, ICamParmOwner* pOwner, IPlayOwner* pPlayOwner,
                                     CCamParm* pCamParm, CMpegBuffer* pRing, CPlayIndexedBuffer* pPlayBuffer,
                                     HRESULT* phr)
{
    m_pUdp.reset(new (std::nothrow) CNetReceiver(pPool, pOwner, pCamParm, pRing, phr));
    if (!m_pUdp || FAILED(*phr)) {
        g_ErrorLog(1, L"Constructor", L"m_pNetReceiver");
        if (SUCCEEDED(*phr)) *phr = E_OUTOFMEMORY;
        return;
    }
    m_pHttp.reset(new (std::nothrow) CHTTPClient(pCamParm, pOwner, pRing, phr));
    if (!m_pHttp || FAILED(*phr)) {
        g_Trace(1, L"CHTTPClient create error.");
        if (SUCCEEDED(*phr)) *phr = E_OUTOFMEMORY;
        return;
    }
    m_pFile.reset(new (std::nothrow) CFileTransport(pPlayOwner, pCamParm, pPlayBuffer));
    if (!m_pFile) *phr = E_OUTOFMEMORY;
}

// The receiver's and the client's own destructors end whatever still runs.
CTransportChooser::~CTransportChooser() = default;

ITransport* CTransportChooser::For(uint16_t usComType) const
{
    if (IsFileComType(usComType)) return m_pFile.get();
    switch (TransportOf(usComType)) {
    case COMTYPE_UNICAST:
    case COMTYPE_MULTICAST:
        return m_pUdp.get();
    case COMTYPE_HTTP:
        return m_pHttp.get();
    default:
        return nullptr;
    }
}

HRESULT CTransportChooser::Start(const FilterSettings& settings)
{
    m_pActive = For(settings.usComType);
    if (!m_pActive) {
        g_ErrorLog(1, L"CVCodecSourceFilter::NetPause()", L"認識されないプロトコルです。");
        return E_NOTIMPL;
    }
    return m_pActive->Start(settings);
}

void CTransportChooser::AbortStart()
{
    m_pUdp->AbortStart();
    m_pHttp->AbortStart();
}

void CTransportChooser::Stop()
{
    if (m_pActive) m_pActive->Stop();
    m_pActive = nullptr;
}

bool CTransportChooser::IsActive() { return m_pUdp->IsActive() || m_pHttp->IsActive() || m_pFile->IsActive(); }

bool CTransportChooser::HasFileReader() const { return m_pFile->HasReader(); }
