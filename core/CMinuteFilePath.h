#pragma once
// Where a minute file lies below the recording folder, named after the minute it
// holds (UTC): YYYYMMDD/HH/YYYYMMDD-HHMM.vmf. A search picks files by name alone.

#include <cstdint>
#include <string>
#include <string_view>

class CMinuteFilePath {
public:
    static constexpr std::string_view kExtension = ".vmf";

    static uint32_t MinuteStart(uint32_t unitTime) { return unitTime - unitTime % 60; }
    // The path of the file holding unitTime, relative to the folder, with '/' between names.
    static std::string RelativePath(uint32_t unitTime);
    // The minute a file's name stands for; the folders before it, with '/' or '\', are ignored.
    static bool MinuteOfPath(std::string_view path, uint32_t* pMinuteStart);
    // The start of the day that a day folder's name (YYYYMMDD) stands for.
    static bool DayOfFolder(std::string_view name, uint32_t* pDayStart);
    // The hour (0 to 23) of an hour folder's name (HH).
    static bool HourOfFolder(std::string_view name, unsigned* pHour);
};
