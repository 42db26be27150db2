// vcsf-camera as the filter meets it: a real process, real sockets on loopback,
// its log read from its standard output.

#include "tests/simulator/CCameraProcess.h"
#include "tests/simulator/CUdpPeer.h"
#include "tests/simulator/SimulatorAssets.h"

#include "core/ByteOrder.h"
#include "core/CParsePacket.h"
#include "core/CameraHeads.h"
#include "tests/core/CTestCamParmOwner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kStart = {0x00, 0x06, 0x70, 0x01, 0x00, 0x01};
const Bytes kContinue = {0x00, 0x04, 0x70, 0x03};
const Bytes kStop = {0x00, 0x04, 0x70, 0x02};

std::vector<std::string> Unicast(std::vector<std::string> more)
{
    std::vector<std::string> args = {"unicast", "--input", AssetPath("testsrc-352x240.ps"), "--duration", "60"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

uint16_t TypeOf(const Bytes& datagram) { return datagram.size() >= 8 ? ReadBE16(&datagram[6]) : 0; }

class CameraProcessTest : public testing::Test {
protected:
    // checkHead and ParseHead as the receiver calls them: 0 and up when the head holds.
    int32_t Parse(const Bytes& datagram)
    {
        CParsePacket parser(datagram.data(), datagram.size(), &camParm);
        uint16_t type = 0;
        int32_t result = parser.checkHead(&type);
        if (result < 0) return result;
        int32_t start = 0;
        uint16_t length = 0;
        uint32_t total = 0;
        uint8_t number = 0, sequence = 0;
        return parser.ParseHead(&start, &length, &total, &number, &sequence);
    }

    CTestCamParmOwner owner;
    CCamParm camParm{&owner};
    CUdpPeer client;
};

TEST_F(CameraProcessTest, StartResponseStreamAndStopAndAMalformedRequestIsLoggedAndIgnored)
{
    CCameraProcess camera(Unicast({"--status", "0x8006"}));
    const uint16_t port = camera.CommandPort();
    ASSERT_NE(port, 0);
    client.SendTo(port, kStart);
    Bytes datagram;
    ASSERT_TRUE(client.Receive(&datagram));
    ASSERT_EQ(TypeOf(datagram), PTYPE_RES_HEAD);
    EXPECT_EQ(Parse(datagram), 0);
    EXPECT_EQ(camParm.GetStatus(), 0x8006);
    EXPECT_EQ(camParm.GetWidth(), 352u);
    EXPECT_EQ(camParm.GetHeight(), 240u);
    for (int i = 0; i < 20; i++) {
        ASSERT_TRUE(client.Receive(&datagram));
        const uint16_t type = TypeOf(datagram);
        EXPECT_TRUE(type == PTYPE_FIRST || (i > 0 && type == PTYPE_CONT)) << i;
        EXPECT_GE(Parse(datagram), 0);
    }
    EXPECT_TRUE(camParm.IsFirstDataGet());
    client.SendTo(port, {0x00, 0x06, 0x70, 0x01});  // a start request's head without its flag
    client.SendTo(port, kContinue);
    client.SendTo(port, kStop);
    std::string session, totals;
    EXPECT_TRUE(camera.WaitForLine("session ", &session));
    EXPECT_TRUE(camera.WaitForLine("end stop-request"));
    EXPECT_TRUE(camera.WaitForLine("sent units=", &totals));
    EXPECT_EQ(camera.Wait(), 0);
    const std::string from = "from 127.0.0.1:" + std::to_string(client.Port());
    const std::vector<std::string> expected = {"command port " + std::to_string(port), "request start admin=1 " + from,
                                               "sent response status=0x8006", "request unknown bytes=4 " + from,
                                               "request continue " + from,
                                               "request stop " + from, session, "end stop-request", totals};
    EXPECT_EQ(camera.Lines(), expected);
}

// A repeated start stays in its session; the stop request opens the next, and the
// last one ends the run.
TEST_F(CameraProcessTest, AStatusListGivesEachSessionTheNextStatus)
{
    CCameraProcess camera(Unicast({"--sessions", "3", "--status-list", "0x8001,0x8002"}));
    const uint16_t port = camera.CommandPort();
    ASSERT_NE(port, 0);
    std::vector<uint16_t> statuses;
    for (int session = 0; session < 3; session++) {
        CUdpPeer viewer;
        for (int start = 0; start < 2; start++) {
            viewer.SendTo(port, kStart);
            Bytes datagram;
            do {
                ASSERT_TRUE(viewer.Receive(&datagram));
            } while (TypeOf(datagram) != PTYPE_RES_HEAD);
            EXPECT_EQ(Parse(datagram), 0);
            statuses.push_back(camParm.GetStatus());
        }
        viewer.SendTo(port, kStop);
        ASSERT_TRUE(camera.WaitForLine("request stop from 127.0.0.1:" + std::to_string(viewer.Port())));
    }
    EXPECT_EQ(statuses, (std::vector<uint16_t>{0x8001, 0x8001, 0x8002, 0x8002, 0x8001, 0x8001}));
    EXPECT_EQ(camera.Wait(), 0);
    std::vector<std::string> responses;
    for (const std::string& line : camera.Lines())
        if (line.rfind("sent response", 0) == 0) responses.push_back(line);
    const std::string first = "sent response status=0x8001", second = "sent response status=0x8002";
    EXPECT_EQ(responses, (std::vector<std::string>{first, first, second, second, first, first}));
}

// The camera's own count of what it sent, from its last line.
unsigned long long DatagramsSent(const CCameraProcess& camera)
{
    unsigned long long units = 0, datagrams = 0;
    if (camera.Lines().empty() || std::sscanf(camera.Lines().back().c_str(), "sent units=%llu datagrams=%llu", &units,
                                              &datagrams) != 2)
        return 0;
    return datagrams;
}

// Everything the camera sent before a line it logged later is already waiting
// on loopback, so the drained count is exact.
TEST_F(CameraProcessTest, SilentAfterNDatagramsASessionStillAnswersRequests)
{
    CCameraProcess camera(Unicast({"--silent-after", "25", "--sessions", "2"}));
    const uint16_t port = camera.CommandPort();
    ASSERT_NE(port, 0);
    for (int session = 0; session < 2; session++) {
        client.SendTo(port, kStart);
        ASSERT_TRUE(camera.WaitForLine("silent after 25 datagrams")) << session;
        client.SendTo(port, kContinue);
        ASSERT_TRUE(camera.WaitForLine("request continue from")) << session;
        client.SendTo(port, kStop);
        ASSERT_TRUE(camera.WaitForLine("request stop from")) << session;
        const std::vector<Bytes> received = client.Drain();
        ASSERT_EQ(received.size(), 26u) << session;
        EXPECT_EQ(TypeOf(received[0]), PTYPE_RES_HEAD);
        for (size_t i = 1; i < received.size(); i++) EXPECT_GE(Parse(received[i]), 0) << i;
    }
    EXPECT_EQ(camera.Wait(), 0);
    EXPECT_EQ(DatagramsSent(camera), 52u);
    EXPECT_EQ(std::count(camera.Lines().begin(), camera.Lines().end(), "silent after 25 datagrams"), 2);
}

// What a receiver finds wrong in what arrived is what the session line says the
// faults did; it is logged once the input has gone out, and not again at the stop.
TEST_F(CameraProcessTest, TheSessionLineCountsWhatTheFaultsDidToTheDatagramsSent)
{
    CCameraProcess camera(Unicast({"--once", "--rate", "40000000", "--datagram-size", "1024", "--loss", "5",
                                   "--wrong-id-every", "29", "--truncate-every", "31", "--seed", "2"}));
    const uint16_t port = camera.CommandPort();
    ASSERT_NE(port, 0);
    client.SendTo(port, kStart);
    std::string line;
    ASSERT_TRUE(camera.WaitForLine("session ", &line));
    unsigned long long sent = 0, lost = 0, wrongId = 0, truncated = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "session datagrams=%llu lost=%llu wrong-id=%llu truncated=%llu", &sent, &lost,
                          &wrongId, &truncated),
              4)
        << line;
    const std::vector<Bytes> received = client.Drain();
    ASSERT_EQ(received.size(), sent + 1);  // and the response head
    unsigned long long wrong = 0, cut = 0;
    for (const Bytes& datagram : received) {
        const int32_t result = Parse(datagram);
        wrong += result == CParsePacket::kWrongIdentifier;
        cut += result == CParsePacket::kShortPacket;
    }
    EXPECT_GT(lost * wrongId * truncated, 0u);
    EXPECT_EQ(wrong, wrongId);
    EXPECT_EQ(cut, truncated);
    client.SendTo(port, kStop);
    EXPECT_TRUE(camera.WaitForLine("end stop-request"));
    EXPECT_EQ(camera.Wait(), 0);
    EXPECT_EQ(std::count_if(camera.Lines().begin(), camera.Lines().end(),
                            [](const std::string& l) { return l.rfind("session ", 0) == 0; }),
              1);
}

