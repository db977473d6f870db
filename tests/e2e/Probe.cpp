// tavrel_probe: looks at a running Tavrel from another process, the way a user
// would see it, and closes it the ways a user can. Used by the end-to-end test.
//
//   find MS            wait up to MS for the dialog; print "hwnd=H x=X y=Y w=W h=H
//                      dx=X dy=Y dw=W dh=H": screen rectangles of the dialog's
//                      list box (x...) and of the whole dialog (dx...)
//   read               print "count=N", each list line as "line=TEXT", "rate=TEXT"
//   close ok|esc|box [MS]
//                      click OK, press Esc, or use the close box (window menu
//                      Close); with MS, then wait up to MS for the dialog's
//                      process to end and print "exited_ms=N code=C", the time
//                      from the close to the end of the process
//   lines MS N         wait up to MS until the list holds at least N lines;
//                      print "count=N"
//   gone MS            wait up to MS until no dialog of that caption is left
//   msgbox MS TEXT     wait up to MS for a message box showing TEXT; print how
//                      many are open, then dismiss it with its OK button
//   msgboxes           print how many message boxes showing TEXT are open
//   widest             scroll to the first line, write "8000.000 Hz" as the
//                      rate; print the list's and the field's client areas on
//                      the screen, "X,Y,W,H X,Y,W,H"
//   watch MS SECONDS   every MS for SECONDS, print "t=SECONDS count=N rate=TEXT":
//                      the time since the first sample, the list's line count
//                      and the rate shown (two small requests to the dialog
//                      thread per sample, so watching barely loads it)
//
//   check              the whole program, with no X: start Tavrel.exe from the
//                      probe's own folder, move the pointer over its list
//                      (under Wine beside the window) with SendInput at 125 Hz
//                      for 3 s, read the list and the rate, close it with OK
//                      (exit code 0); the lines' median must be within 10 % of
//                      the cadence kept, the rate within 2 % of its rate (on
//                      Windows; under Wine it prints "SKIPPED" and why). Then
//                      the same at 500 Hz, reported, not judged.
//
// With TAVREL_DESKTOP set, the probe looks on that desktop (a Wine virtual
// desktop started as `explorer /desktop=NAME,...`) instead of the default one.
// Exit status 0 on success, 1 when the expected window was not found, 2 on misuse.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/support/Platform.h"
#include "tests/support/Wait.h"
#include "tests/support/Window.h"

