#include "tools/camera/CStreamSource.h"

#include "core/ByteOrder.h"
#include "core/CPackClock.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

constexpr uint8_t kPackStart = 0xBA;
constexpr uint8_t kSystemHeader = 0xBB;
constexpr uint8_t kProgramEnd = 0xB9;
constexpr uint8_t kSequenceHeader = 0xB3;

bool IsStartCode(const uint8_t* p, size_t cb, uint8_t code)
{
    return cb >= 4 && p[0] == 0 && p[1] == 0 && p[2] == 1 && p[3] == code;
}

// MPEG-2 pack headers are 14 bytes plus stuffing, MPEG-1 ones 12 bytes.
size_t PackHeaderLength(const uint8_t* p, size_t cb)
{
    if (!IsStartCode(p, cb, kPackStart) || cb < 12) return 0;
    if ((p[4] >> 6) == 1) return cb >= 14 && cb >= 14u + (p[13] & 7) ? 14u + (p[13] & 7) : 0;
    return (p[4] >> 4) == 2 ? 12 : 0;
}

uint64_t MuxRateBits(const uint8_t* p)
{
    const uint32_t units = (p[4] >> 6) == 1 ? (p[10] << 14 | p[11] << 6 | p[12] >> 2)
                                            : ((p[9] & 0x7F) << 15 | p[10] << 7 | p[11] >> 1);
    return uint64_t{units} * 50 * 8;
}

// Whether the PES packet at p (cb bytes, 9 at least) carries a PTS, in either syntax.
bool HasPts(const uint8_t* p, size_t cb)
{
    if ((p[6] & 0xC0) == 0x80) return (p[7] & 0x80) != 0;
    size_t pos = 6;
    while (pos < cb && p[pos] == 0xFF) pos++;
    if (pos < cb && (p[pos] >> 6) == 1) pos += 2;
    return pos < cb && (p[pos] >> 5) == 1;
}

}  // namespace

bool CStreamSource::Load(const std::string& path, std::string* pError)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *pError = "cannot open " + path;
        return false;
    }
    return SetBytes(std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {}), pError);
}

bool CStreamSource::SetBytes(std::vector<uint8_t> bytes, std::string* pError)
{
    m_Bytes = std::move(bytes);
    CutUnits();
    if (m_UnitStarts.empty()) {
        *pError = "no program-stream pack found";
        return false;
    }
    ReadFacts();
    return true;
}

size_t CStreamSource::UnitSize(size_t index) const
{
    const size_t end = index + 1 < m_UnitStarts.size() ? m_UnitStarts[index + 1] : m_Bytes.size();
    return end - m_UnitStarts[index];
}

size_t CStreamSource::PackLength(const uint8_t* p, size_t cb)
{
    size_t pos = PackHeaderLength(p, cb);
    if (pos == 0) return 0;
    while (cb - pos >= 6 && p[pos] == 0 && p[pos + 1] == 0 && p[pos + 2] == 1 && p[pos + 3] > kPackStart) {
        const size_t next = pos + 6 + ReadBE16(p + pos + 4);
        if (next > cb) return cb;
        pos = next;
    }
    if (IsStartCode(p + pos, cb - pos, kProgramEnd)) pos += 4;
    return pos;
}

void CStreamSource::CutUnits()
{
    m_UnitStarts.clear();
    const uint8_t* p = m_Bytes.data();
    const size_t cb = m_Bytes.size();
    size_t pos = 0;
    while (pos < cb) {
        const size_t length = PackLength(p + pos, cb - pos);
        if (length == 0) {
            pos++;  // not a pack here: the bytes join the unit before
        } else {
            if (m_UnitStarts.empty()) m_UnitStarts.push_back(0);
            else if (OpensUnit(pos, length) || pos + length - m_UnitStarts.back() > m_cbMaxUnit)
                m_UnitStarts.push_back(pos);
            pos += length;
        }
        // Bytes beyond what one unit carries go on in the next.
        while (!m_UnitStarts.empty() && pos - m_UnitStarts.back() > m_cbMaxUnit)
            m_UnitStarts.push_back(m_UnitStarts.back() + m_cbMaxUnit);
    }
}

bool CStreamSource::OpensUnit(size_t packStart, size_t packLength) const
{
    const uint8_t* p = m_Bytes.data() + packStart;
    size_t pos = PackHeaderLength(p, packLength);
    if (IsStartCode(p + pos, packLength - pos, kSystemHeader)) return true;
    if (packLength - pos < 9 || p[pos] != 0 || p[pos + 1] != 0 || p[pos + 2] != 1) return false;
    return (p[pos + 3] & 0xF0) == 0xE0 && HasPts(p + pos, packLength - pos);
}

void CStreamSource::ReadFacts()
{
    m_Facts = {};
    ReadRates();
    const uint8_t* p = m_Bytes.data();
    const size_t cb = m_Bytes.size();
    const uint8_t code[4] = {0, 0, 1, kSequenceHeader};
    const uint8_t* seq = std::search(p, p + cb, code, code + 4);
    if (cb - (seq - p) < 8) return;
    m_Facts.width = static_cast<uint16_t>(seq[4] << 4 | seq[5] >> 4);
    m_Facts.height = static_cast<uint16_t>((seq[5] & 0x0F) << 8 | seq[6]);
    m_Facts.mpegFrameRateCode = seq[7] & 0x0F;
}

// The mux rate is a bound that muxers set loosely; the clock references say what
// the stream really takes.
void CStreamSource::ReadRates()
{
    const uint8_t* p = m_Bytes.data();
    const size_t cb = m_Bytes.size();
    size_t first = cb, last = cb;
    for (size_t pos = 0; pos < cb;) {
        const size_t length = PackLength(p + pos, cb - pos);
        if (length == 0) {
            pos++;
            continue;
        }
        if (first == cb) first = pos;
        last = pos;
        pos += length;
    }
    m_Facts.muxRateBits = MuxRateBits(p + first);
    const uint64_t firstScr = CPackClock::Scr(p + first), lastScr = CPackClock::Scr(p + last);
    if (lastScr > firstScr) m_Facts.averageRateBits = (last - first) * 8 * 90'000 / (lastScr - firstScr);
}
