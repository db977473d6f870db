// The whole measurement pipeline under load: the real sampling loop (CMouse)
// and the real dialog (CRateDlg run modally: its timer, readout, list box and
// edit field), fed by a synthetic mouse. Prints figures; judges nothing,
// except that --check makes the exit code say whether every interval the
// sampler queued reached the list.
//
// The synthetic mouse is the scripted device of the tests, handed to the
// unchanged CMouse::Create through the link-time DirectInput8Create stand-in.
// A source thread plays the mouse: report j is due at t0 + j * period on the
// performance counter; when it is due the thread puts `records` records in the
// device's buffer and signals the sampler's event, as DirectInput does.
//
// What is observed, without changing the product's code:
// - each wake-up of the sampler, by the device's first read of that wake-up
//   (its performance-counter time);
// - each line that reaches the list, by a subclass of the list box that sees
//   every LB_ADDSTRING (the list itself keeps only the newest 1024);
// - the rate text, read from the edit field at the end;
// - the CPU time of the dialog thread.
//
// usage: pipeline_bench [--rates 125,500,...] [--seconds S] [--check] [--breakdown]
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "display/RateDlg.h"
#include "tests/support/FakeDirectInput.h"
#include "tests/support/ModalRunner.h"

namespace {

LONGLONG Qpc()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

LONGLONG QpcFrequency()
{
    static const LONGLONG frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    return frequency;
}

// CPU time (kernel + user) of a thread, in seconds.
double CpuSeconds(HANDLE hThread)
{
    FILETIME creation, exit, kernel, user;
    if (!hThread || !GetThreadTimes(hThread, &creation, &exit, &kernel, &user))
        return 0;
    auto ticks = [](const FILETIME& t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) * 1e-7;
}

// ---- what the observers record ----
// Wake-ups and lines are counted always; their times and values are kept for
// the first `capacity` of a run.
struct Observed {
    std::atomic<long> wakes{0};
    std::atomic<long> lines{0};
    std::vector<LONGLONG> wakeQpc;
    std::vector<double> lineMs;
    size_t capacity = 0;

    void Reset(size_t cap)
    {
        wakes = 0;
        lines = 0;
        capacity = cap;
        wakeQpc.assign(cap, 0);
        lineMs.assign(cap, 0.0);
    }
};
Observed g_obs;

// Sampling thread, at the first read of each wake-up: the device has just
// taken the performance counter, right after the sampler took its own.
void OnWake()
{
    const long k = g_obs.wakes.load(std::memory_order_relaxed);
    if (static_cast<size_t>(k) < g_obs.capacity)
        g_obs.wakeQpc[k] = g_directInput8Create.mouse.firstReadCounter.load();
    g_obs.wakes.store(k + 1, std::memory_order_release);
}

// Where the dialog thread's time goes: the time spent handling each message
// of interest by the dialog, the list and the edit field (inclusive: a list
// message sent from the timer handler counts in both).
// The counts are written by the dialog thread and read by the main thread.
struct Cost {
    const char* name;
    HWND* window;
    UINT msg;
    std::atomic<long> count;
    std::atomic<long long> ticks;
    std::atomic<long long> maxTicks;
};
struct CostSnapshot {
    const char* name;
    long count;
    long long ticks;
    long long maxTicks;
};
HWND g_hDlgWatched, g_hListWatched, g_hEditWatched;
Cost g_costs[] = {
    {"timer handler (whole readout)", &g_hDlgWatched, WM_TIMER, 0, 0, 0},
    {"list: add", &g_hListWatched, LB_ADDSTRING, 0, 0, 0},
    {"list: delete oldest", &g_hListWatched, LB_DELETESTRING, 0, 0, 0},
    {"list: set top index", &g_hListWatched, LB_SETTOPINDEX, 0, 0, 0},
    {"list: redraw on/off", &g_hListWatched, WM_SETREDRAW, 0, 0, 0},
    {"list: paint rows", &g_hListWatched, WM_PAINT, 0, 0, 0},
    {"list: erase background", &g_hListWatched, WM_ERASEBKGND, 0, 0, 0},
    {"list: paint frame and scroll bar", &g_hListWatched, WM_NCPAINT, 0, 0, 0},
    {"edit: set rate text", &g_hEditWatched, WM_SETTEXT, 0, 0, 0},
    {"edit: paint", &g_hEditWatched, WM_PAINT, 0, 0, 0},
};
// Each watched window's own procedure, read before the watching one replaces
// it, so that no message finds it unset.
struct Watched {
    HWND* window;
    WNDPROC proc;
};
Watched g_watched[] = {{&g_hDlgWatched, nullptr}, {&g_hListWatched, nullptr}, {&g_hEditWatched, nullptr}};

Cost* FindCost(HWND hWnd, UINT msg)
{
    for (Cost& c : g_costs)
        if (c.msg == msg && *c.window == hWnd)
            return &c;
    return nullptr;
}

// Calls the window's own procedure, timing the messages of interest.
LRESULT TimedCall(WNDPROC proc, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Cost* cost = FindCost(hWnd, msg);
    const LONGLONG start = cost ? Qpc() : 0;
    const LRESULT result = CallWindowProcA(proc, hWnd, msg, wParam, lParam);
    if (cost) {
        cost->count.fetch_add(1, std::memory_order_relaxed);
        const LONGLONG took = Qpc() - start;
        cost->ticks.fetch_add(took, std::memory_order_relaxed);
        if (took > cost->maxTicks.load(std::memory_order_relaxed))
            cost->maxTicks.store(took, std::memory_order_relaxed); // written by the dialog thread only
    }
    return result;
}

// Dialog thread: every message to the three windows passes here, every line
// added to the history list among them.
LRESULT CALLBACK WatchProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == LB_ADDSTRING && hWnd == g_hListWatched) {
        const long i = g_obs.lines.load(std::memory_order_relaxed);
        if (static_cast<size_t>(i) < g_obs.capacity)
            g_obs.lineMs[i] = std::strtod(reinterpret_cast<const char*>(lParam), nullptr);
        g_obs.lines.store(i + 1, std::memory_order_release);
    }
    WNDPROC proc = DefWindowProcA;
    for (const Watched& w : g_watched)
        if (*w.window == hWnd)
            proc = w.proc;
    return TimedCall(proc, hWnd, msg, wParam, lParam);
}