TEST_F(CameraProcessTest, WithoutContinueRequestsTheCameraEndsIdle)
{
    CCameraProcess camera(Unicast({"--idle-timeout", "0.5"}));
    const uint16_t port = camera.CommandPort();
    ASSERT_NE(port, 0);
    client.SendTo(port, kStart);
    EXPECT_TRUE(camera.WaitForLine("end idle"));
    EXPECT_EQ(camera.Wait(), 0);
}

// For receivers that cannot send a start request: no continue requests keep it
// going either, so the idle bound, far shorter than the stream read here, is off.
// Each line of the unit-times file names a unit boundary, in order, as a receiver
// counts the stream bytes.
TEST_F(CameraProcessTest, SendToStreamsWithoutRequestsAndUnitTimesNameEachUnitsEnd)
{
    const std::string path = testing::TempDir() + "camera-unit-times.txt";
    const std::string to = "127.0.0.1:" + std::to_string(client.Port());
    CCameraProcess camera(Unicast({"--send-to", to, "--unit-times", path, "--idle-timeout", "0.1"}));
    const uint16_t port = camera.CommandPort();
    ASSERT_NE(port, 0);
    Bytes datagram;
    ASSERT_TRUE(client.Receive(&datagram));
    EXPECT_EQ(TypeOf(datagram), PTYPE_RES_HEAD);
    std::vector<unsigned long long> boundaries;
    unsigned long long bytes = 0;
    while (boundaries.size() < 40) {
        ASSERT_TRUE(client.Receive(&datagram));
        ASSERT_GE(Parse(datagram), 0);
        const bool bFirst = TypeOf(datagram) == PTYPE_FIRST;
        if (bFirst && bytes > 0) boundaries.push_back(bytes);
        bytes += datagram.size() - (bFirst ? FirstStreamHead::kSize : ContStreamHead::kSize);
    }
    client.SendTo(port, kStop);
    EXPECT_TRUE(camera.WaitForLine("end stop-request"));
    EXPECT_EQ(camera.Wait(), 0);
    ASSERT_GE(camera.Lines().size(), 3u);
    EXPECT_EQ(camera.Lines()[1], "send-to " + to);
    EXPECT_EQ(camera.Lines()[2], "sent response status=0x0000");
    std::FILE* pFile = std::fopen(path.c_str(), "r");
    ASSERT_NE(pFile, nullptr);
    long long ns = 0, lastNs = 0;
    unsigned long long count = 0;
    std::vector<unsigned long long> written;
    while (std::fscanf(pFile, "%lld %llu", &ns, &count) == 2 && written.size() < boundaries.size()) {
        EXPECT_GE(ns, lastNs);
        lastNs = ns;
        written.push_back(count);
    }
    std::fclose(pFile);
    EXPECT_EQ(written, boundaries);
}

