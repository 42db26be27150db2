#include "core/CMinuteFilePath.h"

#include "core/CivilTime.h"

#include <cstdio>

namespace {

constexpr size_t kNameLength = 13;  // YYYYMMDD-HHMM

bool ParseDigits(std::string_view text, unsigned* pValue)
{
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    *pValue = value;
    return true;
}

bool HasExtension(std::string_view name)
{
    const std::string_view ext = name.substr(kNameLength);
    if (ext.size() != CMinuteFilePath::kExtension.size()) return false;
    for (size_t i = 0; i < ext.size(); ++i) {
        const char c = ext[i] >= 'A' && ext[i] <= 'Z' ? static_cast<char>(ext[i] - 'A' + 'a') : ext[i];
        if (c != CMinuteFilePath::kExtension[i]) return false;
    }
    return true;
}

}  // namespace

std::string CMinuteFilePath::RelativePath(uint32_t unitTime)
{
    const CivilDate date = CivilFromDays(unitTime / 86400);
    const unsigned hour = unitTime % 86400 / 3600, minute = unitTime % 3600 / 60;
    char path[40];
    std::snprintf(path, sizeof path, "%04u%02u%02u/%02u/%04u%02u%02u-%02u%02u%s", static_cast<unsigned>(date.year),
                  date.month, date.day, hour, static_cast<unsigned>(date.year), date.month, date.day, hour, minute,
                  kExtension.data());
    return path;
}

bool CMinuteFilePath::DayOfFolder(std::string_view name, uint32_t* pDayStart)
{
    unsigned year, month, day;
    if (name.size() != 8 || !ParseDigits(name.substr(0, 4), &year) || !ParseDigits(name.substr(4, 2), &month) ||
        !ParseDigits(name.substr(6, 2), &day))
        return false;
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
    const int64_t seconds = DaysFromCivil(year, month, day) * 86400;
    if (seconds > UINT32_MAX) return false;
    *pDayStart = static_cast<uint32_t>(seconds);
    return true;
}

bool CMinuteFilePath::HourOfFolder(std::string_view name, unsigned* pHour)
{
    return name.size() == 2 && ParseDigits(name, pHour) && *pHour < 24;
}

bool CMinuteFilePath::MinuteOfPath(std::string_view path, uint32_t* pMinuteStart)
{
    const size_t slash = path.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    uint32_t dayStart;
    unsigned hour, minute;
    if (name.size() < kNameLength || name[8] != '-' || !HasExtension(name) || !DayOfFolder(name.substr(0, 8), &dayStart) ||
        !HourOfFolder(name.substr(9, 2), &hour) || !ParseDigits(name.substr(11, 2), &minute) || minute > 59)
        return false;
    const uint64_t seconds = uint64_t{dayStart} + hour * 3600 + minute * 60;
    if (seconds > UINT32_MAX) return false;
    *pMinuteStart = static_cast<uint32_t>(seconds);
    return true;
}
