#include "tools/camera/CUnicastCamera.h"

#include "core/ByteOrder.h"

#include <arpa/inet.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

CUnicastCamera::CUnicastCamera(const CCameraOptions& options, const CStreamSource& source, CCameraLog& log)
    : m_Options(options), m_Log(log), m_Control(options), m_Sender(options, source, log, false)
{
    m_LastRequest = m_Control.Start();
}

int CUnicastCamera::Run()
{
    if (!m_Sender.Ready()) {
        m_Log.Line("end error");
        return 1;
    }
    if (!m_Socket.Open(m_Options.bindAddress, m_Options.port, m_Log)) {
        std::fprintf(stderr, "vcsf-camera: cannot open the command port on %s:%u: %s\n",
                     m_Options.bindAddress.c_str(), m_Options.port, std::strerror(errno));
        m_Log.Line("end error");
        return 1;
    }
    // A fixed receiver sends no requests, so nothing can time it out.
    const bool bFixed = !m_Options.sendTo.empty();
    if (bFixed) SendToFixedReceiver();
    const auto idle = bFixed ? Clock::duration::max() / 2
                             : std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(m_Options.idleTimeout));
    const char* reason = nullptr;
    while (!reason) {
        const Clock::time_point idleEnd = m_LastRequest + idle;
        Clock::time_point until = idleEnd;
        if (m_bStreaming) until = std::min(until, m_Sender.NextDue());
        std::vector<pollfd> fds = {{m_Socket.Fd(), POLLIN, 0}};
        reason = m_Control.Wait(&fds, until);
        const Clock::time_point now = Clock::now();
        if (!reason && (fds[0].revents & POLLIN)) reason = ReadRequests(now);
        if (!reason && now >= m_LastRequest + idle) reason = "idle";
        if (!reason && m_bStreaming && !m_Sender.SendDue(m_Socket.Fd(), m_Client, now, m_Control.Elapsed(now)))
            reason = "error";
    }
    m_Sender.EndSession();
    m_Log.Line("end %s", reason);
    m_Sender.LogTotals();
    return std::string(reason) == "error" ? 1 : 0;
}

const char* CUnicastCamera::ReadRequests(Clock::time_point now)
{
    for (;;) {
        uint8_t buffer[64];
        sockaddr_in from = {};
        const ssize_t n = m_Socket.Receive(buffer, sizeof(buffer), &from);
        if (n < 0) return nullptr;  // drained; a refused earlier send shows here too
        if (const char* reason = HandleRequest(buffer, static_cast<size_t>(n), from, now)) return reason;
    }
}

const char* CUnicastCamera::HandleRequest(const uint8_t* p, size_t cb, const sockaddr_in& from, Clock::time_point now)
{
    const std::string peer = CCommandSocket::Endpoint(from);
    if (CCommandSocket::IsRequest(p, cb, 6, kStartRequest)) {
        m_Log.Line("request start admin=%u from %s", ReadBE16(p + 4), peer.c_str());
        m_LastRequest = now;
        StartStream(from, now);
    } else if (CCommandSocket::IsRequest(p, cb, 4, kContinueRequest)) {
        m_Log.Line("request continue from %s", peer.c_str());
        m_LastRequest = now;
    } else if (CCommandSocket::IsRequest(p, cb, 4, kStopRequest)) {
        m_Log.Line("request stop from %s", peer.c_str());
        m_Sender.EndSession();
        m_bStreaming = false;
        if (++m_dwStops == m_Options.sessions) return "stop-request";
    } else {
        m_Log.Line("request unknown bytes=%zu from %s", cb, peer.c_str());
    }
    return nullptr;
}

void CUnicastCamera::SendToFixedReceiver()
{
    const size_t colon = m_Options.sendTo.rfind(':');  // the options checked the form
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(std::stoul(m_Options.sendTo.substr(colon + 1))));
    inet_pton(AF_INET, m_Options.sendTo.substr(0, colon).c_str(), &to.sin_addr);
    m_Log.Line("send-to %s", CCommandSocket::Endpoint(to).c_str());
    StartStream(to, Clock::now());
}

void CUnicastCamera::StartStream(const sockaddr_in& to, Clock::time_point now)
{
    m_Client = to;
    uint8_t head[ResponseHead::kSize];
    // A session ends with a stop request, so a repeated start stays in the same one.
    const uint16_t usStatus = m_Options.StatusOf(m_dwStops);
    EncodeResponseHead(m_Sender.Parameters().Response(usStatus), head);
    m_Sender.SendOne(m_Socket.Fd(), m_Client, head, sizeof(head));
    m_Log.Line("sent response status=0x%04x", usStatus);
    if (!m_bStreaming) m_Sender.Begin(now);
    m_bStreaming = true;
}
