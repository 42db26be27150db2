#include "core/CParsePacket.h"

#include "core/ByteOrder.h"
#include "core/Trace.h"

#include <cstring>

CParsePacket::CParsePacket(const uint8_t* pData, size_t cbReceived, CCamParm* pCamParm)
    : m_pData(pData), m_cbReceived(cbReceived), m_pCamParm(pCamParm)
{
}

CParsePacket::CParsePacket(const uint8_t* pData, size_t cbReceived, CCamParm* pCamParm, uint16_t usType)
    : m_pData(pData), m_cbReceived(cbReceived), m_pCamParm(pCamParm), m_usType(usType)
{
}

int32_t CParsePacket::checkHead(uint16_t* pusType)
{
    *pusType = PTYPE_INVALID;
    if (m_cbReceived < CommonHead::kSize) {
        g_Trace(1, L"checkHead: Short packet: %u bytes", static_cast<uint32_t>(m_cbReceived));
        return kShortPacket;
    }
    if (!HasHeadIdentifier(m_pData)) {
        g_Trace(1, L"checkHead: Wrong Identifier!!: 0x%08x", ReadLE32(m_pData));
        g_Trace(0, L"usLength = 0x%04x, usType = 0x%04x", m_pData[4] | m_pData[5] << 8, m_pData[6] | m_pData[7] << 8);
        return kWrongIdentifier;
    }
    uint16_t usHLength = ReadBE16(m_pData + 4);
    uint16_t usType = ReadBE16(m_pData + 6);
    if (usHLength > m_cbReceived) {
        g_Trace(1, L"checkHead: Head length %u is more than the %u bytes received", usHLength,
                static_cast<uint32_t>(m_cbReceived));
        return kShortPacket;
    }
    switch (usType) {
    case PTYPE_RES_HEAD:
    case PTYPE_FIRST:
    case PTYPE_CONT:
    case PTYPE_MC_CONT:
    case PTYPE_MC_STOP:
        m_usType = usType;
        m_usHLength = usHLength;
        *pusType = usType;
        return 0;
    case PTYPE_MC_FIRST:
        return CheckMacRule(usHLength, pusType);
    default:
        g_Trace(0, L"CParsePacket::checkHead: Unknow Head Type: 0x%04x", usType);
        return kUnknownType;
    }
}

// The first multicast head after a reset teaches the camera's MAC address; a later
// one from another MAC means a second camera sends to the same group and port.
int32_t CParsePacket::CheckMacRule(uint16_t usHLength, uint16_t* pusType)
{
    if (m_cbReceived < 14) {
        g_Trace(1, L"checkHead: Short packet: %u bytes", static_cast<uint32_t>(m_cbReceived));
        return kShortPacket;
    }
    const uint8_t* pHeadMac = m_pData + 8;
    uint8_t stored[6];
    m_pCamParm->GetMacAddress(stored);
    bool bTaught = stored[0] || stored[1] || stored[2];
    if (bTaught && std::memcmp(stored, pHeadMac, 6) != 0) {
        g_Trace(1, L"CParcePacket::checkHead: MAC ADDRESS changed! There may be two cameras of which IP and Port "
                   L"are same...");
        m_usHLength = usHLength;
        *pusType = PTYPE_DUPLICATED;
        return 0;
    }
    m_pCamParm->SetMacAddress(pHeadMac);
    m_usType = PTYPE_MC_FIRST;
    m_usHLength = usHLength;
    *pusType = PTYPE_MC_FIRST;
    return 0;
}

int32_t CParsePacket::GetHeadKind() const
{
    if (m_usType == PTYPE_FIRST || m_usType == PTYPE_MC_FIRST) return 1;
    if (m_usType == PTYPE_CONT || m_usType == PTYPE_MC_CONT) return 2;
    return 0;
}

int32_t CParsePacket::GetHeadLength() const
{
    if (m_usHLength == 0) {
        g_Trace(0, L"m_usHLength hasn't gotten yet.");
        return -1;
    }
    return m_usHLength;
}

