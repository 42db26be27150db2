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
    bool bListed = false;
    m_Days = ListFolder("", kDay, &bListed, [](const std::string& name, uint32_t* pTime) {
        return CMinuteFilePath::DayOfFolder(name, pTime);
    });
    m_Hours.clear();
    m_Minutes.clear();
    return bListed;
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
    return ListFolder(day.path, kHour, nullptr, [&day](const std::string& name, uint32_t* pTime) {
        unsigned hour;
        if (!CMinuteFilePath::HourOfFolder(name, &hour) || uint64_t{day.time} + hour * kHour > UINT32_MAX) return false;
        *pTime = day.time + hour * kHour;
        return true;
    });
}

// A file counts only in the hour folder its name belongs to.
std::vector<CMinuteFolderWalk::Entry> CMinuteFolderWalk::ListMinutes(const Entry& hour)
{
    return ListFolder(hour.path, kMinute, nullptr, [&hour](const std::string& name, uint32_t* pTime) {
        return CMinuteFilePath::MinuteOfPath(name, pTime) && *pTime - *pTime % kHour == hour.time;
    });
}

// The entries of a folder whose names stand for a time span touching the range,
// in walking order.
std::vector<CMinuteFolderWalk::Entry> CMinuteFolderWalk::ListFolder(const std::string& folder, uint32_t span,
                                                                    bool* pListed, const NameTime& nameTime)
{
    std::vector<std::string> names;
    std::vector<Entry> entries;
    const bool bListed = m_pStore->List(folder, &names);
    if (pListed) *pListed = bListed;
    for (const std::string& name : names) {
        uint32_t time;
        if (nameTime(name, &time) && InRange(time, span))
            entries.push_back({time, folder.empty() ? name : folder + "/" + name});
    }
    Order(&entries);
    return entries;
}
