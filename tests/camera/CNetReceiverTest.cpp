// The UDP receiver against a camera on loopback: activation, the wait for the first
// packet, datagrams into the ring buffer, and the stop.

#include "camera/CNetReceiver.h"

#include "core/ByteOrder.h"
#include "core/CBufferPool.h"
#include "core/CCamParm.h"
#include "core/CMpegBuffer.h"
#include "tests/core/CBufferPoolTestPeer.h"
#include "tests/core/CTestCamParmOwner.h"
#include "tests/core/CameraDatagrams.h"
#include "tests/support/CLoopbackCamera.h"

#include <gtest/gtest.h>
#include <vfwmsgs.h>
#include <ws2tcpip.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kStart = {0x00, 0x06, 0x70, 0x01, 0x00, 0x00};
const Bytes kContinue = {0x00, 0x04, 0x70, 0x03};
const Bytes kStop = {0x00, 0x04, 0x70, 0x02};
const uint32_t kLoopback = IPv4NetworkOrder(127, 0, 0, 1);

class CNetReceiverTest : public testing::Test {
protected:
    void SetUp() override
    {
        int32_t result = -1;
        pool = std::make_unique<CBufferPool>(54, 4096, &result);
        ASSERT_EQ(result, 0);
        ring = std::make_unique<CMpegBuffer>(0x78000, &result);
        ASSERT_EQ(result, 0);
        HRESULT hr = S_OK;
        receiver = std::make_unique<CNetReceiver>(pool.get(), &owner, &camParm, ring.get(), &hr);
        ASSERT_EQ(hr, S_OK);
        settings.ulAddress = kLoopback;
        settings.dwTimeOut = 10000;  // a bound on a lost packet, not a pace
    }
    void TearDown() override
    {
        receiver.reset();
        EXPECT_EQ(CBufferPoolTestPeer::InUse(*pool), 0u);  // every block went back
    }

    CTestCamParmOwner owner;
    CCamParm camParm{&owner};
    std::unique_ptr<CBufferPool> pool;
    std::unique_ptr<CMpegBuffer> ring;
    std::unique_ptr<CNetReceiver> receiver;
    NetworkSettings settings = {};
};

TEST_F(CNetReceiverTest, UnicastReceivesFromTheFirstPackAndStopsWithTheStopRequest)
{
    CLoopbackCamera camera({Datagram(FirstHead(PTYPE_FIRST, 64, 64), PackWithSystemHeader(64))});
    settings.usPort = camera.Port();
    ASSERT_EQ(receiver->ActivateUnicast(settings), S_OK);
    EXPECT_TRUE(receiver->IsActive());
    const uint16_t streamPort = receiver->LocalPort();
    receiver->Stop();
    EXPECT_FALSE(receiver->IsActive());

    EXPECT_EQ(ring->GetDataSize(), 64u);
    const std::vector<CLoopbackCamera::Request> requests = camera.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].bytes, kStart);
    EXPECT_EQ(requests[1].bytes, kContinue);
    EXPECT_EQ(requests[2].bytes, kStop);
    for (const CLoopbackCamera::Request& r : requests) EXPECT_EQ(r.usFromPort, streamPort);
    ASSERT_FALSE(owner.events.empty());
    EXPECT_EQ(camParm.GetWidth(), 352u);
}

TEST_F(CNetReceiverTest, WithoutACameraTheWaitTimesOutWithItsStatus)
{
    CLoopbackCamera camera({});
    settings.usPort = camera.Port();
    settings.dwTimeOut = 100;
    EXPECT_EQ(receiver->ActivateUnicast(settings), VFW_E_TIMEOUT);
    EXPECT_EQ(camParm.GetStatus(), kStatusNoFirstPacket);
    receiver->Stop();
}

