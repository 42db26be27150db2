#include "tools/camera/CCameraOptions.h"

#include "core/CameraHeads.h"
#include "tools/camera/CDatagramCutter.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

bool ToUnsigned(const std::string& text, uint64_t max, uint64_t* pValue)
{
    if (text.empty() || text[0] == '-') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value > max) return false;
    *pValue = value;
    return true;
}

bool ToSeconds(const std::string& text, double* pValue)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value >= 0) || value > 1e9) return false;
    *pValue = value;
    return true;
}

bool ToPercent(const std::string& text, double* pValue) { return ToSeconds(text, pValue) && *pValue <= 100; }

template <typename T>
bool ToInt(const std::string& text, uint64_t max, T* pValue)
{
    uint64_t value = 0;
    if (!ToUnsigned(text, max, &value)) return false;
    *pValue = static_cast<T>(value);
    return true;
}

bool ToMac(const std::string& text, uint8_t mac[6])
{
    unsigned b[6];
    char tail = 0;
    if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &tail) != 6)
        return false;
    for (int i = 0; i < 6; i++) mac[i] = static_cast<uint8_t>(b[i]);
    return true;
}

// A dotted IPv4 address and a non-zero port.
bool IsEndpoint(const std::string& text)
{
    const size_t colon = text.rfind(':');
    in_addr address;
    uint16_t port = 0;
    return colon != std::string::npos && inet_pton(AF_INET, text.substr(0, colon).c_str(), &address) == 1 &&
           ToInt(text.substr(colon + 1), 65535, &port) && port != 0;
}

bool ToResolution(const std::string& text, int* pWidth, int* pHeight)
{
    const size_t x = text.find('x');
    return x != std::string::npos && ToInt(text.substr(0, x), 4095, pWidth) && ToInt(text.substr(x + 1), 4095, pHeight);
}

// Codes hex or decimal, comma-separated, none empty.
bool ToStatusList(const std::string& text, size_t maxCount, std::vector<uint16_t>* pList)
{
    pList->clear();
    for (size_t begin = 0;;) {
        const size_t comma = text.find(',', begin);
        uint16_t code = 0;
        if (pList->size() == maxCount || !ToInt(text.substr(begin, comma - begin), 0xFFFF, &code)) return false;
        pList->push_back(code);
        if (comma == std::string::npos) return true;
        begin = comma + 1;
    }
}

bool ToHttpError(const std::string& text, int* pStatus) { return ToInt(text, 599, pStatus) && *pStatus >= 400; }

// md5, sha-256 or both, comma-separated, each once.
bool ToDigestHashes(const std::string& text, std::vector<DigestHash>* pList)
{
    pList->clear();
    for (size_t begin = 0;;) {
        const size_t comma = text.find(',', begin);
        const std::string name = text.substr(begin, comma - begin);
        const DigestHash hash = name == "sha-256" ? DigestHash::Sha256 : DigestHash::Md5;
        if ((name != "md5" && name != "sha-256") || std::find(pList->begin(), pList->end(), hash) != pList->end())
            return false;
        pList->push_back(hash);
        if (comma == std::string::npos) return true;
        begin = comma + 1;
    }
}

}  // namespace

bool CCameraOptions::Fail(const std::string& message)
{
    m_error = message;
    return false;
}

bool CCameraOptions::Parse(const std::vector<std::string>& args)
{
    if (args.empty()) return Fail("no mode given (unicast, multicast, http, build or --help)");
    if (!ParseMode(args[0])) return false;
    if (mode == CameraMode::Help) return true;
    for (size_t i = 1; i < args.size(); i++) {
        const std::string& name = args[i];
        if (name == "--help") {
            mode = CameraMode::Help;
            return true;
        }
        if (ParseFlag(name)) continue;
        if (i + 1 >= args.size()) return Fail(name + ": value missing");
        if (!ParseOption(name, args[++i])) return false;
    }
    return CheckRequired();
}

