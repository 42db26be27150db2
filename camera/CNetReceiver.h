#pragma once
// The UDP transport: the socket (unicast, or joined to a multicast group), up to 50
// overlapped receives kept posted with buffers of the pool, the receiving thread on
// which every completion runs, and the command channel in unicast. Each datagram
// goes through the datagram checks into the ring buffer.
//
// Locking: m_Lock guards activation, the socket and the posting of receives; it is
// held through activation, so that no receive is posted before the start request
// has given the socket its port. Datagrams are handled on the receiving thread only.

#include "camera/ITransport.h"
#include "baseclasses/CWorkerThread.h"
#include "core/CDatagramWriter.h"
#include "core/CritSec.h"
#include "stream/CPoolEvent.h"

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

class CBufferPool;
class CCamParm;
class CMpegBuffer;
class CNetCmd;
class CPoolBuffer;
class ICamParmOwner;

class CNetReceiver : public ITransport {
public:
    static constexpr int32_t kMaxPending = 50;

    CNetReceiver(CBufferPool* pPool, ICamParmOwner* pOwner, CCamParm* pCamParm, CMpegBuffer* pMpegBuffer,
                 HRESULT* phr);
    ~CNetReceiver();
    CNetReceiver(const CNetReceiver&) = delete;
    CNetReceiver& operator=(const CNetReceiver&) = delete;

    // Unicast or multicast, by the communication type.
    HRESULT Start(const FilterSettings& settings) override;
    void Stop() override;
    bool IsActive() override;
    // The start's wait for the first packet ends at once, with E_ABORT; any thread.
    void AbortStart() { SetEvent(m_hAbortStart); }
    // Datagrams are being written; false again after a stop path (MAC change, stop head, overflow).
    bool IsReceiving() const { return m_bReceiving; }

    // 0, an HRESULT, or VFW_E_TIMEOUT when no packet came in time (reception goes on).
    HRESULT ActivateUnicast(const NetworkSettings& settings);
    HRESULT ActivateMulticast(const NetworkSettings& settings);

    // The stream socket's local port in host order; 0 before the first send gives it one.
    uint16_t LocalPort();
    // The local interface whose subnet holds the address (network order), or 0.
    static uint32_t GetNICfromIP(uint32_t ulAddress);

private:
    HRESULT InitUnicast(uint32_t ulCameraAddress);
    HRESULT JoinMulticast_(uint32_t ulGroup, uint16_t usPort, uint32_t ulCameraAddress);
    HRESULT CreateSocket(DWORD dwFlags, const wchar_t* pszSource, const wchar_t* pszSocketError);
    int32_t NetCmdSetup(uint32_t ulCameraAddress, uint16_t usCommandPort, bool bAdmin);
    void LeaveMulticast_();
    HRESULT Activate(const NetworkSettings& settings, bool bMulticast);
    // 0: the first packet came; else VFW_E_TIMEOUT or E_ABORT.
    HRESULT WaitUDPRecv(DWORD dwTimeOut);

    static unsigned ThreadProc(void* pParam);
    static void CancelThread(void* pParam);
    unsigned ReceiveLoop();
    void CancelPendingReads();
    void PendReads_(bool bWait);
    static void CALLBACK CompletionRoutine(DWORD dwError, DWORD cbTransferred, LPWSAOVERLAPPED pOverlapped,
                                           DWORD dwFlags);
    void OnCompletion(CPoolBuffer* pBlock, DWORD dwError, DWORD cbTransferred);
    void CountDatagram(DWORD dwError, DWORD cbTransferred);
    void DataWrite(CPoolBuffer* pBlock);

    CCritSec m_Lock;
    CBufferPool* const m_pBufferPool;
    ICamParmOwner* const m_pOwner;
    CCamParm* const m_pCamParm;
    CMpegBuffer* const m_pMpegBuffer;
    CDatagramWriter m_Writer;
    bool m_bWinsockStarted = false;
    HANDLE m_hPoolEvent = nullptr;  // set by the pool when a block comes free
    HANDLE m_hFirstPacketEvent = nullptr;
    HANDLE m_hAbortStart = nullptr;
    std::unique_ptr<CPoolEvent> m_pPoolEvent;
    CWorkerThread m_Thread;
    SOCKET m_hAsyncSocket = INVALID_SOCKET;
    std::atomic<int32_t> m_nPending{0};
    std::atomic<bool> m_bReceiving{false};  // receives may be posted
    bool m_bActive = false;
    uint8_t m_bFirstPacketSignalled = 0;
    std::unique_ptr<CNetCmd> m_pNetCmd;  // unicast only
};
