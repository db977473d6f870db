#include "display/Readout.h"

#include <cmath>
#include <cstring>

#include "display/RateEstimator.h"
#include "framework/Edit.h"
#include "framework/ListBox.h"
#include "framework/StringT.h"
#include "sampling/Mouse.h"

namespace {
const double kMaxShownMs = 64.0;

// The longest the dialog's thread adds lines before it lets pending input
// in, in microseconds. Under Wine the dialog's thread also reads the X input
// events that become DirectInput reports, but only when it looks at its
// message queue: for as long as it works uninterrupted, pointer reports wait,
// and those that pile up are merged into one. A take of lines also makes a
// few calls into Wine's server before and after the lines (making the list
// undrawable and drawable again, each side about as long as half the time
// between two reports of a 1000 Hz mouse while the mouse is moving; see
// docs/benchmarks.md), and input is let in between those and the lines too,
// so that no piece of a take runs much longer than the 1 ms between two
// reports of a 1000 Hz mouse.
const LONGLONG kSliceUs = 300;

// At most this many intervals popped in one tick: what the queue holds when
// full. A dialog thread that falls behind a fast mouse then lets the queue
// drop its oldest intervals, as it does whenever the thread is held up,
// rather than finding the queue refilled each time it empties it and never
// ending the tick.
const int kMaxPerTick = 255;

LONGLONG MicrosecondsSince(const LARGE_INTEGER& start)
{
    static const LONGLONG frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return (now.QuadPart - start.QuadPart) * 1000000 / frequency;
}

// Lets the thread's pending input in, without taking any message. The filter
// matches nothing (WM_CREATE is only ever sent, never posted), so the call
// finds no message; Wine then reads the X events waiting for the thread, which
// is where pointer motion becomes DirectInput reports, before it returns. On
// Windows input reaches DirectInput without the dialog's thread, and this only
// delivers messages sent from other threads, as the message loop would. It
// is called only while both controls are consistent, because those sent
// messages, and the window events read, may look at them: between two lines
// of a take the list holds whole lines and is only undrawable for a moment,
// as it is to every other thread throughout the take.
void LetInputThrough(const CWnd& wnd)
{
    MSG msg;
    ::PeekMessageA(&msg, wnd.m_hWnd, WM_CREATE, WM_CREATE, PM_NOREMOVE | PM_NOYIELD);
}

// The rows the list shows whole, at least 1. The list has
// LBS_NOINTEGRALHEIGHT, so a last row may be cut off; it does not count.
int FullRows(const CListBox& list)
{
    const int itemHeight = static_cast<int>(list.SendMessage(LB_GETITEMHEIGHT, 0));
    RECT client;
    list.GetClientRect(&client);
    const int rows = itemHeight > 0 ? client.bottom / itemHeight : 1;
    return rows > 1 ? rows : 1;
}

// Leaves the newest line in view and no line current.
//
// The newest line is brought into view by making it the bottom visible line
// (LB_SETTOPINDEX) rather than the current line (LB_SETCURSEL). On Windows,
// LB_SETCURSEL moves the list's focus item (and its focus rectangle while the
// list has the focus), and the list reports a focus and selection change to
// accessibility clients each time, which a screen reader may announce ten
// times a second; setting the top line only scrolls. (Wine's list box does
// not even scroll an LBS_NOSEL list on LB_SETCURSEL.) A line the user made
// current some other way is cleared, so that no row is ever drawn selected.
void ShowNewestWithoutSelection(CListBox& list, int rows)
{
    const int count = static_cast<int>(list.SendMessage(LB_GETCOUNT));
    if (count > 0) {
        const int newest = count - 1;
        const int top = static_cast<int>(list.SendMessage(LB_GETTOPINDEX));
        if (newest < top || newest >= top + rows)
            list.SendMessage(LB_SETTOPINDEX, newest >= rows ? newest - rows + 1 : 0);
    }
    if (list.SendMessage(LB_GETCURSEL) != LB_ERR)
        list.SendMessage(LB_SETCURSEL, static_cast<WPARAM>(-1));
}

// Makes the list undrawable while lines are added, for one take of lines
// within one tick. A visible list box redraws its scroll bar at once on every
// line added or deleted (several milliseconds each under Wine) and moves its
// rows on screen whenever its top line changes. So the system's own
// WM_SETREDRAW handling (DefWindowProc) takes WS_VISIBLE away; the list box's
// own handling alone would leave the list drawable. The list box's own is sent
// as well: it makes the list skip its scroll-bar update and row invalidation
// for each line (each a call into Wine's server, even for an undrawable
// window), and do both once when turned back on.
//
// Returns whether a repaint of the window was waiting, of its frame or its
// client area (GetUpdateRect tells whether the update region is empty). In
// the normal course none is: the message loop is handed WM_TIMER only once no
// window of the thread needs painting. Wine's DefWindowProc validates the
// window as it turns drawing off, so Resume asks again.
bool Suspend(CWnd& wnd)
{
    const bool waiting = ::GetUpdateRect(wnd.m_hWnd, nullptr, FALSE) != FALSE;
    ::DefWindowProcA(wnd.m_hWnd, WM_SETREDRAW, FALSE, 0);
    wnd.SendMessage(WM_SETREDRAW, FALSE);
    return waiting;
}

// Whether the window's parent waits to paint any of the window's rectangle.
bool ParentPaintsOver(const CWnd& wnd)
{
    const HWND parent = ::GetParent(wnd.m_hWnd);
    RECT dirty, mine, both;
    if (!parent || !::GetUpdateRect(parent, &dirty, FALSE))
        return false;
    ::GetWindowRect(wnd.m_hWnd, &mine);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&mine), 2);
    return ::IntersectRect(&both, &dirty, &mine) != FALSE;
}

