#include "core/CMinuteFileFinder.h"

#include "core/ByteOrder.h"
#include "core/CMinuteFolderWalk.h"
#include "core/COpenMinuteFile.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kLevel = 3;
constexpr uint8_t kKindMinuteFile = 1;

bool IsValid(const CMinuteFileFinder::Query& query)
{
    if (query.level != kLevel || query.kind != kKindMinuteFile || query.area == 0 ||
        (query.area & ~MinuteFile::kAreaMask))
        return false;
    if (query.direction == 1) return query.from <= query.to;
    return query.direction == -1 && query.from >= query.to;
}

uint8_t TailCode(CMinuteFileReader::Tail tail)
{
    switch (tail) {
    case CMinuteFileReader::Tail::Indexed: return 0;
    case CMinuteFileReader::Tail::Open: return 1;
    case CMinuteFileReader::Tail::Torn: break;
    }
    return 2;
}

// The file's units of the area, and the one that the walk meets first within the
// range; false when none lies in it.
bool Describe(CMinuteFileReader& reader, const CMinuteFileFinder::Query& query, CMinuteFileFinder::Found* pFound)
{
    const uint32_t low = std::min(query.from, query.to), high = std::max(query.from, query.to);
    CMinuteFileFinder::Found found;
    bool bHit = false;
    for (const MinuteFile::UnitFields& unit : reader.Units()) {
        if (!(unit.area & query.area)) continue;
        const uint32_t time = unit.record.unitTime;
        if (found.units++ == 0) found.firstTime = time;
        found.lastTime = time;
        found.bytes += unit.dataSize;
        if (time < low || time > high) continue;
        if (query.direction < 0 || !bHit) found.time = time;
        bHit = true;
    }
    if (!bHit) return false;
    found.minute = reader.MinuteStart();
    found.tail = TailCode(reader.GetTail());
    *pFound = found;
    return true;
}

}  // namespace

MinvaultResult CMinuteFileFinder::Find(IMinuteStore* pStore, const Query& query, uint32_t cBadFilesInRow,
                                       Found* pFound)
{
    if (!pStore || !pFound || !IsValid(query)) return MinvaultResult::BadArgument;
    CMinuteFolderWalk walk(pStore, query.from, query.to, query.direction > 0);
    if (!walk.Begin()) return MinvaultResult::NoFolder;
    std::string path;
    uint32_t minute, cBad = 0;
    COpenMinuteFile file;
    while (walk.Next(&path, &minute)) {
        if (!file.Open(pStore, path, minute)) {
            if (++cBad >= cBadFilesInRow) return MinvaultResult::TooManyBadFiles;
            continue;
        }
        cBad = 0;
        if (Describe(file.Reader(), query, pFound)) return MinvaultResult::Ok;
    }
    return MinvaultResult::NotFound;
}

void CMinuteFileFinder::Encode(const Found& found, uint8_t out[kResultSize])
{
    std::memset(out, 0, kResultSize);
    WriteLE32(out, kResultSize);
    WriteLE32(out + 4, found.minute);
    WriteLE32(out + 8, found.units);
    WriteLE32(out + 12, found.firstTime);
    WriteLE32(out + 16, found.lastTime);
    out[20] = found.tail;
    WriteLE64(out + 24, found.bytes);
    WriteLE64(out + kTimeOffset, found.time);
}
