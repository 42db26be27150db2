#include "tools/camera/CVideoEsReader.h"

namespace {

constexpr uint8_t kPicture = 0x00;
constexpr uint8_t kSequenceHeader = 0xB3;
constexpr uint8_t kGop = 0xB8;

struct FrameRate {
    uint32_t num;
    uint32_t den;
};
constexpr FrameRate kFrameRates[9] = {{0, 1},  {24000, 1001}, {24, 1},       {25, 1}, {30000, 1001},
                                      {30, 1}, {50, 1},       {60000, 1001}, {60, 1}};

std::vector<size_t> StartCodes(const std::vector<uint8_t>& es)
{
    std::vector<size_t> starts;
    for (size_t i = 0; i + 3 < es.size(); i++) {
        if (es[i] == 0 && es[i + 1] == 0 && es[i + 2] == 1) starts.push_back(i);
    }
    return starts;
}

}  // namespace

bool CVideoEsReader::Read(const std::vector<uint8_t>& es, std::string* pError)
{
    m_Units.clear();
    const std::vector<size_t> starts = StartCodes(es);
    for (size_t i = 0; i < starts.size(); i++) OnStartCode(es, starts[i], starts, i);
    if (m_bHasPicture) CloseUnit(es.size());
    if (m_Units.empty() || m_SequenceHeader.empty() || !m_Units.front().bHasSequenceHeader) {
        *pError = "not an MPEG-2 video stream that opens with a sequence header";
        return false;
    }
    return true;
}

void CVideoEsReader::OnStartCode(const std::vector<uint8_t>& es, size_t pos, const std::vector<size_t>& starts,
                                 size_t i)
{
    const uint8_t code = es[pos + 3];
    const bool opensUnit = code == kSequenceHeader || code == kGop || code == kPicture;
    if (opensUnit && m_bHasPicture) CloseUnit(pos);
    if (opensUnit && !m_bOpen) {
        m_Current = {};
        m_Current.offset = pos;
        m_bOpen = true;
    }
    if (code == kSequenceHeader) {
        m_Current.bGopStart = m_Current.bHasSequenceHeader = true;
        if (m_SequenceHeader.empty() && pos + 8 <= es.size()) {
            size_t end = es.size();
            for (size_t j = i + 1; j < starts.size(); j++) {
                if (es[starts[j] + 3] == kGop || es[starts[j] + 3] == kPicture) {
                    end = starts[j];
                    break;
                }
            }
            m_SequenceHeader.assign(es.begin() + pos, es.begin() + end);
            const uint8_t rateCode = es[pos + 7] & 0x0F;
            if (rateCode >= 1 && rateCode <= 8) m_dwRateNum = kFrameRates[rateCode].num, m_dwRateDen = kFrameRates[rateCode].den;
        }
    } else if (code == kGop) {
        m_Current.bGopStart = true;
    } else if (code == kPicture && m_bOpen && pos + 6 <= es.size()) {
        m_Current.usTemporalReference = static_cast<uint16_t>(es[pos + 4] << 2 | es[pos + 5] >> 6);
        m_bHasPicture = true;
    }
}

void CVideoEsReader::CloseUnit(size_t end)
{
    m_Current.size = end - m_Current.offset;
    m_Units.push_back(m_Current);
    m_bOpen = false;
    m_bHasPicture = false;
}
