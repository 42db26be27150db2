#include "tools/camera/CMulticastCamera.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

CMulticastCamera::CMulticastCamera(const CCameraOptions& options, const CStreamSource& source, CCameraLog& log)
    : m_Options(options), m_Log(log), m_Control(options), m_Sender(options, source, log, true)
{
}

CMulticastCamera::~CMulticastCamera()
{
    if (m_hSocket >= 0) close(m_hSocket);
}

bool CMulticastCamera::OpenSocket()
{
    m_Group.sin_family = AF_INET;
    m_Group.sin_port = htons(m_Options.port);
    in_addr interfaceAddress = {};
    if (inet_pton(AF_INET, m_Options.group.c_str(), &m_Group.sin_addr) != 1 ||
        inet_pton(AF_INET, m_Options.interfaceAddress.c_str(), &interfaceAddress) != 1) {
        errno = EINVAL;
        return false;
    }
    m_hSocket = socket(AF_INET, SOCK_DGRAM, 0);
    const unsigned char ttl = static_cast<unsigned char>(m_Options.ttl);
    const unsigned char loop = 1;
    return m_hSocket >= 0 &&
           setsockopt(m_hSocket, IPPROTO_IP, IP_MULTICAST_IF, &interfaceAddress, sizeof(interfaceAddress)) == 0 &&
           setsockopt(m_hSocket, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof(ttl)) == 0 &&
           setsockopt(m_hSocket, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof(loop)) == 0;
}

int CMulticastCamera::Run()
{
    if (!m_Sender.Ready()) {
        m_Log.Line("end error");
        return 1;
    }
    if (!OpenSocket()) {
        std::fprintf(stderr, "vcsf-camera: cannot send to %s:%u through %s: %s\n", m_Options.group.c_str(),
                     m_Options.port, m_Options.interfaceAddress.c_str(), std::strerror(errno));
        m_Log.Line("end error");
        return 1;
    }
    if (m_Options.bStopOnRequest && !OpenCommandPort()) return 1;
    const bool bStops = m_Options.stopAfter >= 0;
    const Clock::time_point stopAt = m_Control.Start() + std::chrono::duration_cast<Clock::duration>(
                                                             std::chrono::duration<double>(std::max(m_Options.stopAfter, 0.0)));
    m_Sender.Begin(Clock::now());
    const char* reason = nullptr;
    while (!reason) {
        std::vector<pollfd> fds;
        if (m_CommandPort.Fd() >= 0) fds.push_back({m_CommandPort.Fd(), POLLIN, 0});
        reason = m_Control.Wait(&fds, bStops ? std::min(stopAt, m_Sender.NextDue()) : m_Sender.NextDue());
        const Clock::time_point now = Clock::now();
        if (!reason && !fds.empty() && (fds[0].revents & POLLIN)) reason = ReadRequests();
        if (!reason && bStops && now >= stopAt) {
            SendStop();
            reason = "multicast-stop";
        }
        if (!reason && !m_Sender.SendDue(m_hSocket, m_Group, now, m_Control.Elapsed(now))) reason = "error";
    }
    m_Sender.EndSession();
    m_Log.Line("end %s", reason);
    m_Sender.LogTotals();
    return std::string(reason) == "error" ? 1 : 0;
}

bool CMulticastCamera::OpenCommandPort()
{
    if (m_CommandPort.Open(m_Options.bindAddress, 0, m_Log)) return true;
    std::fprintf(stderr, "vcsf-camera: cannot open the command port on %s: %s\n", m_Options.bindAddress.c_str(),
                 std::strerror(errno));
    m_Log.Line("end error");
    return false;
}

const char* CMulticastCamera::ReadRequests()
{
    uint8_t buffer[64];
    sockaddr_in from = {};
    for (ssize_t n; (n = m_CommandPort.Receive(buffer, sizeof(buffer), &from)) >= 0;) {
        const std::string peer = CCommandSocket::Endpoint(from);
        if (!CCommandSocket::IsRequest(buffer, static_cast<size_t>(n), 4, kStopRequest)) {
            m_Log.Line("request unknown bytes=%zd from %s", n, peer.c_str());
            continue;
        }
        m_Log.Line("request stop from %s", peer.c_str());
        SendStop();
        return "multicast-stop";
    }
    return nullptr;
}

void CMulticastCamera::SendStop()
{
    uint8_t head[MulticastStopHead::kSize];
    const uint16_t usStatus = m_Options.StatusOf(m_qwStopHeads++);
    EncodeMulticastStopHead(m_Sender.Parameters().MulticastStop(usStatus), head);
    m_Sender.SendOne(m_hSocket, m_Group, head, sizeof(head));
    m_Log.Line("sent multicast-stop status=0x%04x", usStatus);
}
