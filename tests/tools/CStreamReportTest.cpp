#include "tools/vcsf/CStreamReport.h"

#include <gtest/gtest.h>

namespace {

TEST(CStreamReportTest, StatusCodesCarryTheirMeaning)
{
    EXPECT_EQ(CStreamReport::Status(0x800B), L"0x800B (camera: Wrong protocol selected.)");
    EXPECT_EQ(CStreamReport::Status(0x9005),
              L"0x9005 (the camera's MAC address changed: two cameras on one address and port?)");
    EXPECT_EQ(CStreamReport::Status(0x800C), L"0x800C (unknown status)");
}

TEST(CStreamReportTest, FrameRatesFollowTheVideoSystem)
{
    StreamInfoBlock block = {};
    block.info.usFrameRate = 4;
    block.info.bVideoSystem = 1;
    EXPECT_NE(CStreamReport::Parameters(block, 720, 576).find(L"frame rate    50.00 frames/s (code 4, 25 Hz system)\n"),
              std::wstring::npos);
    block.info.usFrameRate = 9;
    EXPECT_NE(CStreamReport::Parameters(block, 720, 576).find(L"frame rate    code 9 (unknown)\n"), std::wstring::npos);
}

}  // namespace
