// The main dialog under Wine, built from the real template and driven from the
// test thread as a user would: opening starts the readout timer and the
// sampler, queued intervals become lines and a rate, and every way of closing
// runs the same stop. DirectInput is the scripted one of the test support,
// linked in place of dinput8.dll's, so the product's calls are unchanged.
#include <gtest/gtest.h>
#include <windows.h>
#include <uxtheme.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "tests/display/TestRateDlg.h"
#include "tests/support/FakeDirectInput.h"
#include "tests/support/ModalRunner.h"
#include "tests/support/Platform.h"
#include "tests/support/SignalSource.h"

TEST(CentredIconOrigin, CentresWithTheExtraPixelRoundedTowardZero)
{
    struct Case {
        int w, h, cx, cy, x, y;
    };
    const Case cases[] = {
        {36, 36, 32, 32, 2, 2},   // the minimised dialog's usual client area
        {32, 32, 32, 32, 0, 0},
        {35, 37, 32, 32, 2, 3},   // an odd difference gains the extra pixel
        {160, 24, 16, 16, 72, 4},
        {16, 16, 32, 32, -7, -7}, // a client smaller than the icon: (-15) / 2 is -7
    };
    for (const Case& c : cases) {
        const POINT p = CentredIconOrigin(c.w, c.h, c.cx, c.cy);
        EXPECT_EQ(c.x, p.x) << c.w << "x" << c.h << " client, " << c.cx << "x" << c.cy << " icon";
        EXPECT_EQ(c.y, p.y) << c.w << "x" << c.h << " client, " << c.cx << "x" << c.cy << " icon";
    }
}

