#include "camera/CNetReceiver.h"

#include "camera/CNetCmd.h"
#include "camera/SystemResult.h"
#include "core/ByteOrder.h"
#include "core/CBufferPool.h"
#include "core/CCamParm.h"
#include "core/ICamParmOwner.h"
#include "core/Trace.h"

#include <vfwmsgs.h>
#include <ws2tcpip.h>

#include <new>
#include <vector>

static_assert(sizeof(WSAOVERLAPPED) <= CPoolBuffer::kIoBlockBytes, "a receive block holds its OVERLAPPED");

namespace {
constexpr DWORD kTickMs = 5;
constexpr DWORD kDrainMs = 1000;
constexpr DWORD kMulticastSocketFlags = WSA_FLAG_OVERLAPPED | WSA_FLAG_MULTIPOINT_C_LEAF | WSA_FLAG_MULTIPOINT_D_LEAF;
constexpr unsigned kExitStopped = 0;
constexpr unsigned kExitStreamError = 100;

const CWorkerThread::Policy kThreadPolicy = {3000, 2, THREAD_PRIORITY_NORMAL};

const CWorkerThread::Lines kThreadLines = {
    .eventCreateError = {1, L"CNetReceiver: event create error(%d)"},
    .threadCreateError = {1, L"CNetReceiver: m_hThread create error(%d)"},
    .stopEventError = {0, L"CNetReceiver::Stop: SetEvent error(%d)"},
    .signalled = {0, L"CNetReceiver::Stop: EVENT_STOP to m_hThread set."},
    .returned = {{0, L"CNetReceiver::Stop: m_hThread retrun event received."},
                 {0, L"CNetReceiver::Stop: m_hThread return event received(2)"}},
    .timedOut = {{1, L"CNetReceiver::Stop() wait timeout 1."},
                 {1, L"m_hThread cannot stop!!!!!", L"CNetReceiver::Stop()"}},
    .signalledAgain = {0, L"CNetReceiver::Stop: EVENT_STOP to m_hThread set(2)."},
};

HRESULT WinsockResult(int error) { return SystemResult(static_cast<DWORD>(error)); }
}  // namespace

CNetReceiver::CNetReceiver(CBufferPool* pPool, ICamParmOwner* pOwner, CCamParm* pCamParm, CMpegBuffer* pMpegBuffer,
                           HRESULT* phr)
    : m_pBufferPool(pPool), m_pOwner(pOwner), m_pCamParm(pCamParm), m_pMpegBuffer(pMpegBuffer),
      m_Writer(pCamParm, pMpegBuffer, pOwner), m_Thread(kThreadPolicy, kThreadLines)
{
    WSADATA data;
    m_bWinsockStarted = WSAStartup(MAKEWORD(2, 0), &data) == 0;
    if (!m_bWinsockStarted) {
        *phr = E_FAIL;
        return;
    }
    m_hPoolEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_hFirstPacketEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_hAbortStart = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!m_hPoolEvent || !m_hFirstPacketEvent || !m_hAbortStart) {
        *phr = LastErrorResult();
        return;
    }
    m_pPoolEvent.reset(new (std::nothrow) CPoolEvent(m_hPoolEvent));
    if (!m_pPoolEvent) *phr = E_OUTOFMEMORY;
}

// A receiver destroyed while receiving stops first: no thread outlives it.
CNetReceiver::~CNetReceiver()
{
    if (m_Thread.Handle() || m_hAsyncSocket != INVALID_SOCKET) Stop();
    m_pNetCmd.reset();
    if (m_hPoolEvent) CloseHandle(m_hPoolEvent);
    if (m_hFirstPacketEvent) CloseHandle(m_hFirstPacketEvent);
    if (m_hAbortStart) CloseHandle(m_hAbortStart);
    if (m_bWinsockStarted) WSACleanup();
}

HRESULT CNetReceiver::Start(const FilterSettings& settings)
{
    return TransportOf(settings.usComType) == COMTYPE_MULTICAST ? ActivateMulticast(settings.network)
                                                                 : ActivateUnicast(settings.network);
}