int32_t CParsePacket::ParseHead(int32_t* plStartOffset, uint16_t* pusDataLength, uint32_t* pulTotalLength,
                                uint8_t* pbPacketNumber, uint8_t* pbSequence)
{
    bool bError = false;
    int32_t result = 0;
    switch (m_usType) {
    case PTYPE_FIRST:
    case PTYPE_MC_FIRST:
        return ParseFirstHead(plStartOffset, pusDataLength, pulTotalLength, pbPacketNumber, pbSequence);
    case PTYPE_CONT:
    case PTYPE_MC_CONT: {
        ContStreamHead head;
        result = GetContStrmHead(plStartOffset, &head);
        if (result < 0) {
            g_Trace(1, L"GetContStrmHead error(%d)", result);
            return result;
        }
        *pusDataLength = head.usDataLength;
        *pbPacketNumber = head.bPacketNumber;
        *pulTotalLength = 0;
        *pbSequence = 0;
        return 0;
    }
    case PTYPE_RES_HEAD:
        result = ResHeadProcess(&bError);
        if (result < 0) g_Trace(1, L"ResHeadProcess error(%d)", result);
        break;
    case PTYPE_MC_STOP:
        result = MultiStopProcess(&bError);
        if (result < 0) g_Trace(1, L"MultiStopProcess error(%d)", result);
        break;
    default:
        return -1;
    }
    if (result < 0) return result;
    *plStartOffset = 0;
    *pusDataLength = 0;
    *pulTotalLength = 0;
    *pbPacketNumber = 0;
    *pbSequence = 0;
    if (bError) m_pCamParm->SendNotify();
    return 0;
}

// Every first head notifies the host with the fresh stream information. A head that
// cannot be read is still notified, and is reported as the failure it is.
int32_t CParsePacket::ParseFirstHead(int32_t* plStartOffset, uint16_t* pusDataLength, uint32_t* pulTotalLength,
                                     uint8_t* pbPacketNumber, uint8_t* pbSequence)
{
    FirstStreamHead head;
    int32_t result = GetFirstStrmHead(plStartOffset, &head);
    if (result < 0) {
        g_Trace(1, L"GetFirstStrmHead error.");
        m_pCamParm->SendNotify();
        return result;
    }
    result = StrmParmSet(head);
    if (result < 0) g_Trace(1, L"StrmParmSet error(%d)", result);
    *pusDataLength = head.usDataLength;
    *pulTotalLength = head.ulTotalLength;
    *pbPacketNumber = head.bPacketNumber;
    *pbSequence = head.bSequence;
    m_pCamParm->SendNotify();
    return result;
}

bool CParsePacket::DataInReach(uint16_t usDataLength) const
{
    if (static_cast<size_t>(m_usHLength) + usDataLength <= m_cbReceived) return true;
    g_Trace(1, L"CParsePacket: %u data bytes after a %u-byte head run past the %u bytes received", usDataLength,
            m_usHLength, static_cast<uint32_t>(m_cbReceived));
    return false;
}

void CParsePacket::FindFirstData(uint16_t usDataLength, bool bContinuation, int32_t* plStartOffset)
{
    if (m_pCamParm->IsFirstDataGet()) return;
    int32_t offset = FindSystemHeader(m_pData + m_usHLength, usDataLength);
    // A continuation packet that opens with a pack header is not where a unit starts.
    if (offset < 0 || (bContinuation && offset == 0)) return;
    *plStartOffset = offset;
    g_Trace(0, bContinuation ? L"lStartOffset = %d, Headlength = %d" : L"lStartOffset = %d, HeadLength = %d", offset,
            m_usHLength);
    m_pCamParm->SetFirstDataGet(true);
}

int32_t CParsePacket::GetFirstStrmHead(int32_t* plStartOffset, FirstStreamHead* pHead)
{
    *plStartOffset = 0;
    if (!DecodeFirstStreamHead(m_pData, m_cbReceived, pHead) || !DataInReach(pHead->usDataLength))
        return kShortPacket;
    FindFirstData(pHead->usDataLength, false, plStartOffset);
    m_pCamParm->SetTotalLength(pHead->ulTotalLength);
    m_pCamParm->SetRecvLength(pHead->usDataLength);
    return 0;
}

