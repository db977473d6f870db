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
// With TAVREL_DESKTOP set, the probe looks on that desktop (a Wine virtual
// desktop started as `explorer /desktop=NAME,...`) instead of the default one.
// Exit status 0 on success, 1 when the expected window was not found, 2 on misuse.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"
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

int Read()
{
    HWND dlg = FindDialog();
    if (!dlg) {
        fprintf(stderr, "probe: no window \"%s\"\n", kCaption);
        return 1;
    }
    HWND list = GetDlgItem(dlg, kListId);
    HWND rate = GetDlgItem(dlg, kRateId);
    if (!list || !rate) {
        fprintf(stderr, "probe: the dialog has no list (%p) or rate field (%p)\n",
                static_cast<void*>(list), static_cast<void*>(rate));
        return 1;
    }
    const LRESULT n = SendMessageA(list, LB_GETCOUNT, 0, 0);
    printf("count=%ld\n", static_cast<long>(n));
    for (LRESULT i = 0; i < n; ++i) {
        // The wide message: Wine returns only the first character of an
        // item when LB_GETTEXT is sent narrow to another process.
        WCHAR wline[256] = {};
        const LRESULT len = SendMessageW(list, LB_GETTEXTLEN, i, 0);
        if (len < 0 || len >= static_cast<LRESULT>(sizeof wline / sizeof wline[0])) {
            printf("line=<length %ld>\n", static_cast<long>(len));
            continue;
        }
        if (SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wline)) == LB_ERR)
            continue;
        char line[256] = {};
        WideCharToMultiByte(CP_ACP, 0, wline, -1, line, sizeof line, nullptr, nullptr);
        printf("line=%s\n", line);
    }
    printf("rate=%s\n", WindowText(rate).c_str());
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
    if (cmd == "msgboxes" && argc == 3) {
        printf("boxes=%u\n", static_cast<unsigned>(FindBoxes(argv[2]).size()));
        return 0;
    }
    fprintf(stderr, "usage: tavrel_probe find MS | read | close ok|esc|box [MS] | lines MS N | "
                    "gone MS | msgbox MS TEXT | msgboxes TEXT | widest | watch MS SECONDS\n");
    return 2;
}
