// The command lines the camera refuses, and what it makes of those it takes.

#include "tools/camera/CCameraOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Line(const std::string& mode, std::vector<std::string> more)
{
    std::vector<std::string> args = {mode, "--input", "x"};
    if (mode == "multicast") args.insert(args.end(), {"--group", "239.1.1.1", "--port", "5000"});
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// The refusal's message, or "(taken)".
std::string Refusal(const std::string& mode, std::vector<std::string> more)
{
    CCameraOptions options;
    return options.Parse(Line(mode, std::move(more))) ? "(taken)" : options.Error();
}

TEST(CCameraOptionsTest, AStatusListIsTakenInTurnAndReplacesTheStatus)
{
    CCameraOptions options;
    ASSERT_TRUE(options.Parse(Line("unicast", {"--status-list", "0x8001,32770,0xffff"})));
    EXPECT_EQ(options.statusList, (std::vector<uint16_t>{0x8001, 0x8002, 0xFFFF}));
    const std::vector<uint16_t> turns = {options.StatusOf(0), options.StatusOf(1), options.StatusOf(2),
                                         options.StatusOf(3)};
    EXPECT_EQ(turns, (std::vector<uint16_t>{0x8001, 0x8002, 0xFFFF, 0x8001}));
    std::string sixtyFour = "0";
    for (int i = 1; i < 64; i++) sixtyFour += "," + std::to_string(i);
    EXPECT_EQ(Refusal("http", {"--status-list", sixtyFour}), "(taken)");
    EXPECT_EQ(Refusal("multicast", {"--status-list", "0x8002"}), "(taken)");
}

TEST(CCameraOptionsTest, AMalformedStatusListIsRefused)
{
    std::string sixtyFive = "0";
    for (int i = 1; i < 65; i++) sixtyFive += "," + std::to_string(i);
    for (const std::string& list : {std::string(""), std::string("1,,2"), std::string("1,"), std::string("0x10000"),
                                    std::string("-1"), std::string("0x80 02"), sixtyFive})
        EXPECT_EQ(Refusal("unicast", {"--status-list", list}), "--status-list: invalid value " + list);
    EXPECT_EQ(Refusal("unicast", {"--status", "1", "--status-list", "2"}),
              "--status-list replaces --status: give one of them");
}

TEST(CCameraOptionsTest, SilentAfterIsForTheUdpModes)
{
    EXPECT_EQ(Refusal("unicast", {"--silent-after", "0"}), "(taken)");
    EXPECT_EQ(Refusal("multicast", {"--silent-after", "100"}), "(taken)");
    EXPECT_EQ(Refusal("http", {"--silent-after", "100"}),
              "--silent-after is for unicast and multicast; http has --stall-after");
    EXPECT_EQ(Refusal("unicast", {"--silent-after", "-1"}), "--silent-after: invalid value -1");
    EXPECT_EQ(Refusal("unicast", {"--silent-after", "100", "--silent-for", "2.5"}), "(taken)");
    EXPECT_EQ(Refusal("unicast", {"--silent-for", "2"}), "--silent-for needs --silent-after");
}

TEST(CCameraOptionsTest, HttpErrorStatusesAreForHttpAndFourOrFiveHundreds)
{
    EXPECT_EQ(Refusal("http", {"--live-status", "400", "--lang-status", "599"}), "(taken)");
    for (const char* code : {"399", "600", "200", "0x1f4x"}) {
        EXPECT_EQ(Refusal("http", {"--live-status", code}), std::string("--live-status: invalid value ") + code);
        EXPECT_EQ(Refusal("http", {"--lang-status", code}), std::string("--lang-status: invalid value ") + code);
    }
    EXPECT_EQ(Refusal("unicast", {"--live-status", "503"}), "--live-status is for http");
    EXPECT_EQ(Refusal("multicast", {"--lang-status", "500"}), "--lang-status is for http");
}

TEST(CCameraOptionsTest, DigestAlgorithmsAndStaleNoncesAreForDigest)
{
    CCameraOptions options;
    ASSERT_TRUE(options.Parse(Line("http", {"--auth", "digest", "--digest-algorithm", "sha-256,md5",
                                            "--stale-nonce-after", "1"})));
    EXPECT_EQ(options.digestAlgorithms, (std::vector<DigestHash>{DigestHash::Sha256, DigestHash::Md5}));
    EXPECT_EQ(options.staleNonceAfter, 1u);
    CCameraOptions defaults;
    ASSERT_TRUE(defaults.Parse(Line("http", {"--auth", "digest"})));
    EXPECT_EQ(defaults.digestAlgorithms, std::vector<DigestHash>{DigestHash::Md5});
    EXPECT_EQ(defaults.staleNonceAfter, 0u);
    for (const char* list : {"", "sha256", "md5,md5", "md5,", "SHA-256"})
        EXPECT_EQ(Refusal("http", {"--auth", "digest", "--digest-algorithm", list}),
                  std::string("--digest-algorithm: invalid value ") + list);
    EXPECT_EQ(Refusal("http", {"--auth", "digest", "--stale-nonce-after", "0"}), "--stale-nonce-after: invalid value 0");
    EXPECT_EQ(Refusal("http", {"--digest-algorithm", "md5"}),
              "--digest-algorithm and --stale-nonce-after are for --auth digest");
    EXPECT_EQ(Refusal("http", {"--auth", "basic", "--stale-nonce-after", "2"}),
              "--digest-algorithm and --stale-nonce-after are for --auth digest");
}

TEST(CCameraOptionsTest, ADatagramSizeIsForTheUdpModesWithinItsBounds)
{
    EXPECT_EQ(Refusal("unicast", {"--datagram-size", "76"}), "(taken)");
    EXPECT_EQ(Refusal("multicast", {"--datagram-size", "64"}), "(taken)");
    EXPECT_EQ(Refusal("multicast", {"--datagram-size", "4096"}), "(taken)");
    for (const char* size : {"63", "4097", "0", "1k"})
        EXPECT_EQ(Refusal("multicast", {"--datagram-size", size}), std::string("--datagram-size: invalid value ") + size);
    EXPECT_EQ(Refusal("unicast", {"--datagram-size", "75"}),
              "--datagram-size: unicast sends its 76-byte response head whole, so at least 76");
    EXPECT_EQ(Refusal("http", {"--datagram-size", "4096"}), "--datagram-size is for unicast and multicast");
}

}  // namespace
