// The readout update against real Win32 controls: a LISTBOX and a read-only
// EDIT with the dialog's styles, children of a real top-level window, driven
// through one timer tick at a time as the dialog drives them. Needs a display
// (Wine draws through X); each case says so when windows cannot be created.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "display/HistoryList.h"
#include "display/Pacer.h"
#include "display/RateEstimator.h"
#include "display/Readout.h"
#include "framework/Edit.h"
#include "tests/support/Platform.h"
#include "tests/support/TestMouse.h"
#include "tests/support/Wait.h"
#include "tests/support/Window.h"

namespace {

// The dialog's controls: list 1000 and edit 1001, right-aligned, the list
// with LBS_NOSEL and no sort style.
const DWORD kListStyle = 0x50A15101;
const DWORD kEditStyle = 0x50810880;
static_assert(kListStyle == (WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP |
                             LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_DISABLENOSCROLL | LBS_NOSEL),
              "list style");
static_assert((kListStyle & LBS_SORT) == 0, "the list is unsorted");
static_assert(kEditStyle == (WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL |
                             ES_READONLY),
              "edit style");

std::string Ms(double ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%4.3f ms", ms);
    return text;
}

class Readout : public ::testing::Test {
protected:
    CFakeDevice device;
    CTestMouse mouse{&device};
    HWND parent = nullptr;
    CHistoryList list; // the dialog's list class, subclassing the LISTBOX as the dialog does
    CEdit edit;
    CReadout readout;
    DWORD now = 1000; // the tick count the readout is given

