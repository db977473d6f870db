// How fast the dialog thread turns intervals into list lines and rate text,
// on real controls with the dialog's styles, and what one estimator update
// costs with a full history. Prints figures; judges nothing.
//
// A mouse at 8000 Hz hands the dialog 8000 intervals a second, a handful per
// 1 ms timer tick, so the readout must sustain well over 8000 a second with a
// full 1024-line list while the list is also painted between ticks.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "display/HistoryList.h"
#include "display/RateEstimator.h"
#include "display/Readout.h"
#include "framework/Edit.h"
#include "framework/ListBox.h"
#include "sampling/Mouse.h"

namespace {

double Seconds()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Delivers every pending message, painting included, as the dialog's message
// loop would between two timer ticks.
void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Runs `round` repeatedly for about `seconds` and returns rounds per second.
double RoundsPerSecond(double seconds, const std::function<void()>& round)
{
    round(); // warm-up
    long rounds = 0;
    const double start = Seconds();
    double elapsed = 0;
    do {
        round();
        ++rounds;
        elapsed = Seconds() - start;
    } while (elapsed < seconds);
    return rounds / elapsed;
}

// Ticks per second of a window timer asked for a 1 ms period.
double TimerTicksPerSecond(HWND hWnd)
{
    Pump();
    const UINT_PTR id = SetTimer(hWnd, 1, 1, nullptr);
    if (!id)
        return 0;
    int ticks = 0;
    const double start = Seconds();
    MSG msg;
    while (Seconds() - start < 1.0 && GetMessageA(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_TIMER)
            ++ticks;
        else
            DispatchMessageA(&msg);
    }
    KillTimer(hWnd, id);
    return ticks / (Seconds() - start);
}

// Prints min / median / 90th percentile of `n` timed calls of `call`, each
// after the pending messages are handled.
void PrintCallTimes(const char* what, int n, const std::function<void()>& call)
{
    std::vector<double> us;
    for (int i = 0; i < n; ++i) {
        Pump();
        const double start = Seconds();
        call();
        us.push_back((Seconds() - start) * 1e6);
    }
    std::sort(us.begin(), us.end());
    std::printf("  %-52s %7.1f / %7.1f / %7.1f us\n", what, us[0], us[n / 2], us[n * 9 / 10]);
}

struct Readout {
    HWND parent = nullptr;
    CListBox list;
    CEdit edit;
    CMouse mouse;
    CReadout readout;
    DWORD now = 1000; // the tick count the readout is given: 16 ms a tick, as on Windows

    bool Create()
    {
        // The dialog's controls at their on-screen size (54 x 155 and 50 x 14
        // dialog units at 8-point MS Shell Dlg are about 81 x 252 and 75 x 23).
        parent = CreateWindowExA(0, "STATIC", "readout_bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 40, 40, 260, 330, nullptr, nullptr, nullptr, nullptr);
        if (!parent)
            return false;
        list.Attach(CreateWindowExA(WS_EX_RIGHT, "LISTBOX", "", 0x50A15101, 28, 28, 81, 252,
                                    parent, reinterpret_cast<HMENU>(1000), nullptr, nullptr));
        edit.Attach(CreateWindowExA(WS_EX_RIGHT, "EDIT", "", 0x50810880, 147, 262, 75, 23,
                                    parent, reinterpret_cast<HMENU>(1001), nullptr, nullptr));
        return list.m_hWnd && edit.m_hWnd;
    }

    // One timer tick carrying `perTick` intervals.
    void Tick(int perTick, double& ms)
    {
        for (int i = 0; i < perTick; ++i) {
            mouse.Push(ms);
            ms = ms >= 8.0 ? 0.125 : ms * 2; // varied text, all well under 64 ms
        }
        now += 16;
        readout.Update(mouse, list, edit, now);
    }
};

} // namespace

int main()
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    Readout r;
    if (!r.Create()) {
        std::printf("readout_bench: cannot create windows (no display?), error %lu\n",
                    GetLastError());
        return 1;
    }
    double ms = 0.125;
    while (r.list.GetCount() < 1024)
        r.Tick(255, ms);
    Pump();

    // Ticks of a 1 ms window timer actually arrive far less often (Windows and
    // Wine both hold timers to at least 10 ms), so each carries many intervals.
    const double timerTicks = TimerTicksPerSecond(r.parent);
    const int perTick8000 = timerTicks > 0 ? static_cast<int>(8000 / timerTicks + 0.5) : 8;
    std::printf("a 1 ms window timer ticks %.0f times/s here: at 8000 Hz a tick carries %d intervals\n",
                timerTicks, perTick8000);

    std::printf("readout with a full 1024-line list, real LISTBOX and EDIT, each tick followed by the messages it leaves (painting paced as in the dialog):\n");
    for (int perTick : {1, 8, perTick8000, 255}) {
        const double ticks = RoundsPerSecond(1.0, [&] {
            r.Tick(perTick, ms);
            UpdateWindow(r.parent);
            Pump();
        });
        std::printf("  %3d intervals per tick: %8.0f intervals/s (%7.1f us each, %7.1f us per tick)\n",
                    perTick, ticks * perTick, 1e6 / (ticks * perTick), 1e6 / ticks);
        if (perTick == perTick8000)
            std::printf("      an 8000 Hz mouse keeps the dialog thread %.0f%% busy\n",
                        100.0 * 8000 / (ticks * perTick));
    }
    std::printf("  lines now %d\n", r.list.GetCount());

