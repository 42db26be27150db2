#include "minvault/CMinuteRecordingObject.h"

#include <new>

namespace {

int32_t Code(MinuteRecordingResult result) { return static_cast<int32_t>(result); }

}  // namespace

int32_t CMinuteRecordingObject::AddSample(const uint8_t* pSample, uint32_t cbSample)
{
    if (!pSample) return Code(MinuteRecordingResult::BadArgument);
    try {
        return m_Assembler.AddPack(pSample, cbSample, &m_Unit) ? Write() : Code(MinuteRecordingResult::Ok);
    } catch (const std::bad_alloc&) {
        return Code(MinuteRecordingResult::NoMemory);
    }
}

int32_t CMinuteRecordingObject::Finish()
{
    int32_t result = Code(MinuteRecordingResult::Ok);
    try {
        if (m_Assembler.Flush(&m_Unit)) result = Write();
    } catch (const std::bad_alloc&) {
        result = Code(MinuteRecordingResult::NoMemory);
    }
    if (!m_Recorder.Close() && result == Code(MinuteRecordingResult::Ok))
        result = Code(MinuteRecordingResult::WriteFailed);
    return result;
}

int32_t CMinuteRecordingObject::Write()
{
    const auto outcome = m_Recorder.Append(m_Unit.record, m_Area, m_Unit.data.data(),
                                           static_cast<uint32_t>(m_Unit.data.size()));
    switch (outcome) {
    case CMinuteRecorder::Outcome::Written: return Code(MinuteRecordingResult::Ok);
    case CMinuteRecorder::Outcome::ClockWentBack: return Code(MinuteRecordingResult::ClockWentBack);
    case CMinuteRecorder::Outcome::MinuteUnavailable: return Code(MinuteRecordingResult::MinuteUnavailable);
    case CMinuteRecorder::Outcome::WriteFailed: return Code(MinuteRecordingResult::WriteFailed);
    case CMinuteRecorder::Outcome::Refused: break;
    }
    return Code(MinuteRecordingResult::Refused);
}

int32_t CMinuteRecordingObject::GetRecordingStats(MinuteRecordingStats* pStats)
{
    if (!pStats) return Code(MinuteRecordingResult::BadArgument);
    const CMinuteRecorder::Stats& stats = m_Recorder.GetStats();
    *pStats = {stats.units, stats.bytes,   stats.unitsDropped,         m_Assembler.PacksDropped(),
               stats.files, stats.filesFailed, static_cast<uint32_t>(m_Store.LastCreateError()), 0};
    return Code(MinuteRecordingResult::Ok);
}
