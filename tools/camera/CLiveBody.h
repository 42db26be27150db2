#pragma once
// What one live HTTP body carries, part by part: records of the looped source from
// its start, each the 14-byte identify head, the last 36 bytes of a first stream
// head and the unit's bytes, with the record faults of the options.

#include "tools/camera/CCameraOptions.h"
#include "tools/camera/CStreamParameters.h"
#include "tools/camera/CStreamSource.h"

#include <cstddef>
#include <cstdint>
#include <vector>

enum class BodyPart {
    Record,
    CutRecord,      // the first half of a record, then the connection closes
    StatusMessage,  // the six-byte status message, then the body ends
    Stall,          // nothing more while the connection stays open
};

class CLiveBody {
public:
    // What a client reads of one record: more is cut off there.
    static constexpr size_t kClientBuffer = 81920;
    static constexpr size_t kHeadSize = FirstStreamHead::kSize;

    CLiveBody(const CCameraOptions& options, const CStreamSource& source, const CStreamParameters& parameters,
              uint16_t usStatus);

    // What the status message reports.
    uint16_t Status() const { return m_usStatus; }

    // The next part's bytes; *pUnits counts the units it ends.
    BodyPart Next(std::vector<uint8_t>* pBytes, size_t* pUnits);

private:
    void MakeRecord(bool bOversize, std::vector<uint8_t>* pRecord, size_t* pUnits);
    void WriteHead(std::vector<uint8_t>* pRecord, bool bWrongId);

    const CStreamSource& m_Source;
    const CStreamParameters& m_Parameters;
    const CCameraOptions& m_Options;
    const uint16_t m_usStatus;
    const uint16_t m_usHeadStatus;
    uint64_t m_qwRecords = 0;
    size_t m_NextUnit = 0;
    size_t m_UnitOffset = 0;  // a unit larger than a client's buffer goes in several records
    uint8_t m_bSequence = 0;
};
