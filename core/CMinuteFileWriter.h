#pragma once
// Builds one minute file through a sink: the header on Open, one checksummed
// frame per unit (flushed, so that a power loss costs at most the unit being
// written), and the index with its trailer on Close. After a sink failure the
// writer refuses everything; what reached the sink stays readable.

#include "core/IByteSink.h"
#include "core/MinuteFileFormat.h"
#include "core/MinuteFileResult.h"

#include <cstdint>
#include <vector>

class CMinuteFileWriter {
public:
    explicit CMinuteFileWriter(IByteSink* pSink) : m_pSink(pSink) {}

    // minuteStart: seconds since 1970, a whole minute.
    MinuteFileResult Open(uint32_t minuteStart);
    // Goes on with a minute file whose sink stands after the last of its whole units
    // (as a reader found them); their index entries are written again at Close.
    MinuteFileResult Continue(uint32_t minuteStart, const std::vector<MinuteFile::UnitFields>& units);
    // record.size must be cbData and record.unitTime in the minute, not before the previous unit's.
    MinuteFileResult AppendUnit(const MinuteFileRecord& record, uint8_t area, const uint8_t* pData, uint32_t cbData);
    MinuteFileResult Close();

    uint32_t MinuteStart() const { return m_MinuteStart; }
    uint32_t UnitCount() const { return m_Trailer.unitCount; }

private:
    enum class State { Idle, Writing, Closed, Failed };

    bool Write(const uint8_t* p, size_t cb);
    MinuteFileResult Fail();

    IByteSink* m_pSink;
    State m_State = State::Idle;
    uint32_t m_MinuteStart = 0;
    uint64_t m_Offset = 0;
    MinuteFile::Trailer m_Trailer;
    std::vector<uint8_t> m_Index;
};
