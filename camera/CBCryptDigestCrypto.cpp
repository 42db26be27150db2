#include "camera/CBCryptDigestCrypto.h"

#include <climits>

namespace {
constexpr ULONG kClientNonceBytes = 16;
}

CBCryptDigestCrypto::~CBCryptDigestCrypto()
{
    if (m_hMd5) BCryptCloseAlgorithmProvider(m_hMd5, 0);
    if (m_hSha256) BCryptCloseAlgorithmProvider(m_hSha256, 0);
}

BCRYPT_ALG_HANDLE CBCryptDigestCrypto::Provider(DigestAlgorithm algorithm)
{
    const bool bSha256 = algorithm == DigestAlgorithm::Sha256;
    BCRYPT_ALG_HANDLE& hProvider = bSha256 ? m_hSha256 : m_hMd5;
    if (!hProvider && !BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(
                          &hProvider, bSha256 ? BCRYPT_SHA256_ALGORITHM : BCRYPT_MD5_ALGORITHM, nullptr, 0)))
        hProvider = nullptr;
    return hProvider;
}

bool CBCryptDigestCrypto::Hash(DigestAlgorithm algorithm, std::string_view bytes, std::string* pDigest)
{
    BCRYPT_ALG_HANDLE hProvider = Provider(algorithm);
    DWORD cbDigest = 0;
    ULONG cbResult = 0;
    if (!hProvider || bytes.size() > ULONG_MAX ||
        !BCRYPT_SUCCESS(BCryptGetProperty(hProvider, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&cbDigest),
                                          sizeof(cbDigest), &cbResult, 0)) ||
        cbResult != sizeof(cbDigest) || cbDigest == 0 || cbDigest > 64)
        return false;
    BCRYPT_HASH_HANDLE hHash = nullptr;
    if (!BCRYPT_SUCCESS(BCryptCreateHash(hProvider, &hHash, nullptr, 0, nullptr, 0, 0))) return false;
    std::string digest(cbDigest, '\0');
    auto* pBytes = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data()));
    const bool bDone = BCRYPT_SUCCESS(BCryptHashData(hHash, pBytes, static_cast<ULONG>(bytes.size()), 0)) &&
                       BCRYPT_SUCCESS(BCryptFinishHash(hHash, reinterpret_cast<PUCHAR>(digest.data()), cbDigest, 0));
    BCryptDestroyHash(hHash);
    if (bDone) *pDigest = std::move(digest);
    return bDone;
}

bool CBCryptDigestCrypto::ClientNonce(std::string* pNonce)
{
    UCHAR bytes[kClientNonceBytes];
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, kClientNonceBytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return false;
    *pNonce = DigestHex(std::string_view(reinterpret_cast<const char*>(bytes), kClientNonceBytes));
    return true;
}
