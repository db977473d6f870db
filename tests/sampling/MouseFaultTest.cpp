// The sampling loop against a misbehaving device: input lost or not acquired
// on every read (with the re-acquire succeeding, or failing as for an
// unplugged mouse or a secure desktop), a persistent failure, buffer overflow,
// wake-ups with nothing buffered, and a device that falls silent. In every
// case each wake-up yields exactly one interval, the thread blocks between
// wake-ups instead of spinning (a lost mouse is retried only at the retry
// period), and Stop returns promptly. Then a mouse that comes back after an
// outage is measured again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TestMouse.h"
#include "tests/support/ProcessCpu.h"
#include "tests/support/Wait.h"

namespace {

double NowMs()
{
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

struct Fault {
    const char* name;
    HRESULT always;   // status of every read (S_OK: as the buffer dictates)
    int recordsPerWake;
    int readsPerWake; // reads each wake-up must make
    int acquiresPerWake;
    HRESULT acquire = DI_OK; // status of every re-acquire
};

const Fault kFaults[] = {
    {"InputLostOnEveryRead", DIERR_INPUTLOST, 3, 1, 1},
    {"InputLostAndReacquireFails", DIERR_INPUTLOST, 3, 1, 1, static_cast<HRESULT>(DIERR_UNPLUGGED)},
    {"NotAcquiredOnEveryRead", DIERR_NOTACQUIRED, 3, 1, 1},
    {"PersistentFailure", E_FAIL, 3, 1, 0},
    {"BufferOverflow", DI_BUFFEROVERFLOW, 16, 17, 0},
    {"NothingBuffered", S_OK, 0, 1, 0},
};

// Names the case in test output (instead of a dump of its bytes).
void PrintTo(const Fault& f, std::ostream* os)
{
    *os << f.name;
}

class MouseFault : public ::testing::TestWithParam<Fault> {
protected:
    CFakeDevice device;
    CTestMouse mouse{&device};
};

} // namespace

TEST_P(MouseFault, OneIntervalPerWakeUpNoSpinPromptStop)
{
    const Fault& f = GetParam();
    ASSERT_TRUE(mouse.Create(nullptr));
    if (f.always != S_OK)
        device.AlwaysReturn(f.always);
    device.acquireStatus = f.acquire;
    const double startMs = NowMs();
    mouse.Start();

    const int wakes = 3000;
    size_t intervals = 0;
    double ms;
    for (int i = 0; i < wakes; ++i) {
        device.records = f.recordsPerWake;
        ASSERT_TRUE(SetEvent(mouse.Event()));
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(device.hDrained, 10000)) << "wake " << i;
        while (mouse.Pop(&ms))
            ++intervals;
    }

    // The device falls silent: the thread must block on its event. A spinning
    // thread would burn about a full second of CPU here.
    const double cpuBefore = ProcessCpuMs();
    const int acquiresBefore = device.acquires.load();
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(device.hDrained, 1000));
    const double idleCpu = ProcessCpuMs() - cpuBefore;
    EXPECT_LT(idleCpu, 200.0) << "CPU used in 1 s without input";
    const bool lostForGood = f.acquiresPerWake > 0 && FAILED(f.acquire);
    if (lostForGood) {
        EXPECT_GT(device.acquires.load(), acquiresBefore) << "a lost mouse is tried again";
    }

    // Stop's own wake-up, if the thread takes it, finds the same buffer as the others.
    device.records = f.recordsPerWake;
    ASSERT_TRUE(ReturnsWithin([&] { mouse.Stop(); })) << "Stop did not return";
    while (mouse.Pop(&ms))
        ++intervals;

    const int woken = device.wakeups.load();
    EXPECT_GE(woken, wakes);
    EXPECT_EQ(static_cast<size_t>(woken), intervals) << "one interval per wake-up";
    EXPECT_EQ(woken * f.readsPerWake, device.reads.load());
    // Beyond the re-acquire of each wake-up, a mouse that stays lost is tried
    // again once per retry period, and never more often.
    const int retries = device.acquires.load() - woken * f.acquiresPerWake;
    if (lostForGood) {
        EXPECT_GE(retries, 1);
        EXPECT_LE(retries, (NowMs() - startMs) / CMouse::kReacquireRetryMs + 1) << "retries too often";
    } else {
        EXPECT_EQ(0, retries);
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, MouseFault, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& info) {
                             return std::string(info.param.name);
                         });

// The mouse is lost and cannot be had back for a while (a secure desktop is
// up): the loop tries again once per retry period, queues nothing for those
// tries, and once the device is back its reports are measured again, the
// first from the previous report's wake-up like any pause.
TEST(MouseLost, IsTriedAgainAtTheRetryPeriodUntilItComesBack)
{
    CFakeDevice device;
    CTestMouse mouse{&device};
    ASSERT_TRUE(mouse.Create(nullptr));
    const HRESULT kBusy = DIERR_OTHERAPPHASPRIO;
    device.QueueStatuses({DIERR_INPUTLOST});
    // The re-acquire at the loss and four retries fail; the fifth retry succeeds.
    device.QueueAcquireStatuses({kBusy, kBusy, kBusy, kBusy, kBusy});
    mouse.Start();

    ASSERT_TRUE(SetEvent(mouse.Event()));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(device.hDrained, 10000)) << "no wake-up";
    const double lostAt = NowMs();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(device.hAcquired, 10000))
        << "the mouse was never acquired again";
    const double outageMs = NowMs() - lostAt;

    const int retries = device.acquires.load() - 1;
    EXPECT_EQ(5, retries);
    // A busy machine may only stretch the outage, never shorten the period.
    EXPECT_GE(outageMs / CMouse::kReacquireRetryMs, retries - 1.0)
        << "retries too often: outage of " << outageMs << " ms";
    EXPECT_EQ(1, device.wakeups.load()) << "a retry reads nothing";

    // The mouse reports again.
    device.records = 2;
    ASSERT_TRUE(SetEvent(mouse.Event()));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(device.hDrained, 10000))
        << "the recovered mouse did not wake the loop";
    mouse.Stop();

    const std::vector<double> ms = mouse.PopAll();
    ASSERT_EQ(static_cast<size_t>(device.wakeups.load()), ms.size()) << "an interval per wake-up only";
    ASSERT_GE(ms.size(), 2u);
    EXPECT_GE(ms[1], outageMs) << "measured from the wake-up before the outage";
}
