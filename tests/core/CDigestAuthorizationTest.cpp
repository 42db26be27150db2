// The Digest answer against the published examples, the nonce count of later
// requests, and when a request goes again after a 401 and when it gives up.

#include "core/CDigestAuthorization.h"
#include "tests/core/COpenSslDigestCrypto.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

using Step = CDigestAuthorization::Step;

const char* const kUri = "/dir/index.html";

std::vector<DigestChallenge> Challenges(const std::string& header)
{
    std::vector<DigestChallenge> challenges;
    EXPECT_TRUE(ParseDigestChallenges(header, &challenges)) << header;
    return challenges;
}

std::string Rfc7616Challenge(const char* algorithm)
{
    return std::string("Digest realm=\"http-auth@example.org\", qop=\"auth, auth-int\", algorithm=") + algorithm +
           ", nonce=\"7ypf/xlj9XXwfDPEoM4URrv/xwf94BcCAzFZH4GiTo0v\", "
           "opaque=\"FQhe/qaU925kfnzjCev0ciny7QMkPqMAFRtzCUYo5tdS\"";
}

// A parameter of an Authorization value, quotes and escapes taken off.
std::string Field(const std::string& value, const std::string& name)
{
    const std::regex pattern("(?:^Digest |, )" + name + "=(\"((?:[^\"\\\\]|\\\\.)*)\"|([^, ]*))");
    std::smatch match;
    if (!std::regex_search(value, match, pattern)) return "(none)";
    if (match[3].matched) return match[3];
    return std::regex_replace(match[2].str(), std::regex("\\\\(.)"), "$1");
}

class CDigestAuthorizationTest : public testing::Test {
protected:
    // What a server computes from the answer's own fields: the client's hashing,
    // written out once more from the RFC's definitions.
    std::string Expected(const std::string& value, DigestAlgorithm algorithm, const std::string& password,
                         const std::string& user)
    {
        const std::string realm = Field(value, "realm"), nonce = Field(value, "nonce"), cnonce = Field(value, "cnonce");
        std::string ha1 = H(algorithm, user + ":" + realm + ":" + password);
        if (Field(value, "algorithm").find("-sess") != std::string::npos)
            ha1 = H(algorithm, ha1 + ":" + nonce + ":" + cnonce);
        const std::string ha2 = H(algorithm, "GET:" + Field(value, "uri"));
        if (Field(value, "qop") == "(none)") return H(algorithm, ha1 + ":" + nonce + ":" + ha2);
        return H(algorithm, ha1 + ":" + nonce + ":" + Field(value, "nc") + ":" + cnonce + ":auth:" + ha2);
    }

    std::string H(DigestAlgorithm algorithm, const std::string& text)
    {
        std::string digest;
        EXPECT_TRUE(crypto.Hash(algorithm, text, &digest));
        return DigestHex(digest);
    }

    std::string Answer(const char* pszUser = "Mufasa", const char* pszPassword = "Circle of Life")
    {
        std::string value;
        EXPECT_TRUE(digest.Authorization("GET", kUri, pszUser, pszPassword, &value));
        return value;
    }

    COpenSslDigestCrypto crypto;
    CDigestAuthorization digest{&crypto};
};

TEST_F(CDigestAuthorizationTest, TheRfc7616ExampleGivesItsResponsesWithMd5AndSha256)
{
    crypto.fixedNonce = "f2/wE4q74E6zIJEtWaHKaf5wv/H5QzzpXusqGemxURZJ";
    const struct {
        const char* algorithm;
        const char* response;
    } examples[] = {{"MD5", "8ca523f5e9506fed4657c9700eebdbec"},
                    {"SHA-256", "753927fa0e85d155564e2e272a28d1802ca10daf4496794697cf8db5856cb6c1"}};
    for (const auto& example : examples) {
        digest.Reset();
        ASSERT_EQ(digest.TakeChallenge(Challenges(Rfc7616Challenge(example.algorithm))), Step::Answer);
        EXPECT_EQ(Answer(), std::string("Digest username=\"Mufasa\", realm=\"http-auth@example.org\", "
                                        "nonce=\"7ypf/xlj9XXwfDPEoM4URrv/xwf94BcCAzFZH4GiTo0v\", "
                                        "uri=\"/dir/index.html\", algorithm=") +
                                example.algorithm + ", response=\"" + example.response +
                                "\", opaque=\"FQhe/qaU925kfnzjCev0ciny7QMkPqMAFRtzCUYo5tdS\", qop=auth, "
                                "nc=00000001, cnonce=\"f2/wE4q74E6zIJEtWaHKaf5wv/H5QzzpXusqGemxURZJ\"");
    }
}

