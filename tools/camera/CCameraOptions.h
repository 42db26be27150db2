#pragma once
// The command line of vcsf-camera: the mode, the stream to send, the stream
// parameters to announce, the HTTP camera's credentials and certificate, the
// faults to inject and the bounds of the run.

#include <cstdint>
#include <string>
#include <vector>

enum class CameraMode { None, Unicast, Multicast, Http, Build, Help };
enum class HttpAuth { Basic, Digest };
enum class DigestHash { Md5, Sha256 };

class CCameraOptions {
public:
    // False with Error() set when the command line is malformed.
    bool Parse(const std::vector<std::string>& args);
    const std::string& Error() const { return m_error; }
    static std::string HelpText();
    // The status of the n-th session, live body or stop head, counted from 0.
    uint16_t StatusOf(uint64_t n) const { return statusList.empty() ? status : statusList[n % statusList.size()]; }
    static constexpr size_t kMaxStatusList = 64;

    CameraMode mode = CameraMode::None;
    std::string input;
    std::string bindAddress = "127.0.0.1";
    uint16_t port = 0;
    std::string sendTo;  // unicast: IP:PORT to stream to without a start request
    std::string group;
    std::string interfaceAddress = "127.0.0.1";
    int ttl = 1;
    uint8_t mac[6] = {0x00, 0x80, 0x45, 0x01, 0x02, 0x03};
    double stopAfter = -1;  // seconds; negative: never
    double duration = -1;   // seconds; negative: unbounded
    double idleTimeout = 30;
    uint32_t sessions = 1;  // stop requests until the end; 0: unbounded
    uint16_t status = 0;
    std::vector<uint16_t> statusList;  // unicast: per session; http: per live body; multicast: per stop head
    uint64_t rate = 0;  // bits per second; 0: the stream's own
    int width = -1;     // negative: from the stream's sequence header
    int height = -1;
    int quality = 2;
    int frameRateCode = -1;
    int bitrateByte = -1;
    std::string logFile;
    std::string unitTimesFile;
    bool endOnStdinEof = false;
    bool bStopOnRequest = false;  // multicast: a command port whose stop request sends the stop head

    std::string user;  // http: empty, no credential check
    std::string password;
    HttpAuth auth = HttpAuth::Basic;
    std::vector<DigestHash> digestAlgorithms = {DigestHash::Md5};  // --auth digest: offered in this order
    uint32_t staleNonceAfter = 0;  // --auth digest: requests a nonce admits before it is stale; 0: never
    bool bTls = false;
    std::string certFile;  // http --tls: empty, a self-signed certificate
    std::string keyFile;

    uint32_t seed = 1;
    double lossPercent = 0;
    double reorderPercent = 0;
    double duplicatePercent = 0;
    uint32_t wrongIdEvery = 0;
    uint32_t truncateEvery = 0;
    uint32_t padEvery = 0;
    double macChangeAfter = -1;
    double macToggleEvery = -1;
    size_t datagramSize = 4096;  // unicast, multicast: the largest datagram, heads included
    int64_t silentAfter = -1;  // unicast, multicast: stream datagrams a session sends; negative: unbounded
    double silentFor = -1;     // seconds the silence lasts; negative: to the session's end
    bool bOnce = false;        // unicast, multicast: a session sends the input once, then falls silent
    // http, counted in the records of each live body
    uint32_t oversizeRecordEvery = 0;
    int64_t statusMessageAfter = -1;  // negative: never
    int64_t closeMidRecordAfter = -1;
    int64_t stallAfter = -1;
    // http: the HTTP status that answers an admitted request; 0: none
    int liveStatus = 0;
    int langStatus = 0;

    std::string video;
    std::string audio;
    std::string output;

private:
    bool ParseMode(const std::string& word);
    bool ParseFlag(const std::string& name);
    bool ParseOption(const std::string& name, const std::string& value);
    bool ParseHttpOption(const std::string& name, const std::string& value);
    bool ParseStreamOption(const std::string& name, const std::string& value);
    bool ParseFaultOption(const std::string& name, const std::string& value);
    bool CheckRequired();
    bool CheckHttp();
    bool CheckFaults();
    bool Fail(const std::string& message);

    std::string m_error;
    bool m_bStatusGiven = false;
    bool m_bDatagramSizeGiven = false;
    bool m_bDigestOptionGiven = false;
};
