#include "core/PlayUnitInfo.h"

#include "core/CivilTime.h"
#include "core/MinvaultResult.h"

#include <cstring>

namespace {

constexpr uint8_t kUnitTypeAudio = 1, kUnitTypeOther = 2;

uint8_t Bit(uint8_t byte, int n) { return (byte >> n) & 1; }

void WriteCalendar(uint32_t seconds, uint8_t stamp[6])
{
    const CalendarTime t = CalendarOfSeconds(seconds);
    stamp[0] = static_cast<uint8_t>(t.second);
    stamp[1] = static_cast<uint8_t>(t.minute);
    stamp[2] = static_cast<uint8_t>(t.hour);
    stamp[3] = static_cast<uint8_t>(t.day);
    stamp[4] = static_cast<uint8_t>(t.month);
    stamp[5] = static_cast<uint8_t>(t.year - 1900);
}

}  // namespace

int32_t BuildPlayStreamInfo(const MinuteFileRecord& r, StreamInfoBlock* pBlock)
{
    if (r.unitType == kUnitTypeAudio || r.unitType == kUnitTypeOther) return kStatusNotAVideoUnit;
    if (r.unitType != kUnitTypeVideo) return kStatusNoStreamInfo;
    StreamInfoBlock block = {};
    STRM_HEAD_INFO& s = block.info;
    s.bFlag1 = s.bFlag2 = Bit(r.flags9, 5);
    s.bFlag3 = r.byte13;
    s.bFlag24 = Bit(r.flags5, 7);
    s.bParamByte1 = r.header;
    s.bResolution = static_cast<uint8_t>((r.flags9 >> 2 & 3) << 6 | r.flags6 >> 4);
    s.bQuality = r.flags6 & 0x0F;
    s.bVideoSystem = Bit(r.flags9, 0);
    s.usFrameRate = r.flags5 & 0x0F;
    WriteCalendar(r.calendarTime, s.TimeStamp);
    s.usIndexWord = r.word24;
    s.b2BitField0 = r.byte15 >> 4;
    s.b2BitField1 = r.byte15 & 0x0F;
    s.b2BitField2 = r.byte14;
    block.ulIndexValue = r.unitTime;
    *pBlock = block;
    return 0;
}

int32_t PlayPictureSize(const MinuteFileRecord& record, uint32_t* pWidth, uint32_t* pHeight)
{
    static const uint32_t kSizes[3][2][2] = {{{176, 144}, {176, 144}}, {{352, 240}, {352, 288}}, {{720, 480}, {720, 576}}};
    const unsigned code = record.flags6 >> 4;
    if (code > 2) {
        *pWidth = *pHeight = 0;
        return kStatusNoStreamInfo;
    }
    const unsigned system = Bit(record.flags9, 0);
    *pWidth = kSizes[code][system][0];
    *pHeight = kSizes[code][system][1];
    return 0;
}

int32_t LibraryStatusMap(int32_t result)
{
    switch (static_cast<MinvaultResult>(result)) {
    case MinvaultResult::Ok: return 0;
    case MinvaultResult::NotReady: return -107;
    case MinvaultResult::NoFolder:
    case MinvaultResult::NotFound: return -103;
    case MinvaultResult::BadArgument: return -108;
    case MinvaultResult::NoMemory: return kStatusOutOfMemory;
    case MinvaultResult::ReadFailed:
    case MinvaultResult::CorruptUnit: return kStatusLibraryFailed;
    case MinvaultResult::EndOfRange:
    case MinvaultResult::NothingInRange: return kStatusEndOfData;
    case MinvaultResult::PartTooLarge: return -111;
    case MinvaultResult::NoCurrentUnit: return 0xA012;
    case MinvaultResult::TooManyBadFiles: return -118;
    }
    return -100;
}

int64_t SecondsOfCalendar(const CalendarTime& t)
{
    const unsigned month = t.month < 1 ? 1 : t.month > 12 ? 12 : t.month;
    unsigned day = t.day < 1 ? 1 : t.day;
    if (month == 2 && day > DaysInMonth(t.year, 2)) day = DaysInMonth(t.year, 2);
    return DaysFromCivil(t.year, month, day) * 86400 + int64_t{t.hour} * 3600 + int64_t{t.minute} * 60 + t.second;
}

CalendarTime CalendarOfSeconds(int64_t seconds)
{
    const int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
    const int64_t rest = seconds - days * 86400;
    const CivilDate date = CivilFromDays(days);
    return {static_cast<uint16_t>(date.year), static_cast<uint16_t>(date.month), static_cast<uint16_t>(date.day),
            static_cast<uint16_t>(rest / 3600), static_cast<uint16_t>(rest / 60 % 60), static_cast<uint16_t>(rest % 60)};
}
