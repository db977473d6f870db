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
#include <thread>

#include "sampling/Mouse.h"
#include "tests/support/HandleCount.h"

namespace {

// Gives the test the sampler's objects, to check what destruction leaves.
class CProbeMouse final : public CMouse {
public:
    IDirectInput8A* DI() const { return m_pDI; }
    IDirectInputDevice8A* Device() const { return m_pDevice; }
    HANDLE Event() const { return m_hEvent; }
};

// A plain top-level window on this thread, shown so that the display has it.
class CTopWindow {
public:
    CTopWindow()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TavrelMouseWineTest";
        RegisterClassA(&wc);
        m_hWnd = CreateWindowExA(0, wc.lpszClassName, "Tavrel mouse test", WS_OVERLAPPEDWINDOW,
                                 100, 100, 400, 300, nullptr, nullptr, wc.hInstance, nullptr);
        if (m_hWnd) {
            ShowWindow(m_hWnd, SW_SHOW);
            UpdateWindow(m_hWnd);
        }
    }
    ~CTopWindow()
    {
        if (m_hWnd)
            DestroyWindow(m_hWnd);
    }
    HWND Handle() const { return m_hWnd; }

private:
    HWND m_hWnd = nullptr;
};

// Dispatches whatever is queued for this thread's windows, waiting at most ms
// for something to arrive.
void PumpMessages(DWORD ms)
{
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool MoveMouse(LONG dx, LONG dy)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = dx;
    in.mi.dy = dy;
    in.mi.dwFlags = MOUSEEVENTF_MOVE;
    return SendInput(1, &in, sizeof(in)) == 1;
}

// Runs f on another thread; true if it returned within ms. A call that hangs
// is left behind (the test has failed by then) rather than hanging the run.
template <class F> bool ReturnsWithin(DWORD ms, F f)
{
    HANDLE hDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread t([&] { f(); SetEvent(hDone); });
    const bool done = WaitForSingleObject(hDone, ms) == WAIT_OBJECT_0;
    if (done) {
        t.join();
        CloseHandle(hDone);
    } else {
        t.detach();
    }
    return done;
}

} // namespace

TEST(MouseOnWine, InjectedMovementBecomesIntervalsAndTeardownLetsGo)
{
    ASSERT_NE(0, GetSystemMetrics(SM_MOUSEPRESENT)) << "the environment reports no mouse";
    CTopWindow window;
    ASSERT_NE(nullptr, window.Handle())
        << "no top-level window could be created (error " << GetLastError()
        << "): is there an X display (Xvfb) for Wine?";

    // On an early failure the sampler is still torn down, its thread stopped.
    std::unique_ptr<CProbeMouse> mouse(new CProbeMouse);
    ASSERT_TRUE(mouse->Create(window.Handle())) << "DirectInput refused the system mouse";
    ASSERT_NE(nullptr, mouse->DI());
    ASSERT_NE(nullptr, mouse->Device());
    ASSERT_NE(nullptr, mouse->Event());
    mouse->Start();

    // Movement goes in until intervals come out, alternating direction so the
    // pointer never pins at a screen edge. Each pass pumps this thread's
    // messages in case the platform routes input through the window's thread.
    std::vector<double> intervals;
    int moves = 0;
    const DWORD started = GetTickCount();
    while (intervals.size() < 3 && GetTickCount() - started < 20000) {
        const LONG step = (moves % 2) ? -7 : 7;
        ASSERT_TRUE(MoveMouse(step, step)) << "SendInput rejected a mouse move (error "
                                           << GetLastError() << ")";
        ++moves;
        PumpMessages(20);
        double ms;
        while (mouse->Pop(&ms))
            intervals.push_back(ms);
    }
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

    EXPECT_TRUE(ReturnsWithin(10000, [&] { mouse->Stop(); })) << "Stop did not return";
    EXPECT_TRUE(ReturnsWithin(10000, [&] { mouse.reset(); })) << "destruction did not return";

    EXPECT_EQ(0u, pDevice->Release()) << "the sampler kept a reference to the device";
    EXPECT_EQ(0u, pDI->Release()) << "the sampler kept a reference to DirectInput";
    EXPECT_EQ(1u, HandleCount(hOurEvent)) << "the sampler's event handle is still open";
    CloseHandle(hOurEvent);
}
