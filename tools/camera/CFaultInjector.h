#pragma once
// The faults of a poor network and a poor camera, applied to the datagrams of one
// unit before they are sent. Deterministic: the same seed and options give the
// same faults on the same datagrams.

#include "tools/camera/CCameraOptions.h"
#include "tools/camera/CDatagramCutter.h"

#include <cstdint>
#include <random>
#include <vector>

class CFaultInjector {
public:
    // What was done to a datagram that goes out.
    static constexpr uint8_t kWrongId = 1;
    static constexpr uint8_t kTruncated = 2;

    explicit CFaultInjector(const CCameraOptions& options);

    // The datagrams of one unit, in order; *pFaults, where given, gets what was
    // done to each that is left, as kWrongId and kTruncated bits.
    void Apply(std::vector<Datagram>* pDatagrams, std::vector<uint8_t>* pFaults);
    static constexpr size_t kPadding = 16;
    // The datagrams that --loss took out, since the start.
    uint64_t Lost() const { return m_qwLost; }

    // The MAC address to announce `elapsed` seconds into the run.
    void MacAt(double elapsed, const uint8_t base[6], uint8_t out[6]) const;

private:
    bool Chance(double percent);
    uint8_t Corrupt(Datagram* pDatagram);
    void Reorder(std::vector<Datagram>* pDatagrams, std::vector<uint8_t>* pFaults);
    void Pad(std::vector<Datagram>* pDatagrams);

    std::mt19937 m_Rng;
    const double m_dLoss;
    const double m_dReorder;
    const double m_dDuplicate;
    const uint32_t m_dwWrongIdEvery;
    const uint32_t m_dwTruncateEvery;
    const uint32_t m_dwPadEvery;
    const double m_dMacChangeAfter;
    const double m_dMacToggleEvery;
    const size_t m_cbMaxDatagram;
    uint64_t m_qwCount = 0;
    uint64_t m_qwUnits = 0;
    uint64_t m_qwLost = 0;
};
