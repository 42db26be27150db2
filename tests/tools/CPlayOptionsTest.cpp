#include "tools/vcsf/CPlayOptions.h"

#include <gtest/gtest.h>

TEST(CPlayOptionsTest, TheFolderRangeSpeedAndAreaAreTaken)
{
    CPlayOptions options;
    ASSERT_TRUE(options.Parse({L"-o", L"-", L"--from=2026-12-07T17:31:05Z", L"rec", L"--to", L"2026-12-07T18:00:00Z",
                               L"--speed", L"0.5", L"--area", L"alarm", L"--json"}));
    EXPECT_EQ(options.folder, L"rec");
    EXPECT_EQ(options.output, L"-");
    EXPECT_EQ(options.from, L"2026-12-07T17:31:05Z");
    EXPECT_EQ(options.to, L"2026-12-07T18:00:00Z");
    EXPECT_DOUBLE_EQ(options.speed, 0.5);
    const std::vector<CConfigCommand::Assignment> area = {{L"VCF_PlayArea=2", L"--area alarm"}};
    EXPECT_EQ(options.assignments, area);
    EXPECT_TRUE(options.bJson);
}

TEST(CPlayOptionsTest, AMalformedCommandLineIsRefusedWithItsReason)
{
    const std::pair<std::vector<std::wstring>, const wchar_t*> cases[] = {
        {{L"-o", L"out.ps"}, L"vcsf play: the recording folder DIR is required"},
        {{L"rec"}, L"vcsf play: -o FILE (or -o - for standard output) is required"},
        {{L"rec", L"other", L"-o", L"-"}, L"vcsf play: one recording folder only: 'other' is a second"},
        {{L"rec", L"-o", L"-", L"--speed", L"0"}, L"vcsf play: --speed takes a factor from 0.0625 to 16"},
        {{L"rec", L"-o", L"-", L"--speed", L"2x"}, L"vcsf play: --speed takes a factor from 0.0625 to 16"},
        {{L"rec", L"-o", L"-", L"--area", L"both"}, L"vcsf play: --area takes normal or alarm"},
        {{L"rec", L"-o"}, L"vcsf play: -o needs a value"},
        {{L"rec", L"-o", L"-", L"--loop", L"1"}, L"vcsf play: unknown option --loop (vcsf play --help lists them)"},
        {{L"rec", L"-o", L"-", L"--json=yes"}, L"vcsf play: --json takes no value"},
    };
    for (const auto& [args, error] : cases) {
        CPlayOptions options;
        EXPECT_FALSE(options.Parse(args));
        EXPECT_EQ(options.Error(), error);
    }
}
