#pragma once
// The Digest answer's hashes and client nonces from the system's cryptography
// (CNG, bcrypt.dll, on every Windows since Vista).
//
// Threads: one at a time, as the HTTP client that owns it; the algorithm
// providers are opened on first use and kept until the object goes.

#include "core/IDigestCrypto.h"

#include <windows.h>
#include <bcrypt.h>

class CBCryptDigestCrypto : public IDigestCrypto {
public:
    CBCryptDigestCrypto() = default;
    ~CBCryptDigestCrypto();
    CBCryptDigestCrypto(const CBCryptDigestCrypto&) = delete;
    CBCryptDigestCrypto& operator=(const CBCryptDigestCrypto&) = delete;

    bool Hash(DigestAlgorithm algorithm, std::string_view bytes, std::string* pDigest) override;
    bool ClientNonce(std::string* pNonce) override;

private:
    BCRYPT_ALG_HANDLE Provider(DigestAlgorithm algorithm);

    BCRYPT_ALG_HANDLE m_hMd5 = nullptr;
    BCRYPT_ALG_HANDLE m_hSha256 = nullptr;
};