    void SetUp() override
    {
        parent = CreateTopWindow("readout test", 20, 20, 260, 330);
        ASSERT_NE(nullptr, parent) << "cannot create a top-level window (error " << GetLastError()
                                   << "): these tests need Wine with an X display (DISPLAY="
                                   << (getenv("DISPLAY") ? getenv("DISPLAY") : "unset") << ")";
        // The dialog's list (54 x 155 dialog units) and edit at their usual size.
        const HWND hList = CreateWindowExA(WS_EX_RIGHT, "LISTBOX", "", kListStyle, 28, 28, 81, 252,
                                           parent, reinterpret_cast<HMENU>(1000), nullptr, nullptr);
        ASSERT_NE(nullptr, hList) << "cannot create the LISTBOX, error " << GetLastError();
        // On Windows the list box is Windows' own; under Wine it is made to
        // paint as Windows' does. Beneath the list class what reaches the
        // list box itself is watched.
        if (!WineVersion().empty()) {
            ASSERT_TRUE(PaintRowsOnly(hList));
        }
        s_listPointer = s_listSetCurSel = s_probes = s_probesHidden = 0;
        s_listProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            hList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingListProc)));
        ASSERT_TRUE(list.SubclassWindow(hList));
        ASSERT_TRUE(edit.Attach(CreateWindowExA(WS_EX_RIGHT, "EDIT", "", kEditStyle, 147, 262, 75,
                                                23, parent, reinterpret_cast<HMENU>(1001),
                                                nullptr, nullptr)))
            << "cannot create the EDIT, error " << GetLastError();
        UpdateWindow(parent);
        PumpMessages();
    }

    // One timer tick carrying these intervals, the list's pace after the
    // last, so that each tick takes what is queued. Between ticks both
    // controls are visible, as any other window sees them.
    void Tick(const std::vector<double>& intervals)
    {
        for (double ms : intervals)
            ASSERT_TRUE(mouse.Push(ms));
        now += CPacer::kShowIntervalMs;
        readout.Update(mouse, list, edit, now);
        EXPECT_TRUE(IsWindowVisible(list.m_hWnd)) << "the list is hidden after a tick";
        EXPECT_TRUE(IsWindowVisible(edit.m_hWnd)) << "the edit is hidden after a tick";
        EXPECT_EQ(edit.m_hWnd, GetNextDlgTabItem(parent, list.m_hWnd, FALSE)) << "Tab from the list";
        EXPECT_EQ(list.m_hWnd, GetNextDlgTabItem(parent, edit.m_hWnd, FALSE)) << "Tab from the edit";
    }

    // A tick, then everything it left waiting is shown and painted, as the
    // dialog's message loop does once it is due.
    void TickAndPaint(const std::vector<double>& intervals)
    {
        Tick(intervals);
        readout.Flush(list, edit);
        UpdateWindow(parent);
        PumpMessages();
    }

    // Counts the lines made current, the pointer messages the list box is
    // given, and the probes another thread sends, with the list hidden then.
    static LRESULT CALLBACK CountingListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg == kProbe) {
            ++s_probes;
            s_probesHidden += !IsWindowVisible(hwnd);
            return 0;
        }
        if (msg == LB_SETCURSEL)
            ++s_listSetCurSel;
        else if (msg == WM_MOUSEMOVE || msg == WM_SETCURSOR)
            ++s_listPointer;
        return CallWindowProcA(s_listProc, hwnd, msg, wp, lp);
    }
    static const UINT kProbe = WM_APP + 1;
    static WNDPROC s_listProc;
    static int s_listSetCurSel;
    static int s_listPointer;
    static int s_probes, s_probesHidden;

    std::vector<std::string> Lines() const { return ListLines(list); }
    std::string EditText() const { return WindowText(edit); }

    // Whether the newest line lies wholly inside the list's client area.
    ::testing::AssertionResult NewestInView() const
    {
        const int count = list.GetCount();
        if (count == 0)
            return ::testing::AssertionFailure() << "the list is empty";
        RECT item = {}, client = {};
        list.SendMessage(LB_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&item));
        GetClientRect(list.m_hWnd, &client);
        if (item.top >= 0 && item.bottom <= client.bottom && item.bottom > item.top)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "newest line " << count - 1 << " spans y " << item.top << ".." << item.bottom
               << ", client height " << client.bottom << ", top index "
               << list.SendMessage(LB_GETTOPINDEX);
    }

    // Whether the list reports any line as current or selected.
    ::testing::AssertionResult NoneSelected() const
    {
        const LRESULT cur = list.SendMessage(LB_GETCURSEL);
        if (cur != LB_ERR)
            return ::testing::AssertionFailure() << "LB_GETCURSEL returns " << cur;
        const int count = list.GetCount();
        for (int i = 0; i < count; ++i)
            if (list.SendMessage(LB_GETSEL, i) > 0)
                return ::testing::AssertionFailure() << "LB_GETSEL reports line " << i;
        return ::testing::AssertionSuccess();
    }

    // The pixels of the list's client area as they are now.
    std::vector<COLORREF> ListPixels() const
    {
        RECT rc;
        GetClientRect(list.m_hWnd, &rc);
        std::vector<COLORREF> pixels;
        HDC dc = GetDC(list.m_hWnd);
        for (int y = 0; y < rc.bottom; ++y)
            for (int x = 0; x < rc.right; ++x)
                pixels.push_back(GetPixel(dc, x, y));
        ReleaseDC(list.m_hWnd, dc);
        return pixels;
    }

    // What WM_ERASEBKGND paints of the list, on a context first filled with a
    // marker colour: how many pixels of the rows shown it paints over, and
    // how many below them it leaves bare.
    std::pair<int, int> EraseMisses() const
    {
        RECT rc;
        GetClientRect(list.m_hWnd, &rc);
        const LRESULT rowsBottom = (list.GetCount() - list.SendMessage(LB_GETTOPINDEX)) *
                                   list.SendMessage(LB_GETITEMHEIGHT, 0);
        HDC screen = GetDC(list.m_hWnd);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, rc.right, rc.bottom);
        ReleaseDC(list.m_hWnd, screen);
        HGDIOBJ before = SelectObject(dc, bitmap);
        const COLORREF marker = RGB(255, 0, 255);
        HBRUSH brush = CreateSolidBrush(marker);
        FillRect(dc, &rc, brush);
        DeleteObject(brush);
        list.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc));
        std::pair<int, int> misses{0, 0};
        for (int y = 0; y < rc.bottom; ++y)
            for (int x = 0; x < rc.right; ++x) {
                const bool painted = GetPixel(dc, x, y) != marker;
                (y < rowsBottom ? misses.first : misses.second) += y < rowsBottom ? painted : !painted;
            }
        SelectObject(dc, before);
        DeleteObject(bitmap);
        DeleteDC(dc);
        return misses;
    }

    // What the screen shows where a control is, its frame and scroll bar
    // included, read through the parent window.
    std::vector<COLORREF> ScreenPixels(HWND control) const
    {
        RECT rc;
        GetWindowRect(control, &rc);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
        std::vector<COLORREF> pixels;
        HDC dc = GetDC(parent);
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x)
                pixels.push_back(GetPixel(dc, x, y));
        ReleaseDC(parent, dc);
        return pixels;
    }

    // How many of a control's pixels on the screen, frame and scroll bar
    // included, a full repaint of it changes.
    size_t RepaintChanges(HWND control) const
    {
        const std::vector<COLORREF> shown = ScreenPixels(control);
        RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        return Differ(shown, ScreenPixels(control));
    }

    static size_t Differ(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b)
    {
        size_t differ = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
        for (size_t i = 0; i < a.size() && i < b.size(); ++i)
            differ += a[i] != b[i];
        return differ;
    }

    std::vector<double> Range(int from, int to) const
    {
        std::vector<double> v;
        for (int i = from; i < to; ++i)
            v.push_back(i * 0.01); // distinct lines: "0.000 ms", "0.010 ms", ...
        return v;
    }
};

