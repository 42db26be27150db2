#pragma once
// Groups the recording pin's samples (a 24-byte pack head, then the pack) into
// minute-file units. A unit opens at a key pack and takes the packs up to the next
// one; its record comes from its first pack's head. A unit never outgrows the
// minute file's limit: the packs beyond it go on in a continuation unit, not key,
// with the same record. A sample that cannot go into a unit is dropped and
// counted; when one is dropped inside a unit, that unit ends there and the packs
// after it wait for the next key pack, so a unit's data always run without a gap
// from the pack that opened it.

#include "core/MinuteFileRecord.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CPackUnitAssembler {
public:
    struct Unit {
        MinuteFileRecord record;
        std::vector<uint8_t> data;
    };

    // One sample of the recording pin. True when it completed the unit before it,
    // which is then in *pDone (not null); the assembler keeps *pDone's old buffer
    // for reuse, so passing the same Unit each time spares allocations.
    bool AddPack(const uint8_t* pSample, size_t cbSample, Unit* pDone);
    // The unit still being built, at the end of the stream.
    bool Flush(Unit* pDone) { return Complete(pDone); }
    uint64_t PacksDropped() const { return m_PacksDropped; }

private:
    bool OpenUnit(const uint8_t* pHead, const uint8_t* pPack, size_t cbPack, Unit* pDone);
    bool ContinueUnit(const uint8_t* pPack, size_t cbPack, Unit* pDone);
    bool Complete(Unit* pDone);
    bool Drop(Unit* pDone);
    void Take(const uint8_t* pPack, size_t cbPack) { m_Unit.data.insert(m_Unit.data.end(), pPack, pPack + cbPack); }

    Unit m_Unit;
    bool m_bOpen = false;
    uint64_t m_PacksDropped = 0;
};
