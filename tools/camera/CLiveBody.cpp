#include "tools/camera/CLiveBody.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

bool Every(uint64_t n, uint64_t every) { return every && n % every == 0; }

bool After(uint64_t n, int64_t after) { return after >= 0 && n == static_cast<uint64_t>(after); }

}  // namespace

CLiveBody::CLiveBody(const CCameraOptions& options, const CStreamSource& source, const CStreamParameters& parameters,
                     uint16_t usStatus)
    : m_Source(source),
      m_Parameters(parameters),
      m_Options(options),
      m_usStatus(usStatus),
      // The status message reports the status; the heads before it report none.
      m_usHeadStatus(options.statusMessageAfter >= 0 ? 0 : usStatus)
{
}

BodyPart CLiveBody::Next(std::vector<uint8_t>* pBytes, size_t* pUnits)
{
    pBytes->clear();
    *pUnits = 0;
    if (After(m_qwRecords, m_Options.statusMessageAfter)) {
        char text[8];
        std::snprintf(text, sizeof(text), "0x%04x", m_usStatus);
        pBytes->assign(text, text + 6);
        return BodyPart::StatusMessage;
    }
    if (After(m_qwRecords, m_Options.stallAfter)) return BodyPart::Stall;
    const bool bCut = After(m_qwRecords, m_Options.closeMidRecordAfter);
    m_qwRecords++;
    MakeRecord(Every(m_qwRecords, m_Options.oversizeRecordEvery), pBytes, pUnits);
    WriteHead(pBytes, Every(m_qwRecords, m_Options.wrongIdEvery));
    if (!bCut) return BodyPart::Record;
    pBytes->resize(kHeadSize + (pBytes->size() - kHeadSize) / 2);
    *pUnits = 0;
    return BodyPart::CutRecord;
}

// An oversize record joins units until it holds more than a client's buffer.
void CLiveBody::MakeRecord(bool bOversize, std::vector<uint8_t>* pRecord, size_t* pUnits)
{
    pRecord->resize(kHeadSize);
    do {
        const size_t unitSize = m_Source.UnitSize(m_NextUnit);
        const size_t left = unitSize - m_UnitOffset;
        const size_t cb = bOversize ? left : std::min(left, kClientBuffer);
        const uint8_t* p = m_Source.UnitData(m_NextUnit) + m_UnitOffset;
        pRecord->insert(pRecord->end(), p, p + cb);
        m_UnitOffset += cb;
        if (m_UnitOffset == unitSize) {
            m_UnitOffset = 0;
            m_NextUnit = (m_NextUnit + 1) % m_Source.UnitCount();
            ++*pUnits;
        }
    } while (bOversize && pRecord->size() - kHeadSize <= kClientBuffer);
}

void CLiveBody::WriteHead(std::vector<uint8_t>* pRecord, bool bWrongId)
{
    const uint32_t total = static_cast<uint32_t>(pRecord->size() - kHeadSize);
    FirstStreamHead head = m_Parameters.FirstHead(m_Options.mac, std::time(nullptr));
    head.bSequence = m_bSequence++;
    head.usDataLength = static_cast<uint16_t>(std::min<uint32_t>(total, 0xFFFF));
    head.ulTotalLength = total;
    EncodeFirstStreamHead(head, pRecord->data());
    IDENTYFY_HEAD identify = {};
    std::memcpy(identify.identifier, kHeadIdentifier, 4);
    identify.usHLength = static_cast<uint16_t>(kHeadSize);
    identify.usStatus = m_usHeadStatus;
    EncodeIdentifyHead(identify, pRecord->data());
    if (bWrongId) (*pRecord)[3] ^= 0x20;
}