bool CCameraOptions::ParseMode(const std::string& word)
{
    if (word == "unicast") mode = CameraMode::Unicast;
    else if (word == "multicast") mode = CameraMode::Multicast;
    else if (word == "http") mode = CameraMode::Http;
    else if (word == "build") mode = CameraMode::Build;
    else if (word == "--help" || word == "-h" || word == "help") mode = CameraMode::Help;
    else return Fail("unknown mode: " + word);
    return true;
}

bool CCameraOptions::ParseFlag(const std::string& name)
{
    bool* pFlag = nullptr;
    if (name == "--end-on-stdin-eof") pFlag = &endOnStdinEof;
    else if (name == "--stop-on-request") pFlag = &bStopOnRequest;
    else if (name == "--tls") pFlag = &bTls;
    else if (name == "--once") pFlag = &bOnce;
    if (pFlag) *pFlag = true;
    return pFlag != nullptr;
}

bool CCameraOptions::ParseOption(const std::string& name, const std::string& value)
{
    bool ok = true;
    if (name == "--input") input = value;
    else if (name == "--bind") bindAddress = value;
    else if (name == "--port") ok = ToInt(value, 65535, &port);
    else if (name == "--send-to") {
        sendTo = value;
        ok = IsEndpoint(value);
    }
    else if (name == "--group") group = value;
    else if (name == "--interface") interfaceAddress = value;
    else if (name == "--ttl") ok = ToInt(value, 255, &ttl);
    else if (name == "--mac") ok = ToMac(value, mac);
    else if (name == "--stop-after") ok = ToSeconds(value, &stopAfter);
    else if (name == "--duration") ok = ToSeconds(value, &duration);
    else if (name == "--idle-timeout") ok = ToSeconds(value, &idleTimeout);
    else if (name == "--sessions") ok = ToInt(value, 0xFFFFFFFF, &sessions);
    else if (name == "--log") logFile = value;
    else if (name == "--unit-times") unitTimesFile = value;
    else if (name == "--video") video = value;
    else if (name == "--audio") audio = value;
    else if (name == "--output") output = value;
    else return ParseHttpOption(name, value);
    return ok || Fail(name + ": invalid value " + value);
}

bool CCameraOptions::ParseHttpOption(const std::string& name, const std::string& value)
{
    bool ok = true;
    if (name == "--user") user = value;
    else if (name == "--password") password = value;
    else if (name == "--auth") {
        ok = value == "basic" || value == "digest";
        auth = value == "digest" ? HttpAuth::Digest : HttpAuth::Basic;
    }
    else if (name == "--digest-algorithm") {
        ok = ToDigestHashes(value, &digestAlgorithms);
        m_bDigestOptionGiven = true;
    }
    else if (name == "--stale-nonce-after") {
        ok = ToInt(value, 0xFFFFFFFF, &staleNonceAfter) && staleNonceAfter > 0;
        m_bDigestOptionGiven = true;
    }
    else if (name == "--cert") certFile = value;
    else if (name == "--key") keyFile = value;
    else if (name == "--live-status") ok = ToHttpError(value, &liveStatus);
    else if (name == "--lang-status") ok = ToHttpError(value, &langStatus);
    else return ParseStreamOption(name, value);
    return ok || Fail(name + ": invalid value " + value);
}

