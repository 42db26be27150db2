#include "tests/simulator/CLiveRecords.h"

#include "core/CParsePacket.h"

void CLiveRecords::Feed(const char* p, size_t cb)
{
    m_Tail.append(p, cb);
    m_qwBytes += cb;
    while (!m_bFailed && TakeRecord()) {
    }
}

bool CLiveRecords::TakeRecord()
{
    if (m_Tail.size() < FirstStreamHead::kSize) return false;
    const auto* p = reinterpret_cast<const uint8_t*>(m_Tail.data());
    Record record = {};
    DecodeIdentifyHead(p, m_Tail.size(), &record.identify);
    CParsePacket parser(p + IDENTYFY_HEAD::kSize, FirstStreamHead::kBodySize, m_pCamParm, PTYPE_HTTP);
    if (parser.GetHTTPStrmHead(&record.head) != 0 || parser.StrmParmSet(record.head) < 0) {
        m_bFailed = true;
        return false;
    }
    const size_t end = FirstStreamHead::kSize + record.head.ulTotalLength;
    if (m_Tail.size() < end) return false;
    record.payload.assign(p + FirstStreamHead::kSize, p + end);
    m_PayloadBytes += record.payload.size();
    m_Records.push_back(std::move(record));
    m_Tail.erase(0, end);
    return true;
}

std::vector<uint8_t> CLiveRecords::Payload() const
{
    std::vector<uint8_t> payload;
    for (const Record& record : m_Records) payload.insert(payload.end(), record.payload.begin(), record.payload.end());
    return payload;
}