WNDPROC Readout::s_listProc = nullptr;
int Readout::s_listSetCurSel = 0;
int Readout::s_listPointer = 0;
int Readout::s_probes = 0;
int Readout::s_probesHidden = 0;

struct ClampCase {
    const char* name;
    double popped;
    const char* line;
    double recorded; // what the estimator receives
    const char* rate;
};

void PrintTo(const ClampCase& c, std::ostream* os) { *os << c.name; }

class ReadoutClamp : public Readout, public ::testing::WithParamInterface<ClampCase> {};

} // namespace

// Each case in a fresh process, so the rate is the first one of the history.
TEST_P(ReadoutClamp, ShowsTheClampedIntervalAndItsRate)
{
    const ClampCase& c = GetParam();
    TickAndPaint({c.popped});
    EXPECT_EQ(std::vector<std::string>{c.line}, Lines());
    ASSERT_EQ(1u, g_nHistEnd);
    EXPECT_EQ(c.recorded, g_history[0]) << "what reached the estimator";
    EXPECT_EQ(c.rate, EditText());
}

INSTANTIATE_TEST_SUITE_P(
    FreshState, ReadoutClamp,
    ::testing::Values(
        ClampCase{"AboveIsClamped", 70.5, "64.000 ms", 64.0, "15.625 Hz"},
        ClampCase{"JustAboveIsClamped", 64.0000001, "64.000 ms", 64.0, "15.625 Hz"},
        ClampCase{"ExactlyTheLimitIsKept", 64.0, "64.000 ms", 64.0, "15.625 Hz"},
        ClampCase{"JustBelowIsKept", 63.9999, "64.000 ms", 63.9999, "15.625 Hz"},
        ClampCase{"Ordinary", 8.0014, "8.001 ms", 8.0014, "124.978 Hz"},
        // No time between two reports: the rate is unbounded and says so.
        ClampCase{"ZeroInterval", 0.0, "0.000 ms", 0.0, "inf Hz"}),
    [](const ::testing::TestParamInfo<ClampCase>& info) { return info.param.name; });

TEST_F(Readout, QueuedIntervalsBecomeLinesInOrderAndTheLastRateIsShown)
{
    TickAndPaint({8.0, 16.0, 4.0});
    EXPECT_EQ((std::vector<std::string>{"8.000 ms", "16.000 ms", "4.000 ms"}), Lines());
    EXPECT_EQ(3u, g_nHistEnd) << "every interval reached the estimator";
    EXPECT_EQ("107.143 Hz", EditText()) << "3 intervals in 28 ms";

    TickAndPaint({1.0, 0.5});
    EXPECT_EQ((std::vector<std::string>{"8.000 ms", "16.000 ms", "4.000 ms", "1.000 ms",
                                        "0.500 ms"}),
              Lines());
    EXPECT_EQ("169.492 Hz", EditText()) << "5 intervals in 29.5 ms";
    EXPECT_EQ(0u, mouse.ReadCounter()) << "the tick drained the queue";
}

