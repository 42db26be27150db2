#pragma once
// A program-stream file held in memory and cut into the units a camera sends: a
// unit opens at a pack with a system header or at a pack whose video PES starts
// a picture (it carries a PTS), so a GOP's first unit begins with its pack header.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What the stream itself says about its rate and picture.
struct StreamFacts {
    uint64_t averageRateBits = 0;  // bits per second between the first and the last SCR; 0 when unknown
    uint64_t muxRateBits = 0;      // bits per second, from the first pack header; 0 when unknown
    uint16_t width = 0;        // from the first sequence header; 0 when none
    uint16_t height = 0;
    uint8_t mpegFrameRateCode = 0;
};

class CStreamSource {
public:
    // Keeps a unit within what one first packet and 255 continuations carry.
    static constexpr size_t kMaxUnitBytes = 512 * 1024;

    explicit CStreamSource(size_t cbMaxUnit = kMaxUnitBytes) : m_cbMaxUnit(cbMaxUnit) {}

    bool Load(const std::string& path, std::string* pError);
    bool SetBytes(std::vector<uint8_t> bytes, std::string* pError);

    size_t UnitCount() const { return m_UnitStarts.size(); }
    const uint8_t* UnitData(size_t index) const { return m_Bytes.data() + m_UnitStarts[index]; }
    size_t UnitSize(size_t index) const;
    const StreamFacts& Facts() const { return m_Facts; }

    // The length of the pack at p with the PES packets that follow it, or 0 when
    // no whole pack header starts at p.
    static size_t PackLength(const uint8_t* p, size_t cb);

private:
    void CutUnits();
    bool OpensUnit(size_t packStart, size_t packLength) const;
    void ReadFacts();
    void ReadRates();

    const size_t m_cbMaxUnit;
    std::vector<uint8_t> m_Bytes;
    std::vector<size_t> m_UnitStarts;
    StreamFacts m_Facts;
};
