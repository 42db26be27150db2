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

    CInfoCommand info(folder.Path(), false);
    ASSERT_EQ(info.Run(), 0) << info.Errors();
    EXPECT_EQ(info.Report(), L"recording folder " + folder.Path() +
                                 L"\n"
                                 L"earliest  2026-12-07 17:31:05 UTC\n"
                                 L"latest    2026-12-07 17:33:59 UTC\n"
                                 L"units     3, 1524 bytes, in 3 minute files\n"
                                 L"skipped   1 file (not readable as a minute file)\n"
                                 L"data      not read (vcsf info --check reads every unit and checks it)\n");
}

// One byte of a unit's data, at its place in the file.
void FlipByte(const std::wstring& file, LONG offset)
{
    const HANDLE h = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    BYTE b = 0;
    DWORD done = 0;
    SetFilePointer(h, offset, nullptr, FILE_BEGIN);
    ASSERT_TRUE(ReadFile(h, &b, 1, &done, nullptr) && done == 1);
    b ^= 0x40;
    SetFilePointer(h, offset, nullptr, FILE_BEGIN);
    ASSERT_TRUE(WriteFile(h, &b, 1, &done, nullptr) && done == 1);
    CloseHandle(h);
}

TEST(CInfoCommandTest, CheckReadsEveryUnitAndNamesTheFilesWhoseDataAreCorrupt)
{
    CTempFolder folder(L"vcsf-info");
    CWinMinuteStore store(folder.Path());
    const uint32_t minute = UtcTime(2026, 12, 7, 17, 31);
    WriteRecording(&store, {{minute + 5, MinuteFile::kAreaNormal, 1000},
                            {minute + 30, MinuteFile::kAreaNormal, 500},
                            {minute + 60, MinuteFile::kAreaNormal, 24}});
    CInfoCommand whole(folder.Path(), true);
    EXPECT_EQ(whole.Run(), 0) << whole.Errors();
    EXPECT_NE(whole.Report().find(L"checked   every unit's data are whole\n"), std::wstring::npos) << whole.Report();

    const std::wstring damaged = folder.Path() + L"\\20261207\\17\\20261207-1731.vmf";
    constexpr LONG kFirstUnitData = 32 + 64;  // after the file's header and the unit's frame head
    FlipByte(damaged, kFirstUnitData + 10);
    FlipByte(damaged, kFirstUnitData + 68 + 1000 + 3);  // the second unit's data

    CInfoCommand unchecked(folder.Path(), false);
    EXPECT_EQ(unchecked.Run(), 0) << unchecked.Errors();
    EXPECT_NE(unchecked.Report().find(L"units     3, 1524 bytes"), std::wstring::npos) << unchecked.Report();

    CInfoCommand checked(folder.Path(), true);
    EXPECT_EQ(checked.Run(), 1) << checked.Errors();
    const std::wstring report = checked.Report();
    EXPECT_NE(report.find(L"corrupt   2 units' data fail their checksum, in:\n          " + damaged + L" (2)\n"),
              std::wstring::npos)
        << report;
    EXPECT_EQ(report.find(L"1732"), std::wstring::npos) << report;
}

TEST(CInfoCommandTest, AnEmptyOrMissingFolderIsSaidSo)
{
    CTempFolder folder(L"vcsf-info");
    CInfoCommand empty(folder.Path(), false);
    EXPECT_EQ(empty.Run(), 1);
    EXPECT_NE(empty.Errors().find(L"holds no minute file"), std::wstring::npos) << empty.Errors();
    CInfoCommand missing(folder.Path() + L"\\none", false);
    EXPECT_EQ(missing.Run(), 1);
    EXPECT_NE(missing.Errors().find(L"does not exist"), std::wstring::npos) << missing.Errors();
    CInfoCommand bad(L"", false);
    EXPECT_EQ(bad.Run(), 2);
}

}  // namespace