namespace {

const char kCaption[] = RATE_DIALOG_CAPTION;
const char kDialogClass[] = "#32770";
const int kListId = IDC_HISTORY_LIST;
const int kRateId = IDC_AVERAGE_EDIT;
// Another process's windows are polled gently: each look is a round trip.
const DWORD kPollMs = 20;

HWND FindDialog()
{
    return FindWindowA(kDialogClass, kCaption);
}

struct BoxSearch {
    const char* text;
    std::vector<HWND> found;
};

BOOL CALLBACK ChildShowsText(HWND child, LPARAM lp)
{
    auto* s = reinterpret_cast<BoxSearch*>(lp);
    if (WindowText(child).find(s->text) != std::string::npos) {
        s->found.push_back(GetAncestor(child, GA_ROOT));
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK TopShowsText(HWND top, LPARAM lp)
{
    char cls[64] = {};
    GetClassNameA(top, cls, sizeof cls);
    if (strcmp(cls, kDialogClass) == 0 && IsWindowVisible(top))
        EnumChildWindows(top, ChildShowsText, lp);
    return TRUE;
}

std::vector<HWND> FindBoxes(const char* text)
{
    BoxSearch s{text, {}};
    EnumWindows(TopShowsText, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

int Find(DWORD ms)
{
    HWND dlg = nullptr;
    if (!WaitFor([&] { return (dlg = FindDialog()) != nullptr && IsWindowVisible(dlg); }, ms, kPollMs)) {
        fprintf(stderr, "probe: no visible window \"%s\" within %lu ms\n", kCaption, ms);
        return 1;
    }
    RECT r, d;
    HWND list = GetDlgItem(dlg, kListId);
    GetWindowRect(list ? list : dlg, &r);
    GetWindowRect(dlg, &d);
    printf("hwnd=%p x=%ld y=%ld w=%ld h=%ld dx=%ld dy=%ld dw=%ld dh=%ld\n", static_cast<void*>(dlg),
           r.left, r.top, r.right - r.left, r.bottom - r.top, d.left, d.top, d.right - d.left,
           d.bottom - d.top);
    return 0;
}

struct Readout {
    LRESULT count = 0; // the list's own count
    std::vector<std::string> lines;
    std::string rate;
    bool operator==(const Readout& o) const { return count == o.count && lines == o.lines && rate == o.rate; }
};

// The dialog's list and rate as another program sees them; false when the
// dialog or its controls are missing.
bool ReadDialog(HWND dlg, Readout& out)
{
    HWND list = dlg ? GetDlgItem(dlg, kListId) : nullptr;
    HWND rate = dlg ? GetDlgItem(dlg, kRateId) : nullptr;
    if (!list || !rate) {
        fprintf(stderr, "probe: no dialog \"%s\" with a list (%p) and a rate field (%p)\n", kCaption,
                static_cast<void*>(list), static_cast<void*>(rate));
        return false;
    }
    out.lines.clear();
    out.count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < out.count; ++i) {
        // The wide message: Wine returns only the first character of an
        // item when LB_GETTEXT is sent narrow to another process.
        WCHAR wline[256] = {};
        const LRESULT len = SendMessageW(list, LB_GETTEXTLEN, i, 0);
        if (len < 0 || len >= static_cast<LRESULT>(sizeof wline / sizeof wline[0])) {
            out.lines.push_back("<length " + std::to_string(len) + ">");
            continue;
        }
        if (SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wline)) == LB_ERR)
            continue;
        char line[256] = {};
        WideCharToMultiByte(CP_ACP, 0, wline, -1, line, sizeof line, nullptr, nullptr);
        out.lines.push_back(line);
    }
    out.rate = WindowText(rate);
    return true;
}

int Read()
{
    Readout r;
    if (!ReadDialog(FindDialog(), r))
        return 1;
    printf("count=%ld\n", static_cast<long>(r.count));
    for (const std::string& line : r.lines)
        printf("line=%s\n", line.c_str());
    printf("rate=%s\n", r.rate.c_str());
    return 0;
}

// The process that owns the dialog, opened for the given access; null on failure.
HANDLE OpenDialogProcess(HWND dlg, DWORD access)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(dlg, &pid);
    HANDLE h = pid ? OpenProcess(access, FALSE, pid) : nullptr;
    if (!h)
        fprintf(stderr, "probe: cannot open the dialog's process %lu (error %lu)\n", pid, GetLastError());
    return h;
}

int Close(const char* how, DWORD waitMs, bool wait)
{
    HWND dlg = FindDialog();
    if (!dlg) {
        fprintf(stderr, "probe: no window \"%s\" to close\n", kCaption);
        return 1;
    }
    // Opened before the close, so the process cannot be gone before it is watched.
    HANDLE process = nullptr;
    if (wait && !(process = OpenDialogProcess(dlg, SYNCHRONIZE | PROCESS_QUERY_INFORMATION)))
        return 1;
    const DWORD start = GetTickCount();
    if (strcmp(how, "ok") == 0) {
        // A click on the button: it sends the dialog BN_CLICKED for IDOK.
        HWND ok = GetDlgItem(dlg, IDOK);
        if (!ok) {
            fprintf(stderr, "probe: the dialog has no OK button\n");
            return 1;
        }
        PostMessageA(ok, BM_CLICK, 0, 0);
    } else if (strcmp(how, "esc") == 0) {
        // The key goes to the control with the focus, as a real key press
        // would; the modal loop's dialog navigation turns Esc into IDCANCEL.
        GUITHREADINFO gti = {};
        gti.cbSize = sizeof gti;
        HWND target = dlg;
        if (GetGUIThreadInfo(GetWindowThreadProcessId(dlg, nullptr), &gti) && gti.hwndFocus)
            target = gti.hwndFocus;
        PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    } else if (strcmp(how, "box") == 0) {
        // What the caption bar's close box sends.
        PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
        return 2;
    }
    if (!process)
        return 0;
    const DWORD wr = WaitForSingleObject(process, waitMs);
    const DWORD elapsed = GetTickCount() - start;
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    if (wr != WAIT_OBJECT_0) {
        fprintf(stderr, "probe: the process still runs %lu ms after the close\n", elapsed);
        return 1;
    }
    printf("exited_ms=%lu code=%lu\n", elapsed, code);
    return 0;
}

int Lines(DWORD ms, LRESULT atLeast)
{
    LRESULT n = -1;
    const bool reached = WaitFor(
        [&] {
            HWND list = GetDlgItem(FindDialog(), kListId);
            n = list ? SendMessageA(list, LB_GETCOUNT, 0, 0) : -1;
            return n >= atLeast;
        },
        ms, kPollMs);
    printf("count=%ld\n", static_cast<long>(n));
    if (!reached) {
        fprintf(stderr, "probe: the list holds %ld lines after %lu ms, not %ld\n",
                static_cast<long>(n), ms, static_cast<long>(atLeast));
        return 1;
    }
    return 0;
}

int Watch(DWORD periodMs, double seconds)
{
    HWND dlg = FindDialog();
    HWND list = dlg ? GetDlgItem(dlg, kListId) : nullptr;
    HWND rate = dlg ? GetDlgItem(dlg, kRateId) : nullptr;
    if (!list || !rate) {
        fprintf(stderr, "probe: no window \"%s\" with a list and a rate field\n", kCaption);
        return 1;
    }
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    // Samples are due at absolute times, so a slow answer does not shift the rest.
    for (long n = 0;; ++n) {
        const double due = n * periodMs / 1000.0;
        if (due > seconds)
            break;
        double t;
        while ((QueryPerformanceCounter(&now), t = static_cast<double>(now.QuadPart - start.QuadPart) /
                                                   frequency.QuadPart) < due)
            Sleep(static_cast<DWORD>((due - t) * 1000) + 1);
        const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
        printf("t=%.3f count=%ld rate=%s\n", t, static_cast<long>(count), WindowText(rate).c_str());
    }
    return 0;
}

// Scrolls the list back to its first line and writes the widest rate, then
// prints where the two controls' client areas are on the screen.
int Widest()
{
    HWND dlg = FindDialog(), list = GetDlgItem(dlg, kListId), rate = GetDlgItem(dlg, kRateId);
    if (!list || !rate)
        return 1;
    SendMessageW(list, LB_SETTOPINDEX, 0, 0);
    SendMessageW(rate, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"8000.000 Hz"));
    for (HWND wnd : {list, rate}) {
        RECT rc;
        GetClientRect(wnd, &rc);
        MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
        printf("%ld,%ld,%ld,%ld ", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    }
    printf("\n");
    return 0;
}

int Gone(DWORD ms)
{
    if (!WaitFor([] { return FindDialog() == nullptr; }, ms, kPollMs)) {
        fprintf(stderr, "probe: \"%s\" still open after %lu ms\n", kCaption, ms);
        return 1;
    }
    return 0;
}

int MsgBox(DWORD ms, const char* text)
{
    std::vector<HWND> boxes;
    if (!WaitFor([&] { return !(boxes = FindBoxes(text)).empty(); }, ms, kPollMs)) {
        fprintf(stderr, "probe: no message box showing \"%s\" within %lu ms\n", text, ms);
        return 1;
    }
    printf("boxes=%u\n", static_cast<unsigned>(boxes.size()));
    HWND ok = GetDlgItem(boxes.front(), IDOK);
    PostMessageA(ok ? ok : boxes.front(), ok ? BM_CLICK : WM_CLOSE, 0, 0);
    return 0;
}

// Every window's coordinates in the screen's own pixels, whatever the DPI
// awareness of the program that owns it: a per-monitor aware process is
// never given scaled coordinates (Windows 10 1703 and later; looked up, so
// that older systems fall back to system-wide awareness, which is the same
// on a single screen).
void UseScreenPixels()
{
    using SetContext = BOOL(WINAPI*)(HANDLE);
    const auto set = reinterpret_cast<SetContext>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDpiAwarenessContext")));
    const HANDLE perMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
    if (!set || !set(perMonitorV2))
        SetProcessDPIAware();
}


#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// What the pointer did: how many moves were sent, and the mean time between them.
struct Motion {
    long moves = 0;
    long sent = 0;
    double meanMs = 0;
};

// Moves the pointer back and forth between two points inside rc (screen
// pixels) with SendInput, one move every periodMs for seconds. Each move is
// due at an absolute time on the performance counter, so a late one does not
// push the rest. The wait is a high-resolution timer (Windows 10 1803 and
// later), else an ordinary one with the system's timer at 1 ms, and the last
// fraction of a millisecond is spun.
Motion MovePointer(const RECT& rc, double periodMs, double seconds)
{
    HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                          TIMER_ALL_ACCESS);
    const bool coarse = !timer;
    if (coarse) {
        timeBeginPeriod(1);
        timer = CreateWaitableTimerW(nullptr, TRUE, nullptr);
    }
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const auto elapsedMs = [&] {
        QueryPerformanceCounter(&now);
        return (now.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
    };
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    Motion m;
    m.moves = std::lround(seconds * 1000 / periodMs) + 1;
    double first = 0, last = 0;
    for (long n = 0; n < m.moves; ++n) {
        const double due = n * periodMs;
        LARGE_INTEGER wait;
        wait.QuadPart = -static_cast<LONGLONG>((due - elapsedMs()) * 10000);
        if (wait.QuadPart < 0 && SetWaitableTimer(timer, &wait, 0, nullptr, nullptr, FALSE))
            WaitForSingleObject(timer, INFINITE);
        while (elapsedMs() < due) {
        }
        INPUT in = {};
        in.type = INPUT_MOUSE;
        in.mi.dx = MulDiv(rc.left + w / 2 + ((n & 1) ? w / 4 : -w / 4), 65535, width - 1);
        in.mi.dy = MulDiv(rc.top + h / 2 + ((n & 2) ? h / 8 : -h / 8), 65535, height - 1);
        in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        m.sent += SendInput(1, &in, sizeof in);
        (n == 0 ? first : last) = elapsedMs();
    }
    if (coarse)
        timeEndPeriod(1);
    CloseHandle(timer);
    m.meanMs = m.moves > 1 ? (last - first) / (m.moves - 1) : 0;
    return m;
}

// Brings the dialog to the front, with a click on its caption where the
// system does not let this program do it: since Windows 11 22H2 a program
// behind another window gets mouse input only about every 8 ms. Returns
// whether the dialog is in front.
bool BringToFront(HWND dlg)
{
    if (SetForegroundWindow(dlg) && GetForegroundWindow() == dlg)
        return true;
    RECT d;
    GetWindowRect(dlg, &d);
    INPUT click[3] = {};
    for (INPUT& in : click)
        in.type = INPUT_MOUSE;
    click[0].mi.dx = MulDiv((d.left + d.right) / 2, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    click[0].mi.dy = MulDiv(d.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2, 65535,
                            GetSystemMetrics(SM_CYSCREEN) - 1);
    click[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(3, click, sizeof(INPUT));
    return WaitFor([&] { return GetForegroundWindow() == dlg; }, 2000, kPollMs);
}

// Starts the program, moves the pointer over its list at periodMs for 3 s,
// reads the readout once it has settled and closes the program with OK.
// Returns true when all of that worked and the program ended with exit code
// 0; otherwise says why.
bool MeasureRun(const std::string& exe, double periodMs, Motion& motion, Readout& readout)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmd = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        printf("cannot start %s (error %lu)\n", exe.c_str(), GetLastError());
        return false;
    }
    CloseHandle(pi.hThread);
    bool ok = false;
    HWND dlg = nullptr;
    if (!WaitFor([&] { return (dlg = FindDialog()) != nullptr && IsWindowVisible(dlg); }, 60000, kPollMs)) {
        printf("no window \"%s\" within 60 s\n", kCaption);
    } else {
        if (!BringToFront(dlg))
            printf("(the program is not in front, so Windows 11 may give it the mouse's reports late) ");
        RECT rc;
        GetWindowRect(GetDlgItem(dlg, kListId), &rc);
        if (!WineVersion().empty()) {
            // Beside the window, on the side with room (see Check).
            RECT d;
            GetWindowRect(dlg, &d);
            const bool right = d.right + 20 + (rc.right - rc.left) <= GetSystemMetrics(SM_CXSCREEN);
            OffsetRect(&rc, right ? d.right + 20 - rc.left : d.left - 20 - rc.right, 0);
        }
        motion = MovePointer(rc, periodMs, 3);
        // The lines and the rate are shown on ticks of their own, each at
        // most every 100 ms: read until two reads 150 ms apart agree.
        Readout previous;
        int reads = 0;
        ok = WaitFor(
            [&] {
                const bool same = ReadDialog(dlg, readout) && reads++ > 0 && readout == previous;
                previous = readout;
                return same;
            },
            10000, 150);
        if (!ok)
            printf("the readout did not settle within 10 s of the motion\n");
        PostMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
    }
    DWORD code = 0;
    if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) {
        printf("the program still runs 30 s after OK; ended\n");
        TerminateProcess(pi.hProcess, 1);
        ok = false;
    } else if (GetExitCodeProcess(pi.hProcess, &code) && code != 0) {
        printf("the program ended with exit code %lu\n", code);
        ok = false;
    }
    CloseHandle(pi.hProcess);
    return ok;
}