// Lets the list box bring its scroll bar up to date while still undrawable,
// then makes the window visible again without repainting it: the rows' and
// the scroll bar's repaints are paced separately (ShowList).
//
// Unless something else wants it repainted. On Windows, while WS_VISIBLE is
// clear the list has no visible region and no invalidation reaches it: without
// desktop composition, a part of the dialog uncovered during the take is
// invalidated in the dialog alone, which paints its background there, over
// the list (a dialog does not clip its children). So when a repaint was waiting
// at Suspend, or the dialog now waits to paint over the list, the list is
// invalidated whole, frame included; the message loop paints a parent before
// its children, so the list is drawn over the dialog's background.
//
// Otherwise nothing of the list waits to be painted, and the validation
// without frame (RDW_NOFRAME) that follows finds nothing to cancel on
// Windows, where a change of style alone repaints nothing (SetWindowLong's
// frame changes take effect only through SetWindowPos and SWP_FRAMECHANGED).
// Wine's server, though, queues a repaint of the frame with every change of a
// window's style, WM_SETREDRAW's included, and the frame, with its themed
// scroll bar, takes milliseconds to paint under Wine; that repaint is dropped
// here, right after the style change that queued it, before anyone else
// could ask for one.
void Resume(CWnd& wnd, bool repaintWaiting)
{
    wnd.SendMessage(WM_SETREDRAW, TRUE);
    ::DefWindowProcA(wnd.m_hWnd, WM_SETREDRAW, TRUE, 0);
    if (repaintWaiting || ParentPaintsOver(wnd))
        ::RedrawWindow(wnd.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    else
        ::RedrawWindow(wnd.m_hWnd, nullptr, nullptr, RDW_VALIDATE | RDW_NOFRAME | RDW_NOCHILDREN);
}

// Draws the control's client area now, on the dialog's thread, instead of
// leaving it to a WM_PAINT from the message loop: under Wine the paint cycle
// around a control's drawing (BeginPaint and EndPaint, their update regions
// and device context) costs several times the drawing itself. The system's
// controls draw their client area into a given DC on WM_PRINTCLIENT.
//
// List boxes and edits are CS_PARENTDC classes on Windows: GetDC gives them
// a DC with their own origin but clipped to the parent (the dialog), so what
// they draw past their client area would land on the dialog. The DC is
// clipped to the client area here. Returns false when no DC was had and
// nothing was drawn.
bool PaintClientNow(CWnd& wnd)
{
    HDC dc = ::GetDC(wnd.m_hWnd);
    if (!dc)
        return false;
    RECT client;
    wnd.GetClientRect(&client);
    ::IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    wnd.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    ::ReleaseDC(wnd.m_hWnd, dc);
    return true;
}

// The rate text: "%4.3f Hz", or "inf Hz" when every averaged interval was 0 ms
// (printf would pad infinity to " inf", and older C runtimes print "1.#J").
void FormatRate(CString& text, double rate)
{
    text.Empty();
    if (std::isinf(rate))
        text.AppendFormat("inf Hz");
    else
        text.AppendFormat("%4.3f Hz", rate);
}
} // namespace

bool ShowDue(DWORD now, DWORD last, DWORD intervalMs)
{
    return last == 0 || now - last >= intervalMs;
}

