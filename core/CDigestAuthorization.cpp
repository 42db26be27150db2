#include "core/CDigestAuthorization.h"

#include <cctype>
#include <cstdio>
#include <initializer_list>

namespace {

// A quoted string: quotes and backslashes escaped (the parser took their escapes off).
std::string Quoted(std::string_view text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

bool NeedsExtendedName(std::string_view user)
{
    for (const char c : user)
        if (static_cast<uint8_t>(c) >= 0x80 || static_cast<uint8_t>(c) < 0x20 || c == 0x7F) return true;
    return false;
}

// username*=UTF-8''... (RFC 8187): what a quoted string cannot carry.
std::string ExtendedName(std::string_view user)
{
    static const std::string_view kAttrChars = "!#$&+-.^_`|~";
    std::string value = "username*=UTF-8''";
    for (const char c : user) {
        const auto u = static_cast<uint8_t>(c);
        if ((u < 0x80 && std::isalnum(u)) || kAttrChars.find(c) != std::string_view::npos) {
            value += c;
            continue;
        }
        char escaped[4];
        std::snprintf(escaped, sizeof(escaped), "%%%02X", u);
        value += escaped;
    }
    return value;
}

std::string Join(std::initializer_list<std::string_view> parts)
{
    std::string joined;
    for (const std::string_view part : parts) {
        if (!joined.empty()) joined += ':';
        joined += part;
    }
    return joined;
}

}  // namespace

void CDigestAuthorization::BeginRequest()
{
    m_Sent = Sent::None;
    m_bNonceOfThisRequest = false;
    m_bStaleAnswered = false;
}

CDigestAuthorization::Step CDigestAuthorization::TakeChallenge(const std::vector<DigestChallenge>& challenges)
{
    const DigestChallenge* pChallenge = FirstUsableDigestChallenge(challenges);
    if (!pChallenge) return Step::NoChallenge;
    if (m_Sent == Sent::ThisRequestsNonce && !(pChallenge->bStale && !m_bStaleAnswered)) return Step::Refused;
    if (pChallenge->bStale) m_bStaleAnswered = true;
    m_Challenge = *pChallenge;
    m_bHasNonce = true;
    m_ulNonceCount = 0;
    m_bNonceOfThisRequest = true;
    return pChallenge->bStale ? Step::AnswerStale : Step::Answer;
}

void CDigestAuthorization::Reset()
{
    m_Challenge = DigestChallenge();
    m_bHasNonce = false;
    m_ulNonceCount = 0;
    BeginRequest();
}

bool CDigestAuthorization::Authorization(std::string_view method, std::string_view uri, std::string_view user,
                                         std::string_view password, std::string* pValue)
{
    if (!m_bHasNonce) return false;
    if (m_ulNonceCount == UINT32_MAX) {  // the count would wrap: let the server give a new nonce
        m_bHasNonce = false;
        return false;
    }
    char nc[9];
    std::snprintf(nc, sizeof(nc), "%08x", static_cast<unsigned>(m_ulNonceCount + 1));
    std::string cnonce, response, userField;
    const bool bQop = m_Challenge.bQopGiven;
    if (bQop && !m_pCrypto->ClientNonce(&cnonce)) return false;
    if (!Response(method, uri, user, password, nc, cnonce, &response) || !UserField(user, &userField)) return false;
    m_ulNonceCount++;
    m_Sent = m_bNonceOfThisRequest ? Sent::ThisRequestsNonce : Sent::EarlierNonce;
    std::string value = "Digest " + userField + ", realm=" + Quoted(m_Challenge.realm) +
                        ", nonce=" + Quoted(m_Challenge.nonce) + ", uri=" + Quoted(uri);
    if (!m_Challenge.algorithmName.empty()) value += ", algorithm=" + m_Challenge.algorithmName;
    value += ", response=" + Quoted(response);
    if (!m_Challenge.opaque.empty()) value += ", opaque=" + Quoted(m_Challenge.opaque);
    if (bQop) value += std::string(", qop=auth, nc=") + nc + ", cnonce=" + Quoted(cnonce);
    if (m_Challenge.bUserHash) value += ", userhash=true";
    *pValue = std::move(value);
    return true;
}

bool CDigestAuthorization::HashHex(std::string_view bytes, std::string* pHex)
{
    std::string digest;
    if (!m_pCrypto->Hash(m_Challenge.algorithm, bytes, &digest)) return false;
    *pHex = DigestHex(digest);
    return true;
}

bool CDigestAuthorization::Response(std::string_view method, std::string_view uri, std::string_view user,
                                    std::string_view password, const std::string& nc, const std::string& cnonce,
                                    std::string* pResponse)
{
    const DigestChallenge& c = m_Challenge;
    std::string ha1, ha2;
    if (!HashHex(Join({user, c.realm, password}), &ha1)) return false;
    if (c.bSession && !HashHex(Join({ha1, c.nonce, cnonce}), &ha1)) return false;
    if (!HashHex(Join({method, uri}), &ha2)) return false;
    if (!c.bQopGiven) return HashHex(Join({ha1, c.nonce, ha2}), pResponse);
    return HashHex(Join({ha1, c.nonce, nc, cnonce, "auth", ha2}), pResponse);
}

bool CDigestAuthorization::UserField(std::string_view user, std::string* pField)
{
    if (m_Challenge.bUserHash) {
        std::string hashed;
        if (!HashHex(Join({user, m_Challenge.realm}), &hashed)) return false;
        *pField = "username=" + Quoted(hashed);
    } else {
        *pField = NeedsExtendedName(user) ? ExtendedName(user) : "username=" + Quoted(user);
    }
    return true;
}
