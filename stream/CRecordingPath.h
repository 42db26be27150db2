#pragma once
// The recording path between the receivers and the recording push thread: the
// recording buffer (the live indexed buffer), the program-stream parser that cuts
// the camera's stream into its packs, and the sample pool over that buffer.
//
// A pack is indexed as soon as its end has arrived: with every camera packet, not
// at the next unit. An overflow of the parser's ring or of the recording buffer
// costs the packs up to the next key pack: the host hears status 0x9006 when the
// gap opens.
//
// Locking: m_ParserLock keeps the parser from going while a receiving thread
// writes into it; the recording buffer's own lock is taken inside it. Taken after
// the filter lock. The host is told of a gap after m_ParserLock is left.

#include "core/CritSec.h"

#include <windows.h>
#include <unknwn.h>

#include <atomic>
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
    // The stream has ended for the recording: the packs whose end has arrived are
    // indexed, the parser goes, and the buffer is read to its end.
    void EndParser();
    // The stream data of one camera packet, if there is a parser.
    void Write(const uint8_t* pData, uint32_t cb);
    // The camera link breaks and a new session follows: the pack cut short is
    // dropped, and the recording goes on at the new session's first key pack, marked
    // as after a gap. Not told as an overflow. No receiver writes meanwhile.
    void BreakForReconnect();
    // Empty again; samples still downstream belong to the round that ends here.
    void Reset();

    CIndexedBuffer2* Buffer() const { return m_pBuffer.get(); }
    CESMediaSamplePool* Pool() const { return m_pPool.get(); }

private:
    friend class CFilterTestPeer;

    void FollowGap(const wchar_t* pszBuffer);

    CCamParm* const m_pCamParm;
    std::unique_ptr<CIndexedBuffer2> m_pBuffer;
    std::unique_ptr<CESMediaSamplePool> m_pPool;
    CCritSec m_ParserLock;
    std::unique_ptr<CParsePS> m_pParser;
    // The gaps the host was told of: the receiving thread's, cleared by Reset.
    std::atomic<uint32_t> m_dwGapsTold{0};
    std::atomic<bool> m_bGapOpen{false};
};
