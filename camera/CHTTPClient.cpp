#include "camera/CHTTPClient.h"

#include "camera/CWinInetByteSource.h"
#include "camera/SystemResult.h"
#include "core/CCamParm.h"
#include "core/CHttpRecordReader.h"
#include "core/ICamParmOwner.h"
#include "core/StreamInfoBlock.h"
#include "core/Trace.h"

#include <process.h>
#include <winsock2.h>

#include <algorithm>
#include <cwchar>
#include <vector>

namespace {
constexpr DWORD kPlainFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION;
constexpr DWORD kSecureFlags = kPlainFlags | INTERNET_FLAG_SECURE | INTERNET_FLAG_IGNORE_CERT_DATE_INVALID |
                               INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
constexpr DWORD kIgnoreUnknownCA = SECURITY_FLAG_IGNORE_UNKNOWN_CA;
constexpr DWORD kIgnoreCAAndRevocation = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_REVOCATION;
constexpr DWORD kThreadTickMs = 5;
constexpr DWORD kHttpOk = 200;
constexpr DWORD kHttpUnauthorized = 401;
const wchar_t* const kLangPath = L"/cgi-bin/lang.cgi";
const wchar_t* const kLiveStartPath = L"/liveimg.cgi?stream=1";
const wchar_t* const kLiveStopPath = L"/liveimg.cgi?stream=0";

const CWorkerThread::Policy kThreadPolicy = {10000, 1, THREAD_PRIORITY_ABOVE_NORMAL};

const CWorkerThread::Lines kThreadLines = {
    .eventCreateError = {1, L"CHTTPClient: event create error(%d)"},
    .threadCreateError = {1, L"CHTTPClient: m_hRecvThread create error(%d)"},
    .priorityError = {1, L"SetThreadPriority failed.", L"CHTTPClietn::InitRecvThread"},
    .stopEventError = {1, L"CHTTPClient::StopSession: SetEvent error(%d)"},
    .signalled = {0, L"CHTTPClient::StopSession: EVENT_STOP to m_hRecvThread set."},
    .returned = {{0, L"m_hRecvThread event received."}},
    .timedOut = {{2, L"CHTTPClient::StopSession: No response from m_hRecvThread!!!!!"}},
};

// A name of at most 16 characters, terminated even when the setting fills all 16.
void CopySetting(WCHAR (&dest)[17], const WCHAR (&src)[16])
{
    std::wmemcpy(dest, src, 16);
    dest[16] = L'\0';
}

void DottedAddress(uint32_t ulNetworkOrder, wchar_t* psz, size_t cch)
{
    const auto* p = reinterpret_cast<const uint8_t*>(&ulNetworkOrder);
    std::swprintf(psz, cch, L"%u.%u.%u.%u", p[0], p[1], p[2], p[3]);
}

const wchar_t* NullIfEmpty(const WCHAR* psz) { return psz[0] ? psz : nullptr; }

DWORD SendOnce(HINTERNET hRequest) { return HttpSendRequestW(hRequest, nullptr, 0, nullptr, 0) ? 0 : GetLastError(); }
}  // namespace

CHTTPClient::CHTTPClient(CCamParm* pCamParm, ICamParmOwner* pOwner, CMpegBuffer* pRing, HRESULT* phr)
    : m_pRing(pRing), m_pCamParm(pCamParm), m_pOwner(pOwner), m_RecvThread(kThreadPolicy, kThreadLines)
{
    m_hAbortStart = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!m_RecvThread.StopEvent() || !m_hAbortStart) {
        *phr = LastErrorResult();
        return;
    }
    m_pSource.reset(new (std::nothrow) CWinInetByteSource(&m_hDataRequest, m_RecvThread.StopEvent()));
    if (!m_pSource) *phr = E_OUTOFMEMORY;
}

CHTTPClient::~CHTTPClient()
{
    Stop();
    if (m_hAbortStart) CloseHandle(m_hAbortStart);
}

HRESULT CHTTPClient::Start(const FilterSettings& settings)
{
    m_bActive = true;
    ResetEvent(m_hAbortStart);
    g_Trace(0, L"CHTTPClient Start.");
    const HRESULT hr = Open(settings.network);
    if (FAILED(hr)) {
        g_Trace(1, L"CHTTPClient create error.");
        Stop();
        return hr;
    }
    if (StartSession() < 0 || IsStartAborted() || DataReceiveStart() < 0) {
        Stop();
        return E_FAIL;
    }
    g_Trace(0, L"DataReceiveStart ok.");
    return S_OK;
}