std::vector<CostSnapshot> SnapshotCosts()
{
    std::vector<CostSnapshot> snapshot;
    for (const Cost& c : g_costs)
        snapshot.push_back({c.name, c.count.load(), c.ticks.load(), c.maxTicks.load()});
    return snapshot;
}

// The dialog thread's time by message, in total and per line added.
void PrintCosts(const std::vector<CostSnapshot>& costs, long lines)
{
    std::printf("      dialog thread by message (inclusive, wall time; %ld timer ticks, %ld lines):\n",
                costs.empty() ? 0 : costs[0].count, lines);
    for (const CostSnapshot& c : costs) {
        if (!c.count)
            continue;
        const double us = static_cast<double>(c.ticks) * 1e6 / QpcFrequency();
        std::printf("        %-34s %7ld x %8.1f us = %8.1f ms  (%7.1f us per line), longest %8.1f us\n",
                    c.name, c.count, us / c.count, us / 1000.0, lines ? us / lines : 0.0,
                    static_cast<double>(c.maxTicks) * 1e6 / QpcFrequency());
    }
}

void ResetCosts()
{
    for (Cost& c : g_costs) {
        c.count = 0;
        c.ticks = 0;
        c.maxTicks = 0;
    }
}

// ---- the synthetic mouse ----
// Records the device buffers per report: a report that moves the mouse on
// both axes is two records, as DirectInput buffers it.
const int kRecords = 2;

struct Source {
    LONGLONG t0 = 0;          // due time of report 0
    LONGLONG period = 0;      // counter ticks between reports
    long reports = 0;         // how many to signal
    HANDLE hEvent = nullptr;  // the sampler's event
    LONGLONG lateMax = 0;     // ticks, worst lateness of a signal against its due time

    static DWORD WINAPI Proc(LPVOID p)
    {
        static_cast<Source*>(p)->Run();
        return 0;
    }

    // Sleeps while the next report is more than 2 ms away and spins for the
    // rest, so each signal leaves within a few microseconds of its due time.
    void Run()
    {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
        const LONGLONG twoMs = QpcFrequency() / 500;
        CFakeDevice& device = g_directInput8Create.mouse;
        for (long j = 0; j < reports; ++j) {
            const LONGLONG due = t0 + j * period;
            LONGLONG now;
            while ((now = Qpc()) < due) {
                if (due - now > twoMs)
                    Sleep(1);
                else
                    YieldProcessor();
            }
            device.records += kRecords;
            SetEvent(hEvent);
            lateMax = std::max(lateMax, now - due);
        }
    }
};

// ---- one dialog, run modally on its own thread ----
class CBenchDialog {
public:
    CBenchDialog() : m_runner(m_dlg) {}

