#pragma once
// Writes a recording's units into minute files through a store, one file per
// minute of unit time, named by CMinuteFilePath. A unit of a later minute closes
// the open file (index and trailer) and creates the next one; a minute whose file
// exists already (a recording restarted within the minute, or one cut short) is
// continued after that file's last whole unit, and its index is written anew at
// the close. Files are only ever appended to: a minute once left is never written
// again, so a unit earlier than the recording's last (the camera's clock went
// back) is dropped, and a minute whose file cannot be made or continued, fails
// while written or is full drops its remaining units; recording goes on at the
// next minute.

#include "core/CMinuteFileWriter.h"
#include "core/IMinuteStore.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CMinuteRecorder {
public:
    enum class Outcome { Written, ClockWentBack, MinuteUnavailable, WriteFailed, Refused };

    struct Stats {
        uint64_t units = 0;         // written
        uint64_t bytes = 0;         // their data
        uint32_t files = 0;         // created
        uint32_t filesFailed = 0;   // whose writing or closing failed at the sink
        uint64_t unitsDropped = 0;  // every unit not written
    };

    // The store outlives the recorder, which closes its open file when destroyed.
    explicit CMinuteRecorder(IMinuteStore* pStore) : m_pStore(pStore) {}
    ~CMinuteRecorder() { Close(); }
    CMinuteRecorder(const CMinuteRecorder&) = delete;
    CMinuteRecorder& operator=(const CMinuteRecorder&) = delete;

    // Refused: record.size is not cb, the size is 0 or beyond the unit limit, or
    // area is not a non-empty set of play areas.
    Outcome Append(const MinuteFileRecord& record, uint8_t area, const uint8_t* pData, uint32_t cb);
    // Closes the open file, at the end of a recording; false when that failed.
    bool Close();
    const Stats& GetStats() const { return m_Stats; }

private:
    Outcome StartMinute(uint32_t minuteStart);
    bool FindWholeUnits(const std::string& path, uint32_t minuteStart, std::vector<MinuteFile::UnitFields>* pUnits);
    Outcome WriteUnit(const MinuteFileRecord& record, uint8_t area, const uint8_t* pData, uint32_t cb);
    void Abandon();
    Outcome Dropped(Outcome outcome);

    IMinuteStore* m_pStore;
    std::unique_ptr<IByteSink> m_pSink;
    std::unique_ptr<CMinuteFileWriter> m_pWriter;  // null while the current minute has no file to write
    bool m_bStarted = false;                       // m_Minute and m_LastTime hold
    uint32_t m_Minute = 0;
    uint32_t m_LastTime = 0;
    Stats m_Stats;
};
