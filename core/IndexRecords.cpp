#include "core/IndexRecords.h"

#include "core/ByteOrder.h"

#include <cstring>

void WriteStreamInfo(const StreamInfoBlock& block, bool bAudioModel, uint8_t* pHead)
{
    const STRM_HEAD_INFO& s = block.info;
    pHead[offsetof(PackIndexHead, bType)] = 2;
    pHead[offsetof(PackIndexHead, bFlag3)] = s.bFlag3;
    pHead[offsetof(PackIndexHead, bParamByte1)] = s.bParamByte1;
    pHead[offsetof(PackIndexHead, bModel)] =
        static_cast<uint8_t>((bAudioModel ? 1 : 0) | (s.bFlag1 || s.bFlag2 ? 2 : 0));
    std::memcpy(pHead + offsetof(PackIndexHead, TimeStamp), s.TimeStamp, sizeof(s.TimeStamp));
    WriteLE16(pHead + offsetof(PackIndexHead, usIndexWord), s.usIndexWord);
    pHead[offsetof(PackIndexHead, bFlag24)] = s.bFlag24;
    pHead[offsetof(PackIndexHead, bResolution)] = s.bResolution;
    pHead[offsetof(PackIndexHead, bQuality)] = s.bQuality;
    pHead[offsetof(PackIndexHead, bVideoSystem)] = s.bVideoSystem;
    WriteLE16(pHead + offsetof(PackIndexHead, usFrameRate), s.usFrameRate);
    WriteLE16(pHead + offsetof(PackIndexHead, usReserved), 0);
}

void BuildPackIndexHead(const StreamInfoBlock& block, bool bAudioModel, uint32_t notKey,
                        uint8_t head[kPackIndexHeadSize])
{
    WriteStreamInfo(block, bAudioModel, head);
    WriteLE32(head + offsetof(PackIndexHead, dwNotKey), notKey);
}
