#pragma once
// The HTTP camera's credential check: Basic, or Digest with qop=auth and MD5,
// SHA-256 or both offered, as --auth and --digest-algorithm say; without --user
// every request passes. Each Digest challenge brings a new nonce; an answer's nonce
// count must go up, and a nonce that admitted --stale-nonce-after requests is stale.
//
// Locking: m_Lock guards the nonces; the library calls Check and Challenges on the
// thread of each connection.

#include "tools/camera/CCameraOptions.h"

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

enum class AuthResult { Ok, Missing, Refused, Stale };

class CHttpAuth {
public:
    static constexpr size_t kMaxNonces = 64;

    explicit CHttpAuth(const CCameraOptions& options);

    // `authorization` is the request's Authorization header, empty when it has none.
    AuthResult Check(const std::string& method, const std::string& target, const std::string& authorization);
    // The WWW-Authenticate values of a 401, one a header.
    std::vector<std::string> Challenges(bool bStale);
    static const char* Name(AuthResult result);

private:
    struct NonceUse {
        uint32_t admitted = 0;
        uint64_t lastCount = 0;
    };

    bool CheckBasic(const std::string& credentials) const;
    AuthResult CheckDigest(const std::string& method, const std::string& target, const std::string& fields);
    AuthResult UseNonce(const std::string& nonce, uint64_t count);
    std::string NewNonce();

    const std::string m_User;
    const std::string m_Password;
    const HttpAuth m_Scheme;
    const std::vector<DigestHash> m_Algorithms;
    const uint32_t m_ulStaleAfter;
    std::mutex m_Lock;
    std::map<std::string, NonceUse> m_Nonces;
    std::deque<std::string> m_NonceOrder;  // the oldest goes first when there are too many
};
