// WWW-Authenticate values from arbitrary bytes, one header a line, through the
// Digest challenge parser; the first usable challenge is then answered with a
// stand-in hash. Whatever the server sent, the parsed fields hold no line break
// and stay within their bounds, and the answer parses back to the realm, nonce
// and opaque that it echoes: nothing the server sends can add a header line.

#include "core/CDigestAuthorization.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class CStandInCrypto : public IDigestCrypto {
public:
    bool Hash(DigestAlgorithm algorithm, std::string_view bytes, std::string* pDigest) override
    {
        uint8_t sum = 0;
        for (const char c : bytes) sum = static_cast<uint8_t>(sum * 31 + static_cast<uint8_t>(c));
        pDigest->assign(algorithm == DigestAlgorithm::Sha256 ? 32 : 16, static_cast<char>(sum));
        return true;
    }
    bool ClientNonce(std::string* pNonce) override
    {
        *pNonce = "0a4f113b";
        return true;
    }
};

void Check(bool bHolds)
{
    if (!bHolds) std::abort();
}

bool Clean(const std::string& text)
{
    for (const char c : text)
        if (c == '\r' || c == '\n' || c == '\0') return false;
    return text.size() <= kMaxDigestValue;
}

void CheckAnswer(const DigestChallenge& challenge, const std::string& value)
{
    for (const char c : value) Check(c != '\r' && c != '\n' && c != '\0');
    std::vector<DigestChallenge> echoed;
    Check(ParseDigestChallenges(value, &echoed) || value.size() > kMaxDigestHeader);
    if (echoed.empty()) return;
    Check(echoed.size() == 1);
    Check(echoed[0].realm == challenge.realm && echoed[0].nonce == challenge.nonce &&
          echoed[0].opaque == challenge.opaque);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<DigestChallenge> challenges;
    for (size_t begin = 0; begin <= input.size();) {
        size_t end = input.find('\n', begin);
        if (end == std::string::npos) end = input.size();
        const std::string line = input.substr(begin, end - begin);  // exact size, for ASan
        ParseDigestChallenges(line, &challenges);
        begin = end + 1;
    }
    Check(challenges.size() <= kMaxDigestChallenges);
    for (const DigestChallenge& challenge : challenges)
        Check(Clean(challenge.realm) && Clean(challenge.nonce) && Clean(challenge.opaque));
    CStandInCrypto crypto;
    CDigestAuthorization digest(&crypto);
    if (digest.TakeChallenge(challenges) == CDigestAuthorization::Step::NoChallenge) return 0;
    std::string value;
    Check(digest.Authorization("GET", "/liveimg.cgi?stream=1", "admin", "secret", &value));
    CheckAnswer(*FirstUsableDigestChallenge(challenges), value);
    return 0;
}