// Reports one run and, when judged, checks it: the lines after the first (a
// pause before the motion) against the cadence the pointer kept, and the rate.
bool Report(const Motion& m, const Readout& r, bool judged)
{
    std::vector<double> steady;
    for (size_t i = 1; i < r.lines.size(); ++i)
        steady.push_back(atof(r.lines[i].c_str()));
    const double cadenceHz = 1000 / m.meanMs, shownHz = atof(r.rate.c_str());
    printf("%ld of %ld moves sent, %.3f ms apart (%.3f Hz); %ld lines", m.sent, m.moves, m.meanMs, cadenceHz,
           static_cast<long>(r.count));
    if (steady.empty()) {
        printf(": the motion did not reach the program\n");
        return !judged;
    }
    std::nth_element(steady.begin(), steady.begin() + steady.size() / 2, steady.end());
    const double median = steady[steady.size() / 2];
    printf(", median %.3f ms; rate shown \"%s\", %.1f %% of the cadence's\n", median, r.rate.c_str(),
           100 * shownHz / cadenceHz);
    const bool linesNear = std::fabs(median - m.meanMs) <= 0.10 * m.meanMs;
    const bool rateNear = std::fabs(shownHz - cadenceHz) <= 0.02 * cadenceHz;
    if (!judged) {
        if (shownHz < 0.98 * cadenceHz)
            printf("(not judged: reports that reach the program together are read as one interval, so a "
                   "busy or virtual machine, or Windows 11 with the program behind a window, reads less)\n");
        return true;
    }
    if (!linesNear)
        printf("FAIL: the lines' median is not within 10 %% of the cadence\n");
    if (!WineVersion().empty()) {
        // On Windows the reports reach DirectInput without the dialog's
        // thread; under Wine that thread carries them, and on a loaded
        // machine some wait together and read as one.
        printf("SKIPPED: Wine %s: the rate within 2 %% of the cadence's is for Windows; under Wine the "
               "dialog's thread carries the reports, so a loaded machine reads less (the end-to-end "
               "tests judge the rate under Wine)\n",
               WineVersion().c_str());
        return linesNear;
    }
    if (!rateNear)
        printf("FAIL: the rate shown is not within 2 %% of the cadence's\n");
    return linesNear && rateNear;
}

