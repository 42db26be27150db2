// The Digest challenges found in WWW-Authenticate values as servers send them,
// and what a value from the network cannot make the parser do.

#include "core/DigestChallenge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<DigestChallenge> Parsed(const std::string& header, bool bWellFormed = true)
{
    std::vector<DigestChallenge> challenges;
    EXPECT_EQ(ParseDigestChallenges(header, &challenges), bWellFormed) << header;
    return challenges;
}

// The two headers of RFC 7616's example, each with the preferred algorithm first.
TEST(DigestChallengeTest, TheRfc7616ExampleGivesBothChallengesWithTheirFieldsAndSha256First)
{
    std::vector<DigestChallenge> challenges;
    for (const char* algorithm : {"SHA-256", "MD5"})
        ASSERT_TRUE(ParseDigestChallenges(std::string("Digest realm=\"http-auth@example.org\", qop=\"auth, auth-int\", "
                                                      "algorithm=") +
                                              algorithm +
                                              ", nonce=\"7ypf/xlj9XXwfDPEoM4URrv/xwf94BcCAzFZH4GiTo0v\", "
                                              "opaque=\"FQhe/qaU925kfnzjCev0ciny7QMkPqMAFRtzCUYo5tdS\"",
                                          &challenges));
    ASSERT_EQ(challenges.size(), 2u);
    const DigestChallenge& first = challenges[0];
    EXPECT_EQ(first.realm, "http-auth@example.org");
    EXPECT_EQ(first.nonce, "7ypf/xlj9XXwfDPEoM4URrv/xwf94BcCAzFZH4GiTo0v");
    EXPECT_EQ(first.opaque, "FQhe/qaU925kfnzjCev0ciny7QMkPqMAFRtzCUYo5tdS");
    EXPECT_EQ(first.algorithm, DigestAlgorithm::Sha256);
    EXPECT_EQ(first.algorithmName, "SHA-256");
    EXPECT_TRUE(first.bQopGiven && first.bQopAuth);
    EXPECT_FALSE(first.bStale || first.bSession || first.bUserHash);
    EXPECT_EQ(challenges[1].algorithm, DigestAlgorithm::Md5);
    EXPECT_EQ(FirstUsableDigestChallenge(challenges), &challenges[0]);
}

// Other schemes, a token68, commas and escaped quotes inside quoted strings, and
// names in any case share one value with the Digest challenges.
TEST(DigestChallengeTest, DigestChallengesAreFoundAmongOthersInOneValue)
{
    const std::vector<DigestChallenge> challenges =
        Parsed("Basic realm=\"a, Digest nonce=no\", Negotiate YIIB+w/==, dIgEsT REALM=\"x\\\"y, z\", Nonce=abc/def, "
               "QOP=\"auth-int,AUTH\", Stale=TRUE, Newauth realm=\"n\" , Digest nonce=\"2\", algorithm=sha-256-SESS, "
               "userhash=true, charset=UTF-8");
    ASSERT_EQ(challenges.size(), 2u);
    EXPECT_EQ(challenges[0].realm, "x\"y, z");
    EXPECT_EQ(challenges[0].nonce, "abc/def");
    EXPECT_TRUE(challenges[0].bQopAuth);
    EXPECT_TRUE(challenges[0].bStale);
    EXPECT_TRUE(challenges[0].algorithmName.empty());
    EXPECT_EQ(challenges[0].algorithm, DigestAlgorithm::Md5);
    EXPECT_EQ(challenges[1].nonce, "2");
    EXPECT_EQ(challenges[1].algorithm, DigestAlgorithm::Sha256);
    EXPECT_EQ(challenges[1].algorithmName, "SHA-256-sess");
    EXPECT_TRUE(challenges[1].bSession && challenges[1].bUserHash);
    EXPECT_FALSE(challenges[1].bQopGiven);
    EXPECT_TRUE(Parsed("Basic, Bearer").empty());
    EXPECT_EQ(Parsed("Digest").size(), 1u);
}

TEST(DigestChallengeTest, OnlyWhatTheClientCanAnswerIsUsable)
{
    const std::vector<DigestChallenge> challenges =
        Parsed("Digest nonce=\"1\", qop=\"auth-int\", Digest nonce=\"2\", algorithm=SHA-512-256, "
               "Digest realm=\"no nonce\", Digest nonce=\"4\", Digest nonce=\"5\", qop=\"auth\"");
    ASSERT_EQ(challenges.size(), 5u);
    EXPECT_FALSE(challenges[0].Usable());
    EXPECT_FALSE(challenges[1].Usable());
    EXPECT_FALSE(challenges[2].Usable());
    EXPECT_TRUE(challenges[3].Usable());  // no qop: the answer of RFC 2069
    EXPECT_EQ(FirstUsableDigestChallenge(challenges), &challenges[3]);
    EXPECT_EQ(FirstUsableDigestChallenge({challenges[0], challenges[1]}), nullptr);
}

// A fault keeps the challenges that came whole before it; the one it is in is lost.
TEST(DigestChallengeTest, AMalformedValueKeepsOnlyTheChallengesBeforeTheFault)
{
    const std::string before = "Digest nonce=\"kept\", ";
    const std::vector<std::string> faults = {
        "Digest nonce=\"unterminated",
        "Digest nonce=\"line\r\nSet-Cookie: x\"",
        std::string("Digest nonce=\"nul\0byte\"", 23),
        "Digest nonce=\"a\" trailing, realm=\"r\"",
        "Digest realm=\"r\", nonce=",
        "Digest realm=\"r\", nonce=, opaque=\"o\"",
        "Digest @@@",
        "Digest nonce=\"" + std::string(kMaxDigestValue + 1, 'n') + "\"",
        "Digest nonce=" + std::string(kMaxDigestValue + 1, 'n'),
        "Digest realm=\"r\", =\"no name\"",
        "Digest nonce=\"escape at the end\\",
    };
    for (const std::string& fault : faults) {
        const std::vector<DigestChallenge> challenges = Parsed(before + fault, false);
        ASSERT_EQ(challenges.size(), 1u) << fault;
        EXPECT_EQ(challenges[0].nonce, "kept") << fault;
    }
    EXPECT_EQ(Parsed("Digest nonce=\"" + std::string(kMaxDigestValue, 'n') + "\"")[0].nonce.size(), kMaxDigestValue);
}

TEST(DigestChallengeTest, AValueOrAListTooLongIsBounded)
{
    std::string many;
    for (size_t i = 0; i < kMaxDigestChallenges + 4; i++) many += "Digest nonce=\"" + std::to_string(i) + "\", ";
    const std::vector<DigestChallenge> challenges = Parsed(many);
    ASSERT_EQ(challenges.size(), kMaxDigestChallenges);
    EXPECT_EQ(challenges.back().nonce, std::to_string(kMaxDigestChallenges - 1));
    std::string huge = "Digest nonce=\"n\", realm=\"" + std::string(kMaxDigestHeader, 'r') + "\"";
    EXPECT_TRUE(Parsed(huge, false).empty());
}

}  // namespace
