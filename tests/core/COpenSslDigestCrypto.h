#pragma once
// The Digest answer's hashes and client nonces from OpenSSL, for the native tests;
// a test may fix the client nonce to reproduce a published example.

#include "core/IDigestCrypto.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <string>

class COpenSslDigestCrypto : public IDigestCrypto {
public:
    bool Hash(DigestAlgorithm algorithm, std::string_view bytes, std::string* pDigest) override
    {
        if (bFail) return false;
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int cb = 0;
        const EVP_MD* md = algorithm == DigestAlgorithm::Sha256 ? EVP_sha256() : EVP_md5();
        if (!EVP_Digest(bytes.data(), bytes.size(), digest, &cb, md, nullptr)) return false;
        pDigest->assign(reinterpret_cast<const char*>(digest), cb);
        return true;
    }

    bool ClientNonce(std::string* pNonce) override
    {
        if (bFail) return false;
        if (!fixedNonce.empty()) {
            *pNonce = fixedNonce;
            return true;
        }
        unsigned char bytes[16];
        if (RAND_bytes(bytes, sizeof(bytes)) != 1) return false;
        *pNonce = DigestHex(std::string_view(reinterpret_cast<const char*>(bytes), sizeof(bytes)));
        return true;
    }

    std::string fixedNonce;
    bool bFail = false;
};
