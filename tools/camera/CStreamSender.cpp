#include "tools/camera/CStreamSender.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr int kMaxBurst = 64;  // datagrams per call, so requests are read in between

}  // namespace

CStreamSender::CStreamSender(const CCameraOptions& options, const CStreamSource& source, CCameraLog& log,
                             bool bMulticast)
    : m_Source(source),
      m_Log(log),
      m_Parameters(options, source.Facts()),
      m_Cutter(bMulticast, options.datagramSize),
      m_Faults(options),
      m_Pacer(m_Parameters.SendRate()),
      m_llSilentAfter(options.silentAfter),
      m_dSilentFor(options.silentFor),
      m_bOnce(options.bOnce)
{
    std::memcpy(m_Mac, options.mac, 6);
    std::memcpy(m_LastMac, options.mac, 6);
    if (!options.unitTimesFile.empty() && !m_UnitTimes.Open(options.unitTimesFile)) {
        std::fprintf(stderr, "vcsf-camera: cannot write %s: %s\n", options.unitTimesFile.c_str(), std::strerror(errno));
        m_bReady = false;
    }
}

bool CStreamSender::SendDue(int socket, const sockaddr_in& to, Clock::time_point now, double elapsed)
{
    for (int i = 0; i < kMaxBurst && m_Pacer.Due() <= now; i++) {
        if (FallsSilent(now)) return true;
        if (m_Queue.empty()) QueueNextUnit(elapsed);
        if (m_Queue.empty()) continue;  // every datagram of the unit was lost
        const Queued queued = std::move(m_Queue.front());
        const Datagram& datagram = queued.datagram;
        m_Queue.pop_front();
        if (!SendOne(socket, to, datagram.data(), datagram.size())) return false;
        m_qwSessionDatagrams++;
        if (queued.faults & CFaultInjector::kWrongId) m_Session.wrongId++;
        if (queued.faults & CFaultInjector::kTruncated) m_Session.truncated++;
        m_Pacer.Sent(datagram.size(), now);
        if (m_Queue.empty()) m_UnitTimes.Sent(Clock::now());
    }
    return true;
}

bool CStreamSender::SendOne(int socket, const sockaddr_in& to, const uint8_t* p, size_t cb)
{
    const ssize_t sent = sendto(socket, p, cb, 0, reinterpret_cast<const sockaddr*>(&to), sizeof(to));
    // A full socket buffer or a receiver gone away loses the datagram, as a network
    // would; anything else ends the run.
    if (sent < 0 && errno != ENOBUFS && errno != EAGAIN && errno != ECONNREFUSED) return false;
    m_qwDatagrams++;
    m_qwBytes += cb;
    return true;
}

bool CStreamSender::FallsSilent(Clock::time_point now)
{
    if (m_bSilent && now < m_SilentUntil) return true;
    if (m_bSilent) {
        m_bSilent = false;
        m_bSilenceOver = true;
        m_SilentUntil = Clock::time_point::max();
        m_Pacer.Start(now);  // on from here, not catching up on the silence
        m_Log.Line("sending again after %g s", m_dSilentFor);
        return false;
    }
    if (m_bOnce && m_Queue.empty() && m_qwSessionUnits == m_Source.UnitCount()) {
        BeSilent(now);
        m_Log.Line("silent after the input");
        EndSession();
        return true;
    }
    if (m_bSilenceOver || m_llSilentAfter < 0 || m_qwSessionDatagrams < static_cast<uint64_t>(m_llSilentAfter)) return false;
    BeSilent(now);
    m_Log.Line("silent after %lld datagrams", static_cast<long long>(m_llSilentAfter));
    return true;
}

void CStreamSender::BeSilent(Clock::time_point now)
{
    m_bSilent = true;
    if (m_dSilentFor >= 0)
        m_SilentUntil = now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(m_dSilentFor));
}

void CStreamSender::QueueNextUnit(double elapsed)
{
    uint8_t mac[6];
    m_Faults.MacAt(elapsed, m_Mac, mac);
    if (std::memcmp(mac, m_LastMac, 6) != 0) {
        std::memcpy(m_LastMac, mac, 6);
        m_Log.Line("mac changed to %02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    }
    const size_t index = m_NextUnit;
    m_NextUnit = (m_NextUnit + 1) % m_Source.UnitCount();
    const FirstStreamHead head = m_Parameters.FirstHead(mac, std::time(nullptr));
    std::vector<Datagram> datagrams = m_Cutter.Cut(head, m_Source.UnitData(index), m_Source.UnitSize(index));
    std::vector<uint8_t> faults;
    m_Faults.Apply(&datagrams, &faults);
    m_UnitTimes.Queued(m_Source.UnitSize(index));
    for (size_t i = 0; i < datagrams.size(); i++) m_Queue.push_back({std::move(datagrams[i]), faults[i]});
    m_qwUnits++;
    m_qwSessionUnits++;
}

void CStreamSender::EndSession()
{
    if (!m_Session.bOpen) return;
    m_Session.bOpen = false;
    m_Log.Line("session datagrams=%llu lost=%llu wrong-id=%llu truncated=%llu",
               static_cast<unsigned long long>(m_qwSessionDatagrams),
               static_cast<unsigned long long>(m_Faults.Lost() - m_Session.lostBefore),
               static_cast<unsigned long long>(m_Session.wrongId), static_cast<unsigned long long>(m_Session.truncated));
}

void CStreamSender::LogTotals()
{
    m_Log.Line("sent units=%llu datagrams=%llu bytes=%llu", static_cast<unsigned long long>(m_qwUnits),
               static_cast<unsigned long long>(m_qwDatagrams), static_cast<unsigned long long>(m_qwBytes));
}
