#pragma once
// The bounds of one run that both sending modes share: --duration, the end of
// standard input with --end-on-stdin-eof, and SIGINT or SIGTERM. The camera loop
// waits in ppoll with the signals unblocked only there, so a signal always wakes it.

#include "tools/camera/CCameraOptions.h"
#include "tools/camera/CPacer.h"

#include <poll.h>
#include <signal.h>

#include <vector>

class CRunControl {
public:
    explicit CRunControl(const CCameraOptions& options);

    Clock::time_point Start() const { return m_Start; }
    double Elapsed(Clock::time_point now) const;

    // Waits until `until` or until one of `fds` (the socket first) is ready; the
    // run's own bounds are watched too. Returns the end reason, or nullptr.
    const char* Wait(std::vector<pollfd>* pFds, Clock::time_point until);

private:
    void ReadStdin(const pollfd& fd);

    const Clock::time_point m_Start;
    const bool m_bBounded;
    const Clock::time_point m_End;
    bool m_bWatchStdin;
    bool m_bStdinEnded = false;
    sigset_t m_WaitMask;
};
