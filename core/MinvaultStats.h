#pragma once
// What a minute-file search passed over so far: for a person, not for the player.

#include <cstdint>

struct MinvaultStats {
    uint32_t filesRead = 0;     // minute files whose units were listed
    uint32_t filesSkipped = 0;  // minute files that are foreign, damaged or unreadable
    uint32_t tornFiles = 0;     // minute files with a torn tail (their good units are used)
    uint32_t unitsCorrupt = 0;  // units whose data failed their checks
    uint64_t unitsReturned = 0;
    uint64_t bytesReturned = 0;  // the data sizes of the units returned
};
static_assert(sizeof(MinvaultStats) == 32, "MinvaultStats: four 32-bit and two 64-bit counts");