// Units outgrow one datagram, so the bound is reached as well as kept.
TEST_F(CameraProcessTest, ADatagramSizeBoundsEveryDatagramAndTheClipStillComesWhole)
{
    const Bytes clip = ReadAsset("testsrc-352x240.ps");
    const std::string to = "127.0.0.1:" + std::to_string(client.Port());
    CCameraProcess camera(Unicast({"--send-to", to, "--datagram-size", "1400", "--rate", "20000000"}));
    const uint16_t port = camera.CommandPort();
    ASSERT_NE(port, 0);
    Bytes datagram;
    ASSERT_TRUE(client.Receive(&datagram));
    EXPECT_EQ(TypeOf(datagram), PTYPE_RES_HEAD);
    Bytes stream;
    size_t largest = 0;
    while (stream.size() < clip.size()) {
        ASSERT_TRUE(client.Receive(&datagram));
        ASSERT_LE(datagram.size(), 1400u);
        ASSERT_GE(Parse(datagram), 0);
        largest = std::max(largest, datagram.size());
        stream.insert(stream.end(), datagram.begin() + ReadBE16(&datagram[4]), datagram.end());
    }
    EXPECT_EQ(largest, 1400u);
    EXPECT_TRUE(std::equal(clip.begin(), clip.end(), stream.begin()));
    client.SendTo(port, kStop);
    EXPECT_TRUE(camera.WaitForLine("end stop-request"));
}

