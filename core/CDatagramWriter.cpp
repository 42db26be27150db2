#include "core/CDatagramWriter.h"

#include "core/CParsePacket.h"
#include "core/Trace.h"

int32_t CDatagramWriter::DataWrite(const uint8_t* pData, size_t cbReceived, bool* pbStop)
{
    *pbStop = false;
    CParsePacket parser(pData, cbReceived, m_pCamParm);
    uint16_t usType = PTYPE_INVALID;
    const int32_t check = parser.checkHead(&usType);
    if (check < 0) return Drop(check);
    const int32_t kind = parser.GetHeadKind();
    if (kind == 1) {
        m_usLastPacketNumber = 0;
        m_pCamParm->PacketCheck();
    }
    int32_t lStart = 0;
    uint16_t usDataLength = 0;
    uint32_t ulTotalLength = 0;
    uint8_t bPacketNumber = 0, bSequence = 0;
    if (parser.ParseHead(&lStart, &usDataLength, &ulTotalLength, &bPacketNumber, &bSequence) ==
        CParsePacket::kShortPacket)
        return Drop(CParsePacket::kShortPacket);
    const size_t begin = static_cast<size_t>(parser.GetHeadLength() > 0 ? parser.GetHeadLength() : 0) + lStart;
    if (lStart < 0 || lStart > usDataLength || begin + (usDataLength - lStart) > cbReceived)
        return Drop(CParsePacket::kShortPacket);
    if (kind == 1) m_pCamParm->SequenceCheck(bSequence);
    if (kind == 2) {
        CheckPacketNumber(bPacketNumber);
        usDataLength = CorrectOverReceive(usDataLength);
    }

    if (usType == PTYPE_DUPLICATED) {
        m_pCamParm->SetStatus(kStatusMacChanged, true);
        *pbStop = true;
        return kMacChanged;
    }
    if (usType == PTYPE_MC_STOP) {
        *pbStop = true;
        return kMulticastStop;
    }
    if (!m_pCamParm->IsFirstDataGet() || usDataLength <= lStart) return 0;
    m_pCamParm->NoteStreamData();
    const uint32_t cb = usDataLength - lStart;
    const int32_t result = WriteStreamData(pData + begin, cb, pbStop);
    if (!*pbStop && m_pOwner->GetRec()) m_pOwner->WriteRecording(pData + begin, cb);
    return result;
}

// Each datagram is counted once, by the first check that refuses it.
int32_t CDatagramWriter::Drop(int32_t reason)
{
    CLinkCounters& counters = m_pCamParm->Counters();
    if (reason == CParsePacket::kWrongIdentifier) counters.NoteWrongIdentifier();
    else counters.NoteShortOrDropped();
    return 0;
}

void CDatagramWriter::CheckPacketNumber(uint8_t bPacketNumber)
{
    if (m_pCamParm->IsFirstDataGet() && !m_pCamParm->IsFirstPacket() && bPacketNumber != m_usLastPacketNumber + 1) {
        g_Trace(1, L"DataWrite:PacketCheck(Continuous): PacketNum error.");
        m_pCamParm->Counters().NotePacketGap();
    }
    m_usLastPacketNumber = bPacketNumber;
}

// A camera may announce a unit a few bytes short of what it sends; those bytes are
// not stream data.
uint16_t CDatagramWriter::CorrectOverReceive(uint16_t usDataLength)
{
    const uint32_t received = m_pCamParm->GetRecvLength();
    const uint32_t total = m_pCamParm->GetTotalLength();
    if (received <= total) return usDataLength;
    const uint32_t excess = received - total;
    if (excess > kMaxOverReceive || excess > usDataLength) return usDataLength;
    const uint16_t corrected = static_cast<uint16_t>(usDataLength - excess);
    g_Trace(1, L"CNetReceiver::DataWrite: Over Receive %d byte, Correct to %d", excess, corrected);
    return corrected;
}

int32_t CDatagramWriter::WriteStreamData(const uint8_t* pStreamData, uint32_t cb, bool* pbStop)
{
    if (!m_pOwner->GetLive()) return 0;
    const int32_t result = m_pMpegBuffer->Write(pStreamData, cb);
    if (result < 0) {
        g_Trace(1, L"DataWrite: MpegBuffer write error(%d)", result);
        m_pCamParm->Counters().NoteRingOverflow();
        m_pCamParm->SetStatus(kStatusBufferOverflow, true);
        *pbStop = true;
    }
    return result;
}
