#pragma once
// The filter's insides, for tests only.

#include "DShowFilters/CVCodecSourceFilter.h"
#include "DShowFilters/CTransportChooser.h"
#include "camera/CNetReceiver.h"
#include "core/CCamParm.h"
#include "core/CMpegBuffer.h"
#include "stream/CPushWorkers.h"
#include "stream/CRecordingPath.h"

class CFilterTestPeer {
public:
    static CCamParm* CamParm(CVCodecSourceFilter* f) { return f->m_pCamParm.get(); }
    static CMpegBuffer* Ring(CVCodecSourceFilter* f) { return f->m_pMpegBuffer.get(); }
    static CNetReceiver* Receiver(CVCodecSourceFilter* f) { return f->m_pTransports->m_pUdp.get(); }
    static bool IsTransportActive(CVCodecSourceFilter* f) { return f->m_pTransports->IsActive(); }
    static bool HasWorker(CVCodecSourceFilter* f, uint32_t worker) { return f->m_pWorkers->Has(worker); }
    static bool HasParser(CVCodecSourceFilter* f)
    {
        CAutoLock lock(&f->m_pRecording->m_ParserLock);
        return f->m_pRecording->m_pParser != nullptr;
    }
};
