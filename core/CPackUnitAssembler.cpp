#include "core/CPackUnitAssembler.h"

#include "core/ByteOrder.h"
#include "core/CivilTime.h"
#include "core/IndexRecords.h"
#include "core/MinuteFileFormat.h"

#include <utility>

namespace {

constexpr uint8_t kPackHeadType = 2;
constexpr uint8_t kUnitTypeData = 3;

// The head's time stamp (second, minute, hour, day, month, year - 1900; UTC) in
// seconds since 1970; false when it names no time a record can hold.
bool TimeOfStamp(const uint8_t* pStamp, uint32_t* pTime)
{
    const unsigned second = pStamp[0], minute = pStamp[1], hour = pStamp[2], day = pStamp[3], month = pStamp[4];
    const int64_t year = 1900 + int64_t{pStamp[5]};
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59)
        return false;
    const int64_t time = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    if (time > UINT32_MAX) return false;
    *pTime = static_cast<uint32_t>(time);
    return true;
}

// The record of a unit that opens at a key pack with this head, in the bits the
// player turns back into the stream information the head carried.
bool RecordOfHead(const uint8_t* pHead, MinuteFileRecord* pRecord)
{
    uint32_t time;
    if (!TimeOfStamp(pHead + offsetof(PackIndexHead, TimeStamp), &time)) return false;
    const uint8_t resolution = pHead[offsetof(PackIndexHead, bResolution)];
    const uint16_t frameRate = ReadLE16(pHead + offsetof(PackIndexHead, usFrameRate));
    MinuteFileRecord r;
    r.header = pHead[offsetof(PackIndexHead, bParamByte1)];
    r.flags5 = static_cast<uint8_t>((pHead[offsetof(PackIndexHead, bFlag24)] ? 0x80 : 0) | (frameRate & 0x0F));
    r.flags6 = static_cast<uint8_t>((resolution & 0x0F) << 4 | (pHead[offsetof(PackIndexHead, bQuality)] & 0x0F));
    r.flags9 = static_cast<uint8_t>((pHead[offsetof(PackIndexHead, bVideoSystem)] & 1) | (resolution >> 6 & 3) << 2 |
                                    (pHead[offsetof(PackIndexHead, bModel)] & 2) << 4);
    r.unitType = kUnitTypeData;
    r.byte13 = pHead[offsetof(PackIndexHead, bFlag3)];
    r.word24 = ReadLE16(pHead + offsetof(PackIndexHead, usIndexWord));
    r.unitTime = time;
    r.calendarTime = time;
    *pRecord = r;
    return true;
}

}  // namespace

bool CPackUnitAssembler::AddPack(const uint8_t* pSample, size_t cbSample, Unit* pDone)
{
    if (!pSample || cbSample <= kPackIndexHeadSize || pSample[offsetof(PackIndexHead, bType)] != kPackHeadType ||
        cbSample - kPackIndexHeadSize > MinuteFile::kMaxUnitSize)
        return Drop(pDone);
    const uint8_t* pPack = pSample + kPackIndexHeadSize;
    const size_t cbPack = cbSample - kPackIndexHeadSize;
    if (ReadLE32(pSample + offsetof(PackIndexHead, dwNotKey)) == 0) return OpenUnit(pSample, pPack, cbPack, pDone);
    if (!m_bOpen) {
        ++m_PacksDropped;
        return false;
    }
    return ContinueUnit(pPack, cbPack, pDone);
}

bool CPackUnitAssembler::OpenUnit(const uint8_t* pHead, const uint8_t* pPack, size_t cbPack, Unit* pDone)
{
    const bool bDone = Complete(pDone);
    if (!RecordOfHead(pHead, &m_Unit.record)) {
        ++m_PacksDropped;
        return bDone;
    }
    Take(pPack, cbPack);
    m_bOpen = true;
    return bDone;
}

bool CPackUnitAssembler::ContinueUnit(const uint8_t* pPack, size_t cbPack, Unit* pDone)
{
    if (m_Unit.data.size() + cbPack <= MinuteFile::kMaxUnitSize) {
        Take(pPack, cbPack);
        return false;
    }
    Complete(pDone);
    m_Unit.record = pDone->record;
    m_Unit.record.notKey = 1;
    Take(pPack, cbPack);
    m_bOpen = true;
    return true;
}

bool CPackUnitAssembler::Complete(Unit* pDone)
{
    if (!m_bOpen) return false;
    m_Unit.record.size = static_cast<uint32_t>(m_Unit.data.size());
    std::swap(*pDone, m_Unit);
    m_Unit.data.clear();
    m_bOpen = false;
    return true;
}

bool CPackUnitAssembler::Drop(Unit* pDone)
{
    ++m_PacksDropped;
    return Complete(pDone);
}