// RFC 2617's example names no algorithm; the answer names none either.
TEST_F(CDigestAuthorizationTest, TheRfc2617ExampleGivesItsResponse)
{
    crypto.fixedNonce = "0a4f113b";
    ASSERT_EQ(digest.TakeChallenge(Challenges("Digest realm=\"testrealm@host.com\", qop=\"auth,auth-int\", "
                                              "nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", "
                                              "opaque=\"5ccc069c403ebaf9f0171e9517f40e41\"")),
              Step::Answer);
    const std::string value = Answer("Mufasa", "Circle Of Life");
    EXPECT_EQ(Field(value, "response"), "6629fae49393a05397450978507c4ef1");
    EXPECT_EQ(Field(value, "algorithm"), "(none)");
}

// Later requests reuse the nonce: the count goes up, a client nonce is new each
// time, and each answer holds for its own count.
TEST_F(CDigestAuthorizationTest, LaterRequestsReuseTheNonceWithTheNextCount)
{
    EXPECT_FALSE(digest.HasNonce());
    std::string value;
    EXPECT_FALSE(digest.Authorization("GET", kUri, "u", "p", &value));
    ASSERT_EQ(digest.TakeChallenge(Challenges(Rfc7616Challenge("SHA-256"))), Step::Answer);
    std::vector<std::string> cnonces;
    for (const char* nc : {"00000001", "00000002", "00000003"}) {
        digest.BeginRequest();
        value = Answer("admin", "secret");
        EXPECT_EQ(Field(value, "nc"), nc);
        EXPECT_EQ(Field(value, "response"), Expected(value, DigestAlgorithm::Sha256, "secret", "admin")) << nc;
        cnonces.push_back(Field(value, "cnonce"));
    }
    EXPECT_EQ(cnonces[0].size(), 32u);
    EXPECT_NE(cnonces[0], cnonces[1]);
    EXPECT_TRUE(digest.HasNonce());
    digest.Reset();
    EXPECT_FALSE(digest.HasNonce());
}

TEST_F(CDigestAuthorizationTest, SessionAlgorithmsHashedUserNamesAndAnswersWithoutQop)
{
    const struct {
        const char* challenge;
        DigestAlgorithm algorithm;
    } cases[] = {
        {"Digest realm=\"r\", nonce=\"n1\", qop=\"auth\", algorithm=MD5-sess", DigestAlgorithm::Md5},
        {"Digest realm=\"r\", nonce=\"n2\", qop=\"auth\", algorithm=SHA-256-sess", DigestAlgorithm::Sha256},
        {"Digest realm=\"r\", nonce=\"n3\", algorithm=SHA-256", DigestAlgorithm::Sha256},
        {"Digest realm=\"r\", nonce=\"n4\", qop=\"auth\", algorithm=SHA-256, userhash=true", DigestAlgorithm::Sha256},
    };
    for (const auto& c : cases) {
        digest.Reset();
        ASSERT_EQ(digest.TakeChallenge(Challenges(c.challenge)), Step::Answer) << c.challenge;
        const std::string value = Answer("admin", "secret");
        const bool bUserHash = std::string(c.challenge).find("userhash") != std::string::npos;
        const std::string user = bUserHash ? Field(value, "username") : "admin";
        EXPECT_EQ(Field(value, "response"), Expected(value, c.algorithm, "secret", "admin")) << c.challenge;
        EXPECT_EQ(Field(value, "userhash"), bUserHash ? "true" : "(none)");
        if (bUserHash) {
            EXPECT_EQ(user, H(c.algorithm, "admin:r"));
        }
        if (std::string(c.challenge).find("qop") == std::string::npos) {
            EXPECT_EQ(Field(value, "nc"), "(none)");
            EXPECT_EQ(Field(value, "cnonce"), "(none)");
        }
    }
}

