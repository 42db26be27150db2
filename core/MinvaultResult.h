#pragma once
// The results of the minute-file library's search and read operations. The
// filter maps them to its own status codes; their values are its contract.

#include <cstdint>

enum class MinvaultResult : int32_t {
    Ok = 0,
    NotReady = -1,        // not opened, or no search started
    NoFolder = -2,        // the recording folder is missing or cannot be listed
    NotFound = -3,        // no minute file with a unit that the query asks for
    BadArgument = -4,     // a null pointer, a path too long, a level or area unknown
    NoMemory = -10,
    ReadFailed = -11,     // a minute file could not be opened or read
    EndOfRange = -12,     // no further unit in the range
    NothingInRange = -13, // the range holds no unit at all
    CorruptUnit = -20,    // the unit's data fail their checks; the next one can be asked for
    PartTooLarge = -21,   // more bytes asked for than the unit has left or a part may hold
    NoCurrentUnit = -22,  // data asked for with no unit fetched, or the unit read already
    TooManyBadFiles = -23,// the search passed its bound of unreadable files in a row
};