// The live windows: caption, styles, and the controls in tab order, each a
// Common Controls 6 control. (The exact
// template bytes are checked by RateDlgTemplateTest; the system turns a dialog
// control's WS_BORDER into WS_EX_CLIENTEDGE, so live styles are checked for
// the bits that decide behaviour.)
TEST(RateDlg, WindowsAreTheTemplatesControlsInOrder)
{
    CTestRateDlg dlg;
    CModalRunner run(dlg);
    HWND hDlg = run.WaitForShown(RATE_DIALOG_CAPTION);
    ASSERT_NE(nullptr, hDlg) << "the dialog was not shown";

    const DWORD style = static_cast<DWORD>(GetWindowLongA(hDlg, GWL_STYLE));
    const DWORD fixed = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
    EXPECT_EQ(fixed, style & fixed) << std::hex << style;
    EXPECT_EQ(0u, style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)) << std::hex << style;
    EXPECT_NE(0u, GetWindowLongA(hDlg, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_TRUE(dlg.controlsBoundAtInit) << "DDX_Control left a control unbound";

    // In z-order, each data control directly after the hidden label that
    // names it for accessibility clients (the static text before a list or
    // an edit, back to the previous tab stop): no tab stop, nothing drawn.
    struct Expected {
        const char* cls;
        int id;
        const char* text;
        bool shown;
    };
    const Expected expected[] = {
        {"Button", IDOK, "OK", true},
        {"Static", 0xFFFF, "History", false},
        {"ListBox", IDC_HISTORY_LIST, "", true},
        {"Static", 0xFFFF, "Average", false},
        {"Edit", IDC_AVERAGE_EDIT, "", true},
        {"Button", 0xFFFF, "History", true},
        {"Button", 0xFFFF, "Average", true},
    };
    HWND hChild = GetWindow(hDlg, GW_CHILD);
    for (const Expected& e : expected) {
        ASSERT_NE(nullptr, hChild) << "missing " << e.text;
        EXPECT_EQ(0, lstrcmpiA(e.cls, ClassName(hChild).c_str())) << ClassName(hChild);
        EXPECT_EQ(e.id, GetDlgCtrlID(hChild) & 0xFFFF) << e.cls << " " << e.text;
        EXPECT_EQ(e.text, WindowText(hChild));
        EXPECT_EQ(e.shown, IsWindowVisible(hChild) != FALSE) << e.cls << " " << e.text;
        if (!e.shown)
            EXPECT_EQ(0, GetWindowLongA(hChild, GWL_STYLE) & (WS_TABSTOP | WS_GROUP)) << e.text;
        // Common Controls 6 opens the theme; the classic controls never do.
        else
            EXPECT_NE(nullptr, GetWindowTheme(hChild))
                << e.cls << " " << e.text << " is drawn unthemed";
        hChild = GetWindow(hChild, GW_HWNDNEXT);
    }
    EXPECT_EQ(nullptr, hChild) << "more than seven controls";

    HWND hList = GetDlgItem(hDlg, IDC_HISTORY_LIST);
    HWND hEdit = GetDlgItem(hDlg, IDC_AVERAGE_EDIT);
    // Wine's oleacc and Windows' both name an edit after the static before it.
    EXPECT_EQ("Average", AccessibleName(hEdit));
    const DWORD listStyle = static_cast<DWORD>(GetWindowLongA(hList, GWL_STYLE));
    EXPECT_EQ(0u, listStyle & LBS_SORT);
    EXPECT_NE(0u, listStyle & LBS_NOSEL);
    EXPECT_NE(0u, GetWindowLongA(hList, GWL_EXSTYLE) & WS_EX_RIGHT);
    EXPECT_NE(0u, GetWindowLongA(hEdit, GWL_STYLE) & ES_READONLY);
    EXPECT_NE(0u, GetWindowLongA(hEdit, GWL_EXSTYLE) & WS_EX_RIGHT);

    // Unsorted: lines stay in the order added. Read-only: typing changes nothing.
    SendMessageA(hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("9.000 ms"));
    SendMessageA(hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("1.000 ms"));
    EXPECT_EQ((std::vector<std::string>{"9.000 ms", "1.000 ms"}), ListLines(hList));
    SendMessageA(hEdit, WM_CHAR, 'x', 1);
    EXPECT_EQ("", WindowText(hEdit));

    PostClose(hDlg, run.ThreadId(), Close::OkButton);
    ASSERT_TRUE(run.Ended());
    EXPECT_EQ(IDOK, run.Result());
}

// A screen reader names the list after its hidden label, by Windows' rule.
TEST(RateDlg, AScreenReaderNamesTheList)
{
    SKIP_ON_WINE("its oleacc names a list box from the list's own text, not the static before it");
    CTestRateDlg dlg;
    CModalRunner run(dlg);
    HWND hDlg = run.WaitForShown(RATE_DIALOG_CAPTION);
    ASSERT_NE(nullptr, hDlg) << "the dialog was not shown";
    EXPECT_EQ("History", AccessibleName(GetDlgItem(hDlg, IDC_HISTORY_LIST)));
    PostClose(hDlg, run.ThreadId(), Close::OkButton);
    ASSERT_TRUE(run.Ended());
}

TEST(RateDlg, OpeningStartsTheTimerAndTheSampler)
{
    ASSERT_EQ(static_cast<DWORD>(NORMAL_PRIORITY_CLASS), GetPriorityClass(GetCurrentProcess()))
        << "precondition: the test process starts at normal priority";
    CFakeDevice& device = g_directInput8Create.mouse;
    CTestRateDlg dlg;
    CModalRunner run(dlg);
    HWND hDlg = run.WaitForShown(RATE_DIALOG_CAPTION);
    ASSERT_NE(nullptr, hDlg) << "the dialog was not shown";

    // The device was set up for this window and the sampler started.
    EXPECT_EQ(1, g_directInput8Create.calls.load());
    EXPECT_EQ(hDlg, device.cooperativeWindow);
    EXPECT_EQ(1, device.acquires.load());
    EXPECT_EQ(static_cast<DWORD>(ABOVE_NORMAL_PRIORITY_CLASS), GetPriorityClass(GetCurrentProcess()))
        << "Start raises the priority class";
    EXPECT_EQ(1, CModalRunner::DialogWindowsCreated()) << "no message box";

    // A mouse report: the sampling thread wakes and drains the device, and at
    // a following tick its interval is a line and a rate.
    ASSERT_NE(nullptr, device.hEventNotified);
    ASSERT_TRUE(SetEvent(device.hEventNotified));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(device.hDrained, 10000)) << "the sampler did not wake";
    HWND hList = GetDlgItem(hDlg, IDC_HISTORY_LIST);
    HWND hEdit = GetDlgItem(hDlg, IDC_AVERAGE_EDIT);
    ASSERT_TRUE(WaitFor([&] { return ListLines(hList).size() == 1 && !WindowText(hEdit).empty(); }))
        << "no line and rate after the report; lines: " << ListLines(hList).size();
    const std::string line = ListLines(hList)[0];
    EXPECT_TRUE(std::regex_match(line, std::regex("[0-9]+\\.[0-9]{3} ms"))) << line;
    EXPECT_TRUE(std::regex_match(WindowText(hEdit), std::regex("([0-9]+\\.[0-9]{3}|inf) Hz")))
        << WindowText(hEdit);

    PostClose(hDlg, run.ThreadId(), Close::OkButton);
    ASSERT_TRUE(run.Ended());
}

