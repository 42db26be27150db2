#pragma once
// Sends the stream: unit after unit of the looped source, cut into datagrams,
// faults applied, paced at the send rate; counts what went out, and what each
// session sent and lost to the faults.

#include "tools/camera/CCameraLog.h"
#include "tools/camera/CCameraOptions.h"
#include "tools/camera/CDatagramCutter.h"
#include "tools/camera/CFaultInjector.h"
#include "tools/camera/CPacer.h"
#include "tools/camera/CStreamParameters.h"
#include "tools/camera/CStreamSource.h"
#include "tools/camera/CUnitTimes.h"

#include <netinet/in.h>

#include <cstdint>
#include <deque>

class CStreamSender {
public:
    CStreamSender(const CCameraOptions& options, const CStreamSource& source, CCameraLog& log, bool bMulticast);

    const CStreamParameters& Parameters() const { return m_Parameters; }

    // A session opens at a unit: what was left of the last one is dropped.
    void Begin(Clock::time_point now)
    {
        m_Queue.clear();
        m_Pacer.Start(now);
        m_qwSessionDatagrams = 0;
        m_qwSessionUnits = 0;
        m_Session = {m_Faults.Lost(), 0, 0, true};
        m_bSilent = false;
        m_bSilenceOver = false;
        if (m_bOnce) m_NextUnit = 0;
    }
    // The session's line, once: when it has sent all it will, or when it ends.
    void EndSession();
    Clock::time_point NextDue() const { return m_bSilent ? m_SilentUntil : m_Pacer.Due(); }
    // Sends what is due by `now`, a bounded number at a time; false on a send error.
    bool SendDue(int socket, const sockaddr_in& to, Clock::time_point now, double elapsed);
    // One datagram outside the stream (a response or stop head).
    bool SendOne(int socket, const sockaddr_in& to, const uint8_t* p, size_t cb);
    void LogTotals();
    // False (with a message on standard error) when --unit-times cannot be written.
    bool Ready() const { return m_bReady; }

private:
    void QueueNextUnit(double elapsed);
    bool FallsSilent(Clock::time_point now);
    void BeSilent(Clock::time_point now);

    struct Queued {
        Datagram datagram;
        uint8_t faults;  // CFaultInjector's bits
    };
    struct SessionFaults {
        uint64_t lostBefore;  // the injector's count when the session began
        uint64_t wrongId;
        uint64_t truncated;
        bool bOpen;           // its line not yet logged
    };

    const CStreamSource& m_Source;
    CCameraLog& m_Log;
    const CStreamParameters m_Parameters;
    CDatagramCutter m_Cutter;
    CFaultInjector m_Faults;
    CPacer m_Pacer;
    CUnitTimes m_UnitTimes;
    uint8_t m_Mac[6];
    uint8_t m_LastMac[6];
    std::deque<Queued> m_Queue;
    size_t m_NextUnit = 0;
    uint64_t m_qwUnits = 0;
    uint64_t m_qwDatagrams = 0;
    uint64_t m_qwBytes = 0;
    const int64_t m_llSilentAfter;
    const double m_dSilentFor;
    Clock::time_point m_SilentUntil = Clock::time_point::max();
    bool m_bSilenceOver = false;  // --silent-for has passed: the session sends to its end
    const bool m_bOnce;
    uint64_t m_qwSessionDatagrams = 0;
    uint64_t m_qwSessionUnits = 0;
    SessionFaults m_Session = {};
    bool m_bSilent = false;
    bool m_bReady = true;
};
