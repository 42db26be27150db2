#include "core/CameraHeads.h"

#include "core/ByteOrder.h"

#include <cstring>

namespace {

bool IsKnownWidth(uint16_t width) { return width == 176 || width == 352 || width == 720; }

}  // namespace

bool HasHeadIdentifier(const uint8_t* p) { return std::memcmp(p, kHeadIdentifier, 4) == 0; }

bool DecodeCommonHead(const uint8_t* p, size_t cb, CommonHead* out)
{
    if (cb < CommonHead::kSize) return false;
    std::memcpy(out->identifier, p, 4);
    out->usHLength = ReadBE16(p + 4);
    out->usType = ReadBE16(p + 6);
    return true;
}

bool DecodeFirstStreamBody(const uint8_t* p, size_t cb, FirstStreamHead* out)
{
    if (cb < FirstStreamHead::kBodySize) return false;
    // Offsets below are those of the whole head; the body starts at its offset 14.
    auto h = [p](size_t offset) { return p + (offset - FirstStreamHead::kBodyOffset); };
    out->ulParamBits = ReadLE32(h(14));
    out->usWidth = ReadBE16(h(18));
    out->usHeight = ReadBE16(h(20));
    out->bQuality = *h(22);
    out->bVideoSystem = *h(23);
    out->bParamByte1 = *h(24);
    out->bParamByte2 = *h(25);
    out->usParamWord1 = ReadBE16(h(26));
    out->usParamWord2 = ReadBE16(h(28));
    out->usParamWord3 = ReadBE16(h(30));
    std::memcpy(out->TimeStamp, h(32), 6);
    out->b2BitFields = *h(38);
    out->bBitRate = *h(39);
    out->bSequence = *h(42);
    out->bPacketNumber = *h(43);
    out->usDataLength = ReadBE16(h(44));
    out->ulTotalLength = ReadBE32(h(46));
    return true;
}

bool DecodeFirstStreamHead(const uint8_t* p, size_t cb, FirstStreamHead* out)
{
    if (cb < FirstStreamHead::kSize || !DecodeCommonHead(p, cb, &out->common)) return false;
    std::memcpy(out->mac, p + 8, 6);
    return DecodeFirstStreamBody(p + FirstStreamHead::kBodyOffset, cb - FirstStreamHead::kBodyOffset, out);
}

bool DecodeContStreamHead(const uint8_t* p, size_t cb, ContStreamHead* out)
{
    if (cb < ContStreamHead::kSize || !DecodeCommonHead(p, cb, &out->common)) return false;
    out->bPacketNumber = p[11];
    out->usDataLength = ReadBE16(p + 12);
    return true;
}

// Width and height are the one pair of this head whose byte order cameras do not
// agree on: network order like every other field is read first, and host order
// is taken only when it alone names a known width.
static void DecodeResponseSize(const uint8_t* p, ResponseHead* out)
{
    uint16_t width = ReadBE16(p + 26);
    uint16_t height = ReadBE16(p + 28);
    uint16_t widthLE = static_cast<uint16_t>(p[27] << 8 | p[26]);
    if (!IsKnownWidth(width) && IsKnownWidth(widthLE)) {
        width = widthLE;
        height = static_cast<uint16_t>(p[29] << 8 | p[28]);
    }
    out->usWidth = width;
    out->usHeight = height;
}

bool DecodeResponseHead(const uint8_t* p, size_t cb, ResponseHead* out)
{
    if (cb < ResponseHead::kSize || !DecodeCommonHead(p, cb, &out->common)) return false;
    out->usFlag3 = ReadBE16(p + 14);
    out->usFlag4 = ReadBE16(p + 16);
    out->usField20_23 = ReadBE16(p + 18);
    out->usField11_15 = ReadBE16(p + 20);
    out->usFrameRate = ReadBE16(p + 22);
    out->usField16_19 = ReadBE16(p + 24);
    DecodeResponseSize(p, out);
    out->bQuality = p[30];
    out->bVideoSystem = p[31];
    out->bFlag24 = p[32];
    out->usFlag1 = ReadBE16(p + 34);
    out->usFlag2 = ReadBE16(p + 36);
    out->us2BitField0 = ReadBE16(p + 38);
    out->us2BitField1 = ReadBE16(p + 40);
    out->us2BitField2 = ReadBE16(p + 42);
    out->usExtra = ReadBE16(p + 44);
    out->usStatus = ReadBE16(p + 46);
    std::memcpy(out->Response, p + 50, sizeof(out->Response));
    return true;
}

