// The sampling loop against a misbehaving device: input lost on every read
// (with the re-acquire succeeding, or failing as for an unplugged mouse), a
// persistent failure, buffer overflow, wake-ups with nothing buffered, and a
// device that falls silent. In every case each wake-up yields exactly one
// interval, the thread blocks between wake-ups instead of spinning, and Stop
// returns promptly.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/TestMouse.h"
#include "tests/support/ProcessCpu.h"
#include "tests/support/Wait.h"

namespace {

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
    {"PersistentFailure", DIERR_NOTACQUIRED, 3, 1, 0},
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
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(device.hDrained, 1000));
    const double idleCpu = ProcessCpuMs() - cpuBefore;
    EXPECT_LT(idleCpu, 200.0) << "CPU used in 1 s without input";

    // Stop's own wake-up, if the thread takes it, finds the same buffer as the others.
    device.records = f.recordsPerWake;
    ASSERT_TRUE(ReturnsWithin([&] { mouse.Stop(); })) << "Stop did not return";
    while (mouse.Pop(&ms))
        ++intervals;

    const int woken = device.wakeups.load();
    EXPECT_GE(woken, wakes);
    EXPECT_EQ(static_cast<size_t>(woken), intervals) << "one interval per wake-up";
    EXPECT_EQ(woken * f.readsPerWake, device.reads.load());
    EXPECT_EQ(woken * f.acquiresPerWake, device.acquires.load());
}

INSTANTIATE_TEST_SUITE_P(Devices, MouseFault, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& info) {
                             return std::string(info.param.name);
                         });
