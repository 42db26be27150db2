// The probe command against the real module beside the test program and a camera's
// command port on loopback that answers the start request with the datagrams given.

#include "tools/vcsf/CFilterHost.h"
#include "tools/vcsf/CProbeCommand.h"

#include "tests/core/CameraDatagrams.h"
#include "tests/support/CLoopbackCamera.h"
#include "tests/support/ComTestUtil.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Bytes = CLoopbackCamera::Bytes;

Bytes ResponseWithStatus(uint16_t usStatus)
{
    ResponseHead h = {};
    std::memcpy(h.common.identifier, kHeadIdentifier, 4);
    h.common.usHLength = ResponseHead::kSize;
    h.common.usType = PTYPE_RES_HEAD;
    h.usStatus = usStatus;
    Bytes bytes(ResponseHead::kSize);
    EncodeResponseHead(h, bytes.data());
    return bytes;
}

bool Contains(const std::wstring& text, const wchar_t* part) { return text.find(part) != std::wstring::npos; }

class CProbeCommandTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(host.Create(&filter), S_OK); }

    // Runs the probe against a camera that answers with `answer`.
    int Probe(std::vector<Bytes> answer, std::vector<std::wstring> more = {})
    {
        camera = std::make_unique<CLoopbackCamera>(std::move(answer));
        std::vector<CConfigCommand::Assignment> assignments = {
            L"VCSF_Address=127.0.0.1", L"VCSF_NIC=127.0.0.1", L"VCSF_Port=" + std::to_wstring(ntohs(camera->Port()))};
        assignments.insert(assignments.end(), more.begin(), more.end());
        probe = std::make_unique<CProbeCommand>(filter.Get());
        return probe->Run(assignments);
    }

    void TearDown() override
    {
        probe.reset();
        filter.Reset();
    }

    CFilterHost host;
    ComPtr<IBaseFilter> filter;
    std::unique_ptr<CLoopbackCamera> camera;
    std::unique_ptr<CProbeCommand> probe;
};

TEST_F(CProbeCommandTest, TheFirstStreamHeadIsReportedAndTheCameraToldToStop)
{
    const Bytes pack = PackWithSystemHeader(64);
    ASSERT_EQ(Probe({Datagram(FirstHead(PTYPE_FIRST, 64, 64), pack)}), 0) << probe->Errors();
    const std::wstring report = probe->Report();
    EXPECT_TRUE(Contains(report, L"resolution    352x240\n")) << report;
    EXPECT_TRUE(Contains(report, L"quality       2 (0 to 4)\n"));
    EXPECT_TRUE(Contains(report, L"frame rate    29.97 frames/s (code 3, 30 Hz system)\n"));
    EXPECT_TRUE(Contains(report, L"camera clock  2026-12-06 19:30:15\n"));
    EXPECT_TRUE(Contains(report, L"status        0x0000 (no error)\n"));
    EXPECT_TRUE(probe->Errors().empty());
    probe.reset();  // the probe stopped the graph: the stop request is out
    const std::vector<CLoopbackCamera::Request> requests = camera->Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().bytes, (Bytes{0x00, 0x04, 0x70, 0x02}));
}

TEST_F(CProbeCommandTest, ACameraErrorIsAFailureInTheCamerasWords)
{
    EXPECT_EQ(Probe({ResponseWithStatus(0x8006)}), 1);
    EXPECT_EQ(probe->Errors(), L"vcsf probe: the camera reports 0x8006 (camera: Invalid settings.)\n");
    EXPECT_TRUE(probe->Report().empty());
}

TEST_F(CProbeCommandTest, ASilentCameraIsAFailureThatNamesTheTimeOut)
{
    EXPECT_EQ(Probe({}, {L"VCSF_TimeOut=300"}), 1);
    EXPECT_EQ(probe->Errors(), L"vcsf probe: no packet from the camera within the time-out, 300 ms (--timeout, VCSF_TimeOut)\n");
}

TEST_F(CProbeCommandTest, AMulticastCameraOffEverySubnetIsNamedAsSuch)
{
    // 203.0.113.0/24 is reserved for documentation: no interface is on it.
    EXPECT_EQ(Probe({}, {L"VCSF_ComType=1", L"VCSF_Address=203.0.113.5"}), 1);
    EXPECT_EQ(probe->Errors(), L"vcsf probe: no interface of this machine is on the subnet of VCSF_Address, so the "
                               L"group cannot be joined (E_FAIL)\n");
}

TEST_F(CProbeCommandTest, ABadAssignmentStopsTheProbeBeforeItStarts)
{
    EXPECT_EQ(Probe({}, {L"NoSuch=1"}), 2);
    EXPECT_EQ(probe->Errors(), L"vcsf probe: there is no property 'NoSuch'\n");
    EXPECT_TRUE(camera->Requests().empty());
}

}  // namespace
