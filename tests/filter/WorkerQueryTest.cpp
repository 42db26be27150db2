// The small queries that the workers ask the filter, as the filter answers them in
// each state.

#include "tests/filter/CConfiguredFilterTest.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

SYSTEMTIME Time(WORD year, WORD minute)
{
    SYSTEMTIME t = {};
    t.wYear = year;
    t.wMonth = 3;
    t.wDay = 4;
    t.wMinute = minute;
    return t;
}

bool Same(const SYSTEMTIME& a, const SYSTEMTIME& b) { return std::memcmp(&a, &b, sizeof(a)) == 0; }

using WorkerQueryTest = CConfiguredFilterTest;

TEST_F(WorkerQueryTest, TheRateFollowsSeekingUnlessTheAudioModelHoldsRealTime)
{
    filter->SetRate(2.0);
    EXPECT_EQ(filter->GetRate(), 2.0);
    EXPECT_EQ(filter->GetPushInterval(true), 3u);
    EXPECT_EQ(filter->GetPushInterval(false), 7u);
    filter->SetAudioModel(1);
    EXPECT_EQ(filter->GetRate(), 1.0);
    filter->SetRate(3.0);  // refused while the audio model is on
    filter->SetAudioModel(0);
    EXPECT_EQ(filter->GetRate(), 1.0);
    filter->SetRate(-1.0);
    EXPECT_EQ(filter->GetRate(), 1.0);
    EXPECT_EQ(filter->GetPushInterval(false), 25u);
}

TEST_F(WorkerQueryTest, PlaybackProgressCountsOnlyWhileRunning)
{
    const SYSTEMTIME start = Time(2026, 1);
    VARIANT v = {};
    v.byref = const_cast<SYSTEMTIME*>(&start);
    ASSERT_EQ(Set(VCF_PlayDateStart, v), S_OK);
    filter->SetPlayTime({Time(2027, 2), 1, 100});  // stopped: ignored
    PlayPlace restart;
    filter->GetRestartTime(&restart);
    EXPECT_TRUE(Same(restart.time, start));
    EXPECT_EQ(restart.usOrdinal, 0);

    Run();
    EXPECT_FALSE(filter->IsPaused());
    filter->SetPlayTime({Time(2027, 2), 2, 100});
    filter->SetPosTime(Time(2028, 3));
    filter->GetRestartTime(&restart);
    EXPECT_TRUE(Same(restart.time, Time(2027, 2)));
    EXPECT_EQ(restart.usOrdinal, 2);
    EXPECT_EQ(restart.dwDelivered, 100u);
    filter->SetPosRestart(true);
    filter->GetRestartTime(&restart);
    EXPECT_TRUE(Same(restart.time, Time(2028, 3)));
    EXPECT_EQ(restart.dwDelivered, 0u);
    EXPECT_TRUE(filter->IsPosRestart());
    filter->SetRateRestart(true);
    EXPECT_TRUE(filter->IsRateRestart());
}

}  // namespace
