#pragma once
// Reads the live response body record by record: the identify head, the stream
// head, the record's program stream, or a six-byte status message instead; finds
// the first pack with a system header; writes the stream into the ring buffer and
// to the recording parser.
//
// A record's first six bytes are where a status message may stand, however the
// body's bytes arrive; a record longer than the data buffer is cut to it and the
// rest is read and dropped, so that the next head is read where it begins.
//
// Threads: the receiving thread alone calls ReadRecord and the operations below
// it; it holds the data buffer's lock while it fills the buffer.

#include "core/CCamParm.h"
#include "core/CHTTPBuffer.h"
#include "core/CMpegBuffer.h"
#include "core/ICamParmOwner.h"
#include "core/IHttpByteSource.h"

#include <cstdint>
#include <memory>

class CHttpRecordReader {
public:
    static constexpr uint32_t kDataBufferSize = 0x14000;
    static constexpr uint32_t kHeadBufferSize = 256;
    static constexpr int32_t kStatusMessage = -4;
    // RecvBytes' failures besides kStatusMessage.
    static constexpr int32_t kQueryFailed = -1;
    static constexpr int32_t kEndOfBody = -2;
    static constexpr int32_t kReadFailed = -3;

    CHttpRecordReader(IHttpByteSource* pSource, CCamParm* pCamParm, ICamParmOwner* pOwner, CMpegBuffer* pRing,
                      bool bHostSession, int32_t* pResult);

    // One record: its heads, then its data. A negative result ends the stream.
    int32_t ReadRecord();
    int32_t ReadHttpHead(uint32_t* pulTotalLength);
    int32_t ReadHttpData(uint32_t ulTotalLength);
    int32_t RecvBytes(uint8_t* pDest, uint32_t cbWanted, uint32_t* pcbReceived);
    bool CheckHttpStatus(const uint8_t* pSix);

private:
    static constexpr uint32_t kIdentifyHeadSize = 14;
    static constexpr uint32_t kStreamHeadSize = 36;
    static constexpr uint32_t kStatusMessageSize = 6;
    static constexpr uint32_t kSyncBlocks = 30;

    int32_t CreateBuffer(uint32_t capacity, const wchar_t* pOutOfMemory, const wchar_t* pCreateError,
                         std::unique_ptr<CHTTPBuffer>* ppBuffer);
    int32_t ReadIdentifyHead(uint8_t* pHead);
    int32_t ReadStreamHead(uint16_t usStatus, uint32_t* pulTotalLength);
    int32_t RetryAfterEnd(uint8_t* pDest, uint32_t cbMissing, uint32_t* pcbRead);
    bool StatusAtRecordStart(const uint8_t* pRecord, uint32_t cbBefore, uint32_t cbAfter);
    int32_t ReceiveBlock(uint32_t cbBlock);
    bool Synchronise(const uint8_t* pBlock, uint32_t cbBlock, uint32_t* pdwOffset);
    int32_t WriteBlock();
    int32_t SkipBytes(uint32_t cbSkip);

    IHttpByteSource* const m_pSource;
    CCamParm* const m_pCamParm;
    ICamParmOwner* const m_pOwner;
    CMpegBuffer* const m_pRing;
    const bool m_bHostSession;
    std::unique_ptr<CHTTPBuffer> m_pDataBuffer;
    std::unique_ptr<CHTTPBuffer> m_pHeadBuffer;
    bool m_bAtRecordStart = false;  // RecvBytes is reading a record's identify head
};
