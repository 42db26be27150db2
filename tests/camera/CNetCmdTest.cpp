// The command channel against a camera's command port on loopback: the requests'
// bytes and their order.

#include "camera/CNetCmd.h"

#include "core/ByteOrder.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

class CNetCmdTestPeer {
public:
    static void SetIntervals(CNetCmd& command, DWORD dwFirstMs, DWORD dwIntervalMs)
    {
        command.SetIntervals(dwFirstMs, dwIntervalMs);
    }
};

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kStart = {0x00, 0x06, 0x70, 0x01, 0x00, 0x00};
const Bytes kStartAdmin = {0x00, 0x06, 0x70, 0x01, 0x00, 0x01};
const Bytes kContinue = {0x00, 0x04, 0x70, 0x03};
const Bytes kStop = {0x00, 0x04, 0x70, 0x02};
const uint32_t kLoopback = IPv4NetworkOrder(127, 0, 0, 1);

// The camera's command port: records each datagram and the port it came from.
class CCommandPeer {
public:
    CCommandPeer()
    {
        m_hSocket = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local = {};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = kLoopback;
        bind(m_hSocket, reinterpret_cast<sockaddr*>(&local), sizeof(local));
        int length = sizeof(local);
        getsockname(m_hSocket, reinterpret_cast<sockaddr*>(&local), &length);
        m_usPort = local.sin_port;
        const DWORD timeout = 10000;  // a bound on a lost request, not a pace
        setsockopt(m_hSocket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
    }
    ~CCommandPeer() { closesocket(m_hSocket); }

    uint16_t Port() const { return m_usPort; }  // network order

    // The next datagram, or an empty one when none came within the bound.
    Bytes Next(uint16_t* pusFromPort = nullptr)
    {
        char buffer[64];
        sockaddr_in from = {};
        int length = sizeof(from);
        const int n = recvfrom(m_hSocket, buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (n <= 0) return {};
        if (pusFromPort) *pusFromPort = NetToHost16(from.sin_port);
        return Bytes(buffer, buffer + n);
    }

private:
    SOCKET m_hSocket = INVALID_SOCKET;
    uint16_t m_usPort = 0;
};

sockaddr_in Destination(uint16_t usPort)
{
    sockaddr_in destination = {};
    destination.sin_family = AF_INET;
    destination.sin_port = usPort;
    destination.sin_addr.s_addr = kLoopback;
    return destination;
}

class CNetCmdTest : public testing::Test {
protected:
    void SetUp() override
    {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    }
    void TearDown() override { WSACleanup(); }
};

TEST_F(CNetCmdTest, ContinueRequestsRepeatUntilTheStopEndsThem)
{
    CCommandPeer camera;
    SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    {
        CNetCmd command(s, Destination(camera.Port()));
        CNetCmdTestPeer::SetIntervals(command, 1, 1);
        ASSERT_EQ(command.SendStartReq(false), 0);
        ASSERT_EQ(command.InitContThread(), S_OK);
        EXPECT_EQ(camera.Next(), kStart);
        for (int i = 0; i < 3; i++) EXPECT_EQ(camera.Next(), kContinue);
        EXPECT_EQ(command.StopContThread(), 0);
        EXPECT_EQ(command.StopContThread(), 0);  // a second stop returns at once
    }
    for (Bytes next; !(next = camera.Next()).empty() && next != kStop;) EXPECT_EQ(next, kContinue);
    closesocket(s);
}

// The receiving thread's stop path and the filter's Stop end the renewal at the same
// moment; neither may wait on a handle that the other has closed.
TEST_F(CNetCmdTest, TwoThreadsStoppingTheRenewalTogetherBothReturn)
{
    CCommandPeer camera;
    SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    CNetCmd command(s, Destination(camera.Port()));
    for (int i = 0; i < 200; i++) {
        ASSERT_EQ(command.InitContThread(), S_OK);
        std::thread other([&] { command.StopContThread(); });
        EXPECT_EQ(command.StopContThread(), 0);
        other.join();
    }
    closesocket(s);
}

TEST_F(CNetCmdTest, TheAdministratorFlagIsTheStartRequestsLastByteAndAFailedSendIsReported)
{
    CCommandPeer camera;
    SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    CNetCmd command(s, Destination(camera.Port()));
    EXPECT_EQ(command.SendStartReq(true), 0);
    EXPECT_EQ(camera.Next(), kStartAdmin);
    closesocket(s);
    EXPECT_EQ(command.SendStopReq(), -1);
}

}  // namespace
