#include "tools/camera/CHttpAuth.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

namespace {

constexpr const char* kRealm = "camera";

std::string Hex(const unsigned char* p, size_t cb)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < cb; i++) {
        text += digits[p[i] >> 4];
        text += digits[p[i] & 15];
    }
    return text;
}

std::string HashHex(DigestHash hash, const std::string& text)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int cb = 0;
    EVP_Digest(text.data(), text.size(), digest, &cb, hash == DigestHash::Sha256 ? EVP_sha256() : EVP_md5(), nullptr);
    return Hex(digest, cb);
}

const char* AlgorithmName(DigestHash hash) { return hash == DigestHash::Sha256 ? "SHA-256" : "MD5"; }

std::string Base64(const std::string& text)
{
    std::vector<unsigned char> out(4 * ((text.size() + 2) / 3) + 1);
    const int cb = EVP_EncodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                   static_cast<int>(text.size()));
    return std::string(reinterpret_cast<const char*>(out.data()), static_cast<size_t>(cb));
}

bool SameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string Lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string TrimEnd(std::string text)
{
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// Splits "Scheme rest" at the first space; the scheme in lower case.
std::string Scheme(const std::string& authorization, std::string* pRest)
{
    const size_t space = authorization.find(' ');
    if (space == std::string::npos) return {};
    const size_t start = authorization.find_first_not_of(' ', space);
    *pRest = start == std::string::npos ? std::string() : authorization.substr(start);
    return Lower(authorization.substr(0, space));
}

// name=value, name="quoted value", ... as a Digest answer carries them.
std::map<std::string, std::string> DigestFields(const std::string& text)
{
    std::map<std::string, std::string> fields;
    size_t pos = 0;
    while (pos < text.size()) {
        pos = text.find_first_not_of(" ,", pos);
        const size_t equals = text.find('=', pos);
        if (pos == std::string::npos || equals == std::string::npos) break;
        const std::string name = Lower(TrimEnd(text.substr(pos, equals - pos)));
        pos = equals + 1;
        std::string value;
        if (pos < text.size() && text[pos] == '"') {
            const size_t close = text.find('"', pos + 1);
            if (close == std::string::npos) break;
            value = text.substr(pos + 1, close - pos - 1);
            pos = close + 1;
        } else {
            const size_t comma = text.find(',', pos);
            value = TrimEnd(text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos));
            pos = comma == std::string::npos ? text.size() : comma;
        }
        fields[name] = value;
    }
    return fields;
}

// The eight hex digits of nc.
bool NonceCount(const std::string& text, uint64_t* pCount)
{
    if (text.size() != 8 || !std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }))
        return false;
    *pCount = std::strtoull(text.c_str(), nullptr, 16);
    return true;
}

}  // namespace

CHttpAuth::CHttpAuth(const CCameraOptions& options)
    : m_User(options.user),
      m_Password(options.password),
      m_Scheme(options.auth),
      m_Algorithms(options.digestAlgorithms),
      m_ulStaleAfter(options.staleNonceAfter)
{
}

const char* CHttpAuth::Name(AuthResult result)
{
    static const char* const names[] = {"ok", "missing", "refused", "stale"};
    return names[static_cast<int>(result)];
}

std::vector<std::string> CHttpAuth::Challenges(bool bStale)
{
    if (m_Scheme == HttpAuth::Basic) return {std::string("Basic realm=\"") + kRealm + "\""};
    const std::string nonce = NewNonce();
    std::vector<std::string> challenges;
    for (const DigestHash hash : m_Algorithms)
        challenges.push_back(std::string("Digest realm=\"") + kRealm + "\", qop=\"auth\", algorithm=" +
                             AlgorithmName(hash) + ", nonce=\"" + nonce + "\"" + (bStale ? ", stale=true" : ""));
    return challenges;
}

std::string CHttpAuth::NewNonce()
{
    unsigned char bytes[16] = {};
    RAND_bytes(bytes, sizeof(bytes));
    const std::string nonce = Hex(bytes, sizeof(bytes));
    std::lock_guard<std::mutex> lock(m_Lock);
    if (m_NonceOrder.size() == kMaxNonces) {
        m_Nonces.erase(m_NonceOrder.front());
        m_NonceOrder.pop_front();
    }
    m_Nonces[nonce] = NonceUse();
    m_NonceOrder.push_back(nonce);
    return nonce;
}

AuthResult CHttpAuth::Check(const std::string& method, const std::string& target, const std::string& authorization)
{
    if (m_User.empty()) return AuthResult::Ok;
    if (authorization.empty()) return AuthResult::Missing;
    std::string rest;
    const std::string scheme = Scheme(authorization, &rest);
    if (m_Scheme == HttpAuth::Basic) return scheme == "basic" && CheckBasic(rest) ? AuthResult::Ok : AuthResult::Refused;
    return scheme == "digest" ? CheckDigest(method, target, rest) : AuthResult::Refused;
}

bool CHttpAuth::CheckBasic(const std::string& credentials) const
{
    return SameText(credentials, Base64(m_User + ":" + m_Password));
}

// Right credentials with a nonce that is not (or no longer) ours: stale.
AuthResult CHttpAuth::CheckDigest(const std::string& method, const std::string& target, const std::string& text)
{
    std::map<std::string, std::string> f = DigestFields(text);
    const std::string algorithm = f.count("algorithm") ? Lower(f["algorithm"]) : "md5";
    const auto offered = std::find_if(m_Algorithms.begin(), m_Algorithms.end(),
                                      [&](DigestHash hash) { return Lower(AlgorithmName(hash)) == algorithm; });
    uint64_t count = 0;
    if (offered == m_Algorithms.end() || f["username"] != m_User || f["realm"] != kRealm || f["uri"] != target ||
        f["qop"] != "auth" || !NonceCount(f["nc"], &count) || f["cnonce"].empty())
        return AuthResult::Refused;
    const DigestHash hash = *offered;
    const std::string ha1 = HashHex(hash, m_User + ":" + kRealm + ":" + m_Password);
    const std::string ha2 = HashHex(hash, method + ":" + target);
    const std::string expected =
        HashHex(hash, ha1 + ":" + f["nonce"] + ":" + f["nc"] + ":" + f["cnonce"] + ":auth:" + ha2);
    if (!SameText(Lower(f["response"]), expected)) return AuthResult::Refused;
    return UseNonce(f["nonce"], count);
}

AuthResult CHttpAuth::UseNonce(const std::string& nonce, uint64_t count)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    const auto found = m_Nonces.find(nonce);
    if (found == m_Nonces.end() || (m_ulStaleAfter && found->second.admitted >= m_ulStaleAfter))
        return AuthResult::Stale;
    if (count <= found->second.lastCount) return AuthResult::Refused;  // a replay
    found->second.admitted++;
    found->second.lastCount = count;
    return AuthResult::Ok;
}
