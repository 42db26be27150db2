#pragma once
// What the minute file's writer and reader report; 0 is success.

#include <cstdint>

enum class MinuteFileResult : int32_t {
    Ok = 0,
    TruncatedHeader = -1,  // shorter than a header: nothing usable yet
    Foreign = -2,          // not a minute file
    UnknownVersion = -3,
    CorruptHeader = -4,
    NoSuchUnit = -5,
    OutOfRange = -6,      // a part beyond the unit's data
    BufferTooSmall = -7,
    CorruptUnit = -8,     // a frame's checksum or fields do not hold
    ReadFailed = -9,      // the source gave fewer bytes than it holds
    BadUnit = -10,        // the writer refuses a unit: size, area or time
    SinkFailed = -11,
    WrongState = -12,
};