// The whole program at 125 Hz, judged, and at 500 Hz, reported.
int Check()
{
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string exe = self;
    exe.erase(exe.find_last_of('\\') + 1);
    exe += "Tavrel.exe";
    if (!WineVersion().empty())
        printf("Wine %s: the pointer moves beside the window, not over its list: there, DirectInput "
               "reads some SendInput moves as two reports\n",
               WineVersion().c_str());
    // Injected input goes to the desktop that receives input (Wine 10 refuses
    // it from a thread on another): this one is made that desktop first.
    SwitchDesktop(GetThreadDesktop(GetCurrentThreadId()));
    bool passed = true;
    for (const int hz : {125, 500}) {
        printf("at %d Hz%s: ", hz, hz == 125 ? "" : " (not judged)");
        Motion motion;
        Readout readout;
        passed = MeasureRun(exe, 1000.0 / hz, motion, readout) && Report(motion, readout, hz == 125) && passed;
    }
    return passed ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    UseScreenPixels();
    if (const char* desktop = getenv("TAVREL_DESKTOP")) {
        // The desktop exists only once explorer has started it.
        HDESK h = nullptr;
        WaitFor([&] { return (h = OpenDesktopA(desktop, 0, FALSE, GENERIC_ALL)) != nullptr; }, 60000, kPollMs);
        if (!h || !SetThreadDesktop(h)) {
            fprintf(stderr, "probe: cannot use desktop \"%s\" (error %lu)\n", desktop, GetLastError());
            return 1;
        }
    }
    const std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "find" && argc == 3)
        return Find(strtoul(argv[2], nullptr, 10));
    if (cmd == "read" && argc == 2)
        return Read();
    if (cmd == "close" && (argc == 3 || argc == 4))
        return Close(argv[2], argc == 4 ? strtoul(argv[3], nullptr, 10) : 0, argc == 4);
    if (cmd == "lines" && argc == 4)
        return Lines(strtoul(argv[2], nullptr, 10), strtol(argv[3], nullptr, 10));
    if (cmd == "gone" && argc == 3)
        return Gone(strtoul(argv[2], nullptr, 10));
    if (cmd == "msgbox" && argc == 4)
        return MsgBox(strtoul(argv[2], nullptr, 10), argv[3]);
    if (cmd == "widest" && argc == 2)
        return Widest();
    if (cmd == "watch" && argc == 4)
        return Watch(strtoul(argv[2], nullptr, 10), atof(argv[3]));
    if (cmd == "check" && argc == 2)
        return Check();
    if (cmd == "msgboxes" && argc == 3) {
        printf("boxes=%u\n", static_cast<unsigned>(FindBoxes(argv[2]).size()));
        return 0;
    }
    fprintf(stderr, "usage: tavrel_probe find MS | read | close ok|esc|box [MS] | lines MS N | "
                    "gone MS | msgbox MS TEXT | msgboxes TEXT | widest | watch MS SECONDS | check\n");
    return 2;
}
