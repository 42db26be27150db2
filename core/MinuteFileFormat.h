#pragma once
// The minute file's layout (described in minvault/FORMAT.md): a header, one
// checksummed frame per unit, and on close an index of the units and a trailer.
// Every field is little-endian and built byte by byte.

#include "core/MinuteFileRecord.h"

#include <cstddef>
#include <cstdint>

namespace MinuteFile {

constexpr uint16_t kVersion = 1;
constexpr uint32_t kSecondsPerMinute = 60;
constexpr uint32_t kMaxUnitSize = 16u << 20;
constexpr uint32_t kMaxUnits = 65536;

constexpr uint8_t kAreaNormal = 0x01;
constexpr uint8_t kAreaAlarm = 0x02;
constexpr uint8_t kAreaMask = kAreaNormal | kAreaAlarm;

constexpr size_t kHeaderSize = 32;
constexpr size_t kFrameHeadSize = 64;
constexpr size_t kFrameTailSize = 4;
constexpr size_t kIndexEntrySize = 64;
constexpr size_t kTrailerSize = 32;

constexpr uint64_t FrameSize(uint32_t cbData) { return kFrameHeadSize + uint64_t{cbData} + kFrameTailSize; }

// What a unit's frame head and its index entry both carry.
struct UnitFields {
    uint64_t frameOffset = 0;
    uint32_t dataSize = 0;
    uint8_t area = 0;
    MinuteFileRecord record;

    uint64_t DataOffset() const { return frameOffset + kFrameHeadSize; }
    uint64_t FrameEnd() const { return frameOffset + FrameSize(dataSize); }
    bool operator==(const UnitFields&) const = default;
};

struct Trailer {
    uint32_t unitCount = 0;
    uint64_t indexOffset = 0;
    uint32_t firstTime = 0;
    uint32_t lastTime = 0;
    uint32_t indexCrc = 0;
};

enum class HeaderCheck { Ok, Foreign, UnknownVersion, Corrupt };

void EncodeHeader(uint32_t minuteStart, uint8_t out[kHeaderSize]);
HeaderCheck DecodeHeader(const uint8_t in[kHeaderSize], uint32_t* pMinuteStart);

// The frame head of a unit at fields.frameOffset (which the head itself does not hold).
void EncodeFrameHead(const UnitFields& fields, uint8_t out[kFrameHeadSize]);
bool DecodeFrameHead(const uint8_t in[kFrameHeadSize], UnitFields* pFields);

void EncodeIndexEntry(const UnitFields& fields, uint8_t out[kIndexEntrySize]);
UnitFields DecodeIndexEntry(const uint8_t in[kIndexEntrySize]);

void EncodeTrailer(const Trailer& trailer, uint8_t out[kTrailerSize]);
bool DecodeTrailer(const uint8_t in[kTrailerSize], Trailer* pTrailer);

// A unit the file may hold after one of time `previousTime` in the minute that
// starts at `minuteStart`: a sane size, matching its record, known area bits, in
// the minute and not earlier than the previous one.
bool IsValidUnit(const UnitFields& fields, uint32_t minuteStart, uint32_t previousTime);

}  // namespace MinuteFile