bool CReadout::ScrollPicture::operator==(const ScrollPicture& o) const
{
    return top == o.top && bottom == o.bottom && barState == o.barState && upState == o.upState &&
           downState == o.downState && thumbTop == o.thumbTop && thumbBottom == o.thumbBottom;
}

CReadout::ScrollPicture CReadout::CurrentScrollPicture(const CListBox& list)
{
    SCROLLBARINFO info = {};
    info.cbSize = sizeof info;
    ScrollPicture picture;
    if (!::GetScrollBarInfo(list.m_hWnd, OBJID_VSCROLL, &info)) {
        picture.barState = ~0u; // unknown: never equal to what was painted
        return picture;
    }
    picture.top = info.rcScrollBar.top;
    picture.bottom = info.rcScrollBar.bottom;
    picture.thumbTop = info.xyThumbTop;
    picture.thumbBottom = info.xyThumbBottom;
    picture.barState = info.rgstate[0];
    picture.upState = info.rgstate[1];
    picture.downState = info.rgstate[5];
    return picture;
}

// Pops every queued interval into the estimator and the intervals waiting
// for the list. Returns whether there was any.
bool CReadout::TakeQueued(CMouse& mouse)
{
    double ms;
    int taken = 0;
    // The queue's lock is held only inside each Pop, never across the display work.
    while (taken < kMaxPerTick && mouse.Pop(&ms)) {
        ++taken;
        if (ms > kMaxShownMs)
            ms = kMaxShownMs;
        m_rate = UpdateRate(ms);
        if (m_pendingCount == kMaxLines) {
            m_pendingFirst = (m_pendingFirst + 1) % kMaxLines;
            --m_pendingCount;
        }
        m_pending[(m_pendingFirst + m_pendingCount) % kMaxLines] = ms;
        ++m_pendingCount;
    }
    if (taken > 0)
        m_rateWaiting = true;
    return taken > 0;
}

// Moves the waiting intervals into the list, the list undrawable meanwhile,
// with pending input let through after making it undrawable, every kSliceUs
// of lines, and before making it drawable again.
//
// Per line only what keeps the list's contents: the line added, and the
// oldest deleted past the bound. Adding and deleting lines does not scroll the
// list, so the newest line is brought into view once, after the take's last
// line (ShowNewestWithoutSelection): nothing is drawn in between. So a full
// list's line costs two list messages, which matters at 2000 Hz and above
// under Wine, where the dialog's thread has little time to spare between two
// reports.
void CReadout::AddLines(CListBox& list)
{
    const int rows = FullRows(list);
    CString text;
    const bool repaintWaiting = Suspend(list);
    LetInputThrough(list);
    LARGE_INTEGER start;
    ::QueryPerformanceCounter(&start);
    while (m_pendingCount > 0) {
        const double ms = m_pending[m_pendingFirst];
        m_pendingFirst = (m_pendingFirst + 1) % kMaxLines;
        --m_pendingCount;

        text.Empty();
        text.AppendFormat("%4.3f ms", ms);
        // An unsorted list adds at the end and answers the new line's index.
        const LRESULT added =
            list.SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.GetString()));
        const int count = added >= 0 ? static_cast<int>(added) + 1
                                     : static_cast<int>(list.SendMessage(LB_GETCOUNT));
        if (count > kMaxLines)
            list.SendMessage(LB_DELETESTRING, 0);
        if (m_pendingCount > 0 && MicrosecondsSince(start) >= kSliceUs) {
            LetInputThrough(list);
            ::QueryPerformanceCounter(&start);
        }
    }
    ShowNewestWithoutSelection(list, rows);
    LetInputThrough(list);
    Resume(list, repaintWaiting);
    m_listWaiting = true;
}