bool CNetReceiver::IsActive()
{
    CAutoLock lock(&m_Lock);
    return m_bActive;
}

HRESULT CNetReceiver::ActivateUnicast(const NetworkSettings& settings) { return Activate(settings, false); }

HRESULT CNetReceiver::ActivateMulticast(const NetworkSettings& settings) { return Activate(settings, true); }

HRESULT CNetReceiver::Activate(const NetworkSettings& settings, bool bMulticast)
{
    HRESULT hr;
    ResetEvent(m_hAbortStart);
    {
        CAutoLock lock(&m_Lock);
        m_bActive = true;
        m_nPending = 0;
        hr = bMulticast ? JoinMulticast_(settings.ulMCAddress, settings.usMulticastPort, settings.ulAddress)
                        : InitUnicast(settings.ulAddress);
        if (SUCCEEDED(hr)) {
            g_Trace(0, bMulticast ? L"CNetworkReceiver::ActivateMulticast: JoinMulticast_ ok." : L"InitUnicast ok.");
            m_bReceiving = true;
            hr = m_Thread.Start(ThreadProc, this, CancelThread);
            if (FAILED(hr)) {
                m_bReceiving = false;
                LeaveMulticast_();
            }
        }
        if (SUCCEEDED(hr) && !bMulticast) {
            g_Trace(0, settings.bIsAdmin ? L"admin = 1" : L"admin = 0 ");
            NetCmdSetup(settings.ulAddress, settings.usPort, settings.bIsAdmin != 0);
        }
        if (SUCCEEDED(hr)) ResetEvent(m_hFirstPacketEvent);
        m_bFirstPacketSignalled = 0;
    }
    if (FAILED(hr)) return hr;
    g_Trace(0, L"WaitUDPRecv start.");
    hr = WaitUDPRecv(settings.dwTimeOut);
    if (hr == VFW_E_TIMEOUT) m_pCamParm->SetStatus(kStatusNoFirstPacket, true);
    return hr;
}

HRESULT CNetReceiver::WaitUDPRecv(DWORD dwTimeOut)
{
    const HANDLE events[2] = {m_hFirstPacketEvent, m_hAbortStart};
    switch (WaitForMultipleObjects(2, events, FALSE, dwTimeOut)) {
    case WAIT_OBJECT_0:
        g_Trace(0, L"CNetReceiver::WaitUDPRecv: Recv First packet.");
        return S_OK;
    case WAIT_OBJECT_0 + 1:
        g_Trace(1, L"CNetReceiver::WaitUDPRecv aborted.");
        return E_ABORT;
    case WAIT_TIMEOUT:
        g_Trace(1, L"CNetReceiver::WaitUDPRecv time out.");
        return VFW_E_TIMEOUT;
    default:
        g_Trace(0, L"CNetReceiver::WaitUDPRecv unknown event received.");
        return VFW_E_TIMEOUT;
    }
}

HRESULT CNetReceiver::CreateSocket(DWORD dwFlags, const wchar_t* pszSource, const wchar_t* pszSocketError)
{
    m_hAsyncSocket = WSASocketW(AF_INET, SOCK_DGRAM, 0, nullptr, 0, dwFlags);
    if (m_hAsyncSocket == INVALID_SOCKET) {
        const int error = WSAGetLastError();
        g_ErrorLog(1, pszSource, pszSocketError);
        return WinsockResult(error);
    }
    const BOOL bReuse = TRUE;
    if (setsockopt(m_hAsyncSocket, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&bReuse), sizeof(bReuse))) {
        const int error = WSAGetLastError();
        g_ErrorLog(1, pszSource, L"setsockopt(SO_REUSEADDR) error.");
        LeaveMulticast_();
        return WinsockResult(error);
    }
    return S_OK;
}

// Left unbound: the start request gives the socket its port, and the camera
// streams back to it. Receives are posted only after that send.
HRESULT CNetReceiver::InitUnicast(uint32_t ulCameraAddress)
{
    CAutoLock lock(&m_Lock);
    g_Trace(0, L"initunicast ip = %08x", ulCameraAddress);
    const HRESULT hr = CreateSocket(WSA_FLAG_OVERLAPPED, L"CNetReciever::InitUnicast", L"WSASocket failure.");
    if (SUCCEEDED(hr)) g_Trace(0, L"CNetReceiver::InitUnicast ok.");
    return hr;
}

