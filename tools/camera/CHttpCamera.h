#pragma once
// The camera over HTTP or HTTPS: the credential check on /cgi-bin/lang.cgi, the
// live stream as the body of /liveimg.cgi?stream=1 and its stop request
// /liveimg.cgi?stream=0. The library serves each connection on a thread of its
// own; the main loop watches the run's bounds and the stop requests.

#include "tools/camera/CCameraLog.h"
#include "tools/camera/CCameraOptions.h"
#include "tools/camera/CHttpAuth.h"
#include "tools/camera/CLiveControl.h"
#include "tools/camera/CRunControl.h"
#include "tools/camera/CStreamParameters.h"
#include "tools/camera/CStreamSource.h"

#include <atomic>
#include <memory>
#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

class CHttpCamera {
public:
    CHttpCamera(const CCameraOptions& options, const CStreamSource& source, CCameraLog& log);
    ~CHttpCamera();
    CHttpCamera(const CHttpCamera&) = delete;
    CHttpCamera& operator=(const CHttpCamera&) = delete;

    int Run();

private:
    bool MakeServer();
    bool Listen();
    void Route();
    const char* WaitForEnd();
    bool Admit(const httplib::Request& request, httplib::Response& response, const char* pWhat);
    void Live(const httplib::Request& request, httplib::Response& response);
    void StartLive(const httplib::Request& request, httplib::Response& response);
    void Unknown(const httplib::Request& request, httplib::Response& response);
    void AnswerError(httplib::Response& response, int status, const char* pWhat);

    const CCameraOptions& m_Options;
    const CStreamSource& m_Source;
    CCameraLog& m_Log;
    CRunControl m_Run;
    const CStreamParameters m_Parameters;
    CHttpAuth m_Auth;
    CLiveControl m_Live;
    std::unique_ptr<httplib::Server> m_pServer;
    std::atomic<uint64_t> m_qwLiveBodies = 0;
};
