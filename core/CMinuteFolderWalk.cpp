#include "core/CMinuteFolderWalk.h"

#include "core/CMinuteFilePath.h"

#include <algorithm>

namespace {

constexpr uint32_t kDay = 86400, kHour = 3600, kMinute = 60;

}  // namespace

CMinuteFolderWalk::CMinuteFolderWalk(IMinuteStore* pStore, uint32_t first, uint32_t last, bool bForward)
    : m_pStore(pStore), m_Low(std::min(first, last)), m_High(std::max(first, last)), m_bForward(bForward)
{
}

bool CMinuteFolderWalk::Begin()
{
    std::vector<std::string> names;
    if (!m_pStore->List("", &names)) return false;
    m_Days.clear();
    for (std::string& name : names) {
        uint32_t dayStart;
        if (CMinuteFilePath::DayOfFolder(name, &dayStart) && InRange(dayStart, kDay))
            m_Days.push_back({dayStart, std::move(name)});
    }
    Order(&m_Days);
    m_Hours.clear();
    m_Minutes.clear();
    return true;
}

bool CMinuteFolderWalk::Next(std::string* pPath, uint32_t* pMinute)
{
    while (m_Minutes.empty())
        if (!NextHour()) return false;
    *pPath = std::move(m_Minutes.back().path);
    *pMinute = m_Minutes.back().time;
    m_Minutes.pop_back();
    return true;
}

bool CMinuteFolderWalk::NextHour()
{
    while (m_Hours.empty()) {
        if (m_Days.empty()) return false;
        m_Hours = ListHours(m_Days.back());
        m_Days.pop_back();
    }
    m_Minutes = ListMinutes(m_Hours.back());
    m_Hours.pop_back();
    return true;
}

bool CMinuteFolderWalk::InRange(uint32_t start, uint32_t span) const
{
    return start <= m_High && uint64_t{start} + span > m_Low;
}

// Sorted so that the next entry in walking order is at the back.
void CMinuteFolderWalk::Order(std::vector<Entry>* pEntries) const
{
    std::stable_sort(pEntries->begin(), pEntries->end(), [this](const Entry& a, const Entry& b) {
        return m_bForward ? a.time > b.time : a.time < b.time;
    });
}

std::vector<CMinuteFolderWalk::Entry> CMinuteFolderWalk::ListHours(const Entry& day)
{
    std::vector<std::string> names;
    std::vector<Entry> hours;
    if (!m_pStore->List(day.path, &names)) return hours;
    for (const std::string& name : names) {
        unsigned hour;
        if (!CMinuteFilePath::HourOfFolder(name, &hour)) continue;
        const uint64_t start = uint64_t{day.time} + hour * kHour;
        if (start <= UINT32_MAX && InRange(static_cast<uint32_t>(start), kHour))
            hours.push_back({static_cast<uint32_t>(start), day.path + "/" + name});
    }
    Order(&hours);
    return hours;
}

// A file counts only in the hour folder its name belongs to.
std::vector<CMinuteFolderWalk::Entry> CMinuteFolderWalk::ListMinutes(const Entry& hour)
{
    std::vector<std::string> names;
    std::vector<Entry> minutes;
    if (!m_pStore->List(hour.path, &names)) return minutes;
    for (const std::string& name : names) {
        uint32_t minute;
        if (!CMinuteFilePath::MinuteOfPath(name, &minute) || minute - minute % kHour != hour.time) continue;
        if (InRange(minute, kMinute)) minutes.push_back({minute, hour.path + "/" + name});
    }
    Order(&minutes);
    return minutes;
}
