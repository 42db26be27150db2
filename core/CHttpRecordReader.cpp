#include "core/CHttpRecordReader.h"

#include "core/ByteOrder.h"
#include "core/CParsePacket.h"
#include "core/Trace.h"

#include <algorithm>
#include <new>

namespace {

constexpr uint32_t kPackStartCode = 0x000001BA;
constexpr uint32_t kSystemHeaderStartCode = 0x000001BB;
constexpr uint32_t kPackHeaderSize = 14;
constexpr uint32_t kSystemHeaderSearchStart = kPackHeaderSize + 4;

int HexDigit(uint8_t c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseHex4(const uint8_t* p, uint16_t* pValue)
{
    uint16_t value = 0;
    for (int i = 0; i < 4; i++) {
        const int digit = HexDigit(p[i]);
        if (digit < 0) return false;
        value = static_cast<uint16_t>(value << 4 | digit);
    }
    *pValue = value;
    return true;
}

}  // namespace

CHttpRecordReader::CHttpRecordReader(IHttpByteSource* pSource, CCamParm* pCamParm, ICamParmOwner* pOwner,
                                     CMpegBuffer* pRing, bool bHostSession, int32_t* pResult)
    : m_pSource(pSource), m_pCamParm(pCamParm), m_pOwner(pOwner), m_pRing(pRing), m_bHostSession(bHostSession)
{
    *pResult = CreateBuffer(kDataBufferSize, L"HTTPClient: m_pDataBuffer create out of memory.",
                            L"HTTP Data buffer create error: 0x%x", &m_pDataBuffer);
    if (*pResult < 0) return;
    *pResult = CreateBuffer(kHeadBufferSize, L"HTTPClient: m_pHeadBuffer create out of memory.",
                            L"HTTP Header buffer create error: 0x%x", &m_pHeadBuffer);
}

int32_t CHttpRecordReader::CreateBuffer(uint32_t capacity, const wchar_t* pOutOfMemory, const wchar_t* pCreateError,
                                        std::unique_ptr<CHTTPBuffer>* ppBuffer)
{
    int32_t result = 0;
    ppBuffer->reset(new (std::nothrow) CHTTPBuffer(capacity, &result));
    if (!*ppBuffer) {
        g_Trace(1, pOutOfMemory);
        return CHTTPBuffer::kOutOfMemory;
    }
    if (result < 0) {
        g_Trace(1, pCreateError, static_cast<uint32_t>(result));
        ppBuffer->reset();
    }
    return result;
}

int32_t CHttpRecordReader::ReadRecord()
{
    uint32_t ulTotalLength = 0;
    int32_t result = ReadHttpHead(&ulTotalLength);
    if (result >= 0) result = ReadHttpData(ulTotalLength);
    if (result < 0) g_Trace(0, L"ReadHttp error.");
    else m_pCamParm->Counters().NoteReceived(uint64_t{kIdentifyHeadSize} + kStreamHeadSize + ulTotalLength);
    return result;
}

int32_t CHttpRecordReader::RecvBytes(uint8_t* pDest, uint32_t cbWanted, uint32_t* pcbReceived)
{
    int32_t result = 0;
    uint32_t received = 0;
    while (received < cbWanted) {
        uint32_t available = 0, error = 0;
        if (!m_pSource->QueryAvailable(&available, &error)) {
            g_Trace(1, L"RecvBytes: InternetQueryDataAvailable failed: %d", error);
            result = kQueryFailed;
            break;
        }
        const uint32_t missing = cbWanted - received;
        uint32_t cbRead = 0;
        if (!m_pSource->Read(pDest + received, std::min(available, missing), &cbRead, &error)) {
            g_Trace(1, L"RecvBytes: Recv Error: %d", error);
            result = kReadFailed;
            break;
        }
        if (cbRead == 0) {
            result = RetryAfterEnd(pDest + received, missing, &cbRead);
            if (result < 0) break;
        }
        const uint32_t before = received;
        received += cbRead;
        if (StatusAtRecordStart(pDest, before, received)) {
            result = kStatusMessage;
            break;
        }
    }
    *pcbReceived = received;
    if (received >= 30)
        g_Trace(0, L"ReadBytes: Request/Recv : %u/%u (%s)", cbWanted, received, received == cbWanted ? L"ok" : L"error");
    return result;
}

// The body may only seem to end while the camera is slow: one more read, after a
// pause, for all the bytes still missing.
int32_t CHttpRecordReader::RetryAfterEnd(uint8_t* pDest, uint32_t cbMissing, uint32_t* pcbRead)
{
    g_Trace(1, L"RecvBytes: EOF.");
    if (!m_pSource->Pause(20)) return kEndOfBody;
    uint32_t error = 0;
    if (!m_pSource->Read(pDest, cbMissing, pcbRead, &error)) {
        g_Trace(1, L"RecvBytes: Recv Error: %d", error);
        return kReadFailed;
    }
    g_Trace(1, L"RecvBytes: (Retry) Request = %d, Recv = %d.", cbMissing, *pcbRead);
    if (*pcbRead == 0) {
        g_Trace(1, L"RecvBytes: EOF 2nd Times!!!!!");
        return kEndOfBody;
    }
    g_Trace(1, L"RecvBytes: EOF recover.");
    return 0;
}

// A status message stands where a record would begin, and only there; it may come
// with later bytes or in pieces, so it is looked for once six bytes are in.
bool CHttpRecordReader::StatusAtRecordStart(const uint8_t* pRecord, uint32_t cbBefore, uint32_t cbAfter)
{
    if (!m_bAtRecordStart || cbBefore >= kStatusMessageSize || cbAfter < kStatusMessageSize) return false;
    if (HasHeadIdentifier(pRecord)) return false;
    g_Trace(0, L"RecvBytes: Something status received.");
    return CheckHttpStatus(pRecord);
}

bool CHttpRecordReader::CheckHttpStatus(const uint8_t* pSix)
{
    uint16_t usStatus = 0;
    if (pSix[0] != '0' || pSix[1] != 'x' || !ParseHex4(pSix + 2, &usStatus)) {
        g_Trace(0, L"CheckHttpStatus: not header.");
        return false;
    }
    g_Trace(0, L"Status = 0x%x", usStatus);
    m_pCamParm->SetStatus(usStatus, true);
    return true;
}

int32_t CHttpRecordReader::ReadHttpHead(uint32_t* pulTotalLength)
{
    *pulTotalLength = 0;
    uint8_t bytes[kIdentifyHeadSize];
    const int32_t result = ReadIdentifyHead(bytes);
    if (result < 0) return result;
    IDENTYFY_HEAD head;
    DecodeIdentifyHead(bytes, sizeof(bytes), &head);
    if (!HasHeadIdentifier(bytes)) {
        g_Trace(1, L"ReadHttpHead: Wrong Identifier!!: 0x%08x", ReadLE32(bytes));
        g_Trace(1, L"ReadHttpHead: Not recover. Please restart by Application!!!");
        m_pCamParm->Counters().NoteWrongIdentifier();
        m_pCamParm->SetStatus(kStatusWrongIdentifier, true);
        return -1;
    }
    const int32_t lStreamHeadLength = head.usHLength - static_cast<int32_t>(kIdentifyHeadSize);
    if (lStreamHeadLength != static_cast<int32_t>(kStreamHeadSize)) {
        g_Trace(0, L"ReadHttpHead: Invalid Head Length:%d", lStreamHeadLength);
        return -2;
    }
    return ReadStreamHead(head.usStatus, pulTotalLength);
}

// A host's session may hand over a body that is not flowing yet: one more try.
int32_t CHttpRecordReader::ReadIdentifyHead(uint8_t* pHead)
{
    uint32_t received = 0;
    m_bAtRecordStart = true;
    int32_t result = RecvBytes(pHead, kIdentifyHeadSize, &received);
    if (result < 0 && result != kStatusMessage) {
        g_Trace(0, L"Read IDENTYFY_HEAD error.");
        if (m_bHostSession && m_pSource->Pause(200)) {
            result = RecvBytes(pHead, kIdentifyHeadSize, &received);
            if (result >= 0) g_Trace(0, L"ReadHttpHead: RecvBytes 2nd times ok.");
            else if (result != kStatusMessage) g_Trace(0, L"Read IDENTYFY_HEAD error 2times.");
        }
    }
    m_bAtRecordStart = false;
    if (result == kStatusMessage) g_Trace(0, L"ReadHttpHead: Status code received.");
    return result;
}

int32_t CHttpRecordReader::ReadStreamHead(uint16_t usStatus, uint32_t* pulTotalLength)
{
    CAutoLock lock(m_pHeadBuffer->CritSec());
    uint32_t received = 0;
    int32_t result = RecvBytes(m_pHeadBuffer->GetData(), kStreamHeadSize, &received);
    if (result < 0) {
        g_Trace(0, L"Read HTTP head error.");
        return result;
    }
    CParsePacket parser(m_pHeadBuffer->GetData(), received, m_pCamParm, PTYPE_HTTP);
    FirstStreamHead head;
    result = parser.GetHTTPStrmHead(&head);
    if (result < 0) {
        g_Trace(1, L"ReadHttpHead: GetHTTPStrmHead error: %d", result);
        return result;
    }
    *pulTotalLength = head.ulTotalLength;
    result = parser.StrmParmSet(head);
    if (result < 0) g_Trace(1, L"ReadHttpHead: StrmParmSet error: %d", result);
    if (CParsePacket::CheckCameraStatus(usStatus)) {
        m_pCamParm->SetStatus(usStatus, true);
        g_Trace(1, L"ReadHttpHead error status.");
        return kStatusMessage;
    }
    m_pCamParm->SetStatus(usStatus, false);
    return result;
}

int32_t CHttpRecordReader::ReadHttpData(uint32_t ulTotalLength)
{
    uint32_t cbBlock = ulTotalLength;
    if (cbBlock > m_pDataBuffer->GetCapacity()) {
        g_Trace(1, L"Recv DataSize( %u ) will bigger than buffer...!", ulTotalLength);
        cbBlock = m_pDataBuffer->GetCapacity();
    }
    int32_t result = ReceiveBlock(cbBlock);
    if (result >= 0 && m_pDataBuffer->GetLength() > 0) result = WriteBlock();
    m_pDataBuffer->Clear();
    // The rest of a record too long for the buffer is dropped, so that the next
    // head is read where it begins.
    if (result >= 0 && ulTotalLength > cbBlock) result = SkipBytes(ulTotalLength - cbBlock);
    return result;
}

int32_t CHttpRecordReader::ReceiveBlock(uint32_t cbBlock)
{
    CAutoLock lock(m_pDataBuffer->CritSec());
    uint8_t* pBlock = m_pDataBuffer->GetData();
    uint32_t received = 0;
    const int32_t result = RecvBytes(pBlock, cbBlock, &received);
    if (result < 0) {
        g_Trace(1, L"ReadHttpData: RecvBytes error: %d", result);
        return result;
    }
    uint32_t dwOffset = 0;
    const bool bKeep = m_pCamParm->IsFirstDataGet() || Synchronise(pBlock, received, &dwOffset);
    if (m_pDataBuffer->SetDataOffset(dwOffset) < 0) return 0;
    if (m_pDataBuffer->SetLength(bKeep ? received - dwOffset : 0) < 0) g_Trace(1, L"ReadHttpData: SetLength error.");
    return 0;
}

// Until the first data: a block is used from a pack header followed by a system
// header, or whole once too many blocks have gone by without one.
bool CHttpRecordReader::Synchronise(const uint8_t* pBlock, uint32_t cbBlock, uint32_t* pdwOffset)
{
    if (cbBlock >= 4) g_Trace(0, L"header = 0x%08x", ReadBE32(pBlock));
    if (cbBlock < 4 || ReadBE32(pBlock) != kPackStartCode) {
        g_Trace(0, L"ReadHttpData: not pack header, skip.");
        return false;
    }
    if (m_pCamParm->GetReadCount() > kSyncBlocks) {
        g_Trace(1, L"CHTTPClient::ReadHttpData: SyncPoint not found in %d packets!!", kSyncBlocks);
    } else if (cbBlock >= kSystemHeaderSearchStart && ReadBE32(pBlock + kPackHeaderSize) == kSystemHeaderStartCode) {
        g_Trace(0, L"ulSysHeader(0x%08x) is System Header.", kSystemHeaderStartCode);
    } else {
        const int32_t p = cbBlock > kSystemHeaderSearchStart
                              ? CParsePacket::FindSystemHeader(pBlock + kSystemHeaderSearchStart,
                                                               cbBlock - kSystemHeaderSearchStart)
                              : -1;
        if (p < 0) {
            g_Trace(0, L"systemHeader not found.");
            m_pCamParm->IncrementReadCount();
            return false;
        }
        *pdwOffset = static_cast<uint32_t>(p) + kSystemHeaderSearchStart;
        g_Trace(0, L"systemheader found...");
        g_Trace(0, L"lActualOffset = %d", *pdwOffset);
    }
    m_pCamParm->SetFirstDataGet(true);
    return true;
}

int32_t CHttpRecordReader::WriteBlock()
{
    const uint8_t* pData = m_pDataBuffer->GetValidData();
    const uint32_t cb = m_pDataBuffer->GetLength();
    m_pCamParm->NoteStreamData();
    int32_t result = 0;
    if (m_pOwner->GetLive()) {
        result = m_pRing->Write(pData, cb);
        if (result < 0) {
            g_Trace(2, L"ReadHttp: MpegBuffer overflow!!!");
            m_pCamParm->Counters().NoteRingOverflow();
            m_pCamParm->SetStatus(kStatusBufferOverflow, true);
        }
    }
    if (m_pOwner->GetRec()) m_pOwner->WriteRecording(pData, cb);
    return result;
}

int32_t CHttpRecordReader::SkipBytes(uint32_t cbSkip)
{
    CAutoLock lock(m_pDataBuffer->CritSec());
    while (cbSkip > 0) {
        const uint32_t cb = std::min(cbSkip, m_pDataBuffer->GetCapacity());
        uint32_t received = 0;
        const int32_t result = RecvBytes(m_pDataBuffer->GetData(), cb, &received);
        if (result < 0) {
            g_Trace(1, L"ReadHttpData: RecvBytes error: %d", result);
            return result;
        }
        cbSkip -= cb;
    }
    return 0;
}