bool DecodeMulticastStopHead(const uint8_t* p, size_t cb, MulticastStopHead* out)
{
    if (cb < MulticastStopHead::kSize || !DecodeCommonHead(p, cb, &out->common)) return false;
    out->usStatus = ReadBE16(p + 10);
    return true;
}

bool DecodeIdentifyHead(const uint8_t* p, size_t cb, IDENTYFY_HEAD* out)
{
    if (cb < IDENTYFY_HEAD::kSize) return false;
    std::memcpy(out->identifier, p, 4);
    out->usHLength = ReadBE16(p + 4);
    out->usStatus = ReadBE16(p + 6);
    return true;
}

static void EncodeCommonHead(const CommonHead& head, uint8_t* out)
{
    std::memcpy(out, head.identifier, 4);
    WriteBE16(out + 4, head.usHLength);
    WriteBE16(out + 6, head.usType);
}

void EncodeFirstStreamHead(const FirstStreamHead& h, uint8_t* out)
{
    std::memset(out, 0, FirstStreamHead::kSize);
    EncodeCommonHead(h.common, out);
    std::memcpy(out + 8, h.mac, 6);
    for (int i = 0; i < 4; i++) out[14 + i] = static_cast<uint8_t>(h.ulParamBits >> (8 * i));
    WriteBE16(out + 18, h.usWidth);
    WriteBE16(out + 20, h.usHeight);
    out[22] = h.bQuality;
    out[23] = h.bVideoSystem;
    out[24] = h.bParamByte1;
    out[25] = h.bParamByte2;
    WriteBE16(out + 26, h.usParamWord1);
    WriteBE16(out + 28, h.usParamWord2);
    WriteBE16(out + 30, h.usParamWord3);
    std::memcpy(out + 32, h.TimeStamp, 6);
    out[38] = h.b2BitFields;
    out[39] = h.bBitRate;
    out[42] = h.bSequence;
    out[43] = h.bPacketNumber;
    WriteBE16(out + 44, h.usDataLength);
    WriteBE32(out + 46, h.ulTotalLength);
}

void EncodeContStreamHead(const ContStreamHead& h, uint8_t* out)
{
    std::memset(out, 0, ContStreamHead::kSize);
    EncodeCommonHead(h.common, out);
    out[11] = h.bPacketNumber;
    WriteBE16(out + 12, h.usDataLength);
}

void EncodeResponseHead(const ResponseHead& h, uint8_t* out)
{
    std::memset(out, 0, ResponseHead::kSize);
    EncodeCommonHead(h.common, out);
    const uint16_t words[] = {h.usFlag3, h.usFlag4, h.usField20_23, h.usField11_15, h.usFrameRate, h.usField16_19,
                              h.usWidth, h.usHeight};
    for (int i = 0; i < 8; i++) WriteBE16(out + 14 + 2 * i, words[i]);
    out[30] = h.bQuality;
    out[31] = h.bVideoSystem;
    out[32] = h.bFlag24;
    const uint16_t tail[] = {h.usFlag1, h.usFlag2, h.us2BitField0, h.us2BitField1, h.us2BitField2, h.usExtra, h.usStatus};
    for (int i = 0; i < 7; i++) WriteBE16(out + 34 + 2 * i, tail[i]);
    std::memcpy(out + 50, h.Response, sizeof(h.Response));
}

void EncodeMulticastStopHead(const MulticastStopHead& h, uint8_t* out)
{
    std::memset(out, 0, MulticastStopHead::kSize);
    EncodeCommonHead(h.common, out);
    WriteBE16(out + 10, h.usStatus);
}

void EncodeIdentifyHead(const IDENTYFY_HEAD& h, uint8_t* out)
{
    std::memset(out, 0, IDENTYFY_HEAD::kSize);
    std::memcpy(out, h.identifier, 4);
    WriteBE16(out + 4, h.usHLength);
    WriteBE16(out + 6, h.usStatus);
}
