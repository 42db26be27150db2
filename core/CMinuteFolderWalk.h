#pragma once
// Lists the minute files of a recording folder whose minutes touch a time range,
// in ascending or descending time, one hour folder at a time, from the names
// alone: a search never lists more than the day folders, the hour folders of the
// days in range and the files of one hour.

#include "core/IMinuteStore.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CMinuteFolderWalk {
public:
    // first and last: the range's ends in walking order (first > last going backward).
    CMinuteFolderWalk(IMinuteStore* pStore, uint32_t first, uint32_t last, bool bForward);

    // False when the recording folder cannot be listed.
    bool Begin();
    // The next minute file: its path in the store and its minute. False at the end.
    bool Next(std::string* pPath, uint32_t* pMinute);

private:
    struct Entry {
        uint32_t time;  // the start of the day, hour or minute the name stands for
        std::string path;
    };

    // The time a name stands for; false for a name that is not one of the walk's.
    using NameTime = std::function<bool(const std::string& name, uint32_t* pTime)>;

    bool InRange(uint32_t start, uint32_t span) const;
    void Order(std::vector<Entry>* pEntries) const;
    std::vector<Entry> ListHours(const Entry& day);
    std::vector<Entry> ListMinutes(const Entry& hour);
    std::vector<Entry> ListFolder(const std::string& folder, uint32_t span, bool* pListed, const NameTime& nameTime);
    bool NextHour();

    IMinuteStore* const m_pStore;
    const uint32_t m_Low, m_High;
    const bool m_bForward;
    std::vector<Entry> m_Days, m_Hours, m_Minutes;  // each in walking order, consumed from the back
};
