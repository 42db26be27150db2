#pragma once
// What a Digest answer needs of the platform: the hash functions and an
// unpredictable client nonce (the system's cryptography on Windows, OpenSSL in the
// native tests), so that core/ carries no cryptography of its own.

#include "core/DigestChallenge.h"

#include <cstdint>
#include <string>
#include <string_view>

class IDigestCrypto {
public:
    virtual ~IDigestCrypto() = default;

    // The raw digest of the bytes (16 bytes for MD5, 32 for SHA-256); false when
    // the system could not make it.
    virtual bool Hash(DigestAlgorithm algorithm, std::string_view bytes, std::string* pDigest) = 0;
    // A fresh client nonce of characters that a quoted string carries as they are.
    virtual bool ClientNonce(std::string* pNonce) = 0;
};

inline std::string DigestHex(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * bytes.size());
    for (const char c : bytes) {
        text += digits[static_cast<uint8_t>(c) >> 4];
        text += digits[static_cast<uint8_t>(c) & 15];
    }
    return text;
}