TEST_F(Readout, AnEmptyQueueChangesNeitherControl)
{
    // Before anything was shown.
    Tick({});
    EXPECT_EQ(0, list.GetCount());
    EXPECT_EQ("", EditText());

    TickAndPaint(Range(0, 40));
    const std::vector<std::string> lines = Lines();
    const LRESULT top = list.SendMessage(LB_GETTOPINDEX);
    const std::string rate = EditText();
    const uint32_t recorded = g_nHistEnd;

    Tick({});
    EXPECT_EQ(lines, Lines());
    EXPECT_EQ(top, list.SendMessage(LB_GETTOPINDEX));
    EXPECT_EQ(rate, EditText());
    EXPECT_EQ(recorded, g_nHistEnd) << "nothing reached the estimator";
    RECT dirty;
    EXPECT_FALSE(GetUpdateRect(list.m_hWnd, &dirty, FALSE)) << "the list was marked for repainting";
    EXPECT_FALSE(GetUpdateRect(edit.m_hWnd, &dirty, FALSE)) << "the edit was marked for repainting";
}

namespace {
struct BoundCase {
    const char* name;
    int before;  // lines present
    int perTick; // intervals in each following tick
    int added;   // intervals added in all
    bool scrolledToTop = false; // the user scrolled back to the first line before
    bool oneTake = false;       // the ticks come before the list is due: one take of all
};
void PrintTo(const BoundCase& c, std::ostream* os) { *os << c.name; }
class ReadoutBound : public Readout, public ::testing::WithParamInterface<BoundCase> {};
} // namespace

TEST_P(ReadoutBound, KeepsTheNewest1024LinesWithTheNewestInView)
{
    const BoundCase& c = GetParam();
    for (int i = 0; i < c.before; i += 200)
        Tick(Range(i, std::min(i + 200, c.before)));
    ASSERT_EQ(c.before, list.GetCount());
    readout.Flush(list, edit);
    if (c.scrolledToTop) {
        list.SendMessage(WM_VSCROLL, SB_TOP);
        ASSERT_EQ(0, list.SendMessage(LB_GETTOPINDEX));
    }
    UpdateWindow(parent);
    PumpMessages();

    const int total = c.before + c.added;
    for (int i = c.before; i < total; i += c.perTick) {
        if (c.oneTake) {
            for (double ms : Range(i, std::min(i + c.perTick, total)))
                ASSERT_TRUE(mouse.Push(ms));
            readout.Update(mouse, list, edit, ++now); // not yet due: the lines wait
        } else {
            TickAndPaint(Range(i, std::min(i + c.perTick, total)));
        }
    }
    if (c.oneTake) {
        ASSERT_EQ(c.before, list.GetCount()) << "lines taken before the list was due";
        TickAndPaint({});
    }

    const std::vector<std::string> lines = Lines();
    const int expected = std::min(total, 1024);
    ASSERT_EQ(static_cast<size_t>(expected), lines.size()) << "lines after " << total;
    EXPECT_EQ(Ms((total - expected) * 0.01), lines.front()) << "the oldest kept line";
    EXPECT_EQ(Ms((total - 1) * 0.01), lines.back()) << "the newest line is last";
    for (int i = 1; i < expected; ++i)
        if (lines[i] != Ms((total - expected + i) * 0.01)) {
            ADD_FAILURE() << "line " << i << " is " << lines[i];
            break;
        }
    EXPECT_TRUE(NewestInView());
    EXPECT_TRUE(NoneSelected());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ReadoutBound,
    ::testing::Values(BoundCase{"FullPlusOne", 1024, 1, 1},
                      BoundCase{"FullPlusOneTickOf255", 1024, 255, 255},
                      BoundCase{"FullPlusManySingleTicks", 1024, 1, 40},
                      BoundCase{"FullScrolledToTopPlusOne", 1024, 1, 1, true},
                      BoundCase{"FillingPastTheBoundInOneTick", 1000, 100, 100},
                      BoundCase{"FewerThanAPage", 0, 3, 5},
                      BoundCase{"JustMoreThanAPage", 0, 1, 20},
                      BoundCase{"FromEmptyToPastTheBound", 0, 97, 1300},
                      BoundCase{"1024InOneTake", 10, 128, 1024, false, true},
                      BoundCase{"1025InOneTake", 10, 205, 1025, false, true}),
    [](const ::testing::TestParamInfo<BoundCase>& info) { return info.param.name; });