bool CCameraOptions::ParseStreamOption(const std::string& name, const std::string& value)
{
    bool ok = true;
    if (name == "--status") {
        ok = ToInt(value, 0xFFFF, &status);
        m_bStatusGiven = true;
    }
    else if (name == "--status-list") ok = ToStatusList(value, kMaxStatusList, &statusList);
    else if (name == "--rate") ok = ToInt(value, 1'000'000'000, &rate) && rate > 0;
    else if (name == "--resolution") ok = ToResolution(value, &width, &height);
    else if (name == "--width") ok = ToInt(value, 4095, &width);
    else if (name == "--height") ok = ToInt(value, 4095, &height);
    else if (name == "--quality") ok = ToInt(value, 4, &quality);
    else if (name == "--frame-rate-code") ok = ToInt(value, 31, &frameRateCode);
    else if (name == "--bitrate-byte") ok = ToInt(value, 63, &bitrateByte);
    else return ParseFaultOption(name, value);
    return ok || Fail(name + ": invalid value " + value);
}

bool CCameraOptions::ParseFaultOption(const std::string& name, const std::string& value)
{
    bool ok = true;
    if (name == "--seed") ok = ToInt(value, 0xFFFFFFFF, &seed);
    else if (name == "--loss") ok = ToPercent(value, &lossPercent);
    else if (name == "--reorder") ok = ToPercent(value, &reorderPercent);
    else if (name == "--duplicate") ok = ToPercent(value, &duplicatePercent);
    else if (name == "--wrong-id-every") ok = ToInt(value, 0xFFFFFFFF, &wrongIdEvery);
    else if (name == "--truncate-every") ok = ToInt(value, 0xFFFFFFFF, &truncateEvery);
    else if (name == "--pad-every") ok = ToInt(value, 0xFFFFFFFF, &padEvery);
    else if (name == "--mac-change-after") ok = ToSeconds(value, &macChangeAfter);
    else if (name == "--mac-toggle-every") ok = ToSeconds(value, &macToggleEvery) && macToggleEvery > 0;
    else if (name == "--silent-after") ok = ToInt(value, 0xFFFFFFFF, &silentAfter);
    else if (name == "--silent-for") ok = ToSeconds(value, &silentFor);
    else if (name == "--datagram-size") {
        ok = ToInt(value, CDatagramCutter::kMaxDatagram, &datagramSize) && datagramSize >= CDatagramCutter::kMinDatagram;
        m_bDatagramSizeGiven = true;
    }
    else if (name == "--oversize-record-every") ok = ToInt(value, 0xFFFFFFFF, &oversizeRecordEvery);
    else if (name == "--status-message-after") ok = ToInt(value, 0xFFFFFFFF, &statusMessageAfter);
    else if (name == "--close-mid-record-after") ok = ToInt(value, 0xFFFFFFFF, &closeMidRecordAfter);
    else if (name == "--stall-after") ok = ToInt(value, 0xFFFFFFFF, &stallAfter);
    else return Fail("unknown option: " + name);
    return ok || Fail(name + ": invalid value " + value);
}

bool CCameraOptions::CheckRequired()
{
    if (mode == CameraMode::Build) {
        if (video.empty() || output.empty()) return Fail("build needs --video and --output");
        return true;
    }
    if (input.empty()) return Fail("--input is required");
    if (mode == CameraMode::Multicast && (group.empty() || port == 0))
        return Fail("multicast needs --group and a non-zero --port");
    if (mode != CameraMode::Unicast && !sendTo.empty()) return Fail("--send-to is for unicast");
    if (!CheckFaults()) return false;
    return mode != CameraMode::Http || CheckHttp();
}

bool CCameraOptions::CheckFaults()
{
    if (m_bStatusGiven && !statusList.empty()) return Fail("--status-list replaces --status: give one of them");
    if (mode == CameraMode::Http && silentAfter >= 0)
        return Fail("--silent-after is for unicast and multicast; http has --stall-after");
    if (mode == CameraMode::Http && bOnce) return Fail("--once is for unicast and multicast");
    if (silentFor >= 0 && silentAfter < 0) return Fail("--silent-for needs --silent-after");
    if (mode != CameraMode::Http && liveStatus) return Fail("--live-status is for http");
    if (mode == CameraMode::Http && m_bDatagramSizeGiven)
        return Fail("--datagram-size is for unicast and multicast");
    if (mode == CameraMode::Unicast && datagramSize < ResponseHead::kSize)
        return Fail("--datagram-size: unicast sends its " + std::to_string(ResponseHead::kSize) +
                    "-byte response head whole, so at least " + std::to_string(ResponseHead::kSize));
    if (mode != CameraMode::Http && langStatus) return Fail("--lang-status is for http");
    return true;
}

bool CCameraOptions::CheckHttp()
{
    if (!password.empty() && user.empty()) return Fail("--password needs --user");
    if (certFile.empty() != keyFile.empty()) return Fail("--cert and --key go together");
    if (!certFile.empty() && !bTls) return Fail("--cert and --key are for --tls");
    if (!unitTimesFile.empty()) return Fail("--unit-times is for unicast and multicast");
    if (m_bDigestOptionGiven && auth != HttpAuth::Digest)
        return Fail("--digest-algorithm and --stale-nonce-after are for --auth digest");
    return true;
}

std::string CCameraOptions::HelpText()
{
    return R"(vcsf-camera: a network camera that sends a program-stream file.

  vcsf-camera unicast --input FILE [--bind 127.0.0.1] [--port P] [options]
      Waits for requests on its command port (P=0: the system chooses) and streams
      to whoever sent the start request: a response head, then the stream, while
      continue requests arrive. A stop request ends the session; the camera ends
      after --sessions N of them (default 1, 0: never) or after --idle-timeout.
      --send-to IP:PORT streams to that receiver from the start, as if a start
      request had come from it: for receivers that cannot send one. No request
      is then needed to go on, and --idle-timeout does not apply.
  vcsf-camera multicast --input FILE --group G --port P [--interface 127.0.0.1]
                        [--ttl 1] [--mac 00:80:45:01:02:03] [--stop-after S]
                        [--stop-on-request] [options]
      Sends the stream to the group; --stop-after sends the multicast stop head
      after S seconds and ends. --stop-on-request opens a command port on the
      --bind address and does the same when a stop request arrives there.
  vcsf-camera http --input FILE [--bind 127.0.0.1] [--port P] [--user U --password W]
                   [--auth basic|digest [--digest-algorithm md5|sha-256[,...]]
                   [--stale-nonce-after N]] [--tls [--cert FILE --key FILE]] [options]
      Serves the camera's CGI (P=0: the system chooses). /cgi-bin/lang.cgi checks
      the credentials, Basic or Digest (qop=auth) as --auth says (default basic;
      without --user none), and answers 401 with the challenge or a small body.
      Digest offers a challenge for each --digest-algorithm in the order given
      (default md5), each 401 with a new nonce; the nonce count of the answers
      must go up; after --stale-nonce-after N requests that a nonce admitted,
      the next is answered 401 with stale=true and a new nonce.
      /liveimg.cgi?stream=1, checked the same way, answers with one endless
      body of records from the start of the file, each a 14-byte identify head
      ("VCNC", length 50, the status), bytes 14 to 49 of a first stream head and
      the unit whose length the head gives (a unit larger than the 81920 bytes a
      client reads of a record goes in several): chunked to an HTTP/1.1 request,
      to an HTTP/1.0 one ended by closing the connection. /liveimg.cgi?stream=0
      ends the open streams; the camera ends after --sessions N of them (default
      1, 0: never) or after --idle-timeout with neither a request nor a stream.
      --tls serves HTTPS with the given PEM certificate and key, or with a
      self-signed certificate made at start (RSA 2048, CN the --bind address).
  vcsf-camera build --video IN.m2v [--audio IN.mp2] --output OUT.ps
      Builds a camera-layout program stream: every GOP opens with a pack header,
      a 48-byte system header and a video PES with the sequence header; packs of
      at most 2048 bytes.

The sending modes loop the input file and take:
  --duration S          end after S seconds (default: unbounded)
  --idle-timeout S      unicast, http: end after S seconds without a request
                        (default 30)
  --status CODE         camera status in the response head, the stop head and the
                        heads of the HTTP records (there 0 with --status-message-after)
  --status-list CODE[,CODE...]   instead of --status, at most 64 codes taken in
                        turn: unicast per session (counted by stop requests), http
                        per live body (its heads and status message), multicast
                        per stop head (one a run: the first code)
  --rate BITS_PER_S     sending rate (default: the pack headers' mux rate)
  --resolution WxH, --width W, --height H   (default: the sequence header's)
  --quality 0..4 (default 2), --frame-rate-code N, --bitrate-byte N (0..63)
  --log FILE            also write the log lines to FILE
  --datagram-size N     unicast, multicast: the largest datagram, heads included,
                        64..4096 (unicast 76..4096; default 4096); a unit that a
                        first packet and 255 continuations cannot carry goes on
                        in the next unit
  --unit-times FILE     unicast, multicast: a line per unit once its last datagram
                        is sent: the steady clock in nanoseconds and the stream
                        bytes sent so far (for measuring a receiver's latency)
  --end-on-stdin-eof    end when standard input reaches its end
Faults, deterministic with --seed N (default 1):
  --loss PCT, --reorder PCT, --duplicate PCT   per datagram
  --wrong-id-every N    every Nth datagram (http: record) with a wrong identifier
  --truncate-every N    every Nth datagram cut shorter than its heads say
  --pad-every N         every Nth unit: 16 bytes of padding in its last datagram
                        that the unit's total length leaves out
  --mac-change-after S  announce another MAC address after S seconds
  --mac-toggle-every S  switch between the two MAC addresses every S seconds, so
                        that a receiver sees a change whenever it joins
  --silent-after N      unicast, multicast: after N stream datagrams a session
                        sends no more, but stays open and answers requests
  --silent-for S        with --silent-after: the silence lasts S seconds, then
                        the session sends on, once
  --once                unicast, multicast: a session sends the input once from
                        its start, then no more, as --silent-after does
HTTP faults, counted in the records of each live body:
  --oversize-record-every N    every Nth record joins units until it holds more
                               than 81920 bytes
  --status-message-after N     after N records the six bytes "0x" and --status in
                               four hex digits, then the body ends
  --close-mid-record-after N   after N records half of the next, then the
                               connection closes
  --stall-after N              after N records nothing more, the connection open
  --live-status CODE           an admitted /liveimg.cgi?stream=1 is answered with
                               HTTP status CODE (400..599) and "error CODE"
  --lang-status CODE           the same for an admitted /cgi-bin/lang.cgi

Log lines on standard output, each flushed at once:
  command port N                        unicast, --stop-on-request: the first line
  http port N                           http: the first line
  tls self-signed | tls cert FILE       http --tls
  send-to IP:PORT                       unicast --send-to: streaming begins
  request start admin=A from IP:PORT
  request continue from IP:PORT
  request stop from IP:PORT
  request unknown bytes=N from IP:PORT
  request lang.cgi|live-start|live-stop auth=ok|missing|refused|stale from IP:PORT
                                        http; ok always without --user; stale
                                        for a right Digest answer with a nonce
                                        gone stale
  request unknown GET TARGET from IP:PORT
  sent http-status CODE to live-start|lang.cgi
                                        --live-status, --lang-status
  sent response status=0xSSSS
  sent multicast-stop status=0xSSSS
  mac changed to XX:XX:XX:XX:XX:XX
  sent status-message 0xSSSS
  silent after N datagrams              --silent-after: once a session
  sending again after S s               --silent-for
  silent after the input                --once: once a session
  session datagrams=N lost=N wrong-id=N truncated=N
                                        unicast, multicast: the stream datagrams
                                        a session sent (not its response head),
                                        those --loss kept back, and those sent
                                        with a wrong identifier or cut short;
                                        once a session: when --once has sent the
                                        input, at its stop request, or at the end
  live-end REASON records=N from IP:PORT
                                        http: a live body ended after N whole
                                        records; REASON is client-gone,
                                        stop-request, status-message,
                                        close-mid-record or run-end
  end stop-request|idle|duration|multicast-stop|stdin-eof|signal|error
  sent units=N datagrams=N bytes=N      the last line; datagrams and bytes
                                        count every datagram sent, heads included
  sent units=N records=N bytes=N        http: the last line; bytes count the live
                                        bodies, heads and status messages included
)";
}
