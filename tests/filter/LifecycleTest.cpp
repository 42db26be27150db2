// The filter in the system's filter graph, driven by IMediaControl as a host does:
// a pause starts reception from a camera on loopback, a stop ends it.

#include "camera/CNetReceiver.h"
#include "core/CCamParm.h"
#include "core/CMpegBuffer.h"
#include "tests/filter/CConfiguredFilterTest.h"
#include "tests/support/CLoopbackTcpPort.h"

#include <vfwmsgs.h>

#include <cstring>

namespace {

using Bytes = CLoopbackCamera::Bytes;

struct WinsockUser {
    WinsockUser()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockUser() { WSACleanup(); }
};

const Bytes kStop = {0x00, 0x04, 0x70, 0x02};

class LifecycleTest : public CConfiguredFilterTest {
protected:
    void SetUp() override
    {
        CConfiguredFilterTest::SetUp();
        JoinGraph();
    }

    void UseCamera(std::vector<Bytes> answer, DWORD dwTimeOut = 10000)
    {
        camera = std::make_unique<CLoopbackCamera>(std::move(answer));
        VARIANT v = {};
        v.ulVal = IPv4NetworkOrder(127, 0, 0, 1);
        ASSERT_EQ(Set(VCSF_Address, v), S_OK);
        v.uiVal = camera->Port();
        ASSERT_EQ(Set(VCSF_Port, v), S_OK);
        v.ulVal = dwTimeOut;
        ASSERT_EQ(Set(VCSF_TimeOut, v), S_OK);
    }

