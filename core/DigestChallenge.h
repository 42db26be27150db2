#pragma once
// A Digest challenge as a WWW-Authenticate header offers it, and the parser that
// finds the Digest challenges among the others of a header's value. A header's
// value comes from the network: every length is bounded and a malformed value
// ends the parse, keeping only the challenges that came whole before the fault.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

enum class DigestAlgorithm { Md5, Sha256 };

struct DigestChallenge {
    std::string realm;
    std::string nonce;
    std::string opaque;
    std::string algorithmName;  // as the answer spells it; empty when the challenge named none (MD5)
    DigestAlgorithm algorithm = DigestAlgorithm::Md5;
    bool bSession = false;  // the -sess variant
    bool bAlgorithmKnown = true;
    bool bQopGiven = false;
    bool bQopAuth = false;
    bool bStale = false;
    bool bUserHash = false;

    // What this client answers: MD5 or SHA-256 (-sess too), with qop "auth" or
    // without qop at all, and a nonce.
    bool Usable() const { return bAlgorithmKnown && !nonce.empty() && (!bQopGiven || bQopAuth); }
};

constexpr size_t kMaxDigestHeader = 8192;
constexpr size_t kMaxDigestValue = 1024;
constexpr size_t kMaxDigestChallenges = 16;

// Appends the Digest challenges of one header value (several challenges of any
// scheme may share it). False when the value is too long or malformed.
bool ParseDigestChallenges(std::string_view header, std::vector<DigestChallenge>* pChallenges);

// The first challenge that this client can answer: the server lists them in its
// order of preference. Null when there is none.
const DigestChallenge* FirstUsableDigestChallenge(const std::vector<DigestChallenge>& challenges);
