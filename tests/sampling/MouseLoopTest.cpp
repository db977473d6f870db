// The sampling loop and its start/stop protocol, driven through a scripted
// device and a real auto-reset event: one interval per wake-up measured with
// the performance counter, the drain one record at a time, and a Stop that
// returns only once the thread has let go of the sampler.
#include <gtest/gtest.h>

#include <thread>

#include "framework/Exception.h"
#include "tests/support/HandleCount.h"
#include "tests/support/TestMouse.h"
#include "tests/support/Wait.h"

namespace {

LONGLONG Counter()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double TicksToMs(LONGLONG ticks)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(f.QuadPart);
}

class MouseLoop : public ::testing::Test {
protected:
    CFakeDevice device;
    CTestMouse mouse{&device};

    void SetUp() override { ASSERT_TRUE(mouse.Create(nullptr)); }

    // One report: signal the event and wait until the thread has drained.
    void Signal()
    {
        ASSERT_TRUE(SetEvent(mouse.Event()));
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(device.hDrained, 10000))
            << "the sampling thread did not wake";
    }

    // Stops the sampler, which must return (a Stop that hangs fails the test
    // instead of hanging it) with both flags clear.
    void StopPromptly()
    {
        ASSERT_TRUE(ReturnsWithin([&] { mouse.Stop(); })) << "Stop did not return";
        EXPECT_FALSE(mouse.Running());
        EXPECT_FALSE(mouse.Stopping());
    }
};

} // namespace

TEST(IntervalMs, ConvertsTicksAtTheCounterFrequency)
{
    EXPECT_EQ(1000.0, IntervalMs(3579545, 3579545));
    EXPECT_EQ(8.0, IntervalMs(80000, 10000000));
    EXPECT_EQ(125.0 * 1000.0 / 1e7, IntervalMs(125, 10000000));
    EXPECT_EQ(0.0, IntervalMs(0, 10000000));
}

TEST(IntervalMs, ACounterWithoutFrequencyMeasuresNothing)
{
    EXPECT_EQ(0.0, IntervalMs(12345, 0));
    EXPECT_EQ(0.0, IntervalMs(12345, -1));
}

TEST_F(MouseLoop, EachWakeUpQueuesTheTimeSinceThePrevious)
{
    const LONGLONG started = Counter();
    mouse.Start();
    LONGLONG before[4] = {}, firstRead[4] = {};
    for (int k = 1; k <= 3; ++k) {
        before[k] = Counter();
        Signal();
        firstRead[k] = device.firstReadCounter;
    }
    StopPromptly();

    const std::vector<double> ms = mouse.PopAll();
    ASSERT_GE(ms.size(), 3u);
    // The thread's timestamp for wake k lies between our signal and its first read.
    EXPECT_GT(ms[0], 0.0);
    EXPECT_LE(ms[0], TicksToMs(firstRead[1] - started)) << "measured from the loop's start";
    for (int k = 2; k <= 3; ++k) {
        EXPECT_GE(ms[k - 1], TicksToMs(before[k] - firstRead[k - 1])) << "wake " << k;
        EXPECT_LE(ms[k - 1], TicksToMs(firstRead[k] - before[k - 1])) << "wake " << k;
    }
    EXPECT_EQ(static_cast<size_t>(device.wakeups.load()), ms.size()) << "one interval per wake-up";
}

TEST_F(MouseLoop, DrainsEveryRecordButCountsOneInterval)
{
    device.records = 5;
    mouse.Start();
    Signal();
    EXPECT_EQ(6, device.reads.load()) << "5 records, then a read that returns none";
    EXPECT_EQ(0, device.records.load());
    EXPECT_EQ(sizeof(DIDEVICEOBJECTDATA), device.lastReadSize);
    EXPECT_EQ(0u, device.lastReadFlags);
    EXPECT_EQ(1u, device.lastReadCountIn);
    StopPromptly();
    EXPECT_EQ(static_cast<size_t>(device.wakeups.load()), mouse.PopAll().size());
}

TEST_F(MouseLoop, ReadStatusesDecideWhenTheDrainEnds)
{
    struct Case {
        const char* what;
        std::initializer_list<HRESULT> statuses;
        int records;
        int reads;
        int acquires;
    };
    const Case cases[] = {
        {"failure at once", {E_FAIL}, 5, 1, 0},
        {"failure after two records", {DI_OK, DI_OK, E_FAIL}, 5, 3, 0},
        {"input lost", {DI_OK, DIERR_INPUTLOST}, 5, 2, 1},
        {"not acquired is a lost device", {DI_OK, DIERR_NOTACQUIRED}, 5, 2, 1},
        {"buffer overflow is success", {DI_BUFFEROVERFLOW}, 2, 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CFakeDevice dev;
        CTestMouse m(&dev);
        ASSERT_TRUE(m.Create(nullptr));
        dev.records = c.records;
        dev.QueueStatuses(c.statuses);
        m.Start();
        ASSERT_TRUE(SetEvent(m.Event()));
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(dev.hDrained, 10000));
        EXPECT_EQ(c.reads, dev.reads.load());
        m.Stop();
        // Stop's own wake-up meets no scripted loss, so it adds no re-acquire.
        EXPECT_EQ(c.acquires, dev.acquires.load());
        const std::vector<double> ms = m.PopAll();
        EXPECT_GE(ms.size(), 1u) << "the wake-up's interval is queued whatever the status";
        EXPECT_EQ(static_cast<size_t>(dev.wakeups.load()), ms.size());
    }
}

