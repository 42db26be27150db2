#pragma once
// The play range's times as the filter keeps them (SYSTEMTIME, UTC) and as the
// recording counts them (seconds since 1970). Milliseconds and the day of the
// week are not kept.

#include "core/PlayUnitInfo.h"

#include <windows.h>

#include <cstdint>

inline int64_t SecondsOf(const SYSTEMTIME& t)
{
    return SecondsOfCalendar({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond});
}

inline SYSTEMTIME SystemTimeOf(int64_t seconds)
{
    const CalendarTime c = CalendarOfSeconds(seconds);
    SYSTEMTIME t = {};
    t.wYear = c.year;
    t.wMonth = c.month;
    t.wDay = c.day;
    t.wHour = c.hour;
    t.wMinute = c.minute;
    t.wSecond = c.second;
    return t;
}
