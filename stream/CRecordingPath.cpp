#include "stream/CRecordingPath.h"

#include "core/CCamParm.h"
#include "core/CIndexedBuffer2.h"
#include "core/CParsePS.h"
#include "core/Trace.h"
#include "stream/CESMediaSamplePool.h"

#include <new>

CRecordingPath::CRecordingPath(IUnknown* pFilter, CCamParm* pCamParm, HRESULT* phr) : m_pCamParm(pCamParm)
{
    int32_t result = 0;
    m_pBuffer.reset(new (std::nothrow)
                        CIndexedBuffer2(CIndexedBuffer2::kLiveSize, CIndexedBuffer2::kLiveType, &result));
    if (!m_pBuffer || result < 0) {
        g_Trace(1, L"Constructor: m_pRecBuffer create error.");
        *phr = E_OUTOFMEMORY;
        return;
    }
    HRESULT hr = S_OK;
    m_pPool.reset(new (std::nothrow) CESMediaSamplePool(kPoolSamples, pFilter, pCamParm, m_pBuffer.get(), &hr));
    if (!m_pPool || FAILED(hr)) {
        g_ErrorLog(1, L"Constructor", L"m_pMSPoolR");
        *phr = FAILED(hr) ? hr : E_OUTOFMEMORY;
    }
}

// The parser writes into the buffer, and the pool's samples point into it.
CRecordingPath::~CRecordingPath()
{
    DeleteParser();
    m_pPool.reset();
    m_pBuffer.reset();
}

HRESULT CRecordingPath::CreateParser()
{
    CAutoLock lock(&m_ParserLock);
    if (m_pParser) return S_OK;
    int32_t result = E_FAIL;
    m_pParser.reset(new (std::nothrow) CParsePS(m_pBuffer.get(), m_pCamParm, &result));
    if (!m_pParser) return E_FAIL;
    if (result < 0) {
        g_Trace(1, L"CreateParsePS: Create CParsePS failed.");
        m_pParser.reset();
        return result;
    }
    return S_OK;
}

void CRecordingPath::DeleteParser()
{
    std::unique_ptr<CParsePS> pParser;
    CAutoLock lock(&m_ParserLock);
    pParser = std::move(m_pParser);
}

void CRecordingPath::EndParser()
{
    std::unique_ptr<CParsePS> pParser;
    CAutoLock lock(&m_ParserLock);
    if (m_pParser) m_pParser->Flush();
    pParser = std::move(m_pParser);
    m_pBuffer->EndOfInput();
}

void CRecordingPath::Write(const uint8_t* pData, uint32_t cb)
{
    int32_t written = 0;
    {
        CAutoLock lock(&m_ParserLock);
        if (!m_pParser) return;
        written = m_pParser->Write(pData, cb);
        m_pParser->Parse();
    }
    FollowGap(written == CParsePS::kOverflow ? L"parser's ring" : L"recording buffer");
}

// A gap that opened and closed within one write is still told. The next stream
// head's notification carries status 0 again.
void CRecordingPath::FollowGap(const wchar_t* pszBuffer)
{
    const CIndexedBuffer2::Gaps gaps = m_pBuffer->GetGaps();
    if (gaps.opened != m_dwGapsTold) {
        m_pCamParm->Counters().NoteRecordingOverflows(gaps.opened - m_dwGapsTold);
        m_dwGapsTold = gaps.opened;
        m_bGapOpen = true;
        g_Trace(1, L"Recording: the %s overflowed; packs are dropped up to the next key pack.", pszBuffer);
        m_pCamParm->SetStatus(kStatusBufferOverflow, true);
    }
    if (!m_bGapOpen || gaps.bOpen) return;
    m_bGapOpen = false;
    g_Trace(1, L"Recording: goes on at a key pack.");
}

void CRecordingPath::BreakForReconnect()
{
    {
        CAutoLock lock(&m_ParserLock);
        if (!m_pParser) return;
        m_pParser.reset();
        m_pBuffer->OpenGap();
        m_dwGapsTold = m_pBuffer->GetGaps().opened;
    }
    if (FAILED(CreateParser())) g_Trace(1, L"Recording: no parser after the reconnection; the recording ends.");
}

void CRecordingPath::Reset()
{
    m_pPool->NewRound();
    m_pBuffer->Init();
    m_dwGapsTold = 0;
    m_bGapOpen = false;
}
