#pragma once
// CRC-32 (IEEE 802.3, reflected, polynomial 0xEDB88320): the checksum of the
// minute files' headers, frames and index.

#include <cstddef>
#include <cstdint>

class CCrc32 {
public:
    void Update(const uint8_t* p, size_t cb);
    uint32_t Value() const { return ~m_State; }

    static uint32_t Of(const uint8_t* p, size_t cb);

private:
    uint32_t m_State = 0xFFFFFFFFu;
};
