// vcsf-camera http as the filter's HTTP client meets it: a real process, real
// connections on loopback, the library's client or a plain socket in the test.

#include "tests/simulator/CCameraProcess.h"
#include "tests/simulator/CLiveRecords.h"
#include "tests/simulator/CTcpPeer.h"
#include "tests/simulator/SimulatorAssets.h"

#include "core/CCamParm.h"
#include "core/CDigestAuthorization.h"
#include "tests/core/COpenSslDigestCrypto.h"
#include "tests/core/CTestCamParmOwner.h"
#include "tools/camera/CTlsCertificate.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

const char* const kLang = "/cgi-bin/lang.cgi";
const char* const kLiveStart = "/liveimg.cgi?stream=1";
const char* const kLiveStop = "/liveimg.cgi?stream=0";
const char* const kClip = "testsrc-352x240.ps";
constexpr size_t kClientBuffer = 81920;

std::vector<std::string> Http(std::vector<std::string> more)
{
    std::vector<std::string> args = {"http", "--input", AssetPath(kClip), "--duration", "60", "--rate", "20000000"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// The first cb bytes of the clip played in a loop.
Bytes Looped(const Bytes& clip, size_t cb)
{
    Bytes looped;
    while (looped.size() < cb)
        looped.insert(looped.end(), clip.begin(), clip.begin() + std::min(clip.size(), cb - looped.size()));
    return looped;
}

// Each line begins as expected, in order, and there are no others.
void ExpectLines(const std::vector<std::string>& lines, const std::vector<std::string>& prefixes)
{
    ASSERT_EQ(lines.size(), prefixes.size());
    for (size_t i = 0; i < lines.size(); i++) EXPECT_EQ(lines[i].rfind(prefixes[i], 0), 0u) << lines[i];
}

// The challenge of a lang.cgi request that the camera refuses.
std::string Challenge(httplib::ClientImpl& client)
{
    auto refused = client.Get(kLang);
    if (!refused || refused->status != 401) return "(not refused)";
    return refused->get_header_value("WWW-Authenticate");
}

// Asks for the live stream in HTTP/1.0 as WinINet does for HTTPS, and splits off the
// response head once it has come whole.
bool RequestPlainLive(CTcpPeer& peer, std::string* pHead, std::string* pBody)
{
    if (!peer.Send("GET /liveimg.cgi?stream=1 HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\n")) return false;
    std::string bytes;
    size_t end = std::string::npos;
    while ((end = bytes.find("\r\n\r\n")) == std::string::npos)
        if (peer.Receive(&bytes, std::chrono::seconds(10)) != CTcpPeer::Read::Data) return false;
    *pHead = bytes.substr(0, end + 4);
    *pBody = bytes.substr(end + 4);
    return true;
}

std::vector<DigestChallenge> DigestChallenges(const httplib::Result& result)
{
    std::vector<DigestChallenge> challenges;
    if (!result) return challenges;
    for (size_t i = 0; i < result->get_header_value_count("WWW-Authenticate"); i++)
        EXPECT_TRUE(ParseDigestChallenges(result->get_header_value("WWW-Authenticate", i), &challenges));
    return challenges;
}

std::vector<std::string> Digest(const char* pszAlgorithms, std::vector<std::string> more = {})
{
    std::vector<std::string> args = {"--user", "admin", "--password", "secret", "--auth", "digest",
                                     "--digest-algorithm", pszAlgorithms};
    args.insert(args.end(), more.begin(), more.end());
    return Http(args);
}

class HttpCameraTest : public testing::Test {
protected:
    // The live body until `enough` holds or the body ends; the client's error. The
    // bodies of the 401s that a Digest client answers are not the stream.
    httplib::Error ReadLive(httplib::ClientImpl& client, const std::function<bool()>& enough)
    {
        int status = 0;
        auto result = client.Get(
            kLiveStart,
            [&](const httplib::Response& response) {
                status = response.status;
                return true;
            },
            [&](const char* p, size_t cb) {
                if (status != 200) return true;
                records.Feed(p, cb);
                return !records.Failed() && !enough();
            });
        return result.error();
    }

    CTestCamParmOwner owner;
    CCamParm camParm{&owner};
    CLiveRecords records{&camParm};
    const Bytes clip = ReadAsset(kClip);
};

TEST_F(HttpCameraTest, BasicCredentialsPassAndAnythingElseIsChallenged)
{
    CCameraProcess camera(Http({"--user", "admin", "--password", "secret"}));
    const uint16_t port = camera.HttpPort();
    ASSERT_NE(port, 0);
    httplib::ClientImpl client("127.0.0.1", port);
    EXPECT_EQ(Challenge(client), "Basic realm=\"camera\"");
    client.set_basic_auth("admin", "wrong");
    EXPECT_EQ(client.Get(kLang)->status, 401);
    EXPECT_EQ(client.Get(kLiveStart)->status, 401);
    client.set_basic_auth("admin", "secret");
    auto admitted = client.Get(kLang);
    ASSERT_TRUE(admitted);
    EXPECT_EQ(admitted->status, 200);
    EXPECT_FALSE(admitted->body.empty());
    EXPECT_EQ(ReadLive(client, [&] { return !records.Records().empty(); }), httplib::Error::Canceled);
    EXPECT_TRUE(camera.WaitForLine("live-end client-gone records="));
    ExpectLines(camera.Lines(), {"http port", "request lang.cgi auth=missing from 127.0.0.1:",
                                 "request lang.cgi auth=refused from 127.0.0.1:",
                                 "request live-start auth=refused from 127.0.0.1:",
                                 "request lang.cgi auth=ok from 127.0.0.1:",
                                 "request live-start auth=ok from 127.0.0.1:", "live-end client-gone records="});
}

TEST_F(HttpCameraTest, DigestCredentialsWithMd5AndQopAuthPassAndAWrongPasswordFails)
{
    CCameraProcess camera(Http({"--user", "admin", "--password", "secret", "--auth", "digest"}));
    const uint16_t port = camera.HttpPort();
    ASSERT_NE(port, 0);
    httplib::ClientImpl client("127.0.0.1", port);
    const std::string challenge = Challenge(client);
    EXPECT_EQ(challenge.rfind("Digest realm=\"camera\", qop=\"auth\", algorithm=MD5, nonce=\"", 0), 0u) << challenge;
    client.set_basic_auth("admin", "secret");  // the wrong scheme
    EXPECT_EQ(client.Get(kLang)->status, 401);
    client.set_basic_auth("", "");
    client.set_digest_auth("admin", "wrong");
    EXPECT_EQ(client.Get(kLang)->status, 401);
    client.set_digest_auth("admin", "secret");
    EXPECT_EQ(client.Get(kLang)->status, 200);
    EXPECT_EQ(ReadLive(client, [&] { return records.Records().size() >= 2; }), httplib::Error::Canceled);
    EXPECT_FALSE(records.Failed());
    EXPECT_TRUE(camera.WaitForLine("request live-start auth=ok from 127.0.0.1:"));
}

// Every 401 brings a new nonce, with a challenge for each algorithm in the order
// given; the library's own client answers SHA-256.
TEST_F(HttpCameraTest, DigestOffersEachAlgorithmInItsOrderWithANewNonceEachTimeAndSha256Passes)
{
    CCameraProcess both(Digest("sha-256,md5"));
    uint16_t port = both.HttpPort();
    ASSERT_NE(port, 0);
    httplib::ClientImpl client("127.0.0.1", port);
    auto refused = client.Get(kLang);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 401);
    const std::vector<DigestChallenge> challenges = DigestChallenges(refused);
    ASSERT_EQ(challenges.size(), 2u);
    EXPECT_EQ(challenges[0].algorithmName, "SHA-256");
    EXPECT_EQ(challenges[1].algorithmName, "MD5");
    EXPECT_EQ(challenges[0].nonce, challenges[1].nonce);
    EXPECT_EQ(challenges[0].nonce.size(), 32u);
    EXPECT_NE(DigestChallenges(client.Get(kLang))[0].nonce, challenges[0].nonce);

    CCameraProcess sha256(Digest("sha-256"));
    port = sha256.HttpPort();
    ASSERT_NE(port, 0);
    httplib::ClientImpl viewer("127.0.0.1", port);
    viewer.set_digest_auth("admin", "wrong");
    EXPECT_EQ(viewer.Get(kLang)->status, 401);
    viewer.set_digest_auth("admin", "secret");
    EXPECT_EQ(viewer.Get(kLang)->status, 200);
    EXPECT_TRUE(sha256.WaitForLine("request lang.cgi auth=ok from 127.0.0.1:"));
}

// The filter's own Digest client against the camera, request by request: a nonce
// is reused with the next count until it goes stale, and then answered anew; a
// count used before is a replay.
TEST_F(HttpCameraTest, ANonceReusedWithTheNextCountPassesUntilItGoesStaleAndAReplayIsRefused)
{
    using Step = CDigestAuthorization::Step;
    for (const char* algorithm : {"md5", "sha-256"}) {
        CCameraProcess camera(Digest(algorithm, {"--stale-nonce-after", "2"}));
        const uint16_t port = camera.HttpPort();
        ASSERT_NE(port, 0);
        httplib::ClientImpl client("127.0.0.1", port);
        COpenSslDigestCrypto crypto;
        CDigestAuthorization digest(&crypto);
        auto get = [&](const std::string& authorization) {
            return client.Get(kLang, httplib::Headers{{"Authorization", authorization}});
        };
        auto answer = [&](const char* pszPassword) {
            std::string value;
            EXPECT_TRUE(digest.Authorization("GET", kLang, "admin", pszPassword, &value));
            return value;
        };
        ASSERT_EQ(digest.TakeChallenge(DigestChallenges(client.Get(kLang))), Step::Answer) << algorithm;
        const std::string first = answer("secret");
        EXPECT_EQ(get(first)->status, 200);
        EXPECT_EQ(get(first)->status, 401);
        EXPECT_EQ(get(answer("secret"))->status, 200);
        auto stale = get(answer("secret"));
        ASSERT_TRUE(stale);
        EXPECT_EQ(stale->status, 401);
        ASSERT_EQ(digest.TakeChallenge(DigestChallenges(stale)), Step::AnswerStale) << algorithm;
        EXPECT_EQ(get(answer("secret"))->status, 200);
        EXPECT_EQ(get(answer("wrong"))->status, 401);
        std::vector<std::string> results;
        std::string line;
        while (results.size() < 7 && camera.WaitForLine("request lang.cgi auth=", &line))
            results.push_back(line.substr(22, line.find(' ', 22) - 22));
        EXPECT_EQ(results, (std::vector<std::string>{"missing", "ok", "refused", "ok", "stale", "ok", "refused"}))
            << algorithm;
    }
}

// The payload is checked byte for byte against the clip, through a loop and more.
// The faults fall on the records counted; an oversize record joins whole units, so
// the payload is still the clip.
TEST_F(HttpCameraTest, TheLiveBodyIsRecordsOfTheLoopedClipAndItsFaultsFallOnTheRecordsCounted)
{
    CCameraProcess camera(Http({"--status", "0x8007", "--wrong-id-every", "3", "--oversize-record-every", "4"}));
    const uint16_t port = camera.HttpPort();
    ASSERT_NE(port, 0);
    httplib::ClientImpl client("127.0.0.1", port);
    EXPECT_EQ(client.Get(kLang)->status, 200);  // no --user: nothing to check
    EXPECT_EQ(ReadLive(client, [&] { return records.PayloadBytes() > 2 * clip.size(); }), httplib::Error::Canceled);
    ASSERT_FALSE(records.Failed());
    for (size_t i = 0; i < records.Records().size(); i++) {
        const CLiveRecords::Record& record = records.Records()[i];
        const size_t n = i + 1;
        EXPECT_EQ(HasHeadIdentifier(record.identify.identifier), n % 3 != 0) << n;
        EXPECT_EQ(record.identify.usHLength, 50) << n;
        EXPECT_EQ(record.identify.usStatus, 0x8007) << n;
        EXPECT_EQ(record.head.bSequence, static_cast<uint8_t>(i)) << n;
        EXPECT_EQ(record.head.ulTotalLength > kClientBuffer, n % 4 == 0) << n;
        EXPECT_EQ(record.head.usDataLength, std::min<uint32_t>(record.head.ulTotalLength, 0xFFFF)) << n;
    }
    EXPECT_EQ(camParm.GetWidth(), 352u);
    EXPECT_EQ(camParm.GetHeight(), 240u);
    EXPECT_TRUE(records.Payload() == Looped(clip, records.PayloadBytes()));
    EXPECT_TRUE(camera.WaitForLine("live-end client-gone records="));
}

// The whole log of a session: what the filter's stop sends, in the order it comes.
TEST_F(HttpCameraTest, AStopRequestEndsTheLiveBodyAndTheRun)
{
    CCameraProcess camera(Http({}));
    const uint16_t port = camera.HttpPort();
    ASSERT_NE(port, 0);
    httplib::ClientImpl viewer("127.0.0.1", port);
    httplib::Error error = httplib::Error::Unknown;
    std::promise<void> streaming;
    bool bStreaming = false;
    std::thread reading([&] {
        error = ReadLive(viewer, [&] {
            if (!bStreaming && !records.Records().empty()) {
                bStreaming = true;
                streaming.set_value();
            }
            return false;
        });
    });
    const bool bStarted = streaming.get_future().wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    httplib::ClientImpl control("127.0.0.1", port);
    auto stopped = control.Get(kLiveStop);
    reading.join();
    ASSERT_TRUE(bStarted);
    ASSERT_TRUE(stopped);
    EXPECT_EQ(stopped->status, 200);
    EXPECT_EQ(error, httplib::Error::Success);  // the chunked body ended whole
    EXPECT_EQ(camera.Wait(), 0);
    const std::string count = std::to_string(records.Records().size());
    ExpectLines(camera.Lines(), {"http port", "request live-start auth=ok from 127.0.0.1:",
                                 "request live-stop auth=ok from 127.0.0.1:",
                                 "live-end stop-request records=" + count + " from 127.0.0.1:", "end stop-request",
                                 "sent units=" + count + " records=" + count +
                                     " bytes=" + std::to_string(records.Bytes())});
}

TEST_F(HttpCameraTest, AnHttp10BodyIsPlainAndEndsWithTheConnection)
{
    CCameraProcess camera(Http({}));
    const uint16_t port = camera.HttpPort();
    ASSERT_NE(port, 0);
    CTcpPeer viewer(port);
    std::string head, body;
    ASSERT_TRUE(RequestPlainLive(viewer, &head, &body));
    EXPECT_NE(head.find("\r\nConnection: close\r\n"), std::string::npos) << head;
    EXPECT_EQ(head.find("Transfer-Encoding"), std::string::npos) << head;
    ASSERT_TRUE(viewer.ReceiveAtLeast(&body, 3 * kClientBuffer));
    httplib::ClientImpl control("127.0.0.1", port);
    EXPECT_EQ(control.Get(kLiveStop)->status, 200);
    CTcpPeer::Read read;
    while ((read = viewer.Receive(&body, std::chrono::seconds(10))) == CTcpPeer::Read::Data) {
    }
    EXPECT_EQ(read, CTcpPeer::Read::End);
    records.Feed(body.data(), body.size());
    EXPECT_FALSE(records.Failed());
    EXPECT_GE(records.Records().size(), 3u);
    EXPECT_TRUE(camera.WaitForLine("live-end stop-request records="));
}

TEST_F(HttpCameraTest, HttpsWithASelfSignedCertificateOrTheOneGiven)
{
    const std::string dir = testing::TempDir();
    CTlsCertificate given, other;
    std::string error;
    ASSERT_TRUE(given.Generate("127.0.0.1", &error) && other.Generate("127.0.0.1", &error)) << error;
    ASSERT_TRUE(given.Save(dir + "camera-given.crt", dir + "camera-given.key"));
    ASSERT_TRUE(other.Save(dir + "camera-other.crt", dir + "camera-other.key"));
    const std::vector<std::vector<std::string>> runs = {
        {"--tls"}, {"--tls", "--cert", dir + "camera-given.crt", "--key", dir + "camera-given.key"}};
    for (const std::vector<std::string>& tls : runs) {
        std::vector<std::string> more = {"--user", "admin", "--password", "secret"};
        more.insert(more.end(), tls.begin(), tls.end());
        CCameraProcess camera(Http(more));
        const uint16_t port = camera.HttpPort();
        ASSERT_NE(port, 0);
        std::string line;
        ASSERT_TRUE(camera.WaitForLine("tls ", &line));
        EXPECT_EQ(line, tls.size() == 1 ? "tls self-signed" : "tls cert " + tls[2]);
        httplib::SSLClient client("127.0.0.1", port);
        client.enable_server_certificate_verification(false);
        client.set_basic_auth("admin", "secret");
        auto admitted = client.Get(kLang);
        ASSERT_TRUE(admitted) << httplib::to_string(admitted.error());
        EXPECT_EQ(admitted->status, 200);
        CLiveRecords live(&camParm);
        client.Get(kLiveStart, [&](const char* p, size_t cb) {
            live.Feed(p, cb);
            return live.Records().size() < 3;
        });
        EXPECT_EQ(live.Records().size(), 3u);
        EXPECT_FALSE(live.Failed());
    }
    CCameraProcess mismatched(Http({"--tls", "--cert", dir + "camera-given.crt", "--key", dir + "camera-other.key"}));
    EXPECT_EQ(mismatched.Wait(), 1);
    EXPECT_EQ(mismatched.Lines(), std::vector<std::string>{"end error"});
}

// Each live body takes the list's next code: in its heads, or in a status message
// that comes after N records and ends the body whole.
TEST_F(HttpCameraTest, AStatusListGivesEachLiveBodyTheNextStatusInItsHeadsOrAStatusMessage)
{
    for (const bool bMessage : {false, true}) {
        std::vector<std::string> more = {"--status-list", "0x8004,0x8005", "--sessions", "0"};
        if (bMessage) more.insert(more.end(), {"--status-message-after", "2"});
        CCameraProcess camera(Http(more));
        const uint16_t port = camera.HttpPort();
        ASSERT_NE(port, 0);
        std::vector<uint16_t> heads;
        std::vector<std::string> tails;
        for (int body = 0; body < 3; body++) {
            httplib::ClientImpl client("127.0.0.1", port);
            CLiveRecords live(&camParm);
            auto result = client.Get(kLiveStart, [&](const char* p, size_t cb) {
                live.Feed(p, cb);
                return bMessage || live.Records().size() < 2;
            });
            ASSERT_EQ(live.Records().size(), 2u) << bMessage;
            heads.push_back(live.Records()[0].identify.usStatus);
            tails.push_back(live.Tail());
            if (bMessage) {
                EXPECT_EQ(result.error(), httplib::Error::Success);
                EXPECT_EQ(live.Records()[1].identify.usStatus, 0);
                EXPECT_TRUE(camera.WaitForLine("live-end status-message records=2 from"));
            } else {
                EXPECT_TRUE(camera.WaitForLine("live-end "));
            }
        }
        if (bMessage) {
            EXPECT_EQ(heads, (std::vector<uint16_t>{0, 0, 0}));
            EXPECT_EQ(tails, (std::vector<std::string>{"0x8004", "0x8005", "0x8004"}));
            std::vector<std::string> sent;
            for (const std::string& line : camera.Lines())
                if (line.rfind("sent status-message", 0) == 0) sent.push_back(line);
            EXPECT_EQ(sent, (std::vector<std::string>{"sent status-message 0x8004", "sent status-message 0x8005",
                                                      "sent status-message 0x8004"}));
        } else {
            EXPECT_EQ(heads, (std::vector<uint16_t>{0x8004, 0x8005, 0x8004}));
        }
    }
}

TEST_F(HttpCameraTest, ACloseMidRecordCutsTheRecordAfterTheNth)
{
    CCameraProcess camera(Http({"--close-mid-record-after", "2"}));
    const uint16_t port = camera.HttpPort();
    ASSERT_NE(port, 0);
    httplib::ClientImpl client("127.0.0.1", port);
    const httplib::Error error = ReadLive(client, [] { return false; });
    EXPECT_NE(error, httplib::Error::Success);
    EXPECT_NE(error, httplib::Error::Canceled);
    EXPECT_EQ(records.Records().size(), 2u);
    EXPECT_GT(records.Tail().size(), FirstStreamHead::kSize);  // the third's head and some of its bytes
    EXPECT_TRUE(camera.WaitForLine("live-end close-mid-record records=2 from"));
}

// Silent but open until the end of the run, which does not wait for it.
TEST_F(HttpCameraTest, AStallKeepsTheConnectionOpenWithoutData)
{
    CCameraProcess camera(Http({"--stall-after", "2"}));
    const uint16_t port = camera.HttpPort();
    ASSERT_NE(port, 0);
    CTcpPeer viewer(port);
    std::string head, body;
    ASSERT_TRUE(RequestPlainLive(viewer, &head, &body));
    do {
        records.Feed(body.data(), body.size());
        body.clear();
    } while (records.Records().size() < 2 && viewer.Receive(&body, std::chrono::seconds(10)) == CTcpPeer::Read::Data);
    EXPECT_EQ(records.Records().size(), 2u);
    EXPECT_EQ(viewer.Receive(&body, std::chrono::milliseconds(300)), CTcpPeer::Read::Silent);
    camera.Terminate();
    EXPECT_EQ(viewer.Receive(&body, std::chrono::seconds(10)), CTcpPeer::Read::End);
    EXPECT_EQ(camera.Wait(), 0);
    ASSERT_GE(camera.Lines().size(), 3u);
    const std::vector<std::string> last(camera.Lines().end() - 3, camera.Lines().end());
    ExpectLines(last, {"live-end run-end records=2 from 127.0.0.1:", "end signal", "sent units=2 records=2 bytes="});
}

}  // namespace
