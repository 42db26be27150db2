#include "core/MinuteFileRecord.h"

#include "core/ByteOrder.h"

#include <cstring>

namespace {

constexpr size_t kTailOffset = 32;
static_assert(kTailOffset + sizeof(MinuteFileRecord::tail) == kMinuteFileRecordSize);

}  // namespace

void EncodeMinuteFileRecord(const MinuteFileRecord& r, uint8_t out[kMinuteFileRecordSize])
{
    WriteLE32(out, r.size);
    const uint8_t bytes[12] = {r.header, r.flags5, r.flags6, r.byte7, r.byte8, r.flags9,
                               r.notKey, r.unitType, r.marks, r.byte13, r.byte14, r.byte15};
    std::memcpy(out + 4, bytes, sizeof bytes);
    WriteLE32(out + 16, r.unitTime);
    WriteLE32(out + 20, r.dword20);
    WriteLE16(out + 24, r.word24);
    WriteLE16(out + 26, r.word26);
    WriteLE32(out + 28, r.calendarTime);
    std::memcpy(out + kTailOffset, r.tail.data(), r.tail.size());
}

MinuteFileRecord DecodeMinuteFileRecord(const uint8_t in[kMinuteFileRecordSize])
{
    MinuteFileRecord r;
    r.size = ReadLE32(in);
    r.header = in[4];
    r.flags5 = in[5];
    r.flags6 = in[6];
    r.byte7 = in[7];
    r.byte8 = in[8];
    r.flags9 = in[9];
    r.notKey = in[10];
    r.unitType = in[11];
    r.marks = in[12];
    r.byte13 = in[13];
    r.byte14 = in[14];
    r.byte15 = in[15];
    r.unitTime = ReadLE32(in + 16);
    r.dword20 = ReadLE32(in + 20);
    r.word24 = ReadLE16(in + 24);
    r.word26 = ReadLE16(in + 26);
    r.calendarTime = ReadLE32(in + 28);
    std::memcpy(r.tail.data(), in + kTailOffset, r.tail.size());
    return r;
}
