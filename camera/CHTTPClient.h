#pragma once
// The HTTP transport: the WinINet session (its own, or one the host made), the
// credential check, the live start request whose body the receiving thread reads
// record by record into the ring buffer and the recording parser, and the live stop
// request. Each start opens what it needs; the stop closes it again. A Digest
// challenge that WinINet leaves standing is answered here (CWinInetDigest), and its
// nonce goes with the requests after it.
//
// Threads: the filter's pausing thread runs Start (StartSession, DataReceiveStart);
// the receiving thread alone reads the data request once it runs; the filter's
// stopping thread runs Stop (StopSession) and the destructor, and may call
// AbortStart while a reconnection's start runs on the reconnector's thread.
//
// Locking: none of its own; the filter's lock serialises Start and Stop. The data request
// is closed once, by whichever takes it first: the receiving thread at its end, or
// StopSession to cancel a read that the stop event did not end in time.

#include "camera/CWinInetDigest.h"
#include "camera/ITransport.h"
#include "baseclasses/CWorkerThread.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <memory>

class CCamParm;
class CHttpRecordReader;
class CMpegBuffer;
class CWinInetByteSource;
class ICamParmOwner;

class CHTTPClient : public ITransport {
public:
    // Below the stop's bound: where closing the request does not end a blocked read
    // (Wine), this time-out still does. A camera silent this long has failed anyway.
    static constexpr DWORD kReceiveTimeOutMs = 5000;
    static constexpr DWORD kStartCheckMs = 1000;
    // A camera that cannot be reached fails the start in this time, not in the
    // system's connect time-out of tens of seconds that a stop would wait out.
    static constexpr DWORD kConnectTimeOutMs = 5000;
    static constexpr uint32_t kDrainLimit = 10240;

    CHTTPClient(CCamParm* pCamParm, ICamParmOwner* pOwner, CMpegBuffer* pRing, HRESULT* phr);
    ~CHTTPClient();
    CHTTPClient(const CHTTPClient&) = delete;
    CHTTPClient& operator=(const CHTTPClient&) = delete;

    HRESULT Start(const FilterSettings& settings) override;
    void Stop() override;
    bool IsActive() override { return m_bActive; }
    // From another thread: a start under way gives up at its next step, and does not
    // wait out its check of the receiving thread. A blocked WinINet call still ends
    // only at its time-out.
    void AbortStart() { SetEvent(m_hAbortStart); }

    int32_t StartSession();
    int32_t DataReceiveStart();
    int32_t StopSession();

private:
    HRESULT Open(const NetworkSettings& settings);
    HRESULT OpenInternet();
    void Close();
    int32_t InitialConnect();
    HINTERNET OpenRequest(const wchar_t* pszPath);
    bool SendRequest(HINTERNET hRequest);
    DWORD RetryWithRelaxedChecks(HINTERNET hRequest, const wchar_t* pszQueryError, const wchar_t* pszSetError);
    void AddSecurityFlags(HINTERNET hRequest, DWORD dwAdded, const wchar_t* pszQueryError,
                          const wchar_t* pszSetError);
    void ReportInternetError(DWORD dwError);
    DWORD GetStatusCode(HINTERNET hRequest);
    DWORD StatusAnswering(HINTERNET hRequest, const wchar_t* pszPath);
    int32_t GetLengthAndRead(HINTERNET hRequest);
    int32_t FailDataReceiveStart(int32_t result);
    bool IsStartAborted() const { return WaitForSingleObject(m_hAbortStart, 0) == WAIT_OBJECT_0; }
    static unsigned ThreadProc(void* pParam);
    static void CancelRecvThread(void* pParam);
    int32_t ReceiveLoop(bool* pbAbort);
    uint16_t BrokenLinkCause();
    int32_t SendLiveStop();
    void CloseDataRequest();
    void CloseSession();

    CMpegBuffer* const m_pRing;
    std::atomic<bool> m_bActive{false};
    uint32_t m_ulAddress = 0;
    uint16_t m_usPort = 0;
    WCHAR m_szUserName[17] = {};
    WCHAR m_szPassword[17] = {};
    bool m_bHostSession = false;
    bool m_bUseSSL = false;
    HINTERNET m_hInternet = nullptr;
    HINTERNET m_hSession = nullptr;
    std::atomic<HINTERNET> m_hDataRequest{nullptr};
    CCamParm* const m_pCamParm;
    ICamParmOwner* const m_pOwner;
    CWorkerThread m_RecvThread;
    HANDLE m_hAbortStart = nullptr;
    CWinInetDigest m_Digest;
    std::unique_ptr<CWinInetByteSource> m_pSource;
    std::unique_ptr<CHttpRecordReader> m_pReader;
};
