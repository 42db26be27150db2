#pragma once
// The camera's packet heads as decoded values. Every decoder takes the bytes the
// caller really has and refuses a head that they do not hold whole; wire fields
// are read with explicit byte order, never by casting a struct over the bytes.

#include <cstddef>
#include <cstdint>

enum : uint16_t {
    PTYPE_RES_HEAD = 0x7100,
    PTYPE_FIRST = 0x7101,
    PTYPE_CONT = 0x7102,
    PTYPE_MC_FIRST = 0x7201,
    PTYPE_MC_CONT = 0x7202,
    PTYPE_MC_STOP = 0x7211,
    PTYPE_HTTP = 0x8000,
    PTYPE_DUPLICATED = 0x8001,
    PTYPE_INVALID = 0xDEAD,  // what checkHead reports for a head it refuses
};

inline constexpr uint8_t kHeadIdentifier[4] = {'V', 'C', 'N', 'C'};

struct CommonHead {
    static constexpr size_t kSize = 8;
    uint8_t identifier[4];
    uint16_t usHLength;  // head start to first byte of stream data
    uint16_t usType;
};

// Types 0x7101 and 0x7201; over HTTP, bytes 14 to 49 alone (the body).
struct FirstStreamHead {
    static constexpr size_t kSize = 50;
    static constexpr size_t kBodyOffset = 14;
    static constexpr size_t kBodySize = kSize - kBodyOffset;
    CommonHead common;
    uint8_t mac[6];
    uint32_t ulParamBits;  // little-endian on the wire
    uint16_t usWidth;
    uint16_t usHeight;
    uint8_t bQuality;
    uint8_t bVideoSystem;
    uint8_t bParamByte1;
    uint8_t bParamByte2;
    uint16_t usParamWord1;
    uint16_t usParamWord2;
    uint16_t usParamWord3;
    uint8_t TimeStamp[6];
    uint8_t b2BitFields;
    uint8_t bBitRate;  // bits 0-5: hundreds of kilobits per second
    uint8_t bSequence;
    uint8_t bPacketNumber;
    uint16_t usDataLength;
    uint32_t ulTotalLength;
};

// Types 0x7102 and 0x7202.
struct ContStreamHead {
    static constexpr size_t kSize = 14;
    CommonHead common;
    uint8_t bPacketNumber;
    uint16_t usDataLength;
};

// Type 0x7100: the camera's answer to a request; no stream data follows.
struct ResponseHead {
    static constexpr size_t kSize = 76;
    CommonHead common;
    uint16_t usFlag3;
    uint16_t usFlag4;
    uint16_t usField20_23;
    uint16_t usField11_15;
    uint16_t usFrameRate;
    uint16_t usField16_19;
    uint16_t usWidth;
    uint16_t usHeight;
    uint8_t bQuality;
    uint8_t bVideoSystem;
    uint8_t bFlag24;
    uint16_t usFlag1;
    uint16_t usFlag2;
    uint16_t us2BitField0;
    uint16_t us2BitField1;
    uint16_t us2BitField2;
    uint16_t usExtra;
    uint16_t usStatus;
    uint8_t Response[24];  // six 32-bit values, copied as they stand
};

// Type 0x7211: the camera stops sending to the group.
struct MulticastStopHead {
    static constexpr size_t kSize = 12;
    CommonHead common;
    uint16_t usStatus;
};

// What opens every record of the HTTP body; the stream head's body follows it.
struct IDENTYFY_HEAD {
    static constexpr size_t kSize = 14;
    uint8_t identifier[4];
    uint16_t usHLength;  // must be 50
    uint16_t usStatus;
};

bool DecodeCommonHead(const uint8_t* p, size_t cb, CommonHead* out);
bool DecodeFirstStreamHead(const uint8_t* p, size_t cb, FirstStreamHead* out);
// The HTTP form: the 36 bytes that stand at offsets 14 to 49 of a first head.
bool DecodeFirstStreamBody(const uint8_t* p, size_t cb, FirstStreamHead* out);
bool DecodeContStreamHead(const uint8_t* p, size_t cb, ContStreamHead* out);
bool DecodeResponseHead(const uint8_t* p, size_t cb, ResponseHead* out);
bool DecodeMulticastStopHead(const uint8_t* p, size_t cb, MulticastStopHead* out);
bool DecodeIdentifyHead(const uint8_t* p, size_t cb, IDENTYFY_HEAD* out);
bool HasHeadIdentifier(const uint8_t* p);

// Encoders, for the camera simulator and the tests: out holds the head's kSize bytes.
void EncodeFirstStreamHead(const FirstStreamHead& head, uint8_t* out);
void EncodeContStreamHead(const ContStreamHead& head, uint8_t* out);
void EncodeResponseHead(const ResponseHead& head, uint8_t* out);
void EncodeMulticastStopHead(const MulticastStopHead& head, uint8_t* out);
void EncodeIdentifyHead(const IDENTYFY_HEAD& head, uint8_t* out);
