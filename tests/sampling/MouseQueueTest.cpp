// The interval queue inside CMouse: first in, first out; at most 255 unread,
// the oldest dropped when a push finds it full; both counters back to 0 when
// drained; the same behaviour when the free-running counters wrap past 2^32.
#include <gtest/gtest.h>

#include <thread>

#include "tests/support/TestMouse.h"

namespace {

class MouseQueue : public ::testing::Test {
protected:
    CFakeDevice device;
    CTestMouse mouse{&device};

    void PushRange(int from, int to)
    {
        for (int i = from; i < to; ++i)
            ASSERT_TRUE(mouse.Push(i));
    }

    static std::vector<double> Range(int from, int to)
    {
        std::vector<double> v;
        for (int i = from; i < to; ++i)
            v.push_back(i);
        return v;
    }
};

} // namespace

TEST_F(MouseQueue, PopOnEmptyLeavesTheValueAlone)
{
    double ms = -42.5;
    EXPECT_FALSE(mouse.Pop(&ms));
    EXPECT_EQ(-42.5, ms);

    mouse.Push(3.0);
    ASSERT_TRUE(mouse.Pop(&ms));
    ms = -1.0;
    EXPECT_FALSE(mouse.Pop(&ms)) << "a drained queue is empty again";
    EXPECT_EQ(-1.0, ms);
}

TEST_F(MouseQueue, ComesOutInPushOrderAndRestartsAtZeroWhenDrained)
{
    mouse.Push(8.0);
    mouse.Push(0.125);
    mouse.Push(64.5);
    double ms = 0;
    ASSERT_TRUE(mouse.Pop(&ms));
    EXPECT_EQ(8.0, ms);
    EXPECT_EQ(1u, mouse.ReadCounter());
    ASSERT_TRUE(mouse.Pop(&ms));
    EXPECT_EQ(0.125, ms);
    ASSERT_TRUE(mouse.Pop(&ms));
    EXPECT_EQ(64.5, ms);
    EXPECT_EQ(0u, mouse.ReadCounter());
    EXPECT_EQ(0u, mouse.WriteCounter());
}

TEST_F(MouseQueue, HoldsAtMost255AndDropsTheOldest)
{
    struct Case { int pushed; int firstKept; };
    for (const Case c : {Case{255, 0}, Case{256, 1}, Case{300, 45}, Case{1000, 745}}) {
        SCOPED_TRACE(c.pushed);
        PushRange(0, c.pushed);
        EXPECT_EQ(Range(c.firstKept, c.pushed), mouse.PopAll());
        EXPECT_EQ(0u, mouse.WriteCounter());
    }
}

TEST_F(MouseQueue, InterleavedPushAndPop)
{
    double ms = 0;
    mouse.Push(1.0);
    mouse.Push(2.0);
    ASSERT_TRUE(mouse.Pop(&ms));
    EXPECT_EQ(1.0, ms);
    mouse.Push(3.0);
    ASSERT_TRUE(mouse.Pop(&ms));
    EXPECT_EQ(2.0, ms);
    ASSERT_TRUE(mouse.Pop(&ms));
    EXPECT_EQ(3.0, ms);
    EXPECT_FALSE(mouse.Pop(&ms));
}

TEST_F(MouseQueue, BehavesTheSameWhenTheCountersWrap)
{
    // Counters just below 2^32, at slot 0xF0: the ring must not care.
    const uint32_t start = 0xFFFFFFF0u;
    mouse.SetCounters(start, start);
    PushRange(0, 40);
    EXPECT_EQ(start + 40u, mouse.WriteCounter()) << "the write counter wraps past zero";
    EXPECT_EQ(Range(0, 40), mouse.PopAll());

    mouse.SetCounters(start, start);
    PushRange(0, 300);
    EXPECT_EQ(Range(45, 300), mouse.PopAll()) << "overflow across the wrap";
}

TEST_F(MouseQueue, ProducerAndConsumerThreadsLoseNothingBelowCapacity)
{
    // One producer paced by the consumer's acknowledgements, so the queue
    // never holds more than 200: every value must arrive, once, in order.
    HANDLE hRoom = CreateSemaphoreA(nullptr, 200, 200, nullptr);
    const int total = 20000;
    std::thread producer([&] {
        for (int i = 0; i < total; ++i) {
            WaitForSingleObject(hRoom, INFINITE);
            mouse.Push(i);
        }
    });
    int expected = 0;
    while (expected < total) {
        double ms;
        if (mouse.Pop(&ms)) {
            ASSERT_EQ(expected, ms);
            ++expected;
            ReleaseSemaphore(hRoom, 1, nullptr);
        } else {
            SwitchToThread();
        }
    }
    producer.join();
    CloseHandle(hRoom);
}
