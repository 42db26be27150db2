#pragma once
// Reads one minute file from a random-access source. Open checks the header and
// lists the units from the index when it is whole, else by walking the frame
// heads from the start up to the first one that is torn or does not hold; the
// units before it are usable, the bytes from it on are reported as torn.
// Unit data are checked against their checksum before any byte is handed out.

#include "core/IRandomAccessSource.h"
#include "core/MinuteFileFormat.h"
#include "core/MinuteFileResult.h"

#include <cstdint>
#include <vector>

class CMinuteFileReader {
public:
    // How the units were found: from the index of a closed file, or by a walk that
    // reached the end of the file (a minute still open) or stopped before it.
    enum class Tail { Indexed, Open, Torn };

    explicit CMinuteFileReader(IRandomAccessSource* pSource) : m_pSource(pSource) {}

    MinuteFileResult Open();

    uint32_t MinuteStart() const { return m_MinuteStart; }
    Tail GetTail() const { return m_Tail; }
    uint64_t TornBytes() const { return m_TornBytes; }
    const std::vector<MinuteFile::UnitFields>& Units() const { return m_Units; }

    // All of unit `index`'s data; cbDest must hold them. On failure pDest holds zeros.
    MinuteFileResult ReadUnit(size_t index, uint8_t* pDest, size_t cbDest);
    // cb bytes from `offset` within the unit's data; a part beyond its end is refused.
    MinuteFileResult ReadUnitPart(size_t index, uint32_t offset, uint8_t* pDest, uint32_t cb);

private:
    bool ReadExact(uint64_t offset, uint8_t* pDest, size_t cb);
    MinuteFileResult ReadHeader();
    bool LoadIndex();
    bool CheckIndex(const MinuteFile::Trailer& trailer) const;
    void WalkFrames();
    MinuteFileResult CheckUnit(size_t index, uint8_t* pDest);
    bool FrameHeadMatches(const MinuteFile::UnitFields& unit);

    IRandomAccessSource* m_pSource;
    uint64_t m_FileSize = 0;
    uint32_t m_MinuteStart = 0;
    bool m_Opened = false;
    Tail m_Tail = Tail::Torn;
    uint64_t m_TornBytes = 0;
    std::vector<MinuteFile::UnitFields> m_Units;
    std::vector<bool> m_Checked;
};