TEST(RateDlg, QueuedIntervalsAppearInOrderWithTheRate)
{
    CTestRateDlg dlg;
    CModalRunner run(dlg);
    HWND hDlg = run.WaitForShown(RATE_DIALOG_CAPTION);
    ASSERT_NE(nullptr, hDlg) << "the dialog was not shown";
    HWND hList = GetDlgItem(hDlg, IDC_HISTORY_LIST);
    HWND hEdit = GetDlgItem(hDlg, IDC_AVERAGE_EDIT);

    // The sampling thread idles (its event is never signalled), so this
    // thread stands in as the producer.
    dlg.m_mouse.Push(8.0);
    dlg.m_mouse.Push(8.0);
    dlg.m_mouse.Push(70.5);
    ASSERT_TRUE(WaitFor([&] { return ListLines(hList).size() == 3 && WindowText(hEdit) == "37.500 Hz"; }))
        << "lines: " << ListLines(hList).size() << ", rate: " << WindowText(hEdit);
    EXPECT_EQ((std::vector<std::string>{"8.000 ms", "8.000 ms", "64.000 ms"}), ListLines(hList));

    PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(run.Ended());
    EXPECT_EQ(IDCANCEL, run.Result());
}

// Every way of closing runs the same stop: the window is destroyed before
// DoModal returns, the sampler has stopped when OnDestroy returns, and the
// sampling thread then ends without touching the device again. The device is
// unacquired and its notification turned off while the window still exists
// (the window must not go while a device still uses it); the device itself is
// released with the dialog object.
namespace {

class RateDlgClosing : public ::testing::TestWithParam<Close> {};

} // namespace

TEST_P(RateDlgClosing, StopsTheSamplerAndLetsGoOfTheDeviceWithTheWindow)
{
    CFakeDevice& device = g_directInput8Create.mouse;
    std::atomic<HANDLE> samplingThread{nullptr};
    device.onFirstRead = [&] {
        if (!samplingThread)
            samplingThread = CurrentThreadHandle();
    };

    {
        CTestRateDlg dlg;
        CModalRunner run(dlg);
        HWND hDlg = run.WaitForShown(RATE_DIALOG_CAPTION);
        ASSERT_NE(nullptr, hDlg) << "the dialog was not shown";
        ASSERT_TRUE(WaitFor([&] { return dlg.ticks.load() > 0; })) << "the timer never ticked";
        ASSERT_TRUE(ReportShown(hDlg));

        const INT_PTR expected = PostClose(hDlg, run.ThreadId(), GetParam());
        ASSERT_TRUE(run.Ended()) << "the dialog did not close";
        EXPECT_EQ(expected, run.Result());
        EXPECT_TRUE(dlg.destroyed) << "WM_DESTROY did not reach OnDestroy before DoModal returned";
        EXPECT_FALSE(IsWindow(hDlg));
        EXPECT_EQ(nullptr, dlg.m_hWnd) << "the dialog object still holds its destroyed window";

        // Stop's own signal woke the thread for one last pass before it left.
        EXPECT_EQ(2, device.wakeups.load()) << "the report's pass and Stop's";
        EXPECT_EQ(device.reads.load(), dlg.readsWhenDestroyReturned.load());
        HANDLE hThread = samplingThread;
        ASSERT_NE(nullptr, hThread) << "the sampling thread's last pass was not seen";
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hThread, 10000)) << "the sampling thread did not end";
        CloseHandle(hThread);
        EXPECT_EQ(dlg.readsWhenDestroyReturned.load(), device.reads.load())
            << "the device was read after OnDestroy returned";

        // After set-up's Acquire: Unacquire, then the notification turned off,
        // each while the window still existed.
        const std::vector<std::string> calls = device.Calls();
        const std::vector<std::string> tail(std::find(calls.rbegin(), calls.rend(), "Acquire").base(),
                                            calls.end());
        EXPECT_EQ((std::vector<std::string>{"Unacquire", "SetEventNotification"}), tail);
        EXPECT_EQ(nullptr, device.hEventNotified) << "the notification was not turned off";
        EXPECT_EQ(1, device.windowAtUnacquire.load()) << "-1: never unacquired; 0: after the window";
        EXPECT_EQ(1, device.windowAtNotificationOff.load())
            << "-1: never turned off; 0: after the window";
        EXPECT_EQ(0, device.releases.load()) << "the device is released with the object, not the window";
    }
    EXPECT_EQ(1, device.releases.load()) << "the dialog object's end releases the device";
}

INSTANTIATE_TEST_SUITE_P(RateDlg, RateDlgClosing,
                         ::testing::Values(Close::OkButton, Close::EscapeKey, Close::CloseBox),
                         [](const ::testing::TestParamInfo<Close>& info) {
                             return std::string(CloseName(info.param));
                         });

