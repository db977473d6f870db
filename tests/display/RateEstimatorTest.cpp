// The rate estimator, each case in fresh process state (CTest runs every case
// as its own process): the one-second window, the 1023-interval history, an
// all-zero window, and free-running counters that wrap past 2^32.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "display/RateEstimator.h"

namespace {

std::string Shown(double rate)
{
    char text[64];
    std::snprintf(text, sizeof text, "%4.3f", rate);
    return text;
}

struct Stretch {
    int count;
    double ms;
};

struct WindowCase {
    const char* name;
    std::vector<Stretch> runs;
    double rate;       // the last call's result
    const char* shown; // and how it prints
};

void PrintTo(const WindowCase& c, std::ostream* os) { *os << c.name; }

class RateWindow : public ::testing::TestWithParam<WindowCase> {};

} // namespace

TEST_P(RateWindow, AveragesTheNewestIntervalsThatReachOneSecond)
{
    const WindowCase& c = GetParam();
    double rate = 0;
    for (const Stretch& run : c.runs)
        for (int i = 0; i < run.count; ++i)
            rate = UpdateRate(run.ms);
    EXPECT_DOUBLE_EQ(c.rate, rate);
    EXPECT_EQ(c.shown, Shown(rate));
}

INSTANTIATE_TEST_SUITE_P(
    FreshState, RateWindow,
    ::testing::Values(
        WindowCase{"One8ms", {{1, 8.0}}, 125.0, "125.000"},
        WindowCase{"Exactly125Of8ms", {{125, 8.0}}, 125.0, "125.000"},
        WindowCase{"WindowOfTheNewest125Of200", {{200, 8.0}}, 125.0, "125.000"},
        // 2.0 and then 998 x 1.0 make exactly 1000 ms: n = 999.
        WindowCase{"CrossingCountsTheIntervalThatReachesASecond", {{1000, 1.0}, {1, 2.0}},
                   1000.0 / (1000.0 / 999), "999.000"},
        // 16 intervals make 1024 ms; the four older ones stay out.
        WindowCase{"LongIntervalsStopAfter16", {{20, 64.0}}, 15.625, "15.625"},
        // 8.0 and then 62 x 16.0 reach 1000 exactly: n = 63.
        WindowCase{"ExactSecondAfterAShortInterval", {{62, 16.0}, {1, 8.0}}, 63.0, "63.000"},
        // 25 ms in all: every retained interval counts.
        WindowCase{"ShortOfASecondTakesEverything", {{10, 1.0}, {5, 3.0}}, 600.0, "600.000"},
        // The 1023 retained intervals sum to 511.5 ms: 2000 Hz.
        WindowCase{"FullHistoryShortOfASecond", {{3000, 0.5}}, 2000.0, "2000.000"}),
    [](const ::testing::TestParamInfo<WindowCase>& info) { return info.param.name; });

TEST(RateEstimator, KeepsTheNewest1023AndDropsTheOldest)
{
    // A 64 ms interval followed by 1022 of 0.5 ms: 575 ms over 1023 intervals.
    double rate = UpdateRate(64.0);
    for (int i = 0; i < 1022; ++i)
        rate = UpdateRate(0.5);
    EXPECT_EQ(1023u, g_nHistEnd - g_nHistStart) << "after 1023 calls";
    EXPECT_DOUBLE_EQ(1000.0 / (575.0 / 1023), rate);

    // The next one drops the 64 ms interval, not itself or another.
    rate = UpdateRate(0.5);
    EXPECT_EQ(1023u, g_nHistEnd - g_nHistStart) << "after 1024 calls";
    EXPECT_EQ(1u, g_nHistStart);
    EXPECT_DOUBLE_EQ(2000.0, rate) << "1023 x 0.5 ms remain";

    for (int i = 0; i < 5000; ++i)
        UpdateRate(0.5);
    EXPECT_EQ(1023u, g_nHistEnd - g_nHistStart) << "after 6024 calls";
}

TEST(RateEstimator, AllZeroIntervalsGiveAnInfiniteRateNotANumberOrACrash)
{
    double rate = UpdateRate(0.0);
    EXPECT_TRUE(std::isinf(rate) && rate > 0) << "got " << rate;
    for (int i = 0; i < 2000; ++i)
        rate = UpdateRate(0.0);
    EXPECT_TRUE(std::isinf(rate) && rate > 0) << "got " << rate << " with a full history";

    // One real interval among the zeros: 8 ms over 1023 intervals.
    rate = UpdateRate(8.0);
    EXPECT_DOUBLE_EQ(1000.0 / (8.0 / 1023), rate);
}

namespace {

// Intervals that vary, with stretches that reach a second in a few hundred
// intervals and stretches that never do, so walks run across the slot where
// the counters wrap both ways.
std::vector<double> VariedIntervals()
{
    std::vector<double> v;
    for (int i = 0; i < 4000; ++i) {
        if ((i / 900) % 2 == 0)
            v.push_back(0.25 + (i % 13) * 0.37);
        else
            v.push_back((i % 7) * 0.05);
    }
    return v;
}

std::vector<double> RatesFrom(uint32_t counter, const std::vector<double>& intervals)
{
    std::memset(g_history, 0, sizeof g_history);
    g_nHistStart = g_nHistEnd = counter;
    std::vector<double> rates;
    for (double ms : intervals) {
        rates.push_back(UpdateRate(ms));
        if (g_nHistEnd - g_nHistStart > 1023u)
            ADD_FAILURE() << "retained " << (g_nHistEnd - g_nHistStart) << " at end counter "
                          << g_nHistEnd;
    }
    return rates;
}

} // namespace

TEST(RateEstimator, CountersThatWrapPast2To32BehaveAsFromZero)
{
    const std::vector<double> intervals = VariedIntervals();
    const std::vector<double> fromZero = RatesFrom(0, intervals);
    for (uint32_t start : {0xFFFFFFFFu - 700u, 0xFFFFFFFFu - 1500u, 0xFFFFFFFFu, 0xFFFFFC00u}) {
        SCOPED_TRACE(testing::Message() << "counters start at " << start);
        const std::vector<double> wrapped = RatesFrom(start, intervals);
        ASSERT_EQ(fromZero.size(), wrapped.size());
        size_t differ = 0;
        for (size_t i = 0; i < wrapped.size(); ++i) {
            if (wrapped[i] != fromZero[i] && differ++ < 5)
                ADD_FAILURE() << "call " << i << ": " << wrapped[i] << ", from zero "
                              << fromZero[i];
        }
        EXPECT_EQ(0u, differ) << "calls whose rate differs";
        EXPECT_LT(g_nHistEnd, start) << "the end counter has wrapped";
        EXPECT_EQ(1023u, g_nHistEnd - g_nHistStart);
    }
}
