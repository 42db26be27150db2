#include "tools/camera/CRunControl.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

volatile sig_atomic_t g_bSignalled = 0;

void OnSignal(int) { g_bSignalled = 1; }

Clock::duration Seconds(double s)
{
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
}

}  // namespace

CRunControl::CRunControl(const CCameraOptions& options)
    : m_Start(Clock::now()),
      m_bBounded(options.duration >= 0),
      m_End(m_Start + Seconds(std::max(options.duration, 0.0))),
      m_bWatchStdin(options.endOnStdinEof)
{
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    sigprocmask(SIG_BLOCK, &blocked, &m_WaitMask);
    sigdelset(&m_WaitMask, SIGINT);
    sigdelset(&m_WaitMask, SIGTERM);
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

double CRunControl::Elapsed(Clock::time_point now) const
{
    return std::chrono::duration<double>(now - m_Start).count();
}

const char* CRunControl::Wait(std::vector<pollfd>* pFds, Clock::time_point until)
{
    if (m_bBounded) until = std::min(until, m_End);
    const size_t socketCount = pFds->size();
    if (m_bWatchStdin) pFds->push_back({STDIN_FILENO, POLLIN, 0});
    const auto wait = std::max(until - Clock::now(), Clock::duration::zero());
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
    const timespec timeout = {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
    const int ready = ppoll(pFds->data(), pFds->size(), &timeout, &m_WaitMask);
    if (ready > 0 && m_bWatchStdin) ReadStdin(pFds->back());
    pFds->resize(socketCount);
    if (ready < 0 && errno != EINTR) return "error";
    if (g_bSignalled) return "signal";
    if (m_bStdinEnded) return "stdin-eof";
    if (m_bBounded && Clock::now() >= m_End) return "duration";
    return nullptr;
}

void CRunControl::ReadStdin(const pollfd& fd)
{
    if (!(fd.revents & (POLLIN | POLLHUP | POLLERR))) return;
    char buffer[256];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof(buffer));
    if (n <= 0) {
        m_bStdinEnded = true;
        m_bWatchStdin = false;
    }
}
