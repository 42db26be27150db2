#pragma once
// The client's side of HTTP Digest (RFC 7616): takes the challenge of a 401,
// decides whether the request goes again, and makes the Authorization value for
// each request, with the nonce count going up, so that later requests reuse the
// nonce without a 401 of their own.
//
// A request is answered at most twice after its 401s: once for a challenge that it
// did not answer yet (or that replaced a nonce of an earlier request), once more
// when the server calls the nonce it was answered with stale. Anything else is a
// refusal: wrong credentials do not loop.
//
// Threads: one at a time (the HTTP client's starting and stopping threads take
// turns under the filter's lock).

#include "core/DigestChallenge.h"
#include "core/IDigestCrypto.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CDigestAuthorization {
public:
    enum class Step { Answer, AnswerStale, NoChallenge, Refused };

    explicit CDigestAuthorization(IDigestCrypto* pCrypto) : m_pCrypto(pCrypto) {}

    void BeginRequest();
    Step TakeChallenge(const std::vector<DigestChallenge>& challenges);
    bool HasNonce() const { return m_bHasNonce; }
    const DigestChallenge& Challenge() const { return m_Challenge; }
    // The value of the request's Authorization header with the next nonce count;
    // false without a nonce, or when the platform could not hash.
    bool Authorization(std::string_view method, std::string_view uri, std::string_view user,
                       std::string_view password, std::string* pValue);
    void Reset();

private:
    enum class Sent { None, EarlierNonce, ThisRequestsNonce };

    bool HashHex(std::string_view bytes, std::string* pHex);
    bool Response(std::string_view method, std::string_view uri, std::string_view user, std::string_view password,
                  const std::string& nc, const std::string& cnonce, std::string* pResponse);
    bool UserField(std::string_view user, std::string* pField);

    IDigestCrypto* const m_pCrypto;
    DigestChallenge m_Challenge;
    bool m_bHasNonce = false;
    uint32_t m_ulNonceCount = 0;
    Sent m_Sent = Sent::None;
    bool m_bNonceOfThisRequest = false;
    bool m_bStaleAnswered = false;
};
