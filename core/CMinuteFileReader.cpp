#include "core/CMinuteFileReader.h"

#include "core/ByteOrder.h"
#include "core/CCrc32.h"

#include <algorithm>
#include <cstring>

using namespace MinuteFile;

namespace {

constexpr size_t kCheckChunk = 64 * 1024;

}  // namespace

MinuteFileResult CMinuteFileReader::Open()
{
    m_Opened = false;
    m_Units.clear();
    m_Tail = Tail::Torn;
    m_TornBytes = 0;
    m_FileSize = m_pSource->Size();
    const MinuteFileResult result = ReadHeader();
    if (result != MinuteFileResult::Ok) return result;
    if (!LoadIndex()) WalkFrames();
    m_Checked.assign(m_Units.size(), false);
    m_Opened = true;
    return MinuteFileResult::Ok;
}

MinuteFileResult CMinuteFileReader::ReadUnit(size_t index, uint8_t* pDest, size_t cbDest)
{
    if (!m_Opened || index >= m_Units.size()) return MinuteFileResult::NoSuchUnit;
    if (cbDest < m_Units[index].dataSize) return MinuteFileResult::BufferTooSmall;
    const MinuteFileResult result = CheckUnit(index, pDest);
    if (result != MinuteFileResult::Ok) std::memset(pDest, 0, m_Units[index].dataSize);
    return result;
}

MinuteFileResult CMinuteFileReader::ReadUnitPart(size_t index, uint32_t offset, uint8_t* pDest, uint32_t cb)
{
    if (!m_Opened || index >= m_Units.size()) return MinuteFileResult::NoSuchUnit;
    const UnitFields& unit = m_Units[index];
    if (offset > unit.dataSize || cb > unit.dataSize - offset) return MinuteFileResult::OutOfRange;
    if (!m_Checked[index]) {
        const MinuteFileResult result = CheckUnit(index, nullptr);
        if (result != MinuteFileResult::Ok) return result;
    }
    if (!ReadExact(unit.DataOffset() + offset, pDest, cb)) return MinuteFileResult::ReadFailed;
    return MinuteFileResult::Ok;
}

bool CMinuteFileReader::ReadExact(uint64_t offset, uint8_t* pDest, size_t cb)
{
    if (offset > m_FileSize || cb > m_FileSize - offset) return false;
    return cb == 0 || m_pSource->ReadAt(offset, pDest, cb) == cb;
}

MinuteFileResult CMinuteFileReader::ReadHeader()
{
    uint8_t header[kHeaderSize];
    if (!ReadExact(0, header, sizeof header)) return MinuteFileResult::TruncatedHeader;
    switch (DecodeHeader(header, &m_MinuteStart)) {
    case HeaderCheck::Ok: return MinuteFileResult::Ok;
    case HeaderCheck::Foreign: return MinuteFileResult::Foreign;
    case HeaderCheck::UnknownVersion: return MinuteFileResult::UnknownVersion;
    case HeaderCheck::Corrupt: break;
    }
    return MinuteFileResult::CorruptHeader;
}

bool CMinuteFileReader::LoadIndex()
{
    uint8_t bytes[kTrailerSize];
    Trailer trailer;
    if (m_FileSize < kHeaderSize + kTrailerSize || !ReadExact(m_FileSize - kTrailerSize, bytes, sizeof bytes) ||
        !DecodeTrailer(bytes, &trailer) || trailer.unitCount > kMaxUnits || trailer.indexOffset < kHeaderSize ||
        trailer.indexOffset + uint64_t{trailer.unitCount} * kIndexEntrySize + kTrailerSize != m_FileSize)
        return false;
    std::vector<uint8_t> index(size_t{trailer.unitCount} * kIndexEntrySize);
    if (!ReadExact(trailer.indexOffset, index.data(), index.size()) ||
        CCrc32::Of(index.data(), index.size()) != trailer.indexCrc)
        return false;
    for (size_t i = 0; i < trailer.unitCount; ++i) m_Units.push_back(DecodeIndexEntry(&index[i * kIndexEntrySize]));
    if (CheckIndex(trailer)) {
        m_Tail = Tail::Indexed;
        m_TornBytes = 0;
        return true;
    }
    m_Units.clear();
    return false;
}

// The entries must describe frames that follow each other from the header up to the index.
bool CMinuteFileReader::CheckIndex(const Trailer& trailer) const
{
    uint64_t expected = kHeaderSize;
    uint32_t previousTime = m_MinuteStart;
    for (const UnitFields& unit : m_Units) {
        if (unit.frameOffset != expected || !IsValidUnit(unit, m_MinuteStart, previousTime)) return false;
        expected = unit.FrameEnd();
        previousTime = unit.record.unitTime;
    }
    if (expected != trailer.indexOffset) return false;
    if (m_Units.empty()) return trailer.firstTime == 0 && trailer.lastTime == 0;
    return trailer.firstTime == m_Units.front().record.unitTime && trailer.lastTime == previousTime;
}

void CMinuteFileReader::WalkFrames()
{
    uint64_t offset = kHeaderSize;
    uint32_t previousTime = m_MinuteStart;
    uint8_t head[kFrameHeadSize];
    UnitFields unit;
    while (m_Units.size() < kMaxUnits && ReadExact(offset, head, sizeof head) && DecodeFrameHead(head, &unit)) {
        unit.frameOffset = offset;
        if (!IsValidUnit(unit, m_MinuteStart, previousTime) || unit.FrameEnd() > m_FileSize) break;
        m_Units.push_back(unit);
        offset = unit.FrameEnd();
        previousTime = unit.record.unitTime;
    }
    m_TornBytes = m_FileSize - offset;
    m_Tail = m_TornBytes ? Tail::Torn : Tail::Open;
}

// Checks the frame head and the data checksum of a unit, reading its data into
// pDest when given, else through a small buffer.
MinuteFileResult CMinuteFileReader::CheckUnit(size_t index, uint8_t* pDest)
{
    const UnitFields& unit = m_Units[index];
    if (!FrameHeadMatches(unit)) return MinuteFileResult::CorruptUnit;
    std::vector<uint8_t> chunk(pDest ? 0 : std::min<size_t>(unit.dataSize, kCheckChunk));
    CCrc32 crc;
    for (uint32_t done = 0; done < unit.dataSize;) {
        const uint32_t cb = pDest ? unit.dataSize : std::min<uint32_t>(unit.dataSize - done, kCheckChunk);
        uint8_t* p = pDest ? pDest : chunk.data();
        if (!ReadExact(unit.DataOffset() + done, p, cb)) return MinuteFileResult::ReadFailed;
        crc.Update(p, cb);
        done += cb;
    }
    uint8_t stored[kFrameTailSize];
    if (!ReadExact(unit.DataOffset() + unit.dataSize, stored, sizeof stored)) return MinuteFileResult::ReadFailed;
    if (ReadLE32(stored) != crc.Value()) return MinuteFileResult::CorruptUnit;
    m_Checked[index] = true;
    return MinuteFileResult::Ok;
}

bool CMinuteFileReader::FrameHeadMatches(const UnitFields& unit)
{
    uint8_t head[kFrameHeadSize];
    UnitFields found;
    if (!ReadExact(unit.frameOffset, head, sizeof head) || !DecodeFrameHead(head, &found)) return false;
    found.frameOffset = unit.frameOffset;
    return found == unit;
}
