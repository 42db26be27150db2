#pragma once
// Checks and decodes one camera packet head and hands its stream parameters to the
// camera parameters. It is given the bytes really received: a head or a data range
// that runs past them is refused (kShortPacket), and nothing is read beyond them.

#include "core/CCamParm.h"
#include "core/CameraHeads.h"

#include <cstddef>
#include <cstdint>

class CParsePacket {
public:
    static constexpr int32_t kUnknownType = -1;
    static constexpr int32_t kWrongIdentifier = -2;
    static constexpr int32_t kShortPacket = -3;

    CParsePacket(const uint8_t* pData, size_t cbReceived, CCamParm* pCamParm);
    // Over HTTP: pData holds the 36 bytes of the stream head's body, and usType is PTYPE_HTTP.
    CParsePacket(const uint8_t* pData, size_t cbReceived, CCamParm* pCamParm, uint16_t usType);

    int32_t checkHead(uint16_t* pusType);
    // 1 for a first head, 2 for a continuation head, 0 for any other.
    int32_t GetHeadKind() const;
    int32_t GetHeadLength() const;
    int32_t ParseHead(int32_t* plStartOffset, uint16_t* pusDataLength, uint32_t* pulTotalLength,
                      uint8_t* pbPacketNumber, uint8_t* pbSequence);
    int32_t GetHTTPStrmHead(FirstStreamHead* pHead);
    int32_t StrmParmSet(const FirstStreamHead& head);

    // True, after tracing its message, when the camera reports an error.
    static bool CheckCameraStatus(uint16_t usStatus);
    // The camera's own words for a status 0x8001 to 0x800B; nullptr for any other.
    static const wchar_t* CameraStatusText(uint16_t usStatus);
    // Offset of a pack header directly followed by a system header, or -1.
    static int32_t FindSystemHeader(const uint8_t* pData, size_t cb);

private:
    int32_t CheckMacRule(uint16_t usHLength, uint16_t* pusType);
    int32_t ParseFirstHead(int32_t* plStartOffset, uint16_t* pusDataLength, uint32_t* pulTotalLength,
                           uint8_t* pbPacketNumber, uint8_t* pbSequence);
    int32_t GetFirstStrmHead(int32_t* plStartOffset, FirstStreamHead* pHead);
    int32_t GetContStrmHead(int32_t* plStartOffset, ContStreamHead* pHead);
    int32_t ResHeadProcess(bool* pbError);
    int32_t MultiStopProcess(bool* pbError);
    bool DataInReach(uint16_t usDataLength) const;
    void FindFirstData(uint16_t usDataLength, bool bContinuation, int32_t* plStartOffset);
    uint8_t SetResolution(uint16_t usWidth, uint16_t usHeight);

    const uint8_t* const m_pData;
    const size_t m_cbReceived;
    CCamParm* const m_pCamParm;
    uint16_t m_usType = 0;
    uint16_t m_usHLength = 0;
};
