#include "camera/CNetCmd.h"

#include "core/ByteOrder.h"
#include "core/Trace.h"


namespace {
constexpr uint16_t kStartCommand = 0x7001;
constexpr uint16_t kStopCommand = 0x7002;
constexpr uint16_t kContinueCommand = 0x7003;

// Joined without a bound: its waits all end at the stop event, and the stop
// request it sends on the way out must go.
const CWorkerThread::Policy kThreadPolicy = {INFINITE, 1, THREAD_PRIORITY_ABOVE_NORMAL};

const CWorkerThread::Lines kThreadLines = {
    .eventCreateError = {1, L"CNetCmd: event create error(%d)"},
    .threadCreateError = {1, L"CNetCmd: m_hContThread create error(%d)"},
    .priorityError = {1, L"SetThreadPriority failed.", L"CNetCmd::InitContThread"},
    .stopEventError = {1, L"CNetCmd: SetEvent error(%d)"},
    .signalled = {0, L"CNetCmd::StopContThread: EVENT_STOP to m_hContThread set."},
    .returned = {{0, L"CNetCmd::StopContThread: m_hThread retrun event received."}},
};
}  // namespace

CNetCmd::CNetCmd(SOCKET hSocket, const sockaddr_in& destination)
    : m_hSocket(hSocket), m_Destination(destination), m_ContThread(kThreadPolicy, kThreadLines)
{
}

// Never leaves the thread running behind the object.
CNetCmd::~CNetCmd() { StopContThread(); }

void CNetCmd::SetIntervals(DWORD dwFirstMs, DWORD dwIntervalMs)
{
    m_dwFirstMs = dwFirstMs;
    m_dwIntervalMs = dwIntervalMs;
}

int32_t CNetCmd::SendReq(const uint8_t* pBuffer, int32_t nLength)
{
    g_Trace(0, L"CNetCmd::SendReq: length = %d.", nLength);
    WSABUF buffer = {static_cast<ULONG>(nLength), reinterpret_cast<char*>(const_cast<uint8_t*>(pBuffer))};
    DWORD dwSent = 0;
    if (WSASendTo(m_hSocket, &buffer, 1, &dwSent, 0, reinterpret_cast<const sockaddr*>(&m_Destination),
                  sizeof(m_Destination), nullptr, nullptr) == SOCKET_ERROR) {
        g_ErrorLog(1, L"CNetCmd::SendReq", L"WSASendTo error: %x", WSAGetLastError());
        return -1;
    }
    return 0;
}

int32_t CNetCmd::SendStartReq(bool bAdmin)
{
    const uint16_t usAdmin = bAdmin ? 1 : 0;
    return SendCommand(kStartCommand, &usAdmin, L"SendStartReq");
}

int32_t CNetCmd::SendContReq() { return SendCommand(kContinueCommand, nullptr, L"SendContReq"); }

int32_t CNetCmd::SendStopReq() { return SendCommand(kStopCommand, nullptr, L"SendStopReq"); }

// A request is its length, its command and, for the start request, the argument,
// each a big-endian 16-bit field.
int32_t CNetCmd::SendCommand(uint16_t usCommand, const uint16_t* pusArgument, const wchar_t* pszName)
{
    uint8_t request[6];
    const uint16_t usLength = pusArgument ? 6 : 4;
    WriteBE16(request, usLength);
    WriteBE16(request + 2, usCommand);
    if (pusArgument) WriteBE16(request + 4, *pusArgument);
    const int32_t result = SendReq(request, usLength);
    if (result >= 0) g_Trace(0, L"%s ok.", pszName);
    else g_Trace(1, L"%s: Send error: %d", pszName, result);
    return result;
}

HRESULT CNetCmd::InitContThread() { return m_ContThread.Start(ThreadProc, this); }

int32_t CNetCmd::StopContThread()
{
    m_ContThread.Stop();
    return 0;
}

unsigned CNetCmd::ThreadProc(void* pParam)
{
    static_cast<CNetCmd*>(pParam)->RenewUntilStopped();
    return 0;
}

// The first continue request goes out even when a stop comes within the first
// second; the wait for it still ends at the stop, so stopping never lags.
void CNetCmd::RenewUntilStopped()
{
    g_Trace(0, L"CNetCmd::m_hContThread start.");
    const HANDLE hStop = m_ContThread.StopEvent();
    const bool bStopped = WaitForSingleObject(hStop, m_dwFirstMs) == WAIT_OBJECT_0;
    SendContReq();
    if (!bStopped) {
        while (WaitForSingleObject(hStop, m_dwIntervalMs) == WAIT_TIMEOUT) {
            g_Trace(0, L"i will send contreq at this timing");
            SendContReq();
        }
    }
    g_Trace(0, L"CNetCmd::ThreadProc(): EVENT_STOP received.");
    SendStopReq();
}
