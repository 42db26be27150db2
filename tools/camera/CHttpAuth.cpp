#include "tools/camera/CHttpAuth.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cctype>
#include <map>
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

std::string Md5Hex(const std::string& text)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int cb = 0;
    EVP_Digest(text.data(), text.size(), digest, &cb, EVP_md5(), nullptr);
    return Hex(digest, cb);
}

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

}  // namespace

CHttpAuth::CHttpAuth(const CCameraOptions& options)
    : m_User(options.user), m_Password(options.password), m_Scheme(options.auth)
{
    unsigned char nonce[16] = {};
    RAND_bytes(nonce, sizeof(nonce));
    m_Nonce = Hex(nonce, sizeof(nonce));
}

const char* CHttpAuth::Name(AuthResult result)
{
    return result == AuthResult::Ok ? "ok" : result == AuthResult::Missing ? "missing" : "refused";
}

std::string CHttpAuth::Challenge() const
{
    if (m_Scheme == HttpAuth::Basic) return std::string("Basic realm=\"") + kRealm + "\"";
    return std::string("Digest realm=\"") + kRealm + "\", qop=\"auth\", algorithm=MD5, nonce=\"" + m_Nonce + "\"";
}

AuthResult CHttpAuth::Check(const std::string& method, const std::string& target,
                            const std::string& authorization) const
{
    if (m_User.empty()) return AuthResult::Ok;
    if (authorization.empty()) return AuthResult::Missing;
    std::string rest;
    const std::string scheme = Scheme(authorization, &rest);
    const bool ok = m_Scheme == HttpAuth::Basic ? scheme == "basic" && CheckBasic(rest)
                                                : scheme == "digest" && CheckDigest(method, target, rest);
    return ok ? AuthResult::Ok : AuthResult::Refused;
}

bool CHttpAuth::CheckBasic(const std::string& credentials) const
{
    return SameText(credentials, Base64(m_User + ":" + m_Password));
}

bool CHttpAuth::CheckDigest(const std::string& method, const std::string& target, const std::string& text) const
{
    std::map<std::string, std::string> f = DigestFields(text);
    const bool bMd5 = f.count("algorithm") == 0 || Lower(f["algorithm"]) == "md5";
    if (!bMd5 || f["username"] != m_User || f["realm"] != kRealm || f["nonce"] != m_Nonce || f["uri"] != target ||
        f["qop"] != "auth" || f["nc"].empty() || f["cnonce"].empty())
        return false;
    const std::string ha1 = Md5Hex(m_User + ":" + kRealm + ":" + m_Password);
    const std::string ha2 = Md5Hex(method + ":" + target);
    const std::string expected = Md5Hex(ha1 + ":" + m_Nonce + ":" + f["nc"] + ":" + f["cnonce"] + ":auth:" + ha2);
    return SameText(Lower(f["response"]), expected);
}
