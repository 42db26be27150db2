#pragma once
// The recording path between the receivers and the recording push thread: the
// recording buffer (the live indexed buffer), the program-stream parser that cuts
// the camera's stream into its packs, and the sample pool over that buffer.
//
// Locking: m_ParserLock keeps the parser from going while a receiving thread
// writes into it; the recording buffer's own lock is taken inside it. Taken after
// the filter lock.

#include "core/CritSec.h"

#include <windows.h>
#include <unknwn.h>

#include <cstdint>
#include <memory>

class CCamParm;
class CESMediaSamplePool;
class CIndexedBuffer2;
class CParsePS;

class CRecordingPath {
public:
    static constexpr int kPoolSamples = 10;

    CRecordingPath(IUnknown* pFilter, CCamParm* pCamParm, HRESULT* phr);
    ~CRecordingPath();
    CRecordingPath(const CRecordingPath&) = delete;
    CRecordingPath& operator=(const CRecordingPath&) = delete;

    // S_OK with a parser, a new one or the one there was.
    HRESULT CreateParser();
    void DeleteParser();
    // The stream data of one camera packet, if there is a parser; after the first
    // packet of a unit the parser also cuts what it holds into packs.
    void Write(const uint8_t* pData, uint32_t cb, bool bUnitStart);
    // Empty again; samples still downstream belong to the round that ends here.
    void Reset();

    CIndexedBuffer2* Buffer() const { return m_pBuffer.get(); }
    CESMediaSamplePool* Pool() const { return m_pPool.get(); }

private:
    friend class CFilterTestPeer;

    CCamParm* const m_pCamParm;
    std::unique_ptr<CIndexedBuffer2> m_pBuffer;
    std::unique_ptr<CESMediaSamplePool> m_pPool;
    CCritSec m_ParserLock;
    std::unique_ptr<CParsePS> m_pParser;
};
