#pragma once
// The 48-byte description of one recorded unit that the minute-file library hands
// to the player, little-endian. Bytes without a name here are kept as they came.

#include <array>
#include <cstddef>
#include <cstdint>

constexpr size_t kMinuteFileRecordSize = 48;

struct MinuteFileRecord {
    uint32_t size = 0;          // 0: the unit's data size; 0 is invalid
    uint8_t header = 0;         // 4
    uint8_t flags5 = 0;         // 5: bit 7, bits 0-3
    uint8_t flags6 = 0;         // 6: bits 4-7 resolution code, bits 0-3
    uint8_t byte7 = 0;          // 7
    uint8_t byte8 = 0;          // 8
    uint8_t flags9 = 0;         // 9: bit 0 video system, bits 2-3, bit 5
    uint8_t notKey = 0;         // 10: 0 for a key unit
    uint8_t unitType = 0;       // 11: 0 to 3; 3 carries playable data
    uint8_t marks = 0;          // 12: bit 1 split mark
    uint8_t byte13 = 0;         // 13
    uint8_t byte14 = 0;         // 14
    uint8_t byte15 = 0;         // 15: two 4-bit values
    uint32_t unitTime = 0;      // 16: seconds since 1970 (UTC)
    uint32_t dword20 = 0;       // 20
    uint16_t word24 = 0;        // 24
    uint16_t word26 = 0;        // 26
    uint32_t calendarTime = 0;  // 28: seconds since 1970 (UTC)
    std::array<uint8_t, 16> tail{};  // 32 to 47

    bool operator==(const MinuteFileRecord&) const = default;
};

void EncodeMinuteFileRecord(const MinuteFileRecord& record, uint8_t out[kMinuteFileRecordSize]);
MinuteFileRecord DecodeMinuteFileRecord(const uint8_t in[kMinuteFileRecordSize]);