    // Waits for the window, its controls and the sampler's event, then watches
    // the list. Returns false, saying why, when something did not appear.
    bool Open()
    {
        m_hDlg = m_runner.WaitForWindow(RATE_DIALOG_CAPTION, 30000);
        if (!m_hDlg) {
            std::printf("pipeline_bench: the dialog did not appear (no display?)\n");
            return false;
        }
        m_hList = GetDlgItem(m_hDlg, IDC_HISTORY_LIST);
        m_hEdit = GetDlgItem(m_hDlg, IDC_AVERAGE_EDIT);
        if (!m_hList || !m_hEdit || !WaitFor([] { return g_directInput8Create.mouse.hEventNotified != nullptr; })) {
            std::printf("pipeline_bench: no list, edit field or sampler event\n");
            return false;
        }
        g_hDlgWatched = m_hDlg;
        g_hListWatched = m_hList;
        g_hEditWatched = m_hEdit;
        for (Watched& w : g_watched) {
            w.proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(*w.window, GWLP_WNDPROC));
            if (!w.proc || !SetWindowLongPtrA(*w.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchProc))) {
                std::printf("pipeline_bench: cannot watch the dialog (error %lu)\n", GetLastError());
                return false;
            }
        }
        return true;
    }

    std::string RateText() const { return WindowText(m_hEdit); }
    HANDLE Thread() const { return m_runner.Thread(); }
    HANDLE Event() const { return g_directInput8Create.mouse.hEventNotified; }

    // Ends the dialog with OK; the sampler stops with the window.
    bool Close()
    {
        PostMessageA(m_hDlg, WM_COMMAND, IDOK, 0);
        const bool ended = m_runner.Ended(30000);
        g_directInput8Create.mouse.hEventNotified = nullptr;
        return ended;
    }

private:
    CRateDlg m_dlg;
    CModalRunner m_runner;
    HWND m_hDlg = nullptr;
    HWND m_hList = nullptr;
    HWND m_hEdit = nullptr;
};

// Waits until every queued interval has reached the list, or until the line
// count has stopped moving for 300 ms (some were discarded) or 5 s passed.
void WaitForListToCatchUp()
{
    long lines = -1;
    DWORD steadySince = GetTickCount();
    WaitFor([&] {
        if (g_obs.lines.load() != lines) {
            lines = g_obs.lines.load();
            steadySince = GetTickCount();
        }
        return lines >= g_obs.wakes.load() || GetTickCount() - steadySince > 300;
    }, 5000);
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * (v.size() - 1) + 0.5));
    std::nth_element(v.begin(), v.begin() + i, v.end());
    return v[i];
}

struct Row {
    int rate = 0;
    long reports = 0, queued = 0, lines = 0;
    long lost = 0, lostInQueue = 0;
    double errMedianUs = 0, errP99Us = 0;
    bool errFromLines = true;
    std::string rateText;
    double dialogBusyUsPerInterval = 0, dialogBusyShare = 0;
    double sourceLateMaxUs = 0;
    std::vector<CostSnapshot> costs;
    long linesDuring = 0;
};

bool RunRate(int rate, double seconds, Row& row)
{
    const long reports = static_cast<long>(std::lround(rate * seconds));
    g_obs.Reset(static_cast<size_t>(reports) + 16);
    g_directInput8Create.mouse.records = 0;
    g_directInput8Create.mouse.onFirstRead = &OnWake;

    CBenchDialog dlg;
    if (!dlg.Open())
        return false;
    // Let the dialog settle (first paint, sampler waiting) before the mouse moves.
    Sleep(300);
    const long wakesBefore = g_obs.wakes.load(); // none expected; counted out below

    Source src;
    src.period = QpcFrequency() / rate;
    src.reports = reports;
    src.hEvent = dlg.Event();
    src.t0 = Qpc() + QpcFrequency() / 50; // 20 ms from now

    const double dialogCpu0 = CpuSeconds(dlg.Thread());
    const long lines0 = g_obs.lines.load();
    ResetCosts();
    HANDLE hSource = CreateThread(nullptr, 0, &Source::Proc, &src, 0, nullptr);
    WaitForSingleObject(hSource, INFINITE);
    CloseHandle(hSource);
    const double wall = static_cast<double>(Qpc() - src.t0) / QpcFrequency();
    const double dialogCpu = CpuSeconds(dlg.Thread()) - dialogCpu0;
    const long linesDuring = g_obs.lines.load() - lines0;
    row.costs = SnapshotCosts();
    row.linesDuring = linesDuring;

    WaitForListToCatchUp();
    row.rateText = dlg.RateText();
    const long wakes = g_obs.wakes.load() - wakesBefore;
    const long lines = g_obs.lines.load();
    if (!dlg.Close())
        std::printf("pipeline_bench: the dialog did not close\n");

    row.rate = rate;
    row.reports = reports;
    row.queued = wakes;
    row.lines = lines;
    row.lost = reports - lines;
    row.lostInQueue = wakes - lines;
    row.dialogBusyShare = wall > 0 ? dialogCpu / wall : 0;
    row.dialogBusyUsPerInterval = linesDuring > 0 ? dialogCpu * 1e6 / linesDuring : 0;
    row.sourceLateMaxUs = static_cast<double>(src.lateMax) * 1e6 / QpcFrequency();

    // Interval k (k >= 1; the first is measured from the loop's start) belongs
    // to the newest report due at or before its wake-up. Its true length is the
    // time between the due times of the reports of wake-ups k-1 and k; reports
    // that woke nothing of their own are lost, not errors.
    const double tickMs = 1000.0 / QpcFrequency();
    const long n = std::min<long>({wakes, lines, static_cast<long>(g_obs.capacity)});
    // When the queue dropped intervals, lines no longer pair with wake-ups;
    // the sampler's own wake-up times stand in for the lines then.
    row.errFromLines = wakes == lines;
    auto reportOf = [&](long k) {
        const LONGLONG since = g_obs.wakeQpc[k] - src.t0;
        return since < 0 ? -1 : std::min<LONGLONG>(reports - 1, since / src.period);
    };
    std::vector<double> errUs;
    for (long k = 1; k < n; ++k) {
        const double measured = row.errFromLines
                                    ? g_obs.lineMs[k]
                                    : static_cast<double>(g_obs.wakeQpc[k] - g_obs.wakeQpc[k - 1]) * tickMs;
        const LONGLONG prev = reportOf(k - 1), cur = reportOf(k);
        if (prev >= 0) {
            const double truth = static_cast<double>((cur - prev) * src.period) * tickMs;
            errUs.push_back(std::fabs(measured - truth) * 1000.0);
        }
    }
    row.errMedianUs = Percentile(errUs, 0.5);
    row.errP99Us = Percentile(errUs, 0.99);
    return true;
}

