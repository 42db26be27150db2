#pragma once
// One received datagram on its way into the stream: the head checks, the unit's
// packet and sequence checks, the over-receive correction, and the write of the
// stream data into the ring buffer for live view and to the recording parser. The receiver drops what this refuses, and
// stops the stream when it says so.

#include "core/CCamParm.h"
#include "core/CMpegBuffer.h"
#include "core/ICamParmOwner.h"

#include <cstddef>
#include <cstdint>

class CDatagramWriter {
public:
    static constexpr int32_t kMacChanged = -801;
    static constexpr int32_t kMulticastStop = -800;
    static constexpr uint32_t kMaxOverReceive = 36;

    CDatagramWriter(CCamParm* pCamParm, CMpegBuffer* pMpegBuffer, ICamParmOwner* pOwner)
        : m_pCamParm(pCamParm), m_pMpegBuffer(pMpegBuffer), m_pOwner(pOwner)
    {
    }

    // 0 for a datagram used or dropped; a negative result with *pbStop set ends the stream.
    int32_t DataWrite(const uint8_t* pData, size_t cbReceived, bool* pbStop);

private:
    // 0, with the refused datagram counted by its reason (a CParsePacket result).
    int32_t Drop(int32_t reason);
    void CheckPacketNumber(uint8_t bPacketNumber);
    uint16_t CorrectOverReceive(uint16_t usDataLength);
    int32_t WriteStreamData(const uint8_t* pStreamData, uint32_t cb, bool* pbStop);

    CCamParm* const m_pCamParm;
    CMpegBuffer* const m_pMpegBuffer;
    ICamParmOwner* const m_pOwner;
    uint16_t m_usLastPacketNumber = 0;
};
