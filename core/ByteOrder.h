#pragma once
// Explicit byte order for wire fields and the configuration's network-order values.

#include <cstdint>
#include <cstring>

inline uint16_t HostToNet16(uint16_t v)
{
    const uint8_t bytes[2] = {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
    uint16_t out;
    std::memcpy(&out, bytes, 2);
    return out;
}

inline uint16_t NetToHost16(uint16_t v)
{
    uint8_t bytes[2];
    std::memcpy(bytes, &v, 2);
    return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
}

// An IPv4 address as it lies in memory in network order: a.b.c.d, a first.
inline uint32_t IPv4NetworkOrder(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    const uint8_t bytes[4] = {a, b, c, d};
    uint32_t out;
    std::memcpy(&out, bytes, 4);
    return out;
}

// The first octet of a network-order IPv4 address: the byte that comes first in memory.
inline uint8_t FirstOctet(uint32_t networkOrder)
{
    uint8_t bytes[4];
    std::memcpy(bytes, &networkOrder, 4);
    return bytes[0];
}

// Reads of wire fields from bytes that the caller has checked are there.
inline uint16_t ReadBE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

inline uint32_t ReadBE32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

inline uint32_t ReadLE32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
}

inline void WriteBE16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

inline void WriteBE32(uint8_t* p, uint32_t v)
{
    WriteBE16(p, static_cast<uint16_t>(v >> 16));
    WriteBE16(p + 2, static_cast<uint16_t>(v));
}

inline void WriteLE16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void WriteLE32(uint8_t* p, uint32_t v)
{
    WriteLE16(p, static_cast<uint16_t>(v));
    WriteLE16(p + 2, static_cast<uint16_t>(v >> 16));
}

inline uint16_t ReadLE16(const uint8_t* p) { return static_cast<uint16_t>(p[1] << 8 | p[0]); }

inline uint64_t ReadLE64(const uint8_t* p) { return static_cast<uint64_t>(ReadLE32(p + 4)) << 32 | ReadLE32(p); }

inline void WriteLE64(uint8_t* p, uint64_t v)
{
    WriteLE32(p, static_cast<uint32_t>(v));
    WriteLE32(p + 4, static_cast<uint32_t>(v >> 32));
}