// The settings of this session, the host's own session if it gave one, the record
// reader, and our internet handle otherwise.
HRESULT CHTTPClient::Open(const NetworkSettings& settings)
{
    m_ulAddress = settings.ulAddress;
    m_usPort = settings.usTCPPort;
    m_bUseSSL = settings.bUseSSL != 0;
    CopySetting(m_szUserName, settings.szUserName);
    CopySetting(m_szPassword, settings.szPassword);
    m_Digest.SetCredentials(m_szUserName, m_szPassword);
    m_bHostSession = settings.hSession != 0;
    if (m_bHostSession) {
        m_hSession = reinterpret_cast<HINTERNET>(static_cast<uintptr_t>(settings.hSession));
        g_Trace(0, L"HTTPClient: m_hSession = %p", m_hSession);
    }
    int32_t result = 0;
    m_pReader.reset(new (std::nothrow)
                        CHttpRecordReader(m_pSource.get(), m_pCamParm, m_pOwner, m_pRing, m_bHostSession, &result));
    if (!m_pReader) return E_OUTOFMEMORY;
    if (result < 0) return result;
    return m_bHostSession ? S_OK : OpenInternet();
}

HRESULT CHTTPClient::OpenInternet()
{
    m_hInternet = InternetOpenW(L"VELMAR VCS Filter", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (m_hInternet) return S_OK;
    g_Trace(1, L"InternetOpen error.");
    return LastErrorResult();
}

// The live stop request goes while the session is still open.
void CHTTPClient::Stop()
{
    if (!m_bActive) return;
    StopSession();
    Close();
    m_bActive = false;
}

void CHTTPClient::Close()
{
    if (m_hInternet) {
        if (InternetSetOptionW(m_hInternet, INTERNET_OPTION_END_BROWSER_SESSION, nullptr, 0))
            g_Trace(0, L"EndBrowserSession set ok.");
        else
            g_Trace(1, L"InternetSetOption( EndBrowserSession ) set error: %d", GetLastError());
    }
    CloseDataRequest();
    if (!m_bHostSession) CloseSession();
    m_hSession = nullptr;  // the host's own stays open: it is the host's
    if (m_hInternet) InternetCloseHandle(m_hInternet);
    m_hInternet = nullptr;
    m_pReader.reset();
    m_Digest.Clear();
}

int32_t CHTTPClient::StartSession()
{
    if (m_bHostSession) return 0;
    if (!m_hInternet) return -1;
    wchar_t szAddress[16];
    DottedAddress(m_ulAddress, szAddress, 16);
    g_Trace(0, L"[http] %s", szAddress);
    m_hSession = InternetConnectW(m_hInternet, szAddress, ntohs(m_usPort), NullIfEmpty(m_szUserName),
                                  NullIfEmpty(m_szPassword), INTERNET_SERVICE_HTTP, 0, 0);
    if (!m_hSession) {
        g_Trace(1, L"StartSession: InternetConnect failed: %d", GetLastError());
        return -1;
    }
    g_Trace(0, L"StartSession: InternetConnect ok.");
    const int32_t result = InitialConnect();
    if (result < 0) {
        g_Trace(1, L"StartSession: InitialConnect failed: %d", result);
        CloseSession();
    }
    return result;
}

int32_t CHTTPClient::InitialConnect()
{
    HINTERNET hRequest = OpenRequest(kLangPath);
    if (!hRequest) return -4;
    g_Trace(0, L"InitialConnect: lang.cgi OpenRequest(%s) ok.", m_bUseSSL ? L"HTTPS" : L"HTTP");
    if (!SendRequest(hRequest)) {
        InternetCloseHandle(hRequest);
        return -5;
    }
    g_Trace(0, L"InitialConnect: lang.cgi SendRequest ok.");
    const DWORD dwStatus = StatusAnswering(hRequest, kLangPath);
    if (dwStatus == kHttpUnauthorized) {
        g_Trace(1, L"401 User Name and/or Password may be incorrect.");
        InternetCloseHandle(hRequest);
        m_pCamParm->SetStatus(kStatusUnauthorized, true);
        return -6;
    }
    if (dwStatus != kHttpOk) {
        g_Trace(1, L"HttpSendRequest(lang,auth) error: %d", dwStatus);
        InternetCloseHandle(hRequest);
        return -7;
    }
    g_Trace(0, L"Authorization ok.");
    const int32_t result = GetLengthAndRead(hRequest);
    InternetCloseHandle(hRequest);
    return result < 0 ? -8 : 0;
}

HINTERNET CHTTPClient::OpenRequest(const wchar_t* pszPath)
{
    HINTERNET hRequest = HttpOpenRequestW(m_hSession, L"GET", pszPath, m_bUseSSL ? L"HTTP/1.0" : nullptr, nullptr,
                                          nullptr, m_bUseSSL ? kSecureFlags : kPlainFlags, 0);
    if (!hRequest) {
        ReportInternetError(GetLastError());
        return nullptr;
    }
    g_Trace(0, L"VCHttpOpenRequest ok.");
    DWORD dwTimeOut = kReceiveTimeOutMs;
    InternetSetOptionW(hRequest, INTERNET_OPTION_RECEIVE_TIMEOUT, &dwTimeOut, sizeof(dwTimeOut));
    dwTimeOut = kConnectTimeOutMs;
    InternetSetOptionW(hRequest, INTERNET_OPTION_CONNECT_TIMEOUT, &dwTimeOut, sizeof(dwTimeOut));
    m_Digest.Begin(hRequest, pszPath);
    return hRequest;
}

bool CHTTPClient::SendRequest(HINTERNET hRequest)
{
    AddSecurityFlags(hRequest, kIgnoreUnknownCA, L"VCHttpSendRequest: InternetQueryOption error: %d",
                     L"VCHttpSendRequest: InternetSetOption error: %d");
    DWORD dwError = SendOnce(hRequest);
    if (dwError == 0) {
        g_Trace(0, L"VCHttpSendRequest ok.");
        return true;
    }
    g_Trace(1, L"VCHttpSendRequest error: %d", dwError);
    bool bRevocationRecovered = false;
    if (m_bUseSSL && dwError == ERROR_INTERNET_SEC_CERT_REV_FAILED) {
        dwError = RetryWithRelaxedChecks(hRequest, L"VCHttpSendRequest: InternetQueryOption( CERT_REV_FAILED ) error: %d",
                                         L"VCHttpSendRequest: InternetSetOption error( CERT_REV_FAILED ) error: %d");
        bRevocationRecovered = dwError == 0;
        if (dwError) g_Trace(1, L"VCHttpSendRequest( CERT_REV_FAILED ) error again: %d", dwError);
    }
    if (m_bUseSSL && dwError == ERROR_INTERNET_INVALID_CA) {
        dwError = RetryWithRelaxedChecks(hRequest, L"VCHttpSendRequest: InternetQueryOption error: %d",
                                         L"VCHttpSendRequest: InternetSetOption error: %d");
        if (dwError == 0) {
            g_Trace(0, L"VCHttpSendRequest retry ok.");
            return true;
        }
        g_Trace(1, L"VCHttpSendRequest error again: %d", dwError);
        ReportInternetError(dwError);
        return false;
    }
    if (bRevocationRecovered) {
        g_Trace(0, L"VCHttpSendRequest Revocation error recover ok.");
        return true;
    }
    ReportInternetError(dwError);
    return false;
}

DWORD CHTTPClient::RetryWithRelaxedChecks(HINTERNET hRequest, const wchar_t* pszQueryError, const wchar_t* pszSetError)
{
    AddSecurityFlags(hRequest, kIgnoreCAAndRevocation, pszQueryError, pszSetError);
    return SendOnce(hRequest);
}

void CHTTPClient::AddSecurityFlags(HINTERNET hRequest, DWORD dwAdded, const wchar_t* pszQueryError,
                                   const wchar_t* pszSetError)
{
    DWORD dwFlags = 0, cb = sizeof(dwFlags);
    if (!InternetQueryOptionW(hRequest, INTERNET_OPTION_SECURITY_FLAGS, &dwFlags, &cb)) {
        g_Trace(1, pszQueryError, GetLastError());
        return;
    }
    dwFlags |= dwAdded;
    if (!InternetSetOptionW(hRequest, INTERNET_OPTION_SECURITY_FLAGS, &dwFlags, sizeof(dwFlags)))
        g_Trace(1, pszSetError, GetLastError());
}

void CHTTPClient::ReportInternetError(DWORD dwError)
{
    uint16_t usStatus = kStatusOtherFailure;
    switch (dwError) {
    case ERROR_INTERNET_CANNOT_CONNECT:
        g_Trace(1, L"12029: The attempt to connect to the server failed.");
        usStatus = kStatusConnectFailed;
        break;
    case ERROR_INTERNET_TIMEOUT:
        g_Trace(1, L"12002: The request has timed out.");
        usStatus = kStatusNoFirstPacket;
        break;
    case ERROR_INVALID_HANDLE:
        g_Trace(0, L"ハンドルが無効です。");
        break;
    case ERROR_INTERNET_INVALID_CA:
        g_Trace(0, L"12045: Certificate authorityが無効です。");
        break;
    default:
        g_Trace(0, L"Unknown Error code: %d", dwError);
        break;
    }
    m_pCamParm->SetStatus(usStatus, true);
}

DWORD CHTTPClient::GetStatusCode(HINTERNET hRequest)
{
    DWORD dwStatus = 0, cb = sizeof(dwStatus);
    if (!HttpQueryInfoW(hRequest, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &dwStatus, &cb, nullptr)) {
        g_Trace(1, L"HttpQueryInfo( STATUS_CODE ) error: %d", GetLastError());
        return 0;
    }
    g_Trace(0, L"Status:%d", dwStatus);
    return dwStatus;
}

// The status after the Digest challenges that WinINet left standing were answered
// and the request sent again (0 when a resend failed).
DWORD CHTTPClient::StatusAnswering(HINTERNET hRequest, const wchar_t* pszPath)
{
    DWORD dwStatus = GetStatusCode(hRequest);
    while (dwStatus == kHttpUnauthorized && m_Digest.Answer(hRequest, pszPath)) {
        GetLengthAndRead(hRequest);  // the 401's page, so that the connection can carry the resend
        if (!SendRequest(hRequest)) return 0;
        dwStatus = GetStatusCode(hRequest);
    }
    return dwStatus;
}

// The small answer of the credential check is read and dropped; a large one is refused.
int32_t CHTTPClient::GetLengthAndRead(HINTERNET hRequest)
{
    std::vector<uint8_t> piece;
    uint32_t total = 0;
    for (;;) {
        DWORD dwAvailable = 0;
        if (!InternetQueryDataAvailable(hRequest, &dwAvailable, 0, 0)) {
            g_Trace(1, L"GetLengthAndRead: InternetQueryDataAvailable failed: %d", GetLastError());
            return -1;
        }
        if (dwAvailable == 0) return 0;
        const DWORD dwWanted = std::min<DWORD>(dwAvailable, kDrainLimit + 1);
        piece.resize(dwWanted);
        DWORD dwRead = 0;
        if (!InternetReadFile(hRequest, piece.data(), dwWanted, &dwRead)) {
            g_Trace(1, L"InternetReadFile failed: %d", GetLastError());
            return -2;
        }
        g_Trace(0, L"ReadSize = %d", dwRead);
        total += dwRead;
        if (dwRead < dwWanted) {
            g_Trace(1, L"GetLengthAndRead: AvailableSize = %d, but actual read %d bytes!!!", dwWanted, dwRead);
            return -3;
        }
        if (total > kDrainLimit) {
            g_Trace(1, L"CHTTPClient::GetLengthAndRead: Read over limit size!!!!");
            return -4;
        }
    }
}

int32_t CHTTPClient::DataReceiveStart()
{
    g_Trace(0, L"DataReceiveStart");
    HINTERNET hRequest = OpenRequest(kLiveStartPath);
    if (!hRequest) return FailDataReceiveStart(-8);
    if (!SendRequest(hRequest)) {
        InternetCloseHandle(hRequest);
        return FailDataReceiveStart(-9);
    }
    g_Trace(0, L"DataReceiveStart: Data SendRequest ok.");
    // A refused live request answers with a page, not with records.
    const DWORD dwStatus = StatusAnswering(hRequest, kLiveStartPath);
    if (dwStatus != kHttpOk) {
        g_Trace(1, L"DataReceiveStart: live request answered %d.", dwStatus);
        if (dwStatus == kHttpUnauthorized) m_pCamParm->SetStatus(kStatusUnauthorized, true);
        InternetCloseHandle(hRequest);
        return FailDataReceiveStart(-9);
    }
    m_hDataRequest = hRequest;
    if (FAILED(m_RecvThread.Start(ThreadProc, this, CancelRecvThread))) {
        g_Trace(1, L"DataReceiveStart: InitRecvThread failed.");
        CloseDataRequest();
        return FailDataReceiveStart(-10);
    }
    const HANDLE waits[2] = {m_RecvThread.Handle(), m_hAbortStart};
    const DWORD dwWait = WaitForMultipleObjects(2, waits, FALSE, kStartCheckMs);
    if (dwWait == WAIT_TIMEOUT) return 0;
    if (dwWait == WAIT_OBJECT_0 + 1) return FailDataReceiveStart(-12);
    g_Trace(1, L"DataReceiveStart: m_hRecvThread dead.");
    return FailDataReceiveStart(-11);
}

int32_t CHTTPClient::FailDataReceiveStart(int32_t result)
{
    if (!m_bHostSession) CloseSession();
    return result;
}

unsigned CHTTPClient::ThreadProc(void* pParam)
{
    auto* pClient = static_cast<CHTTPClient*>(pParam);
    g_Trace(0, L"HTTP Thread create.");
    bool bAbort = false;
    const int32_t result = pClient->ReceiveLoop(&bAbort);
    g_Trace(0, L"HTTP Thread end.");
    pClient->CloseDataRequest();
    // A stop that was asked for is the asker's to finish; only a broken body ends the stream here.
    if (bAbort && !pClient->m_pOwner->Reconnect(pClient->BrokenLinkCause())) pClient->m_pOwner->StopStream(true);
    return static_cast<unsigned>(result);
}

// A body that ended with a status ended for it; one that just ended was ended by the camera.
uint16_t CHTTPClient::BrokenLinkCause()
{
    const uint16_t usStatus = m_pCamParm->GetStatus();
    return usStatus == kStatusOk || usStatus == kStatusNothingYet ? uint16_t{kStatusStreamEnded} : usStatus;
}

// A thread that did not end in time is blocked in a read: closing the request ends it.
void CHTTPClient::CancelRecvThread(void* pParam) { static_cast<CHTTPClient*>(pParam)->CloseDataRequest(); }

int32_t CHTTPClient::ReceiveLoop(bool* pbAbort)
{
    for (;;) {
        const DWORD dwWait = WaitForSingleObjectEx(m_RecvThread.StopEvent(), kThreadTickMs, TRUE);
        if (dwWait == WAIT_OBJECT_0) break;
        if (dwWait != WAIT_TIMEOUT) continue;
        const int32_t result = m_pReader->ReadRecord();
        if (result >= 0) continue;
        // A read that the stop cut short is the stop, not a failing stream.
        if (m_RecvThread.IsStopSet()) break;
        g_Trace(0, L"ReadHttp error.");
        *pbAbort = true;
        return result;
    }
    g_Trace(0, L"CHTTPClient::ThreadProc(): EVENT_STOP received.");
    return 0;
}

int32_t CHTTPClient::StopSession()
{
    if (!m_RecvThread.Handle()) g_Trace(0, L"m_hRecvThread isn't been created yet.");
    const bool bJoined = m_RecvThread.Stop();
    int32_t result = 0;
    if (m_hSession && bJoined)
        result = SendLiveStop();
    else
        g_Trace(0, L"m_hSession = null or Thread error");
    return bJoined ? result : -5;
}

int32_t CHTTPClient::SendLiveStop()
{
    HINTERNET hRequest = OpenRequest(kLiveStopPath);
    if (!hRequest) return -1;
    const bool bSent = SendRequest(hRequest);
    // Its answer is not read, but a stale nonce must be answered for the stop to count.
    if (bSent && m_Digest.HasNonce()) StatusAnswering(hRequest, kLiveStopPath);
    InternetCloseHandle(hRequest);
    if (!bSent) return -2;
    g_Trace(0, L"StopSession: Live Stop Request send ok.");
    return 0;
}

void CHTTPClient::CloseDataRequest()
{
    if (HINTERNET hRequest = m_hDataRequest.exchange(nullptr)) InternetCloseHandle(hRequest);
}

void CHTTPClient::CloseSession()
{
    if (m_hSession) InternetCloseHandle(m_hSession);
    m_hSession = nullptr;
}
