#include "core/CBackOff.h"

#include <gtest/gtest.h>

namespace {

// Each wait lies within a fifth of its base: 0.5, 1, 2 ... 16, then 30 s for good.
void ExpectBases(CBackOff* pBackOff, uint64_t nowMs, std::initializer_list<uint32_t> bases)
{
    for (uint32_t base : bases) {
        const uint32_t delay = pBackOff->NextDelay(nowMs);
        EXPECT_GE(delay, base - base / 5) << base;
        EXPECT_LE(delay, base + base / 5) << base;
        nowMs += delay;
    }
}

TEST(CBackOffTest, WaitsDoubleFromHalfASecondToThirtySeconds)
{
    CBackOff backOff(7);
    ExpectBases(&backOff, 0, {500, 1000, 2000, 4000, 8000, 16000, 30000, 30000, 30000});
}

TEST(CBackOffTest, AMinuteOfHealthyLinkStartsAgainFromTheShortestWait)
{
    CBackOff backOff(7);
    ExpectBases(&backOff, 0, {500, 1000, 2000});
    backOff.Recovered(10'000);
    // A link that breaks again within the minute keeps backing off.
    ExpectBases(&backOff, 10'000 + CBackOff::kHealthyMs - 1, {4000});
    backOff.Recovered(100'000);
    ExpectBases(&backOff, 100'000 + CBackOff::kHealthyMs, {500, 1000});
}

TEST(CBackOffTest, WaitsAreSpreadNotFixed)
{
    CBackOff a(1), b(2);
    uint32_t differ = 0;
    for (int i = 0; i < 20; ++i) differ += a.NextDelay(0) != b.NextDelay(0);
    EXPECT_GT(differ, 10u);
}

}  // namespace
