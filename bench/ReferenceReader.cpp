// reference_reader: the platform's ceiling for reading the mouse on this
// machine. It sets the mouse up exactly as Tavrel does (the real CMouse:
// Create on its window, Start), but its window only pumps messages: it draws
// nothing beyond what the system draws for any window, and the intervals are
// popped by a thread of their own, never by the window's thread. Under Wine
// the window's thread is also the one that reads the X events that become
// DirectInput reports, so this is what a reader costs the input path when it
// costs nothing.
//
// usage: reference_reader SECONDS
//   Opens a top-level window centred on the screen, about the size of Tavrel's
//   dialog, starts sampling, and prints
//     ready x=X y=Y w=W h=H
//   (its client area, in screen pixels) once the sampler runs. It ends after
//   SECONDS, or when the window is closed, and then prints every interval it
//   popped, oldest first, one per line in milliseconds ("%.6f"), and
//   "intervals=N". Whatever arrives in the last millisecond or so before the
//   end is not popped, so the pointer should be still by then. Exit status 0,
//   or 1 when the mouse could not be set up.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "sampling/Mouse.h"

namespace {

const char kClassName[] = "TavrelReferenceReader";
const char kCaption[] = "Tavrel reference reader";
// About the pixel size of Tavrel's dialog under Wine's default font.
const int kWidth = 260;
const int kHeight = 370;
const UINT_PTR kEndTimerId = 1;

// Pops the sampler's queue on its own thread, so that the window's thread does
// nothing but pump messages. The queue holds 255 intervals (over 100 ms even
// at 2000 Hz); popping every millisecond or so keeps it nearly empty.
struct Consumer {
    CMouse* mouse = nullptr;
    std::atomic<bool> stop{false}; // set by the window's thread; read here (acquire)
    std::vector<double> intervals;
};

DWORD WINAPI ConsumerProc(LPVOID param)
{
    auto* c = static_cast<Consumer*>(param);
    double ms;
    while (!c->stop.load(std::memory_order_acquire)) {
        while (c->mouse->Pop(&ms))
            c->intervals.push_back(ms);
        Sleep(1);
    }
    return 0;
}

// The window's only duties: on the timer or the close box, leave the message
// loop. The window itself stays until sampling has stopped: its destruction
// moves the system's idea of the pointer, which DirectInput would report.
LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_TIMER:
        if (wp == kEndTimerId)
            PostQuitMessage(0);
        return 0;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc == 2 ? atof(argv[1]) : 0;
    if (seconds <= 0) {
        fprintf(stderr, "usage: reference_reader SECONDS\n");
        return 2;
    }

    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    HWND hwnd = CreateWindowExA(0, kClassName, kCaption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                x, y, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
    if (!hwnd) {
        fprintf(stderr, "reference_reader: cannot create the window (error %lu)\n", GetLastError());
        return 1;
    }
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);

    // Tavrel's own set-up: the device is created on the window, then the
    // sampling thread starts (raising the process's priority class).
    CMouse mouse;
    if (!mouse.Create(hwnd)) {
        fprintf(stderr, "reference_reader: CMouse::Create failed\n");
        return 1;
    }
    Consumer consumer;
    consumer.mouse = &mouse;
    consumer.intervals.reserve(1 << 20);
    HANDLE thread = CreateThread(nullptr, 0, ConsumerProc, &consumer, 0, nullptr);
    if (!thread) {
        fprintf(stderr, "reference_reader: cannot start the consumer thread\n");
        return 1;
    }
    mouse.Start();
    SetTimer(hwnd, kEndTimerId, static_cast<UINT>(seconds * 1000), nullptr);

    RECT client;
    GetClientRect(hwnd, &client);
    POINT origin = {0, 0};
    ClientToScreen(hwnd, &origin);
    printf("ready x=%ld y=%ld w=%ld h=%ld\n", origin.x, origin.y, client.right, client.bottom);
    fflush(stdout);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    // The consumer stops before the sampler: CMouse::Stop wakes the sampling
    // thread through its event, and that wake-up is queued as one more
    // interval, ending now rather than at a report. The pointer has been still
    // for a while by now, so no interval of a report is left behind.
    consumer.stop.store(true, std::memory_order_release);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    mouse.Stop();
    KillTimer(hwnd, kEndTimerId);
    DestroyWindow(hwnd);

    for (double v : consumer.intervals)
        printf("%.6f\n", v);
    printf("intervals=%u\n", static_cast<unsigned>(consumer.intervals.size()));
    return 0;
}