// Stop must find the thread blocked in its wait. Nothing marks that moment:
// the last mark is the second interval in the queue, a few instructions
// before the wait. A Stop that lands in those instructions ends the loop with
// no further pass (as in the next test), so the case is tried afresh until
// Stop has found the thread waiting, a few times at most.
TEST_F(MouseLoop, StopDuringTheWaitQueuesTheWakeUpItCaused)
{
    for (int attempt = 1; attempt <= 10; ++attempt) {
        SCOPED_TRACE(testing::Message() << "attempt " << attempt);
        CFakeDevice dev;
        CTestMouse m(&dev);
        ASSERT_TRUE(m.Create(nullptr));
        std::atomic<bool> stopSeenAtLastWake{false};
        dev.onFirstRead = [&] { stopSeenAtLastWake = m.Stopping(); };
        m.Start();
        for (int k = 0; k < 2; ++k) {
            ASSERT_TRUE(SetEvent(m.Event()));
            ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(dev.hDrained, 10000));
        }
        size_t queued = 0;
        ASSERT_TRUE(WaitFor([&] { return (queued += m.PopAll().size()) == 2; })) << queued << " queued";
        const LONGLONG lastWake = dev.firstReadCounter;
        const LONGLONG beforeStop = Counter();
        ASSERT_TRUE(ReturnsWithin([&] { m.Stop(); })) << "Stop did not return";

        const std::vector<double> rest = m.PopAll();
        if (rest.empty() && !stopSeenAtLastWake) {
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m.Event(), 0)) << "Stop came before the wait";
            continue;
        }
        ASSERT_EQ(1u, rest.size()) << "Stop's own wake-up";
        EXPECT_TRUE(stopSeenAtLastWake);
        EXPECT_GE(rest[0], TicksToMs(beforeStop - lastWake));
        EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(m.Event(), 0)) << "the signal was consumed";
        return;
    }
    FAIL() << "Stop never found the sampling thread in its wait";
}

TEST_F(MouseLoop, StopDuringAPassEndsWithThatPassAndLeavesTheSignalPending)
{
    HANDLE hInPass = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE hContinue = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    int wake = 0;
    device.onFirstRead = [&] {
        if (++wake == 2) {
            SetEvent(hInPass);
            WaitForSingleObject(hContinue, 10000);
        }
    };
    mouse.Start();
    Signal();
    ASSERT_TRUE(SetEvent(mouse.Event()));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hInPass, 10000));

    std::thread stopper([&] { mouse.Stop(); });
    EXPECT_TRUE(WaitFor([&] { return mouse.Stopping(); })) << "Stop did not set its flag";
    EXPECT_TRUE(mouse.Running()) << "Stop must wait for the pass in progress";
    SetEvent(hContinue);
    stopper.join();

    EXPECT_FALSE(mouse.Running());
    EXPECT_EQ(2u, mouse.PopAll().size()) << "the interrupted pass is the last one";
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mouse.Event(), 0)) << "Stop's signal stays pending";
    CloseHandle(hInPass);
    CloseHandle(hContinue);
}

TEST_F(MouseLoop, StopWithoutStartReturnsAtOnce)
{
    StopPromptly();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mouse.Event(), 0)) << "the event stays signalled";

    CFakeDevice idle;
    CTestMouse neverCreated(&idle);
    neverCreated.Stop(); // no event at all: nothing to signal, nothing to wait for
    EXPECT_FALSE(neverCreated.Running());
    EXPECT_EQ(0, idle.reads.load());
}

TEST_F(MouseLoop, StopRightAfterStartWaitsForTheThread)
{
    // If Stop could return before the new thread had begun, the thread would
    // enter its loop afterwards and live on against a destroyed sampler.
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        CFakeDevice dev;
        CTestMouse m(&dev);
        ASSERT_TRUE(m.Create(nullptr));
        m.Start();
        m.Stop();
        EXPECT_FALSE(m.Running());
        // A thread that began before Stop drained once for Stop's own signal.
        ResetEvent(dev.hDrained);
        // No thread may be left waiting: a new signal stays unconsumed.
        SetEvent(m.Event());
        EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(dev.hDrained, 50));
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m.Event(), 0)) << "a thread took the signal";
    }
}

TEST_F(MouseLoop, DestroyingAStoppedSamplerDoesNotSignalAgain)
{
    HANDLE hEvent = nullptr;
    {
        CFakeDevice dev;
        CTestMouse m(&dev);
        ASSERT_TRUE(m.Create(nullptr));
        m.Start();
        ASSERT_TRUE(SetEvent(m.Event()));
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(dev.hDrained, 10000));
        m.Stop();
        hEvent = DuplicateOwnHandle(m.Event());
        ASSERT_NE(nullptr, hEvent);
        ResetEvent(hEvent);
    }
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(hEvent, 0)) << "the destructor signalled again";
    CloseHandle(hEvent);
}

TEST_F(MouseLoop, AnExceptionInTheLoopStillEndsItCleanly)
{
    device.onFirstRead = [] { AfxThrowMemoryException(); };
    mouse.Start();
    ASSERT_TRUE(SetEvent(mouse.Event()));
    EXPECT_TRUE(WaitFor([&] { return !mouse.Running(); })) << "the loop must clear its flag as it ends";
    StopPromptly();
    EXPECT_EQ(1, device.reads.load()) << "sampling ended with the exception";
}

TEST_F(MouseLoop, AnEventThatCannotBeWaitedOnEndsTheLoopInsteadOfSpinning)
{
    mouse.BreakEvent();
    mouse.Start();
    // The loop leaves by itself; without that the wait below would time out
    // with the thread spinning on failed waits.
    EXPECT_TRUE(WaitFor([&] { return !mouse.Running(); }));
    EXPECT_EQ(0, device.reads.load());
    mouse.TakeEvent(); // the bogus handle is not ours to close
}
