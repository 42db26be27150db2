#pragma once
// Heals a broken camera link while the graph runs: a receiver that loses its
// stream (a stall, a closed or failed HTTP body, a camera status that ends it, a
// multicast stop) hands the failure here instead of ending the stream, and this
// thread starts new sessions with backing-off waits until one carries data. Each
// attempt is traced and notified as status 0x9010; status 0 follows once data
// flow. Wrong credentials, a changed MAC address and a ring overflow are no link
// failures: those still end the stream.
//
// Locking: none of its own; the request is a flag and an event. Its thread takes
// no filter lock: it restarts the transport while the filter runs, and the
// filter's Stop joins it before the transport stops.

#include "baseclasses/CWorkerThread.h"
#include "core/CBackOff.h"

#include <atomic>
#include <cstdint>

class CCamParm;
class ILinkRestarter;

class CReconnector {
public:
    CReconnector(CCamParm* pCamParm, ILinkRestarter* pRestarter, HRESULT* phr);
    ~CReconnector();
    CReconnector(const CReconnector&) = delete;
    CReconnector& operator=(const CReconnector&) = delete;

    HRESULT Start();
    void Stop();
    // True when the failure is taken (or one is already being healed).
    bool Take(uint16_t cause);
    static bool IsTransient(uint16_t cause);

private:
    static unsigned ThreadProc(void* pParam);
    static void CancelStep(void* pParam);
    void Run();
    bool Heal(uint16_t cause);

    CCamParm* const m_pCamParm;
    ILinkRestarter* const m_pRestarter;
    CWorkerThread m_Thread;
    HANDLE m_hRequest = nullptr;
    std::atomic<bool> m_bAccepting{false};
    std::atomic<bool> m_bHealing{false};
    std::atomic<uint16_t> m_Cause{0};
    CBackOff m_BackOff;
    uint32_t m_nAttempts = 0;
};
