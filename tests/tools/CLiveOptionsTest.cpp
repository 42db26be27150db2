#include "tools/vcsf/CLiveOptions.h"

#include <gtest/gtest.h>

namespace {

TEST(CLiveOptionsTest, NetworkOptionsBecomeTheAssignmentsTheFilterChecks)
{
    CLiveOptions options;
    ASSERT_TRUE(options.Parse({L"--camera", L"10.0.0.7:5001", L"--nic", L"10.0.0.1", L"--timeout", L"2000",
                               L"HVSF_Rec=true", L"--duration", L"2.5", L"-o", L"-", L"--json"}));
    const std::vector<std::wstring> expected = {L"VCSF_NIC=10.0.0.1", L"VCSF_TimeOut=2000", L"HVSF_Rec=true",
                                                L"VCSF_Address=10.0.0.7", L"VCSF_Port=5001"};
    EXPECT_EQ(options.assignments, expected);
    EXPECT_EQ(options.output, L"-");
    EXPECT_DOUBLE_EQ(options.duration, 2.5);
    EXPECT_TRUE(options.bJson);

    CLiveOptions multicast;
    ASSERT_TRUE(multicast.Parse({L"--multicast", L"239.1.2.3:34600", L"-o", L"out.ps"}));
    const std::vector<std::wstring> group = {L"VCSF_ComType=1", L"VCSF_MCAddress=239.1.2.3",
                                             L"VCSF_MulticastPort=34600"};
    EXPECT_EQ(multicast.assignments, group);
    EXPECT_LT(multicast.duration, 0);  // until Ctrl+C

    // Over HTTP the camera's port is the TCP port, wherever --transport stands.
    CLiveOptions http;
    ASSERT_TRUE(http.Parse({L"--camera", L"10.0.0.7:8443", L"--transport", L"http", L"--ssl", L"--user", L"admin",
                            L"--password", L"secret", L"-o", L"-"}));
    const std::vector<std::wstring> session = {L"VCSF_ComType=2",      L"VCSF_UseSSL=true",     L"VCSF_UserName=admin",
                                               L"VCSF_Password=secret", L"VCSF_Address=10.0.0.7", L"VCSF_TCPPort=8443"};
    EXPECT_EQ(http.assignments, session);

    CLiveOptions record;
    ASSERT_TRUE(record.Parse({L"--area", L"alarm", L"--record", L"D:\\rec", L"-o", L"-"}));
    EXPECT_EQ(record.recordFolder, L"D:\\rec");
    EXPECT_EQ(record.recordArea, CLiveOptions::kAreaAlarm);
    EXPECT_EQ(record.assignments, std::vector<std::wstring>{L"HVSF_Rec=true"});
}

TEST(CLiveOptionsTest, MalformedCommandLinesAreNamed)
{
    const std::vector<std::pair<std::vector<std::wstring>, std::wstring>> cases = {
        {{L"--camera", L"10.0.0.7"}, L"vcsf live: -o FILE (or -o - for standard output) is required"},
        {{L"-o"}, L"vcsf live: -o needs a value"},
        {{L"-o", L"x", L"--duration", L"0"}, L"vcsf live: --duration takes seconds above 0"},
        {{L"-o", L"x", L"--camera", L":80"}, L"vcsf live: ':80' is not ADDRESS[:PORT]"},
        {{L"-o", L"x", L"--speed", L"2"}, L"vcsf live: unknown option --speed"},
        {{L"-o", L"x", L"stray"}, L"vcsf live: 'stray' is neither an option nor NAME=VALUE"},
        {{L"-o", L"x", L"--transport", L"tcp"}, L"vcsf live: --transport takes udp or http"},
        {{L"-o", L"x", L"--record", L"d", L"--record-packs", L"p"},
         L"vcsf live: --record and --record-packs both take the recording pin: give one of them"},
        {{L"-o", L"x", L"--area", L"alarm"}, L"vcsf live: --area needs --record DIR"},
        {{L"-o", L"x", L"--record", L"d", L"--area", L"both"}, L"vcsf live: --area takes normal or alarm"},
        {{L"-o", L"x", L"--stall-recorder", L"2"}, L"vcsf live: --stall-recorder needs --record DIR"},
        {{L"-o", L"x", L"--record", L"d", L"--stall-recorder", L"61"},
         L"vcsf live: --stall-recorder takes seconds above 0, up to 60"},
    };
    for (const auto& [args, error] : cases) {
        CLiveOptions options;
        EXPECT_FALSE(options.Parse(args));
        EXPECT_EQ(options.Error(), error);
    }
}

}  // namespace
