#include "core/CMinuteRecorder.h"

#include "core/CMinuteFilePath.h"
#include "core/CMinuteFileReader.h"

using namespace MinuteFile;
using Outcome = CMinuteRecorder::Outcome;

namespace {

bool IsAcceptable(const MinuteFileRecord& record, uint8_t area, const uint8_t* pData, uint32_t cb)
{
    // A unit in no area would never be found by a search.
    return pData && cb > 0 && cb <= kMaxUnitSize && record.size == cb && area != 0 && (area & ~kAreaMask) == 0;
}

}  // namespace

Outcome CMinuteRecorder::Append(const MinuteFileRecord& record, uint8_t area, const uint8_t* pData, uint32_t cb)
{
    if (!IsAcceptable(record, area, pData, cb)) return Dropped(Outcome::Refused);
    if (m_bStarted && record.unitTime < m_LastTime) return Dropped(Outcome::ClockWentBack);
    const uint32_t minute = CMinuteFilePath::MinuteStart(record.unitTime);
    const bool bNewMinute = !m_bStarted || minute != m_Minute;
    m_bStarted = true;
    m_LastTime = record.unitTime;
    if (bNewMinute) {
        const Outcome started = StartMinute(minute);
        if (started != Outcome::Written) return Dropped(started);
    }
    if (!m_pWriter) return Dropped(Outcome::MinuteUnavailable);
    return WriteUnit(record, area, pData, cb);
}

bool CMinuteRecorder::Close()
{
    if (!m_pWriter) return true;
    const bool bClosed = m_pWriter->Close() == MinuteFileResult::Ok;
    if (!bClosed) ++m_Stats.filesFailed;
    m_pWriter.reset();
    m_pSink.reset();
    return bClosed;
}

// A minute whose file exists (an earlier recording, or one cut short by a crash)
// is continued after its last whole unit. A minute that can be neither created nor
// continued is given up once, not tried again for each of its units.
Outcome CMinuteRecorder::StartMinute(uint32_t minuteStart)
{
    Close();
    m_Minute = minuteStart;
    const std::string path = CMinuteFilePath::RelativePath(minuteStart);
    std::vector<UnitFields> units;
    bool bContinued = false;
    m_pSink = m_pStore->Create(path);
    if (!m_pSink && FindWholeUnits(path, minuteStart, &units)) {
        const uint64_t keep = units.empty() ? kHeaderSize : units.back().FrameEnd();
        m_pSink = m_pStore->Continue(path, keep);
        bContinued = true;
    }
    if (!m_pSink) return Outcome::MinuteUnavailable;
    ++m_Stats.files;
    m_pWriter = std::make_unique<CMinuteFileWriter>(m_pSink.get());
    const MinuteFileResult opened = bContinued ? m_pWriter->Continue(minuteStart, units) : m_pWriter->Open(minuteStart);
    if (opened != MinuteFileResult::Ok) {
        Abandon();
        return Outcome::WriteFailed;
    }
    return Outcome::Written;
}

// False when the file is not a minute file of that minute, or has no room left.
bool CMinuteRecorder::FindWholeUnits(const std::string& path, uint32_t minuteStart, std::vector<UnitFields>* pUnits)
{
    const std::unique_ptr<IRandomAccessSource> pSource = m_pStore->OpenRead(path);
    if (!pSource) return false;
    CMinuteFileReader reader(pSource.get());
    if (reader.Open() != MinuteFileResult::Ok || reader.MinuteStart() != minuteStart) return false;
    *pUnits = reader.Units();
    return pUnits->size() < kMaxUnits;
}

Outcome CMinuteRecorder::WriteUnit(const MinuteFileRecord& record, uint8_t area, const uint8_t* pData, uint32_t cb)
{
    const MinuteFileResult result = m_pWriter->AppendUnit(record, area, pData, cb);
    if (result == MinuteFileResult::SinkFailed) {
        Abandon();
        return Dropped(Outcome::WriteFailed);
    }
    if (result != MinuteFileResult::Ok) return Dropped(Outcome::Refused);
    ++m_Stats.units;
    m_Stats.bytes += cb;
    // The minute's name is taken, so the rest of a full minute has nowhere to go.
    if (m_pWriter->UnitCount() == kMaxUnits) Close();
    return Outcome::Written;
}

// The file keeps the frames written before the failure; the reader's walk finds them.
void CMinuteRecorder::Abandon()
{
    ++m_Stats.filesFailed;
    m_pWriter.reset();
    m_pSink.reset();
}

Outcome CMinuteRecorder::Dropped(Outcome outcome)
{
    ++m_Stats.unitsDropped;
    return outcome;
}