int32_t CParsePacket::GetContStrmHead(int32_t* plStartOffset, ContStreamHead* pHead)
{
    *plStartOffset = 0;
    if (!DecodeContStreamHead(m_pData, m_cbReceived, pHead) || !DataInReach(pHead->usDataLength))
        return kShortPacket;
    FindFirstData(pHead->usDataLength, true, plStartOffset);
    m_pCamParm->AddRecvLength(pHead->usDataLength);
    return 0;
}

int32_t CParsePacket::ResHeadProcess(bool* pbError)
{
    if (m_usType != PTYPE_RES_HEAD) {
        g_Trace(1, L"CParsePakcet::ResHeadProcess: invalid packet type.");
        return -1;
    }
    ResponseHead h;
    if (m_usHLength < ResponseHead::kSize || !DecodeResponseHead(m_pData, m_cbReceived, &h)) {
        g_Trace(1, L"CParsePacket::ResHeadProcess: Data size is not match!!!!!!!!");
        return -2;
    }
    STRM_HEAD_INFO info = {};
    info.bFlag1 = h.usFlag1 & 1;
    info.bFlag2 = h.usFlag2 & 1;
    info.bFlag3 = static_cast<uint8_t>(h.usFlag3);
    info.bFlag4 = static_cast<uint8_t>(h.usFlag4);
    info.bFlag24 = h.bFlag24;
    info.bResolution = SetResolution(h.usWidth, h.usHeight);
    info.bQuality = h.bQuality;
    info.bVideoSystem = h.bVideoSystem;
    info.usFrameRate = h.usFrameRate;
    info.usField11_15 = h.usField11_15;
    info.usField16_19 = h.usField16_19;
    info.usField20_23 = h.usField20_23;
    info.b2BitField0 = static_cast<uint8_t>(h.us2BitField0);
    info.b2BitField1 = static_cast<uint8_t>(h.us2BitField1);
    info.b2BitField2 = static_cast<uint8_t>(h.us2BitField2);
    info.bExtra = static_cast<uint8_t>(h.usExtra);
    info.usStatus = h.usStatus;
    std::memcpy(info.Response, h.Response, sizeof(info.Response));
    if (m_pCamParm->SetResHeadInfo(info) < 0) g_Trace(1, L"ResHeadProcess: SetResHeadInfo failed.");
    *pbError = CheckCameraStatus(h.usStatus);
    g_Trace(0, L"ResHeadProcess: SetResHeadInfo ok.");
    return 0;
}

int32_t CParsePacket::MultiStopProcess(bool* pbError)
{
    if (m_usType != PTYPE_MC_STOP) {
        g_Trace(1, L"CParsePacket::MultiStopProcess: invalid packet type.");
        return -1;
    }
    MulticastStopHead h;
    if (m_usHLength < MulticastStopHead::kSize || !DecodeMulticastStopHead(m_pData, m_cbReceived, &h)) {
        g_Trace(1, L"CParsePacket::MultiStopProcess: Data size is not match!!");
        return -2;
    }
    g_Trace(0, L"CParsePacket::MultiStopProcess: Status = 0x%x", h.usStatus);
    m_pCamParm->SetStatus(h.usStatus, false);
    *pbError = CheckCameraStatus(h.usStatus);
    return 0;
}

int32_t CParsePacket::GetHTTPStrmHead(FirstStreamHead* pHead)
{
    if (m_usType != PTYPE_HTTP) {
        g_Trace(1, L"CParsePakcet::GetHTTPStrmHead: invalid packet type.");
        return -1;
    }
    std::memset(pHead, 0, sizeof(*pHead));
    return DecodeFirstStreamBody(m_pData, m_cbReceived, pHead) ? 0 : kShortPacket;
}