TEST_F(CameraProcessTest, FaultsHitTheDatagramsTheyName)
{
    CCameraProcess camera(Unicast({"--wrong-id-every", "3", "--truncate-every", "5"}));
    const uint16_t port = camera.CommandPort();
    ASSERT_NE(port, 0);
    client.SendTo(port, kStart);
    Bytes datagram;
    ASSERT_TRUE(client.Receive(&datagram));
    ASSERT_EQ(TypeOf(datagram), PTYPE_RES_HEAD);
    for (int n = 1; n <= 30; n++) {
        ASSERT_TRUE(client.Receive(&datagram));
        const int32_t result = Parse(datagram);
        if (n % 3 == 0) EXPECT_EQ(result, CParsePacket::kWrongIdentifier) << n;
        else if (n % 5 == 0) EXPECT_EQ(result, CParsePacket::kShortPacket) << n;
        else EXPECT_GE(result, 0) << n;
    }
    client.SendTo(port, kStop);
    EXPECT_TRUE(camera.WaitForLine("end stop-request"));
}

// Reads the group until the multicast stop head; false when none came.
bool ReceiveUntilStopHead(CUdpPeer& member, Bytes* pDatagram)
{
    while (member.Receive(pDatagram))
        if (TypeOf(*pDatagram) == PTYPE_MC_STOP) return true;
    return false;
}

// One stop head a run: it carries the status list's first code.
TEST_F(CameraProcessTest, MulticastReachesAGroupMemberOnLoopbackAndEndsWithTheStopHead)
{
    const std::string group = "239.255.71.31";
    CUdpPeer member(group);
    CCameraProcess camera({"multicast", "--input", AssetPath("testsrc-352x240.ps"), "--group", group, "--port",
                           std::to_string(member.Port()), "--interface", "127.0.0.1", "--stop-after", "0.5",
                           "--status-list", "0x8003,0x8004", "--duration", "60"});
    Bytes datagram;
    ASSERT_TRUE(member.Receive(&datagram));
    EXPECT_EQ(TypeOf(datagram), PTYPE_MC_FIRST);
    EXPECT_GE(Parse(datagram), 0);
    ASSERT_TRUE(ReceiveUntilStopHead(member, &datagram));
    EXPECT_EQ(Parse(datagram), 0);
    EXPECT_EQ(camParm.GetStatus(), 0x8003);
    EXPECT_TRUE(camera.WaitForLine("sent multicast-stop status=0x8003"));
    EXPECT_TRUE(camera.WaitForLine("end multicast-stop"));
    EXPECT_EQ(camera.Wait(), 0);
}

TEST_F(CameraProcessTest, SilentMulticastStillAnswersTheStopRequest)
{
    const std::string group = "239.255.71.34";
    CUdpPeer member(group);
    CCameraProcess camera({"multicast", "--input", AssetPath("testsrc-352x240.ps"), "--group", group, "--port",
                           std::to_string(member.Port()), "--stop-on-request", "--silent-after", "10",
                           "--duration", "60"});
    const uint16_t port = camera.CommandPort();
    ASSERT_NE(port, 0);
    ASSERT_TRUE(camera.WaitForLine("silent after 10 datagrams"));
    client.SendTo(port, kStop);
    Bytes datagram;
    int stream = 0;
    while (member.Receive(&datagram) && TypeOf(datagram) != PTYPE_MC_STOP) stream++;
    EXPECT_EQ(TypeOf(datagram), PTYPE_MC_STOP);
    EXPECT_EQ(stream, 10);
    EXPECT_TRUE(camera.WaitForLine("end multicast-stop"));
    EXPECT_EQ(camera.Wait(), 0);
    EXPECT_EQ(DatagramsSent(camera), 11u);
}

TEST_F(CameraProcessTest, AChangedMacTurnsMulticastHeadsIntoDuplicates)
{
    const std::string group = "239.255.71.32";
    CUdpPeer member(group);
    CCameraProcess camera({"multicast", "--input", AssetPath("testsrc-352x240.ps"), "--group", group, "--port",
                           std::to_string(member.Port()), "--mac-change-after", "0.3", "--duration", "60"});
    Bytes datagram;
    uint16_t type = 0;
    while (type != PTYPE_DUPLICATED && member.Receive(&datagram)) {
        if (TypeOf(datagram) != PTYPE_MC_FIRST) continue;
        CParsePacket parser(datagram.data(), datagram.size(), &camParm);
        ASSERT_EQ(parser.checkHead(&type), 0);
    }
    EXPECT_EQ(type, PTYPE_DUPLICATED);
    EXPECT_TRUE(camera.WaitForLine("mac changed to 00:80:45:01:02:fc"));
}

}  // namespace