// On screen after each tick: the newest line in view and no row drawn as
// selected, and what is shown is exactly what a full repaint draws (no rows
// left over from before a scroll, no stale highlight, no old rate text), with
// a list box that paints only its rows, as Windows' does: after the user
// scrolled back, the take that jumps to the newest line leaves nothing of an
// old row in the part row below it. The list's erase paints only below the
// rows, so no row is blanked before it is drawn again.
TEST_F(Readout, TheScreenShowsTheNewestLineAndNoSelection)
{
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    // A part row two thirds of a row high, so that what stays of an old row
    // there shows its text.
    const int itemHeight = static_cast<int>(list.SendMessage(LB_GETITEMHEIGHT, 0));
    RECT client, window;
    GetClientRect(list.m_hWnd, &client);
    GetWindowRect(list.m_hWnd, &window);
    const int clientHeight = client.bottom / itemHeight * itemHeight + itemHeight * 2 / 3;
    SetWindowPos(list.m_hWnd, nullptr, 0, 0, window.right - window.left,
                 window.bottom - window.top - client.bottom + clientHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateWindow(parent);
    PumpMessages();
    struct Step { int lines; int perTick; bool scrolledBack = false; };
    int shown = 0;
    for (const Step step : {Step{1, 1}, Step{12, 1}, Step{30, 1}, Step{31, 1, true}, Step{60, 6},
                            Step{1030, 250}, Step{1031, 1, true}, Step{1040, 1}, Step{1060, 2}}) {
        if (step.scrolledBack) {
            list.SendMessage(WM_VSCROLL, SB_TOP);
            UpdateWindow(parent);
            PumpMessages();
        }
        while (shown < step.lines) {
            const int n = std::min(step.perTick, step.lines - shown);
            TickAndPaint(Range(shown, shown + n));
            shown += n;
        }
        SCOPED_TRACE(testing::Message() << "after " << shown << " intervals");
        EXPECT_TRUE(NewestInView());
        EXPECT_TRUE(NoneSelected());

        const std::vector<COLORREF> onScreen = ListPixels();
        ASSERT_FALSE(onScreen.empty());
        size_t highlighted = 0;
        for (COLORREF p : onScreen)
            highlighted += p == highlight;
        EXPECT_EQ(0u, highlighted) << "pixels in the highlight colour";
        // On Windows that moves the focus item, announced by screen readers.
        EXPECT_EQ(0, s_listSetCurSel) << "LB_SETCURSEL sent to the list";

        InvalidateRect(list.m_hWnd, nullptr, TRUE);
        UpdateWindow(list.m_hWnd);
        EXPECT_EQ(0u, Differ(onScreen, ListPixels())) << "pixels that differ from a full repaint";

        EXPECT_EQ(0u, RepaintChanges(edit.m_hWnd)) << "rate field pixels that differ from a full repaint";
        EXPECT_EQ(std::make_pair(0, 0), EraseMisses()) << "row pixels erased, bare pixels left";
    }
}

// A rate text shorter than the one before ("1000.000 Hz", then "999.998 Hz")
// leaves nothing of the longer one in the field.
TEST_F(Readout, AShorterRateLeavesNoDigitBehind)
{
    for (int i = 0; i < 1000; i += 250)
        TickAndPaint(std::vector<double>(250, 1.0));
    ASSERT_EQ("1000.000 Hz", EditText());
    TickAndPaint({1.002});
    ASSERT_EQ("999.998 Hz", EditText());
    EXPECT_EQ(0u, RepaintChanges(edit.m_hWnd)) << "rate field pixels that differ from a full repaint";
}

// Every tick empties the queue, and at 1000 Hz as at 8000 Hz, on Windows'
// 15.6 ms ticks or Wine's 10 ms ones, with the dialog's thread once held up
// for as long as the queue lasts, no interval is lost and the list ends with
// the newest ones in order.
TEST_F(Readout, LosesNothingAt8000Hz)
{
    struct Case { const char* what; DWORD tickMs; int perTick; };
    for (const Case c : {Case{"1000 Hz, 10 ms ticks", 10, 10},
                         Case{"8000 Hz, 15.6 ms ticks", 16, 125},
                         Case{"8000 Hz, 10 ms ticks", 10, 80}}) {
        SCOPED_TRACE(c.what);
        const uint32_t recordedBefore = g_nHistEnd;
        std::vector<std::string> sent;
        for (int i = 0; i < 50; ++i) {
            // Tick 25 comes late, once the queue is full.
            const int arrived = i == 25 ? 255 : c.perTick;
            for (int k = 0; k < arrived; ++k) {
                const double ms = 1.0 + static_cast<double>(sent.size() % 4096) * 0.001;
                ASSERT_TRUE(mouse.Push(ms));
                sent.push_back(Ms(ms));
            }
            now += c.tickMs;
            readout.Update(mouse, list, edit, now);
        }
        EXPECT_EQ(sent.size(), g_nHistEnd - recordedBefore) << "intervals lost to a full queue";
        readout.Flush(list, edit);
        const std::vector<std::string> lines = Lines();
        const size_t tail = std::min(lines.size(), sent.size());
        EXPECT_TRUE(std::equal(sent.end() - tail, sent.end(), lines.end() - tail))
            << "the list does not end with the newest intervals in order";
    }
}

// While the list fills, its scroll bar changes: it is enabled once the lines
// outgrow the list, and its thumb shrinks every few lines. Once the reports
// pause, and the list has been shown, the list on screen, scroll bar
// included, is what a full repaint draws.
TEST_F(Readout, AfterAPauseTheScrollBarOnScreenIsRight)
{
    // 10 ms ticks: 3 s of 300 lines, the bar changing all along, then a pause
    // of two list paces.
    const int streamTicks = 300, pauseTicks = 2 * CPacer::kShowIntervalMs / 10;
    for (int i = 0; i < streamTicks + pauseTicks; ++i) {
        if (i < streamTicks) {
            ASSERT_TRUE(mouse.Push(1.0 + 0.01 * i));
        }
        now += 10;
        readout.Update(mouse, list, edit, now);
        UpdateWindow(parent);
        PumpMessages();
    }
    EXPECT_EQ(0u, RepaintChanges(list.m_hWnd))
        << "list pixels (scroll bar included) that differ from a full repaint after the pause";
}

// A full repaint of the whole window forced in the middle of a 1000 Hz
// stream (as when the dialog is dragged off screen and back) draws both
// controls whole, frames and scroll bar included: exactly what the same
// repaint draws with nothing in the readout's way. While the list fills (its
// scroll bar's thumb moving) and once it is full.
TEST_F(Readout, AForcedFullRepaintDuringAStreamDrawsBothControlsWhole)
{
    const UINT kFullRepaint =
        RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME | RDW_UPDATENOW;
    int added = 0;
    for (const int lines : {47, 1100}) {
        // 10 intervals per 10 ms tick, the message loop running in between.
        while (added < lines) {
            Tick(Range(added, added + 10));
            added += 10;
            PumpMessages();
        }
        SCOPED_TRACE(testing::Message() << added << " intervals");
        Tick(Range(added, added + 3)); // lines waiting for their repaint
        added += 3;
        PumpMessages();

        RedrawWindow(parent, nullptr, nullptr, kFullRepaint);
        const std::vector<COLORREF> listForced = ScreenPixels(list.m_hWnd);
        const std::vector<COLORREF> editForced = ScreenPixels(edit.m_hWnd);

        // Undisturbed: both controls drawable whatever the readout did.
        ShowWindow(list.m_hWnd, SW_SHOWNA);
        ShowWindow(edit.m_hWnd, SW_SHOWNA);
        RedrawWindow(parent, nullptr, nullptr, kFullRepaint);
        EXPECT_EQ(0u, Differ(listForced, ScreenPixels(list.m_hWnd)))
            << "list pixels (rows, border, scroll bar) that differ from an undisturbed repaint";
        EXPECT_EQ(0u, Differ(editForced, ScreenPixels(edit.m_hWnd)))
            << "rate field pixels (text, border) that differ from an undisturbed repaint";
    }
}

// A message sent from another thread during a take (an accessibility
// client's, say) is handled once the take is over, and finds the list
// visible: nothing within a take lets it in while the list is hidden.
TEST_F(Readout, MessagesSentDuringATakeFindTheListVisible)
{
    for (double ms : Range(0, CPacer::kMaxPerTick))
        ASSERT_TRUE(mouse.Push(ms));
    std::atomic<bool> stop{false}, sending{false}, ended{false};
    std::thread sender([&, hList = list.m_hWnd] {
        for (DWORD_PTR result; !stop; SendMessageTimeoutA(hList, kProbe, 0, 0, SMTO_NORMAL, 5000, &result))
            sending = true;
        ended = true;
    });
    EXPECT_TRUE(WaitFor([&] { return sending.load(); }));
    readout.Update(mouse, list, edit, now); // the first tick: a take of 255 lines
    stop = true;
    EXPECT_TRUE(WaitFor([&] { PumpMessages(); return ended.load(); }));
    sender.join();
    EXPECT_GT(s_probes, 0);
    EXPECT_EQ(0, s_probesHidden) << "of " << s_probes << " messages sent from another thread";
}

// Pointer moves over the list reach the list box only with a mouse button
// down, as during a drag begun in it; without one the list class answers them
// itself. Over its rows the list gives the pointer its class cursor (the
// arrow) itself; over its scroll bar, or for another window, the shape is the
// list box's to set. Everything else still reaches the list box.
TEST_F(Readout, PointerMessagesReachTheListBoxOnlyWhenItActsOnThem)
{
    const struct {
        WPARAM keys;
        bool reaches;
    } moves[] = {
        {0, false},          {MK_SHIFT, false},   {MK_CONTROL, false},
        {MK_LBUTTON, true},  {MK_RBUTTON, true},  {MK_MBUTTON, true},
        {MK_XBUTTON1, true}, {MK_XBUTTON2, true}, {MK_LBUTTON | MK_SHIFT, true},
    };
    for (const auto& move : moves) {
        const int before = s_listPointer;
        EXPECT_EQ(0, list.SendMessage(WM_MOUSEMOVE, move.keys, MAKELPARAM(20, 40)));
        EXPECT_EQ(move.reaches, s_listPointer != before) << "keys 0x" << std::hex << move.keys;
    }

    const HWND hList = list.m_hWnd;
    const struct {
        HWND over;
        WORD hit;
        bool reaches;
    } cursors[] = {
        {hList, HTCLIENT, false},
        {hList, HTVSCROLL, true},
        {GetParent(hList), HTCLIENT, true},
    };
    for (const auto& c : cursors) {
        SetCursor(LoadCursorA(nullptr, IDC_IBEAM));
        const int before = s_listPointer;
        const LRESULT result = list.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(c.over),
                                                MAKELPARAM(c.hit, WM_MOUSEMOVE));
        EXPECT_EQ(c.reaches, s_listPointer != before) << "hit " << c.hit << ", over " << c.over;
        if (!c.reaches) {
            EXPECT_EQ(TRUE, result);
            EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), GetCursor()) << "not the arrow over the rows";
        }
    }
    Tick({1.0, 2.0});
    EXPECT_EQ((std::vector<std::string>{Ms(1.0), Ms(2.0)}), Lines());
}
