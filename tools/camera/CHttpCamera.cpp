#include "tools/camera/CHttpCamera.h"

#include "tools/camera/CLiveStream.h"
#include "tools/camera/CTlsCertificate.h"

#include <httplib.h>

#include <cstdio>
#include <string>
#include <thread>

namespace {

constexpr time_t kKeepAliveSeconds = 1;  // an idle connection holds a thread that the end joins

std::string Peer(const httplib::Request& request)
{
    return request.remote_addr + ":" + std::to_string(request.remote_port);
}

// SO_REUSEPORT, the library's default, would let two cameras share a port.
void ReuseAddress(socket_t socket)
{
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
}

}  // namespace

CHttpCamera::CHttpCamera(const CCameraOptions& options, const CStreamSource& source, CCameraLog& log)
    : m_Options(options),
      m_Source(source),
      m_Log(log),
      m_Run(options),
      m_Parameters(options, source.Facts()),
      m_Auth(options)
{
}

CHttpCamera::~CHttpCamera() = default;

int CHttpCamera::Run()
{
    if (!m_Live.Ready()) std::fprintf(stderr, "vcsf-camera: cannot make the wake-up pipe\n");
    if (!m_Live.Ready() || !MakeServer() || !Listen()) {
        m_Log.Line("end error");
        return 1;
    }
    Route();
    // Made after the run control has blocked SIGINT and SIGTERM: the signals reach the main loop alone.
    std::thread serving([this] { m_pServer->listen_after_bind(); });
    const char* reason = WaitForEnd();
    m_Live.End();
    m_pServer->stop();
    serving.join();
    m_Log.Line("end %s", reason);
    const LiveTotals totals = m_Live.Totals();
    m_Log.Line("sent units=%llu records=%llu bytes=%llu", static_cast<unsigned long long>(totals.units),
               static_cast<unsigned long long>(totals.records), static_cast<unsigned long long>(totals.bytes));
    return std::string(reason) == "error" ? 1 : 0;
}

bool CHttpCamera::MakeServer()
{
    if (!m_Options.bTls) {
        m_pServer = std::make_unique<httplib::Server>();
        return true;
    }
    CTlsCertificate certificate;
    std::string error;
    const bool ok = m_Options.certFile.empty() ? certificate.Generate(m_Options.bindAddress, &error)
                                               : certificate.Load(m_Options.certFile, m_Options.keyFile, &error);
    if (ok) m_pServer = std::make_unique<httplib::SSLServer>(certificate.Certificate(), certificate.Key());
    if (ok && m_pServer->is_valid()) return true;
    std::fprintf(stderr, "vcsf-camera: %s\n", ok ? "cannot set up TLS with that certificate" : error.c_str());
    return false;
}

bool CHttpCamera::Listen()
{
    m_pServer->set_address_family(AF_INET);
    m_pServer->set_socket_options(ReuseAddress);
    m_pServer->set_keep_alive_timeout(kKeepAliveSeconds);
    int port = m_Options.port;
    if (port == 0) port = m_pServer->bind_to_any_port(m_Options.bindAddress);
    else if (!m_pServer->bind_to_port(m_Options.bindAddress, port)) port = -1;
    if (port <= 0) {
        std::fprintf(stderr, "vcsf-camera: cannot listen on %s:%u\n", m_Options.bindAddress.c_str(), m_Options.port);
        return false;
    }
    m_Log.Line("http port %d", port);
    if (m_Options.bTls && m_Options.certFile.empty()) m_Log.Line("tls self-signed");
    else if (m_Options.bTls) m_Log.Line("tls cert %s", m_Options.certFile.c_str());
    return true;
}

void CHttpCamera::Route()
{
    m_pServer->Get(R"(/cgi-bin/lang\.cgi)", [this](const httplib::Request& request, httplib::Response& response) {
        if (!Admit(request, response, "lang.cgi")) return;
        if (m_Options.langStatus) AnswerError(response, m_Options.langStatus, "lang.cgi");
        else response.set_content("language=en\n", "text/plain");
    });
    m_pServer->Get(R"(/liveimg\.cgi)", [this](const httplib::Request& request, httplib::Response& response) {
        Live(request, response);
    });
    m_pServer->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        Unknown(request, response);
    });
}

const char* CHttpCamera::WaitForEnd()
{
    const auto idle = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(m_Options.idleTimeout));
    for (;;) {
        std::vector<pollfd> fds = {{m_Live.WakeFd(), POLLIN, 0}};
        if (const char* reason = m_Run.Wait(&fds, m_Live.IdleSince() + idle)) return reason;
        m_Live.Drain();
        if (m_Options.sessions && m_Live.Stops() >= m_Options.sessions) return "stop-request";
        if (Clock::now() >= m_Live.IdleSince() + idle) return "idle";
    }
}

bool CHttpCamera::Admit(const httplib::Request& request, httplib::Response& response, const char* pWhat)
{
    const AuthResult result = m_Auth.Check(request.method, request.target, request.get_header_value("Authorization"));
    m_Log.Line("request %s auth=%s from %s", pWhat, CHttpAuth::Name(result), Peer(request).c_str());
    m_Live.Requested();
    if (result == AuthResult::Ok) return true;
    response.status = 401;
    for (const std::string& challenge : m_Auth.Challenges(result == AuthResult::Stale))
        response.set_header("WWW-Authenticate", challenge);
    response.set_content("401 Unauthorized\n", "text/plain");
    return false;
}

void CHttpCamera::Live(const httplib::Request& request, httplib::Response& response)
{
    const std::string stream = request.get_param_value("stream");
    if (stream == "1") {
        StartLive(request, response);
    } else if (stream == "0") {
        if (!Admit(request, response, "live-stop")) return;
        response.set_content("OK\n", "text/plain");
        m_Live.Stop();
    } else {
        Unknown(request, response);
    }
}

void CHttpCamera::Unknown(const httplib::Request& request, httplib::Response& response)
{
    m_Log.Line("request unknown GET %s from %s", request.target.c_str(), Peer(request).c_str());
    m_Live.Requested();
    response.status = 404;
}

void CHttpCamera::AnswerError(httplib::Response& response, int status, const char* pWhat)
{
    response.status = status;
    response.set_content("error " + std::to_string(status) + "\n", "text/plain");
    m_Log.Line("sent http-status %d to %s", status, pWhat);
}

void CHttpCamera::StartLive(const httplib::Request& request, httplib::Response& response)
{
    if (!Admit(request, response, "live-start")) return;
    if (m_Options.liveStatus) {
        AnswerError(response, m_Options.liveStatus, "live-start");
        return;
    }
    // Chunks mean nothing to an HTTP/1.0 client: its body ends with the connection.
    const bool bChunked = request.version != "HTTP/1.0";
    const uint16_t usStatus = m_Options.StatusOf(m_qwLiveBodies++);
    auto stream = std::make_shared<CLiveStream>(m_Options, m_Source, m_Parameters, usStatus, m_Live, m_Log,
                                                Peer(request), bChunked);
    auto provide = [stream](size_t, httplib::DataSink& sink) { return stream->Provide(sink); };
    auto release = [stream](bool) { stream->Finish(); };
    if (bChunked) {
        response.set_chunked_content_provider("application/octet-stream", provide, release);
        return;
    }
    response.set_header("Connection", "close");
    response.set_content_provider("application/octet-stream", provide, release);
}
