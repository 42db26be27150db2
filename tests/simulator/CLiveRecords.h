#pragma once
// The records of a live HTTP body, read as the filter's client reads them: the
// identify head, the 36 bytes of the stream head through CParsePacket, then as
// many bytes as the head's total length says. What does not make a whole record
// stays in the tail.

#include "core/CCamParm.h"
#include "core/CameraHeads.h"

#include <cstdint>
#include <string>
#include <vector>

class CLiveRecords {
public:
    struct Record {
        IDENTYFY_HEAD identify;
        FirstStreamHead head;
        std::vector<uint8_t> payload;
    };

    explicit CLiveRecords(CCamParm* pCamParm) : m_pCamParm(pCamParm) {}

    void Feed(const char* p, size_t cb);
    const std::vector<Record>& Records() const { return m_Records; }
    const std::string& Tail() const { return m_Tail; }
    uint64_t Bytes() const { return m_qwBytes; }
    // Every record's payload, joined, and its length.
    std::vector<uint8_t> Payload() const;
    size_t PayloadBytes() const { return m_PayloadBytes; }
    // Whether a head did not parse (then the rest stays in the tail).
    bool Failed() const { return m_bFailed; }

private:
    bool TakeRecord();

    CCamParm* const m_pCamParm;
    std::vector<Record> m_Records;
    std::string m_Tail;
    uint64_t m_qwBytes = 0;
    size_t m_PayloadBytes = 0;
    bool m_bFailed = false;
};
