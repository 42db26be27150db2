#include "tools/vcsf/CLiveOptions.h"

#include <gtest/gtest.h>

namespace {

using Assignments = std::vector<CConfigCommand::Assignment>;

TEST(CLiveOptionsTest, NetworkOptionsBecomeAssignmentsThatNameWhatTheUserTyped)
{
    CLiveOptions options;
    ASSERT_TRUE(options.Parse({L"--camera=127.0.0.7:5001", L"--nic", L"127.0.0.1", L"--timeout", L"2000", L"HVSF_Rec=true",
                               L"--duration", L"2.5", L"--stall-timeout=4", L"-o", L"-", L"--json"}));
    const Assignments expected = {{L"HVSF_Rec=true"},
                                  {L"VCSF_TimeOut=2000", L"--timeout 2000"},
                                  {L"VCSF_Address=127.0.0.7", L"--camera 127.0.0.7:5001"},
                                  {L"VCSF_Port=5001", L"--camera 127.0.0.7:5001"},
                                  {L"VCSF_NIC=127.0.0.1", L"--nic 127.0.0.1"}};
    EXPECT_EQ(options.assignments, expected);
    EXPECT_EQ(options.output, L"-");
    EXPECT_DOUBLE_EQ(options.duration, 2.5);
    EXPECT_DOUBLE_EQ(options.stallTimeout, 4);
    EXPECT_TRUE(options.bJson);

    // Over HTTP the camera's port is the TCP port, wherever --transport stands.
    CLiveOptions http;
    ASSERT_TRUE(http.Parse({L"--camera", L"127.0.0.7:8443", L"--nic", L"127.0.0.1", L"--transport", L"http", L"--ssl",
                            L"--user", L"admin", L"--password", L"secret", L"-o", L"-"}));
    const Assignments session = {{L"VCSF_ComType=2", L"--transport http"}, {L"VCSF_UseSSL=true", L"--ssl"},
                                 {L"VCSF_UserName=admin", L"--user admin"},  {L"VCSF_Password=secret", L"--password"},
                                 {L"VCSF_Address=127.0.0.7", L"--camera 127.0.0.7:8443"},
                                 {L"VCSF_TCPPort=8443", L"--camera 127.0.0.7:8443"},
                                 {L"VCSF_NIC=127.0.0.1", L"--nic 127.0.0.1"}};
    EXPECT_EQ(http.assignments, session);
}

// A host name is resolved, and the NIC is the one the routing picks toward the camera.
TEST(CLiveOptionsTest, AHostNameIsResolvedAndTheNicFollowsTheRoute)
{
    CLiveOptions options;
    ASSERT_TRUE(options.Parse({L"--multicast", L"239.1.2.3:34600", L"--camera", L"localhost", L"-o", L"out.ps"})) << options.Error();
    const Assignments expected = {{L"VCSF_ComType=1", L"--multicast 239.1.2.3:34600"},
                                  {L"VCSF_MCAddress=239.1.2.3", L"--multicast 239.1.2.3:34600"},
                                  {L"VCSF_MulticastPort=34600", L"--multicast 239.1.2.3:34600"},
                                  {L"VCSF_Address=127.0.0.1", L"--camera localhost"},
                                  {L"VCSF_NIC=127.0.0.1", L"--nic 127.0.0.1 (the route to 127.0.0.1)"}};
    EXPECT_EQ(options.assignments, expected);
    EXPECT_LT(options.duration, 0);  // until Ctrl+C
}

// The arguments of a run that would start, and `more`.
std::vector<std::wstring> Runnable(std::vector<std::wstring> more)
{
    std::vector<std::wstring> args = {L"-o", L"x", L"--camera", L"127.0.0.7", L"--nic", L"127.0.0.1"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

TEST(CLiveOptionsTest, MalformedAndConflictingCommandLinesAreNamed)
{
    const std::vector<std::pair<std::vector<std::wstring>, std::wstring>> cases = {
        {{L"--camera", L"127.0.0.7"}, L"-o FILE (or -o - for standard output) is required"},
        {{L"-o", L"x"}, L"--camera ADDRESS[:PORT] is required: the camera's address or host name"},
        {{L"-o"}, L"-o needs a value"},
        {{L"-o", L"x", L"--camera", L":80"}, L"--camera :80: not ADDRESS[:PORT] with a port from 1 to 65535"},
        {{L"-o", L"x", L"--camera", L"127.0.0.7:99999"},
         L"--camera 127.0.0.7:99999: not ADDRESS[:PORT] with a port from 1 to 65535"},
        {{L"-o", L"x", L"--camera", L"no-such-host.invalid"},
         L"--camera no-such-host.invalid: cannot find the host 'no-such-host.invalid'"},
        {Runnable({L"--duration", L"0"}), L"--duration takes seconds above 0, up to a year"},
        {Runnable({L"--duration", L"inf"}), L"--duration takes seconds above 0, up to a year"},
        {Runnable({L"--duration", L"nan"}), L"--duration takes seconds above 0, up to a year"},
        {Runnable({L"--duration", L"31536001"}), L"--duration takes seconds above 0, up to a year"},
        {Runnable({L"--speed", L"2"}), L"unknown option --speed (vcsf live --help lists them)"},
        {Runnable({L"stray"}), L"'stray' is neither an option nor NAME=VALUE"},
        {Runnable({L"--transport", L"tcp"}), L"--transport takes udp or http"},
        {Runnable({L"--transport", L"http", L"--multicast", L"239.1.2.3"}),
         L"--multicast receives a UDP group; it cannot go with --transport http"},
        {Runnable({L"--user", L"admin"}), L"--user is for the camera's HTTP session: give --transport http with it"},
        {Runnable({L"--ssl"}), L"--ssl is for the camera's HTTP session: give --transport http with it"},
        {Runnable({L"--json=1"}), L"--json takes no value"},
        {Runnable({L"--record", L"d", L"--record-packs", L"p"}),
         L"--record and --record-packs both take the recording pin: give one of them"},
        {Runnable({L"--area", L"alarm"}), L"--area needs --record DIR"},
        {Runnable({L"--record", L"d", L"--area", L"both"}), L"--area takes normal or alarm"},
        {Runnable({L"--stall-recorder", L"2"}), L"--stall-recorder needs --record DIR"},
        {Runnable({L"--record", L"d", L"--stall-recorder", L"61"}), L"--stall-recorder takes seconds above 0, up to 60"},
    };
    for (const auto& [args, error] : cases) {
        CLiveOptions options;
        EXPECT_FALSE(options.Parse(args));
        // A lookup's failure ends with the system's own words.
        EXPECT_EQ(options.Error().substr(0, 11 + error.size()), L"vcsf live: " + error) << options.Error();
    }
}

}  // namespace
