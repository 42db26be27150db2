#include "core/MinuteFileFormat.h"

#include "core/ByteOrder.h"
#include "core/CCrc32.h"

#include <cstring>

namespace MinuteFile {

namespace {

constexpr uint8_t kFileMagic[4] = {'V', 'C', 'M', 'F'};
constexpr uint8_t kFrameTag[4] = {'U', 'N', 'I', 'T'};
constexpr uint8_t kTrailerTag[4] = {'I', 'N', 'D', 'X'};
// Data size, area, three zero bytes, the record: shared by frame heads and index entries.
constexpr size_t kUnitBodySize = 8 + kMinuteFileRecordSize;
static_assert(4 + kUnitBodySize + 4 == kFrameHeadSize, "tag, body, CRC");
static_assert(8 + kUnitBodySize == kIndexEntrySize, "frame offset, body");

// Each fixed block ends in the CRC-32 of the bytes before it.
void Seal(uint8_t* block, size_t cb) { WriteLE32(block + cb - 4, CCrc32::Of(block, cb - 4)); }
bool IsSealed(const uint8_t* block, size_t cb) { return ReadLE32(block + cb - 4) == CCrc32::Of(block, cb - 4); }

void EncodeUnitBody(const UnitFields& f, uint8_t* out)
{
    WriteLE32(out, f.dataSize);
    out[4] = f.area;
    out[5] = out[6] = out[7] = 0;
    EncodeMinuteFileRecord(f.record, out + 8);
}

void DecodeUnitBody(const uint8_t* in, UnitFields* f)
{
    f->dataSize = ReadLE32(in);
    f->area = in[4];
    f->record = DecodeMinuteFileRecord(in + 8);
}

}  // namespace

void EncodeHeader(uint32_t minuteStart, uint8_t out[kHeaderSize])
{
    std::memset(out, 0, kHeaderSize);
    std::memcpy(out, kFileMagic, 4);
    WriteLE16(out + 4, kVersion);
    WriteLE16(out + 6, kHeaderSize);
    WriteLE32(out + 8, minuteStart);
    Seal(out, kHeaderSize);
}

HeaderCheck DecodeHeader(const uint8_t in[kHeaderSize], uint32_t* pMinuteStart)
{
    if (std::memcmp(in, kFileMagic, 4) != 0) return HeaderCheck::Foreign;
    if (ReadLE16(in + 4) != kVersion) return HeaderCheck::UnknownVersion;
    if (!IsSealed(in, kHeaderSize) || ReadLE16(in + 6) != kHeaderSize) return HeaderCheck::Corrupt;
    *pMinuteStart = ReadLE32(in + 8);
    return *pMinuteStart % kSecondsPerMinute == 0 ? HeaderCheck::Ok : HeaderCheck::Corrupt;
}

void EncodeFrameHead(const UnitFields& fields, uint8_t out[kFrameHeadSize])
{
    std::memcpy(out, kFrameTag, 4);
    EncodeUnitBody(fields, out + 4);
    Seal(out, kFrameHeadSize);
}

bool DecodeFrameHead(const uint8_t in[kFrameHeadSize], UnitFields* pFields)
{
    if (std::memcmp(in, kFrameTag, 4) != 0 || !IsSealed(in, kFrameHeadSize)) return false;
    DecodeUnitBody(in + 4, pFields);
    return true;
}

void EncodeIndexEntry(const UnitFields& fields, uint8_t out[kIndexEntrySize])
{
    WriteLE64(out, fields.frameOffset);
    EncodeUnitBody(fields, out + 8);
}

UnitFields DecodeIndexEntry(const uint8_t in[kIndexEntrySize])
{
    UnitFields fields;
    fields.frameOffset = ReadLE64(in);
    DecodeUnitBody(in + 8, &fields);
    return fields;
}

void EncodeTrailer(const Trailer& t, uint8_t out[kTrailerSize])
{
    std::memcpy(out, kTrailerTag, 4);
    WriteLE32(out + 4, t.unitCount);
    WriteLE64(out + 8, t.indexOffset);
    WriteLE32(out + 16, t.firstTime);
    WriteLE32(out + 20, t.lastTime);
    WriteLE32(out + 24, t.indexCrc);
    Seal(out, kTrailerSize);
}

bool DecodeTrailer(const uint8_t in[kTrailerSize], Trailer* t)
{
    if (std::memcmp(in, kTrailerTag, 4) != 0 || !IsSealed(in, kTrailerSize)) return false;
    t->unitCount = ReadLE32(in + 4);
    t->indexOffset = ReadLE64(in + 8);
    t->firstTime = ReadLE32(in + 16);
    t->lastTime = ReadLE32(in + 20);
    t->indexCrc = ReadLE32(in + 24);
    return true;
}

bool IsValidUnit(const UnitFields& f, uint32_t minuteStart, uint32_t previousTime)
{
    const uint32_t time = f.record.unitTime;
    return f.dataSize > 0 && f.dataSize <= kMaxUnitSize && f.record.size == f.dataSize && (f.area & ~kAreaMask) == 0 &&
           time >= minuteStart && time - minuteStart < kSecondsPerMinute && time >= previousTime;
}

}  // namespace MinuteFile