int32_t CParsePacket::StrmParmSet(const FirstStreamHead& head)
{
    if (m_usType == PTYPE_FIRST || m_usType == PTYPE_MC_FIRST) {
        if (m_usHLength < FirstStreamHead::kSize) {
            g_Trace(1, L"CParsePacket::StrmParmSet: Data size is not match!!!!!!!!");
            return -2;
        }
    } else if (m_usType != PTYPE_HTTP) {
        g_Trace(1, L"CParsePakcet::StrmParmSet: invalid packet type.");
        return -1;
    }
    const uint32_t bits = head.ulParamBits;
    auto bit = [bits](int n) { return static_cast<uint8_t>(bits >> n & 1); };
    STRM_HEAD_INFO info = {};
    info.bFlag1 = bit(1);
    info.bFlag2 = bit(2);
    info.bFlag5 = bit(5);
    info.bFlag25 = bit(25);
    info.bFlag26 = bit(26);
    info.bFlag27 = bit(27);
    info.bFlag3 = bit(3);
    info.bFlag4 = bit(4);
    info.bFlag24 = bit(24);
    info.bParamByte1 = head.bParamByte1;
    info.bParamByte2 = head.bParamByte2;
    info.bResolution = SetResolution(head.usWidth, head.usHeight);
    info.bQuality = head.bQuality;
    info.bVideoSystem = head.bVideoSystem;
    info.usFrameRate = static_cast<uint16_t>(bits >> 6 & 0x1F);
    info.usField11_15 = static_cast<uint16_t>(bits >> 11 & 0x1F);
    info.usField16_19 = static_cast<uint16_t>(bits >> 16 & 0x0F);
    info.usField20_23 = static_cast<uint16_t>(bits >> 20 & 0x0F);
    info.usParamWord1 = head.usParamWord1;
    info.usParamWord2 = head.usParamWord2;
    info.usParamWord3 = head.usParamWord3;
    std::memcpy(info.TimeStamp, head.TimeStamp, sizeof(info.TimeStamp));
    info.b2BitField0 = head.b2BitFields & 3;
    info.b2BitField1 = head.b2BitFields >> 2 & 3;
    info.b2BitField2 = head.b2BitFields >> 4 & 3;
    m_pCamParm->SetBitRate((head.bBitRate & 0x3F) * 100u);
    int32_t result = m_pCamParm->SetStrmHeadInfo(info);
    if (result < 0) g_Trace(1, L"StrmParmSet: SetStrmHeadInfo failed.");
    return result;
}

uint8_t CParsePacket::SetResolution(uint16_t usWidth, uint16_t usHeight)
{
    m_pCamParm->SetPictureSize(usWidth, usHeight);
    switch (usWidth) {
    case 176: return 0;
    case 352: return 1;
    case 720: return 2;
    default: return 0xFF;
    }
}

const wchar_t* CParsePacket::CameraStatusText(uint16_t usStatus)
{
    static const wchar_t* const kMessages[] = {
        L"Data port cannot open.",   L"Data send failed.",        L"Data receive failed.",
        L"Driver cannot get audio.", L"Driver cannot open.",      L"Invalid settings.",
        L"Settings changed.",        L"User overflow.",           L"Out of memory.",
        L"Wrong resolution selected.", L"Wrong protocol selected.",
    };
    return usStatus >= 0x8001 && usStatus <= 0x800B ? kMessages[usStatus - 0x8001] : nullptr;
}

bool CParsePacket::CheckCameraStatus(uint16_t usStatus)
{
    if (usStatus == 0) return false;
    const wchar_t* pText = CameraStatusText(usStatus);
    g_Trace(1, L"0x%x: Camera: %s", usStatus, pText ? pText : L"Unknown error.");
    return true;
}

int32_t CParsePacket::FindSystemHeader(const uint8_t* pData, size_t cb)
{
    constexpr size_t kWindow = 21;  // a pack header's 14 bytes and a system header's start code, with room
    if (cb < kWindow) return -1;
    const size_t last = cb - kWindow;
    size_t p = 0;
    while (p <= last) {
        // Only the first zero byte of each group of four is tried as a start code.
        size_t z = p;
        while (z < p + 4 && pData[z] != 0) z++;
        bool bPack = z < p + 4 && pData[z + 1] == 0 && pData[z + 2] == 1 && pData[z + 3] == 0xBA;
        if (!bPack) {
            p += 4;
            continue;
        }
        uint32_t next = ReadBE32(pData + z + 14);
        g_Trace(0, L"14Header = 0x%08x at %d", next, static_cast<int32_t>(z));
        if (next == 0x000001BB) {
            g_Trace(0, L"SystemHeader found at %d", static_cast<int32_t>(z));
            return static_cast<int32_t>(z);
        }
        p = z + 18;
    }
    return -1;
}
