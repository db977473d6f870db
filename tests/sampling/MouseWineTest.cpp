// CMouse against the real DirectInput of the platform (Wine under Xvfb in the
// test run): the system mouse opens on a real top-level window, injected
// mouse movement reaches the sampling thread as queued intervals, and Stop and
// destruction return and let go of every object the sampler obtained.
//
// Input is injected with SendInput, relative moves. If nothing arrives the test
// fails and says that input did not reach DirectInput: it never passes without
// having seen an interval.
#include <gtest/gtest.h>

#include <memory>

#include "tests/support/HandleCount.h"
#include "tests/support/TestMouse.h"
#include "tests/support/Wait.h"
#include "tests/support/Window.h"

namespace {

bool MoveMouse(LONG dx, LONG dy)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = dx;
    in.mi.dy = dy;
    in.mi.dwFlags = MOUSEEVENTF_MOVE;
    return SendInput(1, &in, sizeof(in)) == 1;
}

} // namespace

TEST(MouseOnWine, InjectedMovementBecomesIntervalsAndTeardownLetsGo)
{
    ASSERT_NE(0, GetSystemMetrics(SM_MOUSEPRESENT)) << "the environment reports no mouse";
    const HWND hWnd = CreateTopWindow("Tavrel mouse test", 100, 100, 400, 300);
    ASSERT_NE(nullptr, hWnd) << "no top-level window could be created (error " << GetLastError()
                             << "): is there an X display (Xvfb) for Wine?";

    // On an early failure the sampler is still torn down, its thread stopped.
    std::unique_ptr<CTestMouse> mouse(new CTestMouse);
    ASSERT_TRUE(mouse->Create(hWnd)) << "DirectInput refused the system mouse";
    ASSERT_NE(nullptr, mouse->DI());
    ASSERT_NE(nullptr, mouse->Device());
    ASSERT_NE(nullptr, mouse->Event());
    mouse->Start();

    // Injected input goes to the desktop that receives input: Wine 10 refuses
    // it (ERROR_ACCESS_DENIED) from a thread on another desktop, and after
    // other programs had run it sometimes did. This thread's desktop is made
    // the input desktop first, as a user's switching to it would (on Windows
    // it already is).
    SwitchDesktop(GetThreadDesktop(GetCurrentThreadId()));

    // Movement goes in until intervals come out, alternating direction so the
    // pointer never pins at a screen edge. Each pass pumps this thread's
    // messages in case the platform routes input through the window's thread.
    std::vector<double> intervals;
    int moves = 0;
    bool injected = true;
    WaitFor(
        [&] {
            const LONG step = (moves++ % 2) ? -7 : 7;
            if (!(injected = MoveMouse(step, step)))
                return true;
            PumpMessages(20);
            for (const double ms : mouse->PopAll())
                intervals.push_back(ms);
            return intervals.size() >= 3;
        },
        20000);
    ASSERT_TRUE(injected) << "SendInput rejected a mouse move (error " << GetLastError() << ")";
    ASSERT_GE(intervals.size(), 3u)
        << "input did not reach DirectInput: " << moves << " injected moves gave "
        << intervals.size() << " intervals; the environment cannot deliver mouse input";
    for (double ms : intervals)
        EXPECT_GE(ms, 0.0) << "intervals are elapsed times";

    // Take our own references so that, once the sampler is gone, releasing them
    // shows whether the sampler released its own: each count must reach 0.
    IDirectInputDevice8A* pDevice = mouse->Device();
    IDirectInput8A* pDI = mouse->DI();
    pDevice->AddRef();
    pDI->AddRef();
    // The event is watched through a handle of our own: its object's handle
    // count drops when the sampler's handle is closed.
    const HANDLE hOurEvent = DuplicateOwnHandle(mouse->Event());
    ASSERT_NE(nullptr, hOurEvent);
    ASSERT_EQ(2u, HandleCount(hOurEvent)) << "the sampler's and ours";

    EXPECT_TRUE(ReturnsWithin([&] { mouse->Stop(); })) << "Stop did not return";
    EXPECT_TRUE(ReturnsWithin([&] { mouse.reset(); })) << "destruction did not return";

    EXPECT_EQ(0u, pDevice->Release()) << "the sampler kept a reference to the device";
    EXPECT_EQ(0u, pDI->Release()) << "the sampler kept a reference to DirectInput";
    EXPECT_EQ(1u, HandleCount(hOurEvent)) << "the sampler's event handle is still open";
    CloseHandle(hOurEvent);
}
