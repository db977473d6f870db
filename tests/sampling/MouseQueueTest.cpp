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

namespace {

// What a run of queue operations shows from outside: each Pop's result and
// value, and the number of unread intervals after every operation.
struct QueueTrace {
    std::vector<double> popped;
    std::vector<uint32_t> unread;
    bool wrapped = false; // the write counter passed 2^32 while intervals were unread
};

// Pushes and pops in a fixed pattern: bursts that overrun the 255 slots,
// partial pops that keep intervals unread across the counters' wrap, then a
// pseudo-random mix with full drains, and a final drain.
QueueTrace RunScript(CTestMouse& mouse, uint32_t start)
{
    mouse.SetCounters(start, start);
    QueueTrace t;
    double next = 0;
    auto note = [&] {
        t.unread.push_back(mouse.WriteCounter() - mouse.ReadCounter());
        if (mouse.WriteCounter() < start && mouse.ReadCounter() != mouse.WriteCounter())
            t.wrapped = true;
    };
    auto push = [&](int n) {
        for (int i = 0; i < n; ++i) {
            mouse.Push(next++);
            note();
        }
    };
    auto pop = [&](int n) {
        for (int i = 0; i < n; ++i) {
            double ms = -1;
            const BOOL ok = mouse.Pop(&ms);
            t.popped.push_back(ok ? ms : -1);
            note();
        }
    };
    for (int round = 0; round < 20; ++round) {
        push(50);
        pop(20);
    }
    uint32_t lcg = 12345;
    for (int op = 0; op < 400; ++op) {
        lcg = lcg * 1103515245u + 12345u;
        const int n = static_cast<int>((lcg >> 16) % 300);
        if (op % 2 == 0)
            push(n);
        else
            pop(n);
    }
    pop(300);
    return t;
}

} // namespace

// The same operations from counters of 0 and from counters just below 2^32
// must give the same results at every step: the ring never reduces a counter
// modulo its size, so only the low eight bits may matter.
TEST_F(MouseQueue, AnyRunFromJustBelow2To32MatchesTheSameRunFromZero)
{
    const QueueTrace fromZero = RunScript(mouse, 0);
    EXPECT_EQ(0u, mouse.WriteCounter()) << "drained at the end";
    for (uint32_t start : {0xFFFFFFFFu, 0xFFFFFFF0u, 0xFFFFFF01u, 0xFFFFFE80u}) {
        SCOPED_TRACE(testing::Message() << "counters start at 0x" << std::hex << start);
        const QueueTrace wrapped = RunScript(mouse, start);
        EXPECT_TRUE(wrapped.wrapped) << "the run never carried unread intervals across 2^32";
        EXPECT_EQ(fromZero.popped, wrapped.popped);
        EXPECT_EQ(fromZero.unread, wrapped.unread);
        EXPECT_EQ(0u, mouse.ReadCounter());
        EXPECT_EQ(0u, mouse.WriteCounter());
    }
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
