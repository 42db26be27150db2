#include "core/CPlayRate.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

CPlayRate Rate(double r)
{
    CPlayRate rate;
    rate.Store(r);
    return rate;
}

TEST(CPlayRateTest, TheAudioModelHoldsRealTimeExceptWhileStopping)
{
    CPlayRate rate = Rate(2.0);
    EXPECT_EQ(rate.Get(false, true), 1.0);
    EXPECT_EQ(rate.Get(true, true), 2.0);
    EXPECT_EQ(rate.Get(false, false), 2.0);

    rate.Set(4.0, false, true);  // playback keeps real time
    EXPECT_EQ(rate.Get(false, false), 1.0);
    rate.Set(4.0, true, true);
    EXPECT_EQ(rate.Get(false, false), 4.0);
    rate.Set(0.5, false, false);
    EXPECT_EQ(rate.Get(false, false), 0.5);
}

TEST(CPlayRateTest, RatesThatCannotRunRunAsOne)
{
    for (double r : {-1.0, 0.0, std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(r);
        EXPECT_EQ(Rate(r).Get(false, false), 1.0);
        EXPECT_EQ(Rate(r).Get(true, false), 1.0);
        EXPECT_EQ(Rate(r).PushInterval(true), Rate(1.0).PushInterval(true));
        EXPECT_EQ(Rate(r).PushInterval(false), Rate(1.0).PushInterval(false));
    }
}

}  // namespace
