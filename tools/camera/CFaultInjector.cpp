#include "tools/camera/CFaultInjector.h"

#include "core/ByteOrder.h"

#include <cstring>
#include <utility>

CFaultInjector::CFaultInjector(const CCameraOptions& options)
    : m_Rng(options.seed),
      m_dLoss(options.lossPercent),
      m_dReorder(options.reorderPercent),
      m_dDuplicate(options.duplicatePercent),
      m_dwWrongIdEvery(options.wrongIdEvery),
      m_dwTruncateEvery(options.truncateEvery),
      m_dwPadEvery(options.padEvery),
      m_dMacChangeAfter(options.macChangeAfter),
      m_dMacToggleEvery(options.macToggleEvery),
      m_cbMaxDatagram(options.datagramSize)
{
}

// Its own arithmetic on the engine's output, whose sequence the standard fixes,
// so that a seed means the same faults with every library.
bool CFaultInjector::Chance(double percent)
{
    if (percent <= 0) return false;
    return m_Rng() % 1'000'000 < static_cast<uint32_t>(percent * 10'000);
}

void CFaultInjector::Apply(std::vector<Datagram>* pDatagrams, std::vector<uint8_t>* pFaults)
{
    Pad(pDatagrams);
    std::vector<Datagram> out;
    std::vector<uint8_t> faults;
    for (Datagram& datagram : *pDatagrams) {
        const uint8_t done = Corrupt(&datagram);
        if (Chance(m_dLoss)) {
            m_qwLost++;
            continue;
        }
        if (Chance(m_dDuplicate)) {
            out.push_back(datagram);
            faults.push_back(done);
        }
        out.push_back(std::move(datagram));
        faults.push_back(done);
    }
    Reorder(&out, &faults);
    *pDatagrams = std::move(out);
    if (pFaults) *pFaults = std::move(faults);
}

uint8_t CFaultInjector::Corrupt(Datagram* pDatagram)
{
    m_qwCount++;
    uint8_t done = 0;
    if (m_dwWrongIdEvery && m_qwCount % m_dwWrongIdEvery == 0) {
        (*pDatagram)[3] ^= 0x20;
        done |= kWrongId;
    }
    if (m_dwTruncateEvery && m_qwCount % m_dwTruncateEvery == 0) {
        // Half the stream data goes, at least one byte: shorter than the heads say.
        const size_t head = ReadBE16(pDatagram->data() + 4);
        const size_t data = pDatagram->size() > head ? pDatagram->size() - head : 0;
        pDatagram->resize(pDatagram->size() - (data > 1 ? data / 2 : 1));
        done |= kTruncated;
    }
    return done;
}

// The unit's last continuation carries padding in its data length that the unit's
// total length leaves out, as some cameras send it.
void CFaultInjector::Pad(std::vector<Datagram>* pDatagrams)
{
    m_qwUnits++;
    if (!m_dwPadEvery || m_qwUnits % m_dwPadEvery != 0 || pDatagrams->size() < 2) return;
    Datagram& last = pDatagrams->back();
    ContStreamHead head = {};
    if (last.size() + kPadding > m_cbMaxDatagram || !DecodeContStreamHead(last.data(), last.size(), &head))
        return;
    head.usDataLength = static_cast<uint16_t>(head.usDataLength + kPadding);
    EncodeContStreamHead(head, last.data());
    last.resize(last.size() + kPadding, 0);
}

void CFaultInjector::Reorder(std::vector<Datagram>* pDatagrams, std::vector<uint8_t>* pFaults)
{
    for (size_t i = 0; i + 1 < pDatagrams->size(); i++) {
        if (Chance(m_dReorder)) {
            std::swap((*pDatagrams)[i], (*pDatagrams)[i + 1]);
            std::swap((*pFaults)[i], (*pFaults)[i + 1]);
            i++;
        }
    }
}

void CFaultInjector::MacAt(double elapsed, const uint8_t base[6], uint8_t out[6]) const
{
    std::memcpy(out, base, 6);
    const bool bToggled = m_dMacToggleEvery > 0 && static_cast<uint64_t>(elapsed / m_dMacToggleEvery) % 2 == 1;
    if ((m_dMacChangeAfter >= 0 && elapsed >= m_dMacChangeAfter) != bToggled) out[5] ^= 0xFF;
}
