// The main dialog under load and at rest, in process under Wine, with the
// scripted DirectInput of the test support in place of dinput8.dll's:
//  - idle: with no input at all, the open dialog (its readout timer ticking,
//    its sampling thread waiting) costs next to no CPU time, so no thread
//    busy-waits;
//  - shutdown under load: the dialog opened and closed 200 times while a
//    source thread signals the sampler's event at 8000 Hz; every close ends
//    promptly, and the sampling thread never touches its device once the
//    device has been released nor writes into the destroyed dialog.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "tests/display/TestRateDlg.h"
#include "tests/support/SignalSource.h"
#include "tests/support/FakeDirectInput.h"
#include "tests/support/HandleCount.h"
#include "tests/support/ModalRunner.h"
#include "tests/support/ProcessCpu.h"

// Two seconds without input. A thread that polled instead of blocking would
// use about as much CPU time as the wall-clock time; the dialog may use at
// most 200 ms (10 %) for its ticks and Wine's own housekeeping.
TEST(RateDlgLoad, AnIdleDialogUsesAlmostNoCpu)
{
    const double kIdleCpuBoundMs = 200.0;
    CFakeDevice& device = g_directInput8Create.mouse;
    CTestRateDlg dlg;
    CModalRunner run(dlg);
    HWND hDlg = run.WaitForShown(RATE_DIALOG_CAPTION);
    ASSERT_NE(nullptr, hDlg) << "the dialog was not shown";
    ASSERT_NE(nullptr, device.hEventNotified) << "the sampler was not set up";
    ASSERT_TRUE(WaitFor([&] { return dlg.ticks.load() > 0; })) << "the readout timer never ticked";

    const int ticksBefore = dlg.ticks.load();
    const double cpuBefore = ProcessCpuMs();
    ASSERT_GE(cpuBefore, 0.0) << "GetProcessTimes failed: " << GetLastError();
    // Nothing signals the device, so nothing may drain it in these two seconds.
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(device.hDrained, 2000))
        << "the sampler woke without input";
    const double idleCpu = ProcessCpuMs() - cpuBefore;
    const int ticks = dlg.ticks.load() - ticksBefore;

    std::printf("idle for 2 s: %.1f ms of CPU time, %d readout ticks\n", idleCpu, ticks);
    EXPECT_LT(idleCpu, kIdleCpuBoundMs) << "CPU time used in 2 s without input, with " << ticks
                                        << " readout ticks";
    EXPECT_GT(ticks, 0) << "the readout timer stopped ticking, so its cost was not measured";
    EXPECT_EQ(0, device.reads.load()) << "no input, so no read";

    // The sampling thread was alive and blocked, not gone: a report still wakes it.
    ASSERT_TRUE(SetEvent(device.hEventNotified));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(device.hDrained, 10000))
        << "the sampling thread did not wake after the idle time";

    PostClose(hDlg, run.ThreadId(), Close::OkButton);
    ASSERT_TRUE(run.Ended());
}

namespace {

// One dialog's life under the source's signals, with a device of its own that
// outlives the dialog. The device's last reference is the sampler's, so any
// call the sampling thread makes after the dialog has gone is recorded as a
// call after release. The dialog lives in storage that is poisoned once it is
// destroyed: the sampling thread must leave that storage untouched.
void OpenAndCloseUnderLoad(CSignalSource& source, int cycle, long& wakeups)
{
    SCOPED_TRACE(testing::Message() << "cycle " << cycle);
    const Close how = static_cast<Close>(cycle % 3);

    auto device = std::make_unique<CFakeDevice>();
    std::atomic<HANDLE> samplingThread{nullptr};
    device->onFirstRead = [&] {
        if (!samplingThread.load())
            samplingThread = CurrentThreadHandle();
    };
    g_directInput8Create.directInput.pDevice = device.get();

    alignas(CTestRateDlg) static unsigned char storage[sizeof(CTestRateDlg)];
    CTestRateDlg* dlg = new (storage) CTestRateDlg;
    HANDLE hEvent = nullptr;
    {
        CModalRunner run(*dlg);
        HWND hDlg = run.WaitForShown(RATE_DIALOG_CAPTION);
        ASSERT_NE(nullptr, hDlg) << "the dialog was not shown";
        ASSERT_NE(nullptr, device->hEventNotified) << "the sampler was not set up";

        // A handle of the source's own, so the event outlives the sampler's handle.
        hEvent = DuplicateOwnHandle(device->hEventNotified);
        ASSERT_NE(nullptr, hEvent);
        source.Target(hEvent);
        ASSERT_TRUE(WaitFor([&] { return device->wakeups.load() >= 20 && dlg->ticks.load() > 0; }))
            << "the sampler is not taking the source's signals: " << device->wakeups.load()
            << " wake-ups, " << dlg->ticks.load() << " ticks";

        const INT_PTR expected = PostClose(hDlg, run.ThreadId(), how);
        ASSERT_TRUE(run.Ended(10000)) << "the dialog did not close";
        EXPECT_EQ(expected, run.Result());
        EXPECT_FALSE(IsWindow(hDlg)) << "the window is left";
    }
    dlg->~CTestRateDlg();
    std::memset(storage, 0xDD, sizeof storage);
    EXPECT_EQ(1, device->releases.load()) << "the sampler's reference, its only one, is given back";

    // The source keeps signalling the sampler's old event until the sampling
    // thread has ended, so a thread that had not let go would wake and show it.
    HANDLE hThread = samplingThread;
    ASSERT_NE(nullptr, hThread) << "the sampling thread never read the device";
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hThread, 10000)) << "the sampling thread did not end";
    CloseHandle(hThread);
    source.Target(nullptr);
    CloseHandle(hEvent);
    g_directInput8Create.directInput.pDevice = &g_directInput8Create.mouse;

    EXPECT_EQ(0, device->callsAfterRelease.load()) << "the device was used after its release";
    EXPECT_EQ(0, device->unexpectedCalls.load());
    size_t touched = 0;
    for (unsigned char b : storage)
        touched += b != 0xDD;
    EXPECT_EQ(0u, touched) << "bytes of the destroyed dialog written after its destruction";
    wakeups += device->wakeups.load();
}

} // namespace

TEST(RateDlgLoad, OpenedAndClosed200TimesWhileTheDeviceSignalsAt8000Hz)
{
    CSignalSource source(8000);
    long wakeups = 0;
    const DWORD start = GetTickCount();
    int cycles = 0;
    while (cycles < 200 && !HasFailure()) {
        ASSERT_NO_FATAL_FAILURE(OpenAndCloseUnderLoad(source, cycles, wakeups));
        ++cycles;
    }
    const DWORD elapsed = GetTickCount() - start;
    std::printf("%d dialogs in %lu ms; %ld signals (%.0f Hz while a dialog was open), "
                "%ld sampler wake-ups\n",
                cycles, static_cast<unsigned long>(elapsed), source.Signals(), source.Rate(), wakeups);
}