HRESULT CNetReceiver::JoinMulticast_(uint32_t ulGroup, uint16_t usPort, uint32_t ulCameraAddress)
{
    CAutoLock lock(&m_Lock);
    const uint32_t ulNic = GetNICfromIP(ulCameraAddress);
    if (!ulNic) {
        g_Trace(1, L"GetNICfromIP failed. Wrong IP address??");
        LeaveMulticast_();
        return E_FAIL;
    }
    HRESULT hr = CreateSocket(kMulticastSocketFlags, L"CNetReceiver::JoinMulticast_", L"WSASocket failed.");
    if (FAILED(hr)) return hr;
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = usPort;
    ip_mreq membership = {};
    membership.imr_multiaddr.s_addr = ulGroup;
    membership.imr_interface.s_addr = ulNic;
    const wchar_t* pszFailure = nullptr;
    if (bind(m_hAsyncSocket, reinterpret_cast<const sockaddr*>(&local), sizeof(local)))
        pszFailure = L"bind error.";
    else if (setsockopt(m_hAsyncSocket, IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&membership),
                        sizeof(membership)))
        pszFailure = L"setsockopt(IP_ADD_MEMBERSHIP) error.";
    if (pszFailure) {
        const int error = WSAGetLastError();
        g_ErrorLog(1, L"CNetReceiver::JoinMulticast_", pszFailure);
        LeaveMulticast_();
        return WinsockResult(error);
    }
    g_Trace(0, L"CNetReceiver::JoinMulticast_: ok.");
    return S_OK;
}

uint32_t CNetReceiver::GetNICfromIP(uint32_t ulAddress)
{
    SOCKET scratch = WSASocketW(AF_INET, SOCK_DGRAM, 0, nullptr, 0, 0);
    std::vector<INTERFACE_INFO> list;
    DWORD cbReturned = 0;
    bool bListed = false;
    for (size_t entries = 3; entries <= 32 && !bListed; entries++) {
        list.resize(entries);
        bListed = WSAIoctl(scratch, SIO_GET_INTERFACE_LIST, nullptr, 0, list.data(),
                           static_cast<DWORD>(entries * sizeof(INTERFACE_INFO)), &cbReturned, nullptr, nullptr) == 0;
    }
    if (!bListed) g_Trace(0, L"GetNic error: %d", WSAGetLastError());
    closesocket(scratch);
    const size_t count = bListed ? cbReturned / sizeof(INTERFACE_INFO) : 0;
    for (size_t i = 0; i < count; i++) {
        const uint32_t nic = list[i].iiAddress.AddressIn.sin_addr.s_addr;
        const uint32_t mask = list[i].iiNetmask.AddressIn.sin_addr.s_addr;
        g_Trace(0, L"check NIC No.%d.", static_cast<int32_t>(i));
        g_Trace(0, L"NIC IPAddress = 0x%08x", nic);
        g_Trace(0, L"NIC NetMask   = 0x%08x", mask);
        g_Trace(0, L"source: 0x%08x", mask & ulAddress);
        g_Trace(0, L"dest  : 0x%08x", mask & nic);
        if ((mask & ulAddress) == (mask & nic)) {
            g_Trace(0, L"Multicast NIC Address = 0x%08x", nic);
            if (nic) return nic;
            break;
        }
    }
    g_Trace(1, L"GetNICfromIP: no NIC found.");
    return 0;
}

