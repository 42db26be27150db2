#pragma once
// The earliest or latest minute file of a recording folder: walking from one
// time towards another, the first minute file that holds a unit of the play area
// in between. Its description goes into a 64-byte result block (little-endian):
//
//   0  u32  block size, 64          20  u8   tail: 0 closed, 1 open, 2 torn
//   4  u32  the file's minute       24  u64  data bytes of those units
//   8  u32  units of the area       32  24   0
//   12 u32  first such unit's time  56  u64  the time found: the first unit's going
//   16 u32  last such unit's time            forward, the last one's going backward

#include "core/IMinuteStore.h"
#include "core/MinvaultResult.h"

#include <cstddef>
#include <cstdint>

class CMinuteFileFinder {
public:
    static constexpr size_t kResultSize = 64;
    static constexpr size_t kTimeOffset = 56;

    struct Query {
        uint8_t level;
        uint8_t kind;
        uint8_t area;
        uint32_t from;
        int32_t direction;  // 1 forward, -1 backward
        uint32_t to;
    };

    struct Found {
        uint32_t minute = 0;
        uint32_t units = 0;
        uint32_t firstTime = 0;
        uint32_t lastTime = 0;
        uint8_t tail = 0;
        uint64_t bytes = 0;
        uint64_t time = 0;
    };

    static MinvaultResult Find(IMinuteStore* pStore, const Query& query, uint32_t cBadFilesInRow, Found* pFound);
    static void Encode(const Found& found, uint8_t out[kResultSize]);
};
