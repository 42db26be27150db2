#pragma once
// HTTP Digest for the HTTP client where WinINet leaves it standing. Microsoft's
// WinINet answers a Digest challenge with the connection's credentials itself, and
// then no 401 reaches the client; Wine's does not, so the 401 comes back with the
// challenge. Here its WWW-Authenticate headers are read, the challenge answered
// with an Authorization header on the request for its resend, and the nonce kept
// for the requests after it. Basic is WinINet's alone: nothing here answers it.
//
// The password goes into the hash and nowhere else: no trace line carries it, nor
// the Authorization value.
//
// Threads: one at a time (the client's starting and stopping threads, which the
// filter's lock serialises).

#include "camera/CBCryptDigestCrypto.h"
#include "core/CDigestAuthorization.h"

#include <windows.h>
#include <wininet.h>

#include <string>
#include <vector>

class CWinInetDigest {
public:
    static constexpr DWORD kMaxHeaders = 16;

    CWinInetDigest() : m_Digest(&m_Crypto) {}
    ~CWinInetDigest() { Clear(); }
    CWinInetDigest(const CWinInetDigest&) = delete;
    CWinInetDigest& operator=(const CWinInetDigest&) = delete;

    // Without a user name nothing is answered.
    void SetCredentials(const WCHAR* pszUser, const WCHAR* pszPassword);
    // Forgets the credentials and the nonce.
    void Clear();
    bool HasNonce() const { return m_Digest.HasNonce(); }

    // A new request: with a nonce held, its Authorization goes with it.
    void Begin(HINTERNET hRequest, const wchar_t* pszPath);
    // After a 401: true when the challenge was answered and the request should go again.
    bool Answer(HINTERNET hRequest, const wchar_t* pszPath);

private:
    bool ReadChallenges(HINTERNET hRequest, std::vector<DigestChallenge>* pChallenges);
    bool ReadHeader(HINTERNET hRequest, DWORD dwIndex, std::wstring* pValue, bool* pbMore);
    bool AddAuthorization(HINTERNET hRequest, const wchar_t* pszPath);
    bool Answered(CDigestAuthorization::Step step, bool bAdded);

    CBCryptDigestCrypto m_Crypto;
    CDigestAuthorization m_Digest;
    std::string m_User;  // UTF-8, as the hash takes them
    std::string m_Password;
};
