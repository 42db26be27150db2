#include "tools/camera/CLiveStream.h"

#include <httplib.h>

#include <algorithm>
#include <cstring>

namespace {

// Small pieces keep the pacing as even as the datagrams of the UDP modes.
constexpr size_t kPieceBytes = 4096;
constexpr auto kStallCheck = std::chrono::milliseconds(50);

}  // namespace

CLiveStream::CLiveStream(const CCameraOptions& options, const CStreamSource& source,
                         const CStreamParameters& parameters, uint16_t usStatus, CLiveControl& control, CCameraLog& log,
                         std::string peer, bool bChunked)
    : m_Body(options, source, parameters, usStatus),
      m_Pacer(parameters.SendRate()),
      m_Control(control),
      m_Log(log),
      m_Peer(std::move(peer)),
      m_bChunked(bChunked),
      m_qwGeneration(control.Open())
{
}

bool CLiveStream::Provide(httplib::DataSink& sink)
{
    m_Pacer.Start(Clock::now());
    std::vector<uint8_t> bytes;
    for (;;) {
        size_t units = 0;
        const BodyPart part = m_Body.Next(&bytes, &units);
        if (const char* reason = Send(sink, part, bytes)) return End(sink, reason);
        m_Totals.records++;
        m_Totals.units += units;
    }
}

const char* CLiveStream::Send(httplib::DataSink& sink, BodyPart part, const std::vector<uint8_t>& bytes)
{
    if (part == BodyPart::Stall) return Stall(sink);
    if (const char* reason = WritePaced(sink, bytes)) return reason;
    if (part == BodyPart::CutRecord) return "close-mid-record";
    if (part != BodyPart::StatusMessage) return nullptr;
    m_Log.Line("sent status-message 0x%04x", m_Body.Status());
    return "status-message";
}

const char* CLiveStream::WritePaced(httplib::DataSink& sink, const std::vector<uint8_t>& bytes)
{
    for (size_t pos = 0; pos < bytes.size();) {
        if (const char* reason = m_Control.WaitUntil(m_Pacer.Due(), m_qwGeneration)) return reason;
        const size_t cb = std::min(bytes.size() - pos, kPieceBytes);
        if (!sink.write(reinterpret_cast<const char*>(bytes.data() + pos), cb)) return "client-gone";
        m_Pacer.Sent(cb, Clock::now());
        m_Totals.bytes += cb;
        pos += cb;
    }
    return nullptr;
}

const char* CLiveStream::Stall(httplib::DataSink& sink)
{
    for (;;) {
        if (const char* reason = m_Control.WaitUntil(Clock::now() + kStallCheck, m_qwGeneration)) return reason;
        if (!sink.is_writable()) return "client-gone";
    }
}

bool CLiveStream::End(httplib::DataSink& sink, const char* reason)
{
    m_pEndReason = reason;
    // Only a chunked body can end whole; a cut record must not look whole either.
    if (!m_bChunked || std::strcmp(reason, "close-mid-record") == 0 || std::strcmp(reason, "client-gone") == 0)
        return false;
    sink.done();
    return true;
}

void CLiveStream::Finish()
{
    // The library stops calling the provider once the client has gone or the server stops.
    const char* reason = m_pEndReason ? m_pEndReason : m_Control.Ending() ? "run-end" : "client-gone";
    m_Log.Line("live-end %s records=%llu from %s", reason, static_cast<unsigned long long>(m_Totals.records),
               m_Peer.c_str());
    m_Control.Close(m_Totals);
}
