#pragma once
// One live response: its body written by the library's content provider, on the
// connection's thread, paced at the send rate in pieces, until the client goes, a
// stop request, the end of the run or a fault ends it. Chunked, or for an HTTP/1.0
// request a body that ends only with the connection.

#include "tools/camera/CCameraLog.h"
#include "tools/camera/CLiveBody.h"
#include "tools/camera/CLiveControl.h"

#include <string>

namespace httplib {
class DataSink;
}

class CLiveStream {
public:
    CLiveStream(const CCameraOptions& options, const CStreamSource& source, const CStreamParameters& parameters,
                uint16_t usStatus, CLiveControl& control, CCameraLog& log, std::string peer, bool bChunked);

    // The whole body in one call; false closes the connection.
    bool Provide(httplib::DataSink& sink);
    // The library is done with the response, whichever way it ended.
    void Finish();

private:
    const char* Send(httplib::DataSink& sink, BodyPart part, const std::vector<uint8_t>& bytes);
    const char* WritePaced(httplib::DataSink& sink, const std::vector<uint8_t>& bytes);
    const char* Stall(httplib::DataSink& sink);
    bool End(httplib::DataSink& sink, const char* reason);

    CLiveBody m_Body;
    CPacer m_Pacer;
    CLiveControl& m_Control;
    CCameraLog& m_Log;
    const std::string m_Peer;
    const bool m_bChunked;
    const uint64_t m_qwGeneration;
    const char* m_pEndReason = nullptr;
    LiveTotals m_Totals;
};
