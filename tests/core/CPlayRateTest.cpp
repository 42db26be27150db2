#include "core/CPlayRate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

CPlayRate Rate(double r)
{
    CPlayRate rate;
    rate.Store(r);
    return rate;
}

TEST(CPlayRateTest, PushIntervalsStepAtOneAndTwo)
{
    struct Case {
        double rate;
        uint32_t reader, live;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Case& c : {Case{1.0, 10, 25}, Case{0.5, 10, 25}, Case{0, 10, 25}, Case{-3, 10, 25},
                          Case{1.0001, 3, 7}, Case{2.0, 3, 7}, Case{2.5, 0, 5}, Case{3, 0, 5}, Case{nan, 10, 25}}) {
        SCOPED_TRACE(c.rate);
        EXPECT_EQ(Rate(c.rate).PushInterval(true), c.reader);
        EXPECT_EQ(Rate(c.rate).PushInterval(false), c.live);
    }
}

TEST(CPlayRateTest, TheAudioModelHoldsRealTimeExceptWhileStopping)
{
    CPlayRate rate = Rate(2.0);
    EXPECT_EQ(rate.Get(false, true), 1.0);
    EXPECT_EQ(rate.Get(true, true), 2.0);
    EXPECT_EQ(rate.Get(false, false), 2.0);

    rate.Set(4.0, false, true);
    EXPECT_EQ(rate.Stored(), 1.0);
    rate.Set(4.0, true, true);
    EXPECT_EQ(rate.Stored(), 4.0);
    rate.Set(0.5, false, false);
    EXPECT_EQ(rate.Stored(), 0.5);
}

TEST(CPlayRateTest, RatesThatCannotRunRunAsOne)
{
    for (double r : {-1.0, 0.0, std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(r);
        EXPECT_EQ(Rate(r).Get(false, false), 1.0);
        EXPECT_EQ(Rate(r).Get(true, false), 1.0);
    }
}

}  // namespace