// The timer goes before the sampler stops, so no tick can run while the
// thread is being stopped. Seen from the sampling thread during Stop's wake-up:
// the readout timer must already be gone.
TEST(RateDlg, TheTimerIsKilledBeforeTheSamplerStops)
{
    CFakeDevice& device = g_directInput8Create.mouse;
    HWND hDlg = nullptr;
    std::atomic<bool> closing{false};
    std::atomic<int> timerAliveAtStop{-1};
    // Only the pass during the close looks: KillTimer ends a timer it finds.
    device.onFirstRead = [&] {
        if (closing)
            timerAliveAtStop = KillTimer(hDlg, 1) ? 1 : 0;
    };

    CTestRateDlg dlg;
    dlg.armProbeTimer = true;
    CModalRunner run(dlg);
    hDlg = run.WaitForShown(RATE_DIALOG_CAPTION);
    ASSERT_NE(nullptr, hDlg) << "the dialog was not shown";

    // Seeing the timer from another thread is a liberty of this platform:
    // check it on the probe timer first.
    if (!KillTimer(hDlg, CTestRateDlg::kProbeTimer)) {
        PostClose(hDlg, run.ThreadId(), Close::OkButton);
        ASSERT_TRUE(run.Ended());
        GTEST_SKIP() << "this platform does not let another thread see a window's timer, "
                        "so the order of KillTimer and Stop cannot be observed";
    }

    ASSERT_TRUE(ReportShown(hDlg));
    closing = true;
    PostClose(hDlg, run.ThreadId(), Close::OkButton);
    ASSERT_TRUE(run.Ended());
    EXPECT_EQ(0, timerAliveAtStop.load()) << "1: the timer still ran while the sampler stopped; "
                                             "-1: the sampler never woke";
}

// While the scripted mouse reports at 1000 Hz through the real sampler, both
// controls are visible after every tick, that is whenever anything else gets
// to look at them (other windows, screen readers, the dialog's own keyboard
// handling), and Tab
// pressed in the focused control moves the focus OK -> list -> rate field ->
// OK, as with a still mouse.
TEST(RateDlg, UnderA1000HzStreamBothControlsStayVisibleAndTabReachesThem)
{
    CTestRateDlg dlg;
    CModalRunner run(dlg);
    HWND hDlg = run.WaitForShown(RATE_DIALOG_CAPTION);
    ASSERT_NE(nullptr, hDlg) << "the dialog was not shown";
    HWND hOk = GetDlgItem(hDlg, IDOK);
    HWND hList = GetDlgItem(hDlg, IDC_HISTORY_LIST);
    HWND hEdit = GetDlgItem(hDlg, IDC_AVERAGE_EDIT);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(run.ThreadId()) == hOk; }))
        << "the focus starts elsewhere than OK";

    {
        CSignalSource source(1000);
        source.Target(g_directInput8Create.mouse.hEventNotified);
        ASSERT_TRUE(WaitFor([&] { return ListLines(hList).size() >= 200; }))
            << "the stream does not reach the list";
        const int ticksBefore = dlg.ticks.load();

        for (HWND hNext : {hList, hEdit, hOk}) {
            HWND hFocus = FocusOf(run.ThreadId());
            PostMessageA(hFocus, WM_KEYDOWN, VK_TAB, 0x000F0001);
            PostMessageA(hFocus, WM_KEYUP, VK_TAB, 0xC00F0001);
            EXPECT_TRUE(WaitFor([&] { return FocusOf(run.ThreadId()) == hNext; }))
                << "Tab from " << ClassName(hFocus) << " went to "
                << ClassName(FocusOf(run.ThreadId())) << ", not " << ClassName(hNext);
        }
        // The stream was still on: ticks kept bringing lines.
        ASSERT_TRUE(WaitFor([&] { return dlg.ticks.load() > ticksBefore + 10; }));
        EXPECT_GT(source.Signals(), 200);
        EXPECT_EQ(0, dlg.ticksLeavingAControlHidden.load())
            << "of " << dlg.ticks.load() << " ticks, with " << source.Signals() << " reports";
        EXPECT_TRUE(IsWindowVisible(hList));
        EXPECT_TRUE(IsWindowVisible(hEdit));
    }
    EXPECT_TRUE(std::regex_match(WindowText(hEdit), std::regex("[0-9]+\\.[0-9]{3} Hz")))
        << WindowText(hEdit);

    PostClose(hDlg, run.ThreadId(), Close::OkButton);
    ASSERT_TRUE(run.Ended());
}
