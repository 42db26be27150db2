#include "core/CMinuteFileWriter.h"

#include "core/ByteOrder.h"
#include "core/CCrc32.h"

using namespace MinuteFile;

MinuteFileResult CMinuteFileWriter::Open(uint32_t minuteStart)
{
    if (m_State != State::Idle) return MinuteFileResult::WrongState;
    if (minuteStart % kSecondsPerMinute != 0) return MinuteFileResult::BadUnit;
    m_MinuteStart = minuteStart;
    m_State = State::Writing;
    uint8_t header[kHeaderSize];
    EncodeHeader(minuteStart, header);
    if (!Write(header, sizeof header) || !m_pSink->Flush()) return Fail();
    return MinuteFileResult::Ok;
}

MinuteFileResult CMinuteFileWriter::Continue(uint32_t minuteStart, const std::vector<UnitFields>& units)
{
    if (m_State != State::Idle) return MinuteFileResult::WrongState;
    if (minuteStart % kSecondsPerMinute != 0 || units.size() >= kMaxUnits) return MinuteFileResult::BadUnit;
    m_MinuteStart = minuteStart;
    m_Offset = units.empty() ? kHeaderSize : units.back().FrameEnd();
    m_Index.resize(units.size() * kIndexEntrySize);
    for (size_t i = 0; i < units.size(); ++i) EncodeIndexEntry(units[i], m_Index.data() + i * kIndexEntrySize);
    m_Trailer.unitCount = static_cast<uint32_t>(units.size());
    if (!units.empty()) {
        m_Trailer.firstTime = units.front().record.unitTime;
        m_Trailer.lastTime = units.back().record.unitTime;
    }
    m_State = State::Writing;
    return MinuteFileResult::Ok;
}

MinuteFileResult CMinuteFileWriter::AppendUnit(const MinuteFileRecord& record, uint8_t area, const uint8_t* pData,
                                               uint32_t cbData)
{
    if (m_State != State::Writing) return MinuteFileResult::WrongState;
    const UnitFields unit{m_Offset, cbData, area, record};
    const uint32_t previousTime = m_Trailer.unitCount ? m_Trailer.lastTime : m_MinuteStart;
    if (!pData || m_Trailer.unitCount == kMaxUnits || !IsValidUnit(unit, m_MinuteStart, previousTime))
        return MinuteFileResult::BadUnit;

    uint8_t head[kFrameHeadSize], tail[kFrameTailSize];
    EncodeFrameHead(unit, head);
    WriteLE32(tail, CCrc32::Of(pData, cbData));
    if (!Write(head, sizeof head) || !Write(pData, cbData) || !Write(tail, sizeof tail) || !m_pSink->Flush())
        return Fail();

    m_Index.resize(m_Index.size() + kIndexEntrySize);
    EncodeIndexEntry(unit, m_Index.data() + m_Index.size() - kIndexEntrySize);
    if (m_Trailer.unitCount++ == 0) m_Trailer.firstTime = record.unitTime;
    m_Trailer.lastTime = record.unitTime;
    return MinuteFileResult::Ok;
}

MinuteFileResult CMinuteFileWriter::Close()
{
    if (m_State != State::Writing) return MinuteFileResult::WrongState;
    m_Trailer.indexOffset = m_Offset;
    m_Trailer.indexCrc = CCrc32::Of(m_Index.data(), m_Index.size());
    uint8_t trailer[kTrailerSize];
    EncodeTrailer(m_Trailer, trailer);
    if (!Write(m_Index.data(), m_Index.size()) || !Write(trailer, sizeof trailer) || !m_pSink->Flush()) return Fail();
    m_State = State::Closed;
    return MinuteFileResult::Ok;
}

bool CMinuteFileWriter::Write(const uint8_t* p, size_t cb)
{
    if (cb && !m_pSink->Append(p, cb)) return false;
    m_Offset += cb;
    return true;
}

MinuteFileResult CMinuteFileWriter::Fail()
{
    m_State = State::Failed;
    return MinuteFileResult::SinkFailed;
}
