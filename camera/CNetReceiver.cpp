#include "camera/CNetReceiver.h"

#include "camera/CNetCmd.h"
#include "core/ByteOrder.h"
#include "core/Trace.h"

#include <new>

namespace {
HRESULT WinsockResult(int error) { return static_cast<HRESULT>(0x80070000 | (error & 0xFFFF)); }
}  // namespace

CNetReceiver::CNetReceiver(HRESULT* phr)
{
    WSADATA data;
    m_bWinsockStarted = WSAStartup(MAKEWORD(2, 0), &data) == 0;
    if (!m_bWinsockStarted) *phr = E_FAIL;
}

// The command channel goes first: its stop request still needs the socket.
CNetReceiver::~CNetReceiver()
{
    StopNetCmd();
    LeaveMulticast_();
    if (m_bWinsockStarted) WSACleanup();
}

int32_t CNetReceiver::SetComType(uint16_t usComType)
{
    CAutoLock lock(&m_Lock);
    if (m_bActive) return -1;
    m_usComType = usComType;
    return 0;
}

uint16_t CNetReceiver::GetComType()
{
    CAutoLock lock(&m_Lock);
    return m_usComType;
}

bool CNetReceiver::IsActive()
{
    CAutoLock lock(&m_Lock);
    return m_bActive;
}

// Left unbound: the start request gives the socket its port, and the camera
// streams back to it. Receives are posted only after that send.
HRESULT CNetReceiver::InitUnicast(uint32_t ulCameraAddress)
{
    CAutoLock lock(&m_Lock);
    g_Trace(0, L"initunicast ip = %08x", ulCameraAddress);
    m_hAsyncSocket = WSASocketW(AF_INET, SOCK_DGRAM, 0, nullptr, 0, WSA_FLAG_OVERLAPPED);
    if (m_hAsyncSocket == INVALID_SOCKET) {
        const int error = WSAGetLastError();
        g_ErrorLog(1, L"CNetReciever::InitUnicast", L"WSASocket failure.");
        return WinsockResult(error);
    }
    const BOOL bReuse = TRUE;
    if (setsockopt(m_hAsyncSocket, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&bReuse), sizeof(bReuse))) {
        const int error = WSAGetLastError();
        g_ErrorLog(1, L"CNetReceiver::InitUnicast", L"setsockopt(SO_REUSEADDR) error.");
        LeaveMulticast_();
        return WinsockResult(error);
    }
    g_Trace(0, L"CNetReceiver::InitUnicast ok.");
    return 0;
}

int32_t CNetReceiver::NetCmdSetup(uint32_t ulCameraAddress, uint16_t usCommandPort, bool bAdmin)
{
    g_Trace(0, L"usport = 0x%04x", usCommandPort);
    sockaddr_in destination = {};
    destination.sin_family = AF_INET;
    destination.sin_port = usCommandPort;
    destination.sin_addr.s_addr = ulCameraAddress;
    HRESULT hr = S_OK;
    m_pNetCmd.reset(new (std::nothrow) CNetCmd(m_hAsyncSocket, destination, &hr));
    if (!m_pNetCmd) return -1;
    if (FAILED(hr)) {
        g_ErrorLog(1, L"CNetReceiver::NetCmdSetup", L"CNetCmd constructor error Code: 0x%x", static_cast<uint32_t>(hr));
    }
    if (m_pNetCmd->SendStartReq(bAdmin) != 0) {
        g_ErrorLog(0, L"SendStartReq fail.", L"fail");
        return -1;
    }
    g_Trace(0, L"SendStartReq done.");
    m_pNetCmd->InitContThread();
    return 0;
}

void CNetReceiver::StopNetCmd()
{
    if (m_pNetCmd) m_pNetCmd->StopContThread();
}

void CNetReceiver::LeaveMulticast_()
{
    CAutoLock lock(&m_Lock);
    if (m_hAsyncSocket == INVALID_SOCKET) return;
    if (closesocket(m_hAsyncSocket))
        g_ErrorLog(1, L"CNetReceiver::LeaveMulticast_()", L"close socket error = %u", WSAGetLastError());
    m_hAsyncSocket = INVALID_SOCKET;
    g_Trace(0, L"Close the socket.");
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