void PrintHeader()
{
    std::printf("%5s %7s %7s %7s %6s %6s %8s %8s %12s %9s %6s %8s\n", "Hz", "reports", "queued",
                "lines", "lost", "queue", "med_us", "p99_us", "rate_shown", "busy_us/i", "busy%",
                "late_us");
}

void PrintRow(const Row& r)
{
    std::printf("%5d %7ld %7ld %7ld %6ld %6ld %8.1f %8.1f %12s %9.1f %6.1f %8.1f%s\n", r.rate,
                r.reports, r.queued, r.lines, r.lost, r.lostInQueue, r.errMedianUs, r.errP99Us,
                r.rateText.c_str(), r.dialogBusyUsPerInterval, 100.0 * r.dialogBusyShare,
                r.sourceLateMaxUs, r.errFromLines ? "" : "  (errors from wake-up times)");
}

std::vector<int> ParseRates(const char* text)
{
    std::vector<int> rates;
    for (const char* p = text; *p;) {
        char* end;
        const long r = std::strtol(p, &end, 10);
        if (end == p || r <= 0)
            return {};
        rates.push_back(static_cast<int>(r));
        p = *end == ',' ? end + 1 : end;
    }
    return rates;
}

// Seconds per rate unless --seconds is given: 10 s at 125 Hz (enough to fill
// the 1024-line list) and at 8000 Hz, 5 s at the rates between.
double DefaultSeconds(int rate)
{
    return rate == 125 || rate == 8000 ? 10.0 : 5.0;
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::vector<int> rates = {125, 500, 1000, 2000, 4000, 8000};
    double seconds = 0;
    bool check = false, breakdown = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--rates" && more)
            rates = ParseRates(argv[++i]);
        else if (a == "--seconds" && more)
            seconds = std::atof(argv[++i]);
        else if (a == "--check")
            check = true;
        else if (a == "--breakdown")
            breakdown = true;
        else {
            std::printf("usage: pipeline_bench [--rates 125,500,...] [--seconds S] [--check] [--breakdown]\n");
            return 2;
        }
    }
    if (rates.empty() || seconds < 0) {
        std::printf("pipeline_bench: bad arguments\n");
        return 2;
    }
    std::printf("pipeline: synthetic mouse (%d record(s) per report, signals at exact counter deadlines) "
                "-> CMouse sampling thread -> CRateDlg (timer, readout, list, edit) under Wine\n", kRecords);
    std::printf("lost = reports - lines; queue = intervals queued but not added to the list; "
                "err = |measured - true| per interval; busy = dialog thread CPU\n");
    PrintHeader();
    bool allThrough = true;
    for (int rate : rates) {
        Row row;
        if (!RunRate(rate, seconds > 0 ? seconds : DefaultSeconds(rate), row))
            return 1;
        PrintRow(row);
        if (breakdown)
            PrintCosts(row.costs, row.linesDuring);
        allThrough = allThrough && row.lostInQueue == 0 && row.lines > 0 && row.lines <= row.queued;
    }
    if (check) {
        std::printf("check: %s\n", allThrough ? "every queued interval reached the list"
                                              : "intervals were queued that never reached the list");
        return allThrough ? 0 : 1;
    }
    return 0;
}