// Each datagram is handled on the receiving thread; a stream error stops it there
// and tells the filter, which notifies the host.
TEST_F(CNetReceiverTest, ARingOverflowStopsTheStreamAndTellsTheFilter)
{
    int32_t result = -1;
    ring = std::make_unique<CMpegBuffer>(16384, &result);  // full after four datagrams
    HRESULT hr = S_OK;
    receiver = std::make_unique<CNetReceiver>(pool.get(), &owner, &camParm, ring.get(), &hr);
    std::vector<Bytes> answer = {Datagram(FirstHead(PTYPE_FIRST, 2000, 1000000), PackWithSystemHeader(2000))};
    for (uint8_t n = 1; n < 10; n++) answer.push_back(ContDatagram(PTYPE_CONT, n, Bytes(4000, n)));
    CLoopbackCamera camera(answer);
    settings.usPort = camera.Port();
    ASSERT_EQ(receiver->ActivateUnicast(settings), S_OK);
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (owner.stopCount == 0 && GetTickCount64() < deadline) SwitchToThread();
    receiver->Stop();
    ASSERT_FALSE(owner.stops.empty());
    EXPECT_TRUE(owner.stops.front());  // with the abort notification
    EXPECT_EQ(camParm.GetStatus(), kStatusBufferOverflow);
}

// A camera sending to a group through the loopback interface, until told to stop.
class CMulticastSender {
public:
    CMulticastSender(uint32_t ulGroup, uint16_t usPort) : m_hSocket(socket(AF_INET, SOCK_DGRAM, 0))
    {
        in_addr nic = {};
        nic.s_addr = kLoopback;
        setsockopt(m_hSocket, IPPROTO_IP, IP_MULTICAST_IF, reinterpret_cast<const char*>(&nic), sizeof(nic));
        m_To.sin_family = AF_INET;
        m_To.sin_port = usPort;
        m_To.sin_addr.s_addr = ulGroup;
    }
    ~CMulticastSender() { closesocket(m_hSocket); }

    void Send(const Bytes& d)
    {
        sendto(m_hSocket, reinterpret_cast<const char*>(d.data()), static_cast<int>(d.size()), 0,
               reinterpret_cast<const sockaddr*>(&m_To), sizeof(m_To));
    }

private:
    SOCKET m_hSocket;
    sockaddr_in m_To = {};
};

// The group is joined on the interface that shares the camera's subnet; a second
// camera on the same group and port (another MAC) stops the stream.
TEST_F(CNetReceiverTest, MulticastOnLoopbackAndAMacChangeStopsTheStream)
{
    settings.ulMCAddress = IPv4NetworkOrder(239, 255, 42, 17);
    settings.usMulticastPort = HostToNet16(static_cast<uint16_t>(40000 + GetCurrentProcessId() % 20000));
    CMulticastSender camera(settings.ulMCAddress, settings.usMulticastPort);
    std::atomic<bool> bActivated{false};
    std::thread sender([&] {
        const ULONGLONG deadline = GetTickCount64() + 10000;
        while (!bActivated && GetTickCount64() < deadline) {
            camera.Send(Datagram(FirstHead(PTYPE_MC_FIRST, 64, 64), PackWithSystemHeader(64)));
            SwitchToThread();
        }
    });
    const HRESULT hr = receiver->ActivateMulticast(settings);
    bActivated = true;
    sender.join();
    ASSERT_EQ(hr, S_OK);

    FirstStreamHead other = FirstHead(PTYPE_MC_FIRST, 10, 10);
    std::memcpy(other.mac, kMacB, 6);
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (owner.stopCount == 0 && GetTickCount64() < deadline) {
        camera.Send(Datagram(other, Bytes(10)));
        SwitchToThread();
    }
    receiver->Stop();
    ASSERT_FALSE(owner.stops.empty());
    EXPECT_EQ(camParm.GetStatus(), kStatusMacChanged);
}

TEST_F(CNetReceiverTest, TheLoopbackInterfaceIsFoundForALoopbackCamera)
{
    EXPECT_EQ(CNetReceiver::GetNICfromIP(IPv4NetworkOrder(127, 0, 0, 9)), kLoopback);
    EXPECT_EQ(CNetReceiver::GetNICfromIP(IPv4NetworkOrder(203, 0, 113, 5)), 0u);
}

}  // namespace
