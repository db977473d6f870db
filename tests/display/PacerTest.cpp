// The pacer alone: what each tick does, from tick counts and counts, at its
// edges (nothing queued, one interval, a full queue, the list's bound), across
// the tick count's steps and its wrap, through a pause and an unbroken stream;
// and when a changed scroll bar is painted.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "display/Pacer.h"

namespace {
struct Step {
    std::uint32_t now;
    int popped, waiting; // what the readout tells the pacer
    bool take, rate;     // what the pacer should answer
};
struct Case {
    const char* name;
    std::vector<Step> steps;
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }
class PacerTable : public ::testing::TestWithParam<Case> {};

const std::uint32_t kWrap = 0xFFFFFFF0; // 16 ms before the tick count wraps
} // namespace

TEST_P(PacerTable, AnswersEachTick)
{
    CPacer pacer;
    int i = 0;
    for (const Step& s : GetParam().steps) {
        const CPacer::Plan plan = pacer.Tick(s.now, s.popped, s.waiting);
        EXPECT_EQ(s.take, plan.takeLines) << "step " << i << ", tick count " << s.now;
        EXPECT_EQ(s.rate, plan.writeRate) << "step " << i << ", tick count " << s.now;
        ++i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Edges, PacerTable,
    ::testing::Values(
        Case{"NothingQueuedDoesNothing", {{1000, 0, 0, false, false}, {1100, 0, 0, false, false}}},
        // The list on the first tick, the rate on the next, even within the
        // same tick-count step; after that each waits its 100 ms.
        Case{"OneInterval",
             {{1000, 1, 1, true, false}, {1000, 0, 0, false, true}, {1010, 0, 0, false, false}}},
        Case{"ManyWaitingAreStillTakenAtTheListsPace",
             {{1000, 112, 112, true, false}, {1010, 112, 112, false, true},
              {1020, 255, 367, false, false}, {1099, 255, 1024, false, false},
              {1100, 0, 1024, true, false}, {1110, 0, 0, false, true}}},
        Case{"AFullQueueInOneTick", {{5000, 255, 255, true, false}, {5001, 255, 255, false, true}}},
        // Windows advances the count in 15.6 ms steps while the timer ticks
        // every 10 ms: a tick in the same step finds 0 ms elapsed.
        Case{"TickCountSteps",
             {{5000, 1, 1, true, false}, {5000, 1, 1, false, true}, {5000, 1, 2, false, false},
              {5093, 1, 3, false, false}, {5099, 0, 3, false, false}, {5100, 0, 3, true, false},
              {5109, 0, 0, false, true}}},
        Case{"AcrossTheWrap",
             {{kWrap, 1, 1, true, false}, {kWrap, 1, 1, false, true}, {0x53, 1, 2, false, false},
              {0x54, 0, 2, true, false}, {0x55, 0, 0, false, true}, {0x58, 0, 0, false, false}}},
        Case{"StartingAtTickCountZero", {{0, 3, 3, true, false}, {0, 0, 0, false, true}}},
        // After a stream stops, empty ticks show what waited, then touch nothing.
        Case{"APause",
             {{1000, 5, 5, true, false}, {1010, 5, 5, false, true}, {1020, 5, 10, false, false},
              {1100, 0, 10, true, false}, {1110, 0, 0, false, true}, {1300, 0, 0, false, false},
              {60000, 0, 0, false, false}}}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

// An unbroken 1000 Hz stream on 10 ms ticks and on 15.6 ms ticks, for 3 s
// from before the tick count's wrap: lines and rate each at least 100 ms
// apart and never waiting longer than 100 ms and a tick, never on one tick.
TEST(Pacer, AnUnbrokenStreamShowsEachAtItsPace)
{
    for (const std::uint32_t tickUs : {10000u, 15625u}) {
        SCOPED_TRACE(testing::Message() << tickUs << " us ticks");
        CPacer pacer;
        const std::uint32_t start = 0xFFFFFC00;
        std::uint32_t linesAt = 0, rateAt = 0;
        int waiting = 0, takes = 0, rates = 0;
        for (std::uint32_t t = 0; t < 3000000; t += tickUs) {
            const std::uint32_t now = start + t / 15625 * 15625 / 1000; // the count's steps
            const int popped = static_cast<int>(tickUs / 1000);
            waiting += popped;
            const CPacer::Plan plan = pacer.Tick(now, popped, waiting);
            EXPECT_FALSE(plan.takeLines && plan.writeRate) << "at " << t << " us";
            if (plan.takeLines) {
                if (takes++) {
                    EXPECT_GE(now - linesAt, CPacer::kShowIntervalMs);
                }
                linesAt = now, waiting = 0;
            } else if (takes) {
                EXPECT_LE(now - linesAt, CPacer::kShowIntervalMs + 32) << "lines waited at " << t;
            }
            if (plan.writeRate) {
                if (rates++) {
                    EXPECT_GE(now - rateAt, CPacer::kShowIntervalMs);
                }
                rateAt = now;
            }
        }
        EXPECT_GE(takes, 25);
        EXPECT_GE(rates, 25);
    }
}

TEST(Pacer, FlushDoesWhatWaits)
{
    CPacer pacer;
    const CPacer::Plan none = pacer.Flush(0);
    EXPECT_FALSE(none.takeLines || none.writeRate) << "nothing waited";
    pacer.Tick(1000, 4, 4); // lines taken, the rate left waiting
    const CPacer::Plan rate = pacer.Flush(0);
    EXPECT_FALSE(rate.takeLines);
    EXPECT_TRUE(rate.writeRate);
    pacer.Tick(1000, 1, 1); // the rate written
    const CPacer::Plan neither = pacer.Tick(1010, 2, 2);
    ASSERT_FALSE(neither.takeLines || neither.writeRate);
    const CPacer::Plan both = pacer.Flush(2);
    EXPECT_TRUE(both.takeLines && both.writeRate);
    EXPECT_FALSE(pacer.Flush(0).writeRate) << "the rate was written by the last flush";
}

// A changed scroll bar waits for a pause of kFramePauseMs in the reports, and
// in an unbroken stream is painted at most every kFrameIntervalMs, across the
// tick count's wrap; an unchanged one is never painted.
TEST(Pacer, PaintsAChangedScrollBarInAPauseOrEveryTwoSeconds)
{
    CPacer pacer;
    const std::uint32_t start = 0xFFFFF000; // 4 s before the wrap
    std::uint32_t now = start;
    std::vector<std::uint32_t> painted;
    for (; now - start < 5000; now += 10) { // 5 s unbroken stream at 1000 Hz
        pacer.Tick(now, 10, 10);
        EXPECT_FALSE(pacer.PaintFrame(now, false)) << "an unchanged bar, at " << now - start;
        if (pacer.PaintFrame(now, true))
            painted.push_back(now - start);
    }
    EXPECT_EQ((std::vector<std::uint32_t>{2000, 4000}), painted) << "in the stream";
    const std::uint32_t lastReports = now - 10;
    pacer.Tick(now, 0, 0);
    EXPECT_FALSE(pacer.PaintFrame(now, true)) << "the stream has only just stopped";
    now = lastReports + CPacer::kFramePauseMs - 1;
    pacer.Tick(now, 0, 0);
    EXPECT_FALSE(pacer.PaintFrame(now, true)) << "1 ms short of the pause";
    ++now;
    pacer.Tick(now, 0, 0);
    EXPECT_TRUE(pacer.PaintFrame(now, true)) << "after the pause";
    EXPECT_TRUE(pacer.PaintFrame(now, true)) << "again, in the same pause";
}