int32_t CNetReceiver::NetCmdSetup(uint32_t ulCameraAddress, uint16_t usCommandPort, bool bAdmin)
{
    g_Trace(0, L"usport = 0x%04x", usCommandPort);
    sockaddr_in destination = {};
    destination.sin_family = AF_INET;
    destination.sin_port = usCommandPort;
    destination.sin_addr.s_addr = ulCameraAddress;
    m_pNetCmd.reset(new (std::nothrow) CNetCmd(m_hAsyncSocket, destination));
    if (!m_pNetCmd) return -1;
    if (m_pNetCmd->SendStartReq(bAdmin) != 0) {
        g_ErrorLog(0, L"SendStartReq fail.", L"fail");
        return -1;
    }
    g_Trace(0, L"SendStartReq done.");
    m_pNetCmd->InitContThread();
    return 0;
}

void CNetReceiver::LeaveMulticast_()
{
    CAutoLock lock(&m_Lock);
    if (m_hAsyncSocket != INVALID_SOCKET) {
        if (closesocket(m_hAsyncSocket))
            g_ErrorLog(1, L"CNetReceiver::LeaveMulticast_()", L"close socket error = %u", WSAGetLastError());
        m_hAsyncSocket = INVALID_SOCKET;
        g_Trace(0, L"Close the socket.");
    }
    m_pBufferPool->RecyclePendBuffers();
}

uint16_t CNetReceiver::LocalPort()
{
    CAutoLock lock(&m_Lock);
    sockaddr_in local = {};
    int length = sizeof(local);
    if (m_hAsyncSocket == INVALID_SOCKET ||
        getsockname(m_hAsyncSocket, reinterpret_cast<sockaddr*>(&local), &length))
        return 0;
    return NetToHost16(local.sin_port);
}

unsigned CNetReceiver::ThreadProc(void* pParam) { return static_cast<CNetReceiver*>(pParam)->ReceiveLoop(); }

// A thread that did not end in time: its socket goes, and with it every posted receive.
void CNetReceiver::CancelThread(void* pParam) { static_cast<CNetReceiver*>(pParam)->LeaveMulticast_(); }

// Every completion runs here, in the alertable wait. A stream error ends the loop
// from inside a completion by clearing m_bReceiving.
unsigned CNetReceiver::ReceiveLoop()
{
    g_Trace(0, L"CNetReceiver: m_hThread create.");
    const HANDLE events[2] = {m_Thread.StopEvent(), m_hPoolEvent};
    while (m_bReceiving) {
        // With every read posted, completions wake the wait; a tick only brings back
        // reads that found the pool empty. Idle ticks cost server round trips under Wine.
        const DWORD dwTick = m_nPending < kMaxPending ? kTickMs : INFINITE;
        const DWORD wait = WaitForMultipleObjectsEx(2, events, FALSE, dwTick, TRUE);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_FAILED) {
            m_bReceiving = false;
            CancelPendingReads();
            g_Trace(0, L"CNetReceiver::ThreadProc(): EVENT_STOP received.");
            return kExitStopped;
        }
        if (wait == WAIT_OBJECT_0 + 1) ResetEvent(m_hPoolEvent);
        if (wait == WAIT_TIMEOUT || wait == WAIT_OBJECT_0 + 1) PendReads_(false);
    }
    CancelPendingReads();
    return kExitStreamError;
}

// Posted receives end here, on this thread, before it leaves: no block is written
// after the thread is gone, and each goes back to the pool.
void CNetReceiver::CancelPendingReads()
{
    {
        CAutoLock lock(&m_Lock);
        if (m_hAsyncSocket != INVALID_SOCKET) CancelIoEx(reinterpret_cast<HANDLE>(m_hAsyncSocket), nullptr);
    }
    const ULONGLONG deadline = GetTickCount64() + kDrainMs;
    while (m_nPending > 0 && GetTickCount64() < deadline) SleepEx(static_cast<DWORD>(deadline - GetTickCount64()), TRUE);
}

