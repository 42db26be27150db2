#pragma once
// What the player makes of a recorded unit's record: the stream information the
// host and the push thread read, the picture size, and the player's status for a
// result of the minute-file library; and the calendar arithmetic of the play range.

#include "core/MinuteFileRecord.h"
#include "core/StreamInfoBlock.h"

#include <cstdint>

// Statuses of recorded playback, in the stream information's status field.
enum : uint16_t {
    kStatusEndOfData = 0x0501,
    kStatusGap = 0x0601,
    kStatusNoFileReader = 0xA003,
    kStatusPathCheck = 0xA005,
    kStatusLibraryFailed = 0xA006,
    kStatusNoStreamInfo = 0xA007,
    kStatusNotAVideoUnit = 0xA009,
    kStatusEmptyUnit = 0xA013,
    kStatusReadAccounting = 0xA015,
    kStatusUnknownUnitType = 0xA016,
    kStatusOutOfMemory = 0xA100,
};

// The unit type whose data play.
constexpr uint8_t kUnitTypeVideo = 3;

// 0 and the block, or kStatusNotAVideoUnit / kStatusNoStreamInfo for a unit that
// carries no stream.
int32_t BuildPlayStreamInfo(const MinuteFileRecord& record, StreamInfoBlock* pBlock);
// 0, or kStatusNoStreamInfo (and 0 x 0) for an unknown resolution code.
int32_t PlayPictureSize(const MinuteFileRecord& record, uint32_t* pWidth, uint32_t* pHeight);
// The player's status for a library result: 0, negative (ends the reading),
// or a positive status the reading goes on after.
int32_t LibraryStatusMap(int32_t result);

struct CalendarTime {
    uint16_t year, month, day, hour, minute, second;
};
// Seconds since 1970 (UTC); a day past the month's end in February counts as its last day.
int64_t SecondsOfCalendar(const CalendarTime& time);
CalendarTime CalendarOfSeconds(int64_t seconds);
