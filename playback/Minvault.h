#pragma once
// The minute-file library (Minvault.dll): the search object that plays a
// recording back and the query for the earliest or latest minute file of a
// recording folder. Every result is a MinvaultResult (core/MinvaultResult.h).
// Times are seconds since 1970 (UTC). The formats are in minvault/FORMAT.md.

#include "core/MinvaultResult.h"
#include "core/MinvaultStats.h"

#include <cstddef>
#include <cstdint>

#ifdef MINVAULT_BUILD
#define MINVAULT_API extern "C" __declspec(dllexport)
#else
#define MINVAULT_API extern "C" __declspec(dllimport)
#endif

constexpr uint32_t kMinvaultLevel = 3;       // the contract level a caller passes
constexpr uint32_t kMinvaultBadFilesInRow = 100;
constexpr uint32_t kMinvaultPartSize = 0x50000;
constexpr size_t kMinvaultRecordSize = 48;   // a MinuteFileRecord (core/MinuteFileRecord.h)
constexpr size_t kMinvaultResultSize = 64;
constexpr size_t kMinvaultTimeOffset = 56;   // the 64-bit time found, in the result block


// The search object; made by CreateCMinvault, given back with DestroyCMinvault.
// Its operations, in this order, are the contract's virtual slots.
class CMinvault {
public:
    // cBadFilesInRow: the search gives up (TooManyBadFiles) after that many
    // unreadable minute files in a row; cbPartSize: the most bytes that one
    // ReadRecordData may be asked for.
    virtual int32_t Open(uint32_t cBadFilesInRow, uint32_t cbPartSize) = 0;
    // Units of `area` (bit 0 normal, bit 1 alarm) whose time lies from the later of
    // start and top up to end, both included, in ascending time. level: kMinvaultLevel.
    virtual int32_t StartSearch(const wchar_t* pszPath, uint8_t area, uint32_t level, int64_t start, int64_t top,
                                int64_t end) = 0;
    // Fills the 48-byte record of the next unit.
    virtual int32_t GetNextRecord(uint8_t* pRecord) = 0;
    virtual int32_t GetStats(MinvaultStats* pStats) = 0;
    // cb bytes of the current unit's data, following the part read before; cb 0
    // reads all that is left of it (the buffer must hold them). flags: 0.
    virtual int32_t ReadRecordData(uint8_t* pBuffer, uint32_t cb, uint32_t flags) = 0;

protected:
    ~CMinvault() = default;
};

// Which minute file SearchMinuteFile looks for. The path is a full-width pointer,
// so the record is 32 bytes in the 32-bit build and 40 (with 4 of padding) in the 64-bit one.
struct MinuteFileQuery {
    const wchar_t* pszPath;
    uint8_t level;      // kMinvaultLevel
    uint8_t kind;       // 1: a minute file that holds a unit
    uint8_t area;       // bit 0 normal, bit 1 alarm
    uint8_t reserved0;
    uint32_t from;      // the search starts here ...
    uint32_t reserved1;
    int32_t direction;  // ... and goes forward (1) or backward (-1) ...
    uint32_t reserved2;
    uint32_t to;        // ... up to here, both included
    uint32_t reserved3;
};
static_assert(sizeof(MinuteFileQuery) == (sizeof(void*) == 8 ? 40 : 32),
              "MinuteFileQuery: a pointer and seven 32-bit words, padded to the pointer's alignment");

// The minute file with the earliest unit of `area` in the folder (bLatest false),
// or with its latest; the unit's time comes at kMinvaultTimeOffset of the result.
inline MinuteFileQuery RecordingEndQuery(const wchar_t* pszPath, bool bLatest, uint8_t area = 3)
{
    constexpr uint32_t kFar = 0x7FFFFFFF;
    return {pszPath, kMinvaultLevel, 1, area, 0, bLatest ? kFar : 0, 0, bLatest ? -1 : 1, 0, bLatest ? 0 : kFar, 0};
}

MINVAULT_API CMinvault* CreateCMinvault();
MINVAULT_API void DestroyCMinvault(CMinvault* pObject);
// Fills the result block (at least kMinvaultResultSize bytes) with the minute file
// found and, at kMinvaultTimeOffset, the time of its first unit going forward or of
// its last unit going backward.
MINVAULT_API int32_t SearchMinuteFile(const MinuteFileQuery* pQuery, uint8_t* pResult);

// For std::unique_ptr<CMinvault, CMinvaultDeleter>.
struct CMinvaultDeleter {
    void operator()(CMinvault* pObject) const { DestroyCMinvault(pObject); }
};