void CNetReceiver::PendReads_(bool bWait)
{
    CAutoLock lock(&m_Lock);
    if (!m_bReceiving || m_hAsyncSocket == INVALID_SOCKET) return;
    while (m_nPending < kMaxPending) {
        CPoolBuffer* pBlock = m_pBufferPool->GetBuffer(m_pPoolEvent.get(), bWait ? kTickMs : 0);
        if (!pBlock) {
            g_Trace(0, L"PendReads_: did not get a buffer.");
            return;
        }
        WSAOVERLAPPED* pOverlapped = static_cast<WSAOVERLAPPED*>(pBlock->IoBlock());
        *pOverlapped = {};
        pOverlapped->hEvent = reinterpret_cast<HANDLE>(pBlock);  // free for our use with a completion routine
        pBlock->m_pOwner = this;
        WSABUF buffer = {pBlock->Capacity(), reinterpret_cast<char*>(pBlock->Data())};
        DWORD dwFlags = 0;
        if (WSARecv(m_hAsyncSocket, &buffer, 1, nullptr, &dwFlags, pOverlapped, CompletionRoutine) == SOCKET_ERROR &&
            WSAGetLastError() != WSA_IO_PENDING) {
            const DWORD error = WSAGetLastError();
            pBlock->Release();
            g_ErrorLog(1, L"CNetReceiver::PendReads_", L"WSARecv Error:%lu", static_cast<unsigned long>(error));
            return;
        }
        m_nPending++;
    }
}

void CALLBACK CNetReceiver::CompletionRoutine(DWORD dwError, DWORD cbTransferred, LPWSAOVERLAPPED pOverlapped, DWORD)
{
    CPoolBuffer* pBlock = reinterpret_cast<CPoolBuffer*>(pOverlapped->hEvent);
    static_cast<CNetReceiver*>(pBlock->m_pOwner)->OnCompletion(pBlock, dwError, cbTransferred);
}

// Any error drops the datagram: a cut one (message too long) or a cancelled receive.
void CNetReceiver::OnCompletion(CPoolBuffer* pBlock, DWORD dwError, DWORD cbTransferred)
{
    if (!m_bFirstPacketSignalled && dwError == 0) {
        m_bFirstPacketSignalled = 1;
        g_Trace(0, L"event throw");
        SetEvent(m_hFirstPacketEvent);
    }
    pBlock->SetUsedLength(dwError == 0 ? cbTransferred : 0);
    CountDatagram(dwError, cbTransferred);
    m_nPending--;
    PendReads_(false);
    if (dwError == 0 && m_bReceiving) DataWrite(pBlock);
    pBlock->Release();
}

// A datagram longer than a block arrives cut, and is dropped; a cancelled receive brought none.
void CNetReceiver::CountDatagram(DWORD dwError, DWORD cbTransferred)
{
    if (dwError != 0 && dwError != WSAEMSGSIZE) return;
    CLinkCounters& counters = m_pCamParm->Counters();
    counters.NoteReceived(cbTransferred);
    if (dwError == WSAEMSGSIZE) counters.NoteShortOrDropped();
}

void CNetReceiver::DataWrite(CPoolBuffer* pBlock)
{
    bool bStop = false;
    const int32_t result = m_Writer.DataWrite(pBlock->Data(), pBlock->UsedLength(), &bStop);
    if (!bStop) return;
    const uint16_t cause = result == CDatagramWriter::kMulticastStop ? kStatusStreamEnded
                           : result == CDatagramWriter::kMacChanged  ? kStatusMacChanged
                                                                     : kStatusBufferOverflow;
    if (m_pOwner->Reconnect(cause)) {
        g_Trace(1, L"UDP stream ended (0x%04x); the link reconnects.", cause);
    } else {
        g_Trace(2, L"UDP error occurred( or Multicast Stop )! Source Filter will stop.");
        m_pOwner->StopStream(true);
    }
    g_Trace(0, L"CNetReceiver: StopInternal called.");
    if (m_pNetCmd) m_pNetCmd->StopContThread();
    m_bReceiving = false;
}

// The command channel's thread sends the stop request from the stream socket, so
// the socket closes only after it.
void CNetReceiver::Stop()
{
    g_Trace(0, L"CNetReceiver::Stop() called");
    m_Thread.RequestStop();
    if (m_pNetCmd) m_pNetCmd->StopContThread();
    m_Thread.Join();
    LeaveMulticast_();
    m_pNetCmd.reset();
    m_pCamParm->ResetCounters();
    CAutoLock lock(&m_Lock);
    m_bActive = false;
}
