// The system's hashes and client nonces behind the filter's Digest answers: the
// known digests, and RFC 7616's example answered through them.

#include "camera/CBCryptDigestCrypto.h"
#include "core/CDigestAuthorization.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The system's hashes with the example's client nonce.
class CExampleCrypto : public IDigestCrypto {
public:
    bool Hash(DigestAlgorithm algorithm, std::string_view bytes, std::string* pDigest) override
    {
        return system.Hash(algorithm, bytes, pDigest);
    }
    bool ClientNonce(std::string* pNonce) override
    {
        *pNonce = "f2/wE4q74E6zIJEtWaHKaf5wv/H5QzzpXusqGemxURZJ";
        return true;
    }
    CBCryptDigestCrypto system;
};

std::string HexOf(CBCryptDigestCrypto& crypto, DigestAlgorithm algorithm, const std::string& text)
{
    std::string digest;
    EXPECT_TRUE(crypto.Hash(algorithm, text, &digest));
    return DigestHex(digest);
}

TEST(CBCryptDigestCryptoTest, TheSystemsHashesGiveTheKnownDigests)
{
    CBCryptDigestCrypto crypto;
    EXPECT_EQ(HexOf(crypto, DigestAlgorithm::Md5, ""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(HexOf(crypto, DigestAlgorithm::Md5, "abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(HexOf(crypto, DigestAlgorithm::Sha256, "abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(HexOf(crypto, DigestAlgorithm::Md5, "abc"), "900150983cd24fb0d6963f7d28e17f72");  // the provider kept
}

TEST(CBCryptDigestCryptoTest, TheRfc7616ExampleIsAnsweredThroughTheSystemsHashes)
{
    const struct {
        const char* algorithm;
        const char* response;
    } examples[] = {{"MD5", "8ca523f5e9506fed4657c9700eebdbec"},
                    {"SHA-256", "753927fa0e85d155564e2e272a28d1802ca10daf4496794697cf8db5856cb6c1"}};
    CExampleCrypto crypto;
    for (const auto& example : examples) {
        CDigestAuthorization digest(&crypto);
        std::vector<DigestChallenge> challenges;
        ASSERT_TRUE(ParseDigestChallenges(std::string("Digest realm=\"http-auth@example.org\", qop=\"auth, auth-int\", "
                                                      "algorithm=") +
                                              example.algorithm +
                                              ", nonce=\"7ypf/xlj9XXwfDPEoM4URrv/xwf94BcCAzFZH4GiTo0v\", "
                                              "opaque=\"FQhe/qaU925kfnzjCev0ciny7QMkPqMAFRtzCUYo5tdS\"",
                                          &challenges));
        ASSERT_EQ(digest.TakeChallenge(challenges), CDigestAuthorization::Step::Answer);
        std::string value;
        ASSERT_TRUE(digest.Authorization("GET", "/dir/index.html", "Mufasa", "Circle of Life", &value));
        EXPECT_NE(value.find(std::string("response=\"") + example.response + "\""), std::string::npos) << value;
    }
}

TEST(CBCryptDigestCryptoTest, ClientNoncesAreFreshHex)
{
    CBCryptDigestCrypto crypto;
    std::string first, second;
    ASSERT_TRUE(crypto.ClientNonce(&first));
    ASSERT_TRUE(crypto.ClientNonce(&second));
    EXPECT_EQ(first.size(), 32u);
    EXPECT_EQ(first.find_first_not_of("0123456789abcdef"), std::string::npos) << first;
    EXPECT_NE(first, second);
}

}  // namespace
