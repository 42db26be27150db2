#include "core/CMinuteFilePath.h"

#include <gtest/gtest.h>

namespace {

TEST(CMinuteFilePathTest, NamesTheMinuteAndReadsItBack)
{
    EXPECT_EQ(CMinuteFilePath::RelativePath(1796664719), "20261207/17/20261207-1731.vmf");
    EXPECT_EQ(CMinuteFilePath::RelativePath(0), "19700101/00/19700101-0000.vmf");
    EXPECT_EQ(CMinuteFilePath::RelativePath(951782400), "20000229/00/20000229-0000.vmf");
    for (uint32_t t : {0u, 59u, 951782399u, 1796664719u, 4294967295u}) {
        SCOPED_TRACE(t);
        uint32_t minute = 1;
        ASSERT_TRUE(CMinuteFilePath::MinuteOfPath(CMinuteFilePath::RelativePath(t), &minute));
        EXPECT_EQ(minute, CMinuteFilePath::MinuteStart(t));
    }
}

TEST(CMinuteFilePathTest, TakesOnlyWellFormedNames)
{
    uint32_t minute = 0;
    EXPECT_TRUE(CMinuteFilePath::MinuteOfPath("C:\\rec\\20261207\\17\\20261207-1731.VMF", &minute));
    EXPECT_EQ(minute, 1796664660u);
    EXPECT_TRUE(CMinuteFilePath::MinuteOfPath("20240229-2359.vmf", &minute));
    for (const char* name : {"20230229-1200.vmf", "20261307-1731.vmf", "20261200-1731.vmf", "20261207-2400.vmf",
                             "20261207-1760.vmf", "19691231-2359.vmf", "21060207-0629.vmf", "20261207_1731.vmf",
                             "20261207-1731.vm", "20261207-1731.vmfx", "2026120a-1731.vmf", "20261207-1731",
                             "20261207/17/", ""}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(CMinuteFilePath::MinuteOfPath(name, &minute));
    }
}

}  // namespace