// Puts the list's rows on screen, drawn at once (see PaintClientNow).
//
// The frame, where the scroll bar is drawn, costs milliseconds to paint under
// Wine however little of it is asked for, so it is repainted only when the
// scroll bar's pixels changed (the bar enabled once the lines outgrow the
// list, the thumb shrinking step by step while it fills, until it stays at
// its smallest at the bottom), and then, when `paceThumb`, only once ThumbDue.
// A repaint anyone else asked for (part of the window uncovered, a border's
// state) is left to the message loop, frame included.
void CReadout::ShowList(CListBox& list, DWORD now, bool paceThumb)
{
    const ScrollPicture scroll = CurrentScrollPicture(list);
    bool frame = false;
    if (!(scroll == m_scroll)) {
        frame = !paceThumb || ThumbDue(now);
        m_thumbWaiting = !frame;
    }
    // The list paints every row and the space below them: no erasing needed.
    if (frame) {
        ::RedrawWindow(list.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
        m_scroll = scroll;
        m_thumbShownAt = now;
        m_thumbWaiting = false;
    } else if (!PaintClientNow(list)) {
        ::InvalidateRect(list.m_hWnd, nullptr, FALSE);
    }
    m_listWaiting = false;
}

// Writes the rate after the latest interval, unless the field shows that text
// already. The edit control repaints itself from the message loop.
void CReadout::ShowRate(CEdit& edit)
{
    CString text;
    FormatRate(text, m_rate);
    char shown[64] = "";
    ::GetWindowTextA(edit.m_hWnd, shown, sizeof shown);
    if (std::strcmp(shown, text.GetString()) != 0) {
        edit.SetWindowText(text);
        // Setting the text takes Wine a few hundred microseconds: input goes
        // before the field is drawn.
        LetInputThrough(edit);
        // The field asked for its client area to be repainted; it is drawn
        // now and only that is taken off what waits: ValidateRect takes the
        // given client rectangle off the update region and, unlike a
        // validation with RDW_NOFRAME, leaves a pending repaint of the border
        // (its themed hover and focus states, say) to come. The field shows a
        // caret while it has the focus, hidden while it is drawn, as
        // BeginPaint would. (A list box has none, and under Wine asking costs
        // two calls into its server.)
        RECT client;
        edit.GetClientRect(&client);
        const bool caretHidden = ::HideCaret(edit.m_hWnd) != FALSE;
        const bool drawn = PaintClientNow(edit);
        if (caretHidden)
            ::ShowCaret(edit.m_hWnd);
        if (drawn)
            ::ValidateRect(edit.m_hWnd, &client);
    }
    m_rateWaiting = false;
}

// Whether a change of the scroll bar may be painted: the frame stalls the
// dialog's thread for several milliseconds under Wine (the themed scroll
// bar), which would delay, or merge, a report arriving meanwhile. So it waits
// for a pause in the reports (no tick has found an interval queued for
// kThumbPauseMs), when nothing is there to delay, and only a stream that
// never pauses has it painted in its midst, at most every kThumbIntervalMs.
bool CReadout::ThumbDue(DWORD now) const
{
    return ShowDue(now, m_reportsSeenAt, kThumbPauseMs) ||
           ShowDue(now, m_thumbShownAt, kThumbIntervalMs);
}

void CReadout::Update(CMouse& mouse, CListBox& list, CEdit& edit, DWORD now)
{
    // The scroll bar as the window's own first paint drew it, before any line.
    if (!m_scrollPainted) {
        m_scroll = CurrentScrollPicture(list);
        m_scrollPainted = true;
        m_thumbShownAt = now;
    }
    // Every tick empties the queue, a matter of microseconds, so that a
    // dialog thread held up for a while finds all of the queue's room free,
    // at any rate. The intervals wait here until the list is due on screen,
    // or kTakeWaiting wait: each take of lines costs calls into Wine's
    // server (making the list undrawable and drawable again) besides the
    // lines themselves, so up to 1000 Hz lines are taken ten times a second;
    // faster, two or more shorter takes every 100 ms cost the mouse's input
    // path less than one long one (measured at 2000 Hz). A tick that finds
    // intervals queued marks the reports as still coming (see ThumbDue).
    if (TakeQueued(mouse))
        m_reportsSeenAt = now;
    const bool added =
        m_pendingCount > 0 &&
        (m_pendingCount >= kTakeWaiting || ShowDue(now, m_listShownAt, kShowIntervalMs));
    if (added)
        AddLines(list);

    // At most one of the two on a tick, the list first: each costs the
    // dialog's thread a few hundred microseconds or more under Wine.
    const bool listDue =
        (m_listWaiting || (m_thumbWaiting && ThumbDue(now))) &&
        ShowDue(now, m_listShownAt, kShowIntervalMs);
    const bool rateDue = !listDue && m_rateWaiting && ShowDue(now, m_rateShownAt, kShowIntervalMs);
    if (!listDue && !rateDue)
        return;
    if (added)
        LetInputThrough(list);
    if (listDue) {
        ShowList(list, now, true);
        m_listShownAt = now;
    } else {
        ShowRate(edit);
        m_rateShownAt = now;
    }
}

void CReadout::Flush(CListBox& list, CEdit& edit)
{
    if (m_pendingCount > 0)
        AddLines(list);
    if (m_listWaiting || m_thumbWaiting)
        ShowList(list, ::GetTickCount(), false);
    if (m_rateWaiting)
        ShowRate(edit);
}