    FILTER_STATE State(HRESULT* phr = nullptr)
    {
        FILTER_STATE state = State_Stopped;
        const HRESULT hr = filter->GetState(0, &state);
        if (phr) *phr = hr;
        return state;
    }
};

TEST_F(LifecycleTest, APauseReceivesTheCamerasStreamAndTheHostSeesItsParameters)
{
    UseCamera({Datagram(FirstHead(PTYPE_FIRST, 64, 64), PackWithSystemHeader(64))});
    ASSERT_EQ(control->Pause(), S_OK);
    EXPECT_EQ(State(), State_Paused);
    LONG_PTR p1 = 0, p2 = 0;
    ASSERT_TRUE(WaitForEvent(events.Get(), kEventStreamInfo, &p1, &p2));
    StreamInfoBlock seen;
    std::memcpy(&seen, reinterpret_cast<const void*>(p1), sizeof(seen));
    EXPECT_EQ(seen.info.bResolution, 1);  // 352 x 240
    EXPECT_EQ(seen.info.bQuality, 2);

    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_EQ(control->Pause(), S_OK);  // a live pause from running cannot cue
    HRESULT hr = S_OK;
    EXPECT_EQ(State(&hr), State_Paused);
    EXPECT_EQ(hr, VFW_S_CANT_CUE);

    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_EQ(State(&hr), State_Stopped);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(CFilterTestPeer::Ring(filter.Get())->GetDataSize(), 0u);  // reset by the stop
    EXPECT_EQ(camera->Requests().back().bytes, kStop);
}

TEST_F(LifecycleTest, WithoutACameraThePauseTimesOutAndTheStatusSaysWhy)
{
    UseCamera({}, 100);
    EXPECT_EQ(control->Pause(), VFW_E_TIMEOUT);
    EXPECT_EQ(CFilterTestPeer::CamParm(filter.Get())->GetStatus(), kStatusNoFirstPacket);
    EXPECT_EQ(control->Stop(), S_OK);
    EXPECT_EQ(State(), State_Stopped);
}

// A failed start leaves nothing running: the camera is told to stop, and a second
// pause, as a host that tries again makes it, starts afresh over no old socket.
// The camera takes the stop on its own thread, and a joined thread leaves the
// process's count a moment later: both are waited for.
TEST_F(LifecycleTest, AFailedPauseEndsItsReceptionAndASecondPauseStartsAfresh)
{
    UseCamera({}, 100);
    const DWORD before = ThreadCount();
    for (int i = 0; i < 2; i++) {
        ASSERT_EQ(filter->Pause(), VFW_E_TIMEOUT);
        EXPECT_EQ(State(), State_Stopped);
        EXPECT_FALSE(CFilterTestPeer::IsTransportActive(filter.Get()));
        EXPECT_TRUE(WaitUntil([&] { return camera->Requests().back().bytes == kStop; }));
        EXPECT_TRUE(WaitUntil([&] { return ThreadCount() == before; })) << ThreadCount() << " threads, " << before << " before";
    }
    VARIANT type = {};
    type.uiVal = 1;
    EXPECT_EQ(Set(VCSF_ComType, type), S_OK);  // stopped, and so free to change
    ASSERT_EQ(filter->Stop(), S_OK);
}

TEST_F(LifecycleTest, AFailedHttpStartLeavesTheFilterFreeToChangeItsTransport)
{
    WinsockUser winsock;
    CLoopbackTcpPort closed(false);
    UseCamera({});
    VARIANT v = {};
    v.uiVal = 2;
    ASSERT_EQ(Set(VCSF_ComType, v), S_OK);
    v.uiVal = HostToNet16(closed.Port());
    ASSERT_EQ(Set(VCSF_TCPPort, v), S_OK);
    EXPECT_HRESULT_FAILED(control->Pause());
    EXPECT_EQ(State(), State_Stopped);
    v.uiVal = 0;
    EXPECT_EQ(Set(VCSF_ComType, v), S_OK);
    ASSERT_EQ(control->Stop(), S_OK);
}

TEST_F(LifecycleTest, TransportsThatDoNotExistRefuseThePauseCleanly)
{
    UseCamera({});
    VARIANT type = {};
    type.uiVal = 5;
    ASSERT_EQ(Set(VCSF_ComType, type), S_OK);
    EXPECT_EQ(control->Pause(), E_NOTIMPL);
    EXPECT_EQ(State(), State_Stopped);
    ASSERT_EQ(control->Stop(), S_OK);
    type.uiVal = 8;
    ASSERT_EQ(Set(VCSF_ComType, type), S_OK);
    EXPECT_EQ(control->Pause(), E_FAIL);
    EXPECT_EQ(State(), State_Stopped);
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_TRUE(camera->Requests().empty());
}

// The link statistics stay readable once stopped, as the last run left them, and
// begin again at the next start.
TEST_F(LifecycleTest, TheLinkStatisticsOfARunLastUntilTheNextStart)
{
    const Bytes first = Datagram(FirstHead(PTYPE_FIRST, 64, 64), PackWithSystemHeader(64));
    Bytes wrongId = first;
    wrongId[0] ^= 0x20;
    UseCamera({first});
    ComPtr<IVCSFStatistics> statistics;
    ASSERT_EQ(filter.As(&statistics), S_OK);
    VCSF_STATISTICS s = {};
    s.cbSize = sizeof(s);
    auto counted = [&](ULONGLONG received, ULONGLONG wrong) {
        return WaitUntil([&] {
            return statistics->GetStatistics(&s) == S_OK && s.ullReceived == received && s.ullWrongIdentifiers == wrong;
        });
    };
    ASSERT_EQ(control->Pause(), S_OK);
    camera->Send({wrongId});
    ASSERT_TRUE(counted(2, 1)) << s.ullReceived << " received, " << s.ullWrongIdentifiers << " wrong";
    EXPECT_EQ(s.ullReceivedBytes, first.size() + wrongId.size());
    ASSERT_EQ(control->Stop(), S_OK);
    ASSERT_EQ(statistics->GetStatistics(&s), S_OK);
    EXPECT_EQ(s.ullReceived, 2u);
    EXPECT_EQ(s.ullWrongIdentifiers, 1u);
    ASSERT_EQ(control->Pause(), S_OK);
    EXPECT_TRUE(counted(1, 0)) << s.ullReceived << " received, " << s.ullWrongIdentifiers << " wrong";
    ASSERT_EQ(control->Stop(), S_OK);
}

// Every pause starts a receiving thread and a command thread, every stop ends both.
TEST_F(LifecycleTest, PauseAndStopCyclesLeaveNoThreadBehind)
{
    UseCamera({Datagram(FirstHead(PTYPE_FIRST, 64, 64), PackWithSystemHeader(64))});
    ASSERT_EQ(control->Pause(), S_OK);
    ASSERT_EQ(control->Stop(), S_OK);
    const DWORD before = ThreadCount();
    for (int i = 0; i < 50; i++) {
        ASSERT_EQ(control->Pause(), S_OK);
        ASSERT_EQ(control->Stop(), S_OK);
    }
    EXPECT_EQ(ThreadCount(), before);
    EXPECT_EQ(CFilterTestPeer::IsTransportActive(filter.Get()), false);
}

}  // namespace