    // What drawing the controls costs, by way of drawing them: through the
    // paint cycle (invalidate, then WM_PAINT with BeginPaint/EndPaint), or
    // straight into the window's DC (WM_PRINTCLIENT), and the list's frame,
    // where the scroll bar is.
    std::printf("one paint, min / median / 90th percentile of 200 (full list):\n");
    const HWND list = r.list.m_hWnd, edit = r.edit.m_hWnd;
    auto printClient = [](HWND hwnd) {
        HDC dc = GetDC(hwnd);
        SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        ReleaseDC(hwnd, dc);
    };
    // A second list of the dialog's style, through the dialog's list class.
    CHistoryList historyList;
    historyList.SubclassWindow(CreateWindowExA(WS_EX_RIGHT, "LISTBOX", "", 0x50A15101, 140, 28, 81,
                                               200, r.parent, reinterpret_cast<HMENU>(1002),
                                               nullptr, nullptr));
    const HWND history = historyList.m_hWnd;
    for (int round = 0; round < 2; ++round) {
        PrintCallTimes("list rows, paint cycle", 200, [&] {
            InvalidateRect(list, nullptr, FALSE);
            UpdateWindow(list);
        });
        PrintCallTimes("list rows, WM_PRINTCLIENT into its DC", 200, [&] { printClient(list); });
        PrintCallTimes("rate field, paint cycle", 200, [&] {
            InvalidateRect(edit, nullptr, TRUE);
            UpdateWindow(edit);
        });
        PrintCallTimes("rate field, WM_PRINTCLIENT into its DC", 200, [&] { printClient(edit); });
        int text = 0;
        PrintCallTimes("rate field, new text (SetWindowText, undrawn)", 200, [&] {
            SetWindowTextA(edit, ++text % 2 ? "1000.001 Hz" : "999.999 Hz");
        });
        // What the readout does around each stretch of lines: the list made
        // undrawable (the system's and the list box's own WM_SETREDRAW) and
        // drawable again, here around one line, or 40, added and the oldest
        // dropped.
        for (const int lines : {1, 40}) {
            char what[64];
            std::snprintf(what, sizeof what, "list undrawable and back, %d line%s in between",
                          lines, lines == 1 ? "" : "s");
            PrintCallTimes(what, 200, [&] {
                DefWindowProcA(list, WM_SETREDRAW, FALSE, 0);
                SendMessageA(list, WM_SETREDRAW, FALSE, 0);
                for (int i = 0; i < lines; ++i) {
                    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("1.000 ms"));
                    SendMessageA(list, LB_DELETESTRING, 0, 0);
                }
                SendMessageA(list, WM_SETREDRAW, TRUE, 0);
                DefWindowProcA(list, WM_SETREDRAW, TRUE, 0);
            });
        }
        // Of which calls into Wine's server: the system's WM_SETREDRAW alone,
        // and one update-region query, as the readout makes before it.
        PrintCallTimes("  the system's WM_SETREDRAW off and on alone", 200, [&] {
            DefWindowProcA(list, WM_SETREDRAW, FALSE, 0);
            DefWindowProcA(list, WM_SETREDRAW, TRUE, 0);
        });
        PrintCallTimes("  GetUpdateRect", 200, [&] {
            RECT dirty;
            GetUpdateRect(list, &dirty, FALSE);
        });
        // A pointer move over the list with no button down, as every mouse
        // report brings while the pointer is over it: given to the list box
        // itself, and to the dialog's list class.
        PrintCallTimes("pointer move to the list box (WM_MOUSEMOVE)", 200, [&] {
            SendMessageA(list, WM_MOUSEMOVE, 0, MAKELPARAM(20, 40));
        });
        PrintCallTimes("pointer move to the dialog's list class", 200, [&] {
            SendMessageA(history, WM_MOUSEMOVE, 0, MAKELPARAM(20, 40));
        });
        PrintCallTimes("list frame and scroll bar (RDW_FRAME, then UpdateWindow)", 50, [&] {
            RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
        });
        PrintCallTimes("a scroll bar arrow alone (DrawFrameControl)", 200, [&] {
            HDC dc = GetWindowDC(list);
            RECT arrow = {0, 0, 17, 17};
            DrawFrameControl(dc, &arrow, DFC_SCROLL, DFCS_SCROLLUP);
            ReleaseDC(list, dc);
        });
    }

    std::printf("UpdateRate with 1023 intervals retained:\n");
    struct Load { const char* what; double ms; };
    for (const Load load : {Load{"1.0 ms (walks 1000)", 1.0}, Load{"0.125 ms (walks 1023)", 0.125},
                            Load{"8.0 ms (walks 125)", 8.0}}) {
        for (int i = 0; i < 1023; ++i)
            UpdateRate(load.ms);
        volatile double sink = 0;
        const int batch = 1000;
        const double rounds = RoundsPerSecond(0.5, [&] {
            for (int i = 0; i < batch; ++i)
                sink = UpdateRate(load.ms);
        });
        std::printf("  %-24s %8.3f us per call (rate %.3f Hz)\n", load.what,
                    1e6 / (rounds * batch), static_cast<double>(sink));
    }
    DestroyWindow(r.parent);
    return 0;
}
