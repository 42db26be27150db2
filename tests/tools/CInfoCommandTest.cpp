#include "minvault/CWinMinuteStore.h"
#include "tests/core/MinuteRecordings.h"
#include "tests/support/CTempFolder.h"
#include "tools/vcsf/CInfoCommand.h"

#include <gtest/gtest.h>

namespace {

TEST(CInfoCommandTest, ShowsTheRecordedRangeUnitsBytesAndWhatWasPassedOver)
{
    CTempFolder folder(L"vcsf-info");
    CWinMinuteStore store(folder.Path());
    const uint32_t day = UtcTime(2026, 12, 7);
    WriteRecording(&store, {{day + 17 * 3600 + 31 * 60 + 5, MinuteFile::kAreaNormal, 1000},
                            {day + 17 * 3600 + 32 * 60, MinuteFile::kAreaAlarm, 500},
                            {day + 17 * 3600 + 33 * 60 + 59, MinuteFile::kAreaNormal, 24}});
    store.Create("20261207/17/20261207-1734.vmf")->Append(reinterpret_cast<const uint8_t*>("not a minute"), 12);

    CInfoCommand info(folder.Path());
    ASSERT_EQ(info.Run(), 0) << info.Errors();
    EXPECT_EQ(info.Report(), L"recording folder " + folder.Path() +
                                 L"\n"
                                 L"earliest  2026-12-07 17:31:05 UTC\n"
                                 L"latest    2026-12-07 17:33:59 UTC\n"
                                 L"units     3, 1524 bytes, in 3 minute files\n"
                                 L"skipped   1 file (not readable as a minute file)\n");
}

TEST(CInfoCommandTest, AnEmptyOrMissingFolderIsSaidSo)
{
    CTempFolder folder(L"vcsf-info");
    CInfoCommand empty(folder.Path());
    EXPECT_EQ(empty.Run(), 1);
    EXPECT_NE(empty.Errors().find(L"holds no minute file"), std::wstring::npos) << empty.Errors();
    CInfoCommand missing(folder.Path() + L"\\none");
    EXPECT_EQ(missing.Run(), 1);
    EXPECT_NE(missing.Errors().find(L"does not exist"), std::wstring::npos) << missing.Errors();
    CInfoCommand bad(L"");
    EXPECT_EQ(bad.Run(), 2);
}

}  // namespace
