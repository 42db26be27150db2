#include "camera/CWinInetDigest.h"

#include "core/Trace.h"

#include <cwchar>

namespace {

using Step = CDigestAuthorization::Step;

std::string Utf8(const wchar_t* psz, size_t cch)
{
    if (cch == 0) return {};
    const int cb = WideCharToMultiByte(CP_UTF8, 0, psz, static_cast<int>(cch), nullptr, 0, nullptr, nullptr);
    if (cb <= 0) return {};
    std::string text(static_cast<size_t>(cb), '\0');
    WideCharToMultiByte(CP_UTF8, 0, psz, static_cast<int>(cch), text.data(), cb, nullptr, nullptr);
    return text;
}

std::wstring Wide(const std::string& text)
{
    if (text.empty()) return {};
    const int cch = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (cch <= 0) return {};
    std::wstring wide(static_cast<size_t>(cch), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), cch);
    return wide;
}

void Wipe(std::string* pText)
{
    SecureZeroMemory(pText->data(), pText->size());
    pText->clear();
}

const wchar_t* AlgorithmName(const DigestChallenge& challenge)
{
    static const wchar_t* const names[] = {L"MD5", L"MD5-sess", L"SHA-256", L"SHA-256-sess"};
    return names[(challenge.algorithm == DigestAlgorithm::Sha256 ? 2 : 0) + (challenge.bSession ? 1 : 0)];
}

}  // namespace

void CWinInetDigest::SetCredentials(const WCHAR* pszUser, const WCHAR* pszPassword)
{
    Clear();
    m_User = Utf8(pszUser, std::wcslen(pszUser));
    m_Password = Utf8(pszPassword, std::wcslen(pszPassword));
}

void CWinInetDigest::Clear()
{
    Wipe(&m_User);
    Wipe(&m_Password);
    m_Digest.Reset();
}

void CWinInetDigest::Begin(HINTERNET hRequest, const wchar_t* pszPath)
{
    m_Digest.BeginRequest();
    if (m_Digest.HasNonce() && !AddAuthorization(hRequest, pszPath))
        g_Trace(1, L"Digest: Authorization could not be added: %d", GetLastError());
}

bool CWinInetDigest::Answer(HINTERNET hRequest, const wchar_t* pszPath)
{
    if (m_User.empty()) return false;
    std::vector<DigestChallenge> challenges;
    if (!ReadChallenges(hRequest, &challenges)) return false;
    if (!challenges.empty() && !FirstUsableDigestChallenge(challenges))
        g_Trace(1, L"Digest: no challenge with an algorithm and qop that can be answered.");
    const Step step = m_Digest.TakeChallenge(challenges);
    const bool bAnswer = step == Step::Answer || step == Step::AnswerStale;
    return Answered(step, bAnswer && AddAuthorization(hRequest, pszPath));
}

bool CWinInetDigest::Answered(Step step, bool bAdded)
{
    if (step == Step::NoChallenge) return false;
    if (step == Step::Refused) {
        g_Trace(1, L"Digest: the answer was refused.");
        return false;
    }
    if (!bAdded) {
        g_Trace(1, L"Digest: the answer could not be made.");
        return false;
    }
    const wchar_t* pszLine = step == Step::AnswerStale ? L"Digest: stale nonce, answered again (%s)."
                                                       : L"Digest: challenge answered (%s).";
    g_Trace(0, pszLine, AlgorithmName(m_Digest.Challenge()));
    return true;
}

// Every WWW-Authenticate header of the response, each bounded.
bool CWinInetDigest::ReadChallenges(HINTERNET hRequest, std::vector<DigestChallenge>* pChallenges)
{
    for (DWORD dwIndex = 0; dwIndex < kMaxHeaders; dwIndex++) {
        std::wstring value;
        bool bMore = true;
        if (!ReadHeader(hRequest, dwIndex, &value, &bMore)) return false;
        if (!bMore) break;
        ParseDigestChallenges(Utf8(value.data(), value.size()), pChallenges);
    }
    return true;
}

// False when the query failed; *pbMore false when there is no header of that index.
// A header longer than any challenge is taken as empty.
bool CWinInetDigest::ReadHeader(HINTERNET hRequest, DWORD dwIndex, std::wstring* pValue, bool* pbMore)
{
    constexpr DWORD kCapacity = kMaxDigestHeader + 1;
    std::wstring buffer(kCapacity, L'\0');
    DWORD cb = kCapacity * sizeof(wchar_t);
    DWORD dwNext = dwIndex;
    if (HttpQueryInfoW(hRequest, HTTP_QUERY_WWW_AUTHENTICATE, buffer.data(), &cb, &dwNext)) {
        *pValue = buffer.substr(0, wcsnlen(buffer.data(), kCapacity));
        return true;
    }
    const DWORD dwError = GetLastError();
    if (dwError == ERROR_HTTP_HEADER_NOT_FOUND) *pbMore = false;
    if (dwError == ERROR_HTTP_HEADER_NOT_FOUND || dwError == ERROR_INSUFFICIENT_BUFFER) return true;
    g_Trace(1, L"HttpQueryInfo( WWW_AUTHENTICATE ) error: %d", dwError);
    return false;
}

bool CWinInetDigest::AddAuthorization(HINTERNET hRequest, const wchar_t* pszPath)
{
    std::string value;
    if (!m_Digest.Authorization("GET", Utf8(pszPath, std::wcslen(pszPath)), m_User, m_Password, &value)) return false;
    const std::wstring header = L"Authorization: " + Wide(value) + L"\r\n";
    return HttpAddRequestHeadersW(hRequest, header.c_str(), static_cast<DWORD>(header.size()),
                                  HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE) != FALSE;
}