// A quote is escaped; what a quoted string cannot carry goes as username*.
TEST_F(CDigestAuthorizationTest, AUserNameThatAQuotedStringCannotCarryGoesEncoded)
{
    ASSERT_EQ(digest.TakeChallenge(Challenges("Digest realm=\"a\\\"b\", nonce=\"n\", qop=auth")), Step::Answer);
    std::string value = Answer("ad\"min", "pw");
    EXPECT_NE(value.find("username=\"ad\\\"min\", realm=\"a\\\"b\""), std::string::npos) << value;
    EXPECT_EQ(Field(value, "response"), Expected(value, DigestAlgorithm::Md5, "pw", "ad\"min"));
    value = Answer("j\xC3\xBCrg 1", "pw");
    EXPECT_EQ(value.rfind("Digest username*=UTF-8''j%C3%BCrg%201, realm=", 0), 0u) << value;
    EXPECT_EQ(Field(value, "response"), Expected(value, DigestAlgorithm::Md5, "pw", "j\xC3\xBCrg 1"));
}

// Wrong credentials do not loop: the request's own answer refused ends it, with
// whatever nonce the server offers next.
TEST_F(CDigestAuthorizationTest, ARequestsOwnAnswerRefusedIsTheEnd)
{
    const std::vector<DigestChallenge> first = Challenges("Digest realm=\"r\", nonce=\"a\", qop=\"auth\"");
    digest.BeginRequest();
    ASSERT_EQ(digest.TakeChallenge(first), Step::Answer);
    Answer();
    EXPECT_EQ(digest.TakeChallenge(first), Step::Refused);
    EXPECT_EQ(digest.TakeChallenge(Challenges("Digest realm=\"r\", nonce=\"b\", qop=\"auth\"")), Step::Refused);
    EXPECT_EQ(digest.TakeChallenge(Challenges("Basic realm=\"r\"")), Step::NoChallenge);
    EXPECT_EQ(digest.TakeChallenge(Challenges("Digest nonce=\"c\", qop=\"auth-int\"")), Step::NoChallenge);
}

// A nonce gone stale is answered once more, on a request that reused it as on one
// that was given it; a second stale nonce for the same request is the end.
TEST_F(CDigestAuthorizationTest, AStaleNonceIsAnsweredOnceMorePerRequest)
{
    const std::vector<DigestChallenge> stale = Challenges("Digest realm=\"r\", nonce=\"s\", qop=\"auth\", stale=true");
    ASSERT_EQ(digest.TakeChallenge(Challenges("Digest realm=\"r\", nonce=\"a\", qop=\"auth\"")), Step::Answer);
    Answer();
    digest.BeginRequest();  // the next request reuses "a"
    Answer();
    EXPECT_EQ(digest.TakeChallenge(stale), Step::AnswerStale);
    EXPECT_EQ(Field(Answer(), "nc"), "00000001");
    EXPECT_EQ(digest.TakeChallenge(stale), Step::Refused);
    digest.BeginRequest();
    ASSERT_EQ(digest.TakeChallenge(Challenges("Digest realm=\"r\", nonce=\"b\", qop=\"auth\"")), Step::Answer);
    Answer();
    EXPECT_EQ(digest.TakeChallenge(stale), Step::AnswerStale);
    Answer();
    EXPECT_EQ(digest.TakeChallenge(stale), Step::Refused);
}

// A server that does not take a nonce of an earlier request back says so with a
// new one: it is answered as a first challenge.
TEST_F(CDigestAuthorizationTest, AReusedNonceThatTheServerRefusesIsReplacedByItsNewOne)
{
    ASSERT_EQ(digest.TakeChallenge(Challenges("Digest realm=\"r\", nonce=\"a\", qop=\"auth\"")), Step::Answer);
    Answer();
    digest.BeginRequest();
    Answer();
    ASSERT_EQ(digest.TakeChallenge(Challenges("Digest realm=\"r\", nonce=\"b\", qop=\"auth\"")), Step::Answer);
    const std::string value = Answer();
    EXPECT_EQ(Field(value, "nonce"), "b");
    EXPECT_EQ(Field(value, "nc"), "00000001");
    EXPECT_EQ(digest.TakeChallenge(Challenges("Digest realm=\"r\", nonce=\"c\", qop=\"auth\"")), Step::Refused);
}

TEST_F(CDigestAuthorizationTest, APlatformThatCannotHashGivesNoAnswerAndKeepsTheCount)
{
    ASSERT_EQ(digest.TakeChallenge(Challenges("Digest realm=\"r\", nonce=\"a\", qop=\"auth\"")), Step::Answer);
    crypto.bFail = true;
    std::string value = "unchanged";
    EXPECT_FALSE(digest.Authorization("GET", kUri, "u", "p", &value));
    EXPECT_EQ(value, "unchanged");
    crypto.bFail = false;
    EXPECT_EQ(Field(Answer(), "nc"), "00000001");
}

}  // namespace
