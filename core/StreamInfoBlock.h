#pragma once
// The stream information the camera parameters hold and send to the host with
// every notification: 66 bytes of stream parameters and status (STRM_HEAD_INFO,
// which the packet parser fills), then the index value of a recorded entry.
// Host layout (little-endian), byte for byte as the host reads it.

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct STRM_HEAD_INFO {
    uint8_t bFlag1;
    uint8_t bFlag2;
    uint8_t bFlag5;
    uint8_t bFlag25;
    uint8_t bFlag26;
    uint8_t bFlag27;
    uint8_t bFlag3;
    uint8_t bFlag4;
    uint8_t bFlag24;
    uint8_t bParamByte1;
    uint8_t bParamByte2;
    uint8_t bResolution;  // 0: 176, 1: 352, 2: 720 pixels wide, 0xFF other
    uint8_t bQuality;     // 0 to 4
    uint8_t bVideoSystem; // not 0: the 25/50 family
    uint16_t usFrameRate; // code 0 to 4
    uint16_t usField11_15;
    uint16_t usField16_19;  // bit 15: the split mark
    uint16_t usField20_23;
    uint16_t usParamWord1;
    uint16_t usParamWord2;
    uint16_t usParamWord3;
    uint8_t TimeStamp[6];  // second, minute, hour, day, month, year - 1900
    uint16_t usIndexWord;
    uint8_t b2BitField0;
    uint8_t b2BitField1;
    uint8_t b2BitField2;
    uint8_t bExtra;
    uint16_t usStatus;
    uint8_t Response[24];  // six 32-bit values, carried as they came
};

struct StreamInfoBlock {
    STRM_HEAD_INFO info;
    uint32_t ulIndexValue;
    uint32_t ulUnused;
};
#pragma pack(pop)

static_assert(sizeof(STRM_HEAD_INFO) == 66, "STRM_HEAD_INFO is 66 bytes");
static_assert(sizeof(StreamInfoBlock) == 74, "StreamInfoBlock is 74 bytes");
static_assert(offsetof(STRM_HEAD_INFO, bFlag3) == 6);
static_assert(offsetof(STRM_HEAD_INFO, bResolution) == 11);
static_assert(offsetof(STRM_HEAD_INFO, usFrameRate) == 14);
static_assert(offsetof(STRM_HEAD_INFO, usField16_19) == 18);
static_assert(offsetof(STRM_HEAD_INFO, usParamWord1) == 22);
static_assert(offsetof(STRM_HEAD_INFO, TimeStamp) == 28);
static_assert(offsetof(STRM_HEAD_INFO, usIndexWord) == 34);
static_assert(offsetof(STRM_HEAD_INFO, b2BitField0) == 36);
static_assert(offsetof(STRM_HEAD_INFO, bExtra) == 39);
static_assert(offsetof(STRM_HEAD_INFO, usStatus) == 40);
static_assert(offsetof(STRM_HEAD_INFO, Response) == 42);
static_assert(offsetof(StreamInfoBlock, ulIndexValue) == 66);

// The 24-byte record the parser stores with each pack of the live index.
struct StreamInfoRecord {
    uint8_t bytes[24];
};
static_assert(sizeof(StreamInfoRecord) == 24);

// Status codes the system places in the block's status field.
enum : uint16_t {
    kStatusOk = 0x0000,
    kStatusNoFirstPacket = 0x9001,
    kStatusConnectFailed = 0x9002,
    kStatusUnauthorized = 0x9003,
    kStatusMacChanged = 0x9005,
    kStatusBufferOverflow = 0x9006,
    kStatusWrongIdentifier = 0x9007,
    kStatusReconnecting = 0x9010,   // the link broke; a new session is being started
    kStatusStreamEnded = 0x9011,    // the camera ended its stream (body closed, multicast stop)
    kStatusNothingYet = 0x9998,
    kStatusOtherFailure = 0x9999,
};
