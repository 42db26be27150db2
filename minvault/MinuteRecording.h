#pragma once
// The minute-file library's recorder, for hosts: takes the filter's recording
// pin samples (a 24-byte pack head, then the pack), groups them into units from
// each key pack to the next and writes them into one minute file per minute
// below a recording folder (minvault/FORMAT.md). Every unit is on the disk
// before the next one is taken.

#include "playback/Minvault.h"

#include <cstdint>

struct MinuteRecordingStats {
    uint64_t units;         // written
    uint64_t bytes;         // their data
    uint64_t unitsDropped;  // not written: see the result of AddSample
    uint64_t samplesDropped;// not in a unit: before the first key pack, malformed, without a time
    uint32_t files;         // created
    uint32_t filesFailed;   // whose writing failed
    uint32_t lastError;     // the system error of the last file or folder that could not be made
    uint32_t reserved;
};
static_assert(sizeof(MinuteRecordingStats) == 48, "MinuteRecordingStats: four 64-bit and four 32-bit counts");

// What became of the unit that a sample completed.
enum class MinuteRecordingResult : int32_t {
    Ok = 0,                 // written, or no unit completed
    ClockWentBack = 1,      // earlier than a unit already recorded: dropped
    MinuteUnavailable = 2,  // its minute's file is foreign or full, could not be made, or failed before
    WriteFailed = 3,        // the file could not be written
    Refused = 4,            // not a unit a minute file can hold
    BadArgument = -4,
    NoMemory = -10,
};

class CMinuteRecording {
public:
    virtual int32_t AddSample(const uint8_t* pSample, uint32_t cbSample) = 0;
    // Writes the unit still being built and closes the open minute file.
    virtual int32_t Finish() = 0;
    virtual int32_t GetRecordingStats(MinuteRecordingStats* pStats) = 0;

protected:
    ~CMinuteRecording() = default;
};

// area: bit 0 normal, bit 1 alarm. Null for a bad path or area.
MINVAULT_API CMinuteRecording* CreateMinuteRecording(const wchar_t* pszFolder, uint8_t area);
// Finishes the recording first.
MINVAULT_API void DestroyMinuteRecording(CMinuteRecording* pRecording);
