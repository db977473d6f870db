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
// times a second; setting the top line only scrolls. A line the user made
// current some other way is cleared, so that no row is ever drawn selected.
void ShowNewestWithoutSelection(CListBox& list)
{
    const int rows = FullRows(list);
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

// The list's scroll bar as the list box set it: its range, page and
// position, logical values, so that moving the window changes nothing.
SCROLLINFO ScrollBar(const CListBox& list)
{
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (!::GetScrollInfo(list.m_hWnd, SB_VERT, &info))
        info.nMax = -1; // none yet: any bar that appears is a change
    return info;
}

bool SameBar(const SCROLLINFO& a, const SCROLLINFO& b)
{
    return a.nMin == b.nMin && a.nMax == b.nMax && a.nPage == b.nPage && a.nPos == b.nPos;
}

// One take of lines: its lifetime brackets the changes to the list, in the
// order the WM_SETREDRAW documentation gives for adding many items to a list
// box ("WM_SETREDRAW message", learn.microsoft.com/windows/win32/gdi/
// wm-setredraw): redraw off, the items, redraw on, then RedrawWindow to have
// the list repainted, its background erased.
//
// Redraw is turned off twice. The list box's own handling skips its
// scroll-bar update and row invalidation for each line added or deleted, and
// does both once when turned back on. The system's (DefWindowProc) clears
// WS_VISIBLE, under Wine as on Windows, so that nothing of the list is drawn
// during the take: neither the rows moved by a new top line nor the scroll
// bar the list box redraws as its redraw comes back on, which under Wine (its
// themed scroll bar) takes milliseconds on every take, changed or not. The
// price: for the take's span, within this one message, the list is hidden
// from hit-testing and accessibility clients (docs/design.md says what that
// buys, measured). No message of this thread is handled meanwhile, so
// nothing reads the list half-done; between ticks it is always visible.
//
// Turning the system's redraw back on marks the frame (border and scroll bar)
// for repainting. The scroll bar's changes are paced (CPacer::PaintFrame), so
// that repaint is suppressed (RDW_VALIDATE | RDW_NOFRAME, documented as
// suppressing pending WM_NCPAINT messages), unless the dialog waits to paint
// over the list: while WS_VISIBLE is clear the list has no visible region,
// and a part of the dialog uncovered during the take is invalidated in the
// dialog alone, which paints its background over the list (a dialog does not
// clip its children). The message loop paints a parent before its children,
// so the list, frame included, is then drawn over that background. At a tick
// nothing else of the list waits to be painted: the message loop hands out
// WM_TIMER only after WM_PAINT ("PeekMessage", the order of retrieval). The
// list is always repainted with its background erased: the list box paints
// only its rows, opaque, and leaves the space below the last one to
// WM_ERASEBKGND, where the history list fills that space alone (so no row
// is blanked before it is drawn again).
class CListTake {
public:
    CListTake(CListBox& list, bool& framePainted) : m_list(list), m_framePainted(framePainted)
    {
        ::DefWindowProcA(m_list.m_hWnd, WM_SETREDRAW, FALSE, 0);
        m_list.SendMessage(WM_SETREDRAW, FALSE);
    }
    ~CListTake()
    {
        // The list box's first, while the list is hidden: its scroll bar is
        // brought up to date unseen.
        m_list.SendMessage(WM_SETREDRAW, TRUE);
        ::DefWindowProcA(m_list.m_hWnd, WM_SETREDRAW, TRUE, 0);
        m_framePainted = ParentPaintsOver(m_list);
        if (!m_framePainted)
            ::RedrawWindow(m_list.m_hWnd, nullptr, nullptr,
                           RDW_VALIDATE | RDW_NOFRAME | RDW_NOCHILDREN);
        ::RedrawWindow(m_list.m_hWnd, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | (m_framePainted ? RDW_FRAME : 0));
    }
    CListTake(const CListTake&) = delete;
    CListTake& operator=(const CListTake&) = delete;

private:
    CListBox& m_list;
    bool& m_framePainted; // set at the take's end: the frame is repainted whole
};

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

// Writes the rate text unless the field shows it already. The edit control
// invalidates what changed, its background erased, and repaints it from the
// message loop.
void WriteRate(CEdit& edit, double rate)
{
    CString text;
    FormatRate(text, rate);
    char shown[64] = "";
    ::GetWindowTextA(edit.m_hWnd, shown, sizeof shown);
    if (std::strcmp(shown, text.GetString()) != 0)
        edit.SetWindowText(text);
}
} // namespace

// Moves the waiting intervals into the list. Per line only what keeps the
// list's contents: the line added, and the oldest deleted past the bound.
// Adding and deleting lines does not scroll the list, so the newest line is
// brought into view once, after the take's last line.
void CReadout::TakeLines(CListBox& list)
{
    bool framePainted = false;
    {
        CListTake take(list, framePainted);
        AddWaitingLines(list);
    }
    if (framePainted)
        m_bar = ScrollBar(list);
}

void CReadout::AddWaitingLines(CListBox& list)
{
    CString text;
    for (int i = 0; i < m_waitingCount; ++i) {
        text.Empty();
        text.AppendFormat("%4.3f ms", m_waiting[(m_waitingFirst + i) % CPacer::kMaxLines]);
        // An unsorted list adds at the end and answers the new line's index.
        const LRESULT added =
            list.SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.GetString()));
        const int count = added >= 0 ? static_cast<int>(added) + 1
                                     : static_cast<int>(list.SendMessage(LB_GETCOUNT));
        if (count > CPacer::kMaxLines)
            list.SendMessage(LB_DELETESTRING, 0);
    }
    m_waitingFirst = m_waitingCount = 0;
    ShowNewestWithoutSelection(list);
}

// A change of the scroll bar since the frame was last painted is painted when
// the pacer says so, or at once (`atOnce`, for Flush): the whole list invalidated, frame
// included.
void CReadout::ShowFrame(CListBox& list, DWORD now, bool atOnce)
{
    const SCROLLINFO bar = ScrollBar(list);
    const bool stale = !SameBar(bar, m_bar);
    if (atOnce ? stale : m_pacer.PaintFrame(now, stale)) {
        ::RedrawWindow(list.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
        m_bar = bar;
    }
}

void CReadout::Carry(const CPacer::Plan& plan, CListBox& list, CEdit& edit)
{
    if (plan.takeLines)
        TakeLines(list);
    if (plan.writeRate)
        WriteRate(edit, m_rate);
}

void CReadout::Update(CMouse& mouse, CListBox& list, CEdit& edit, DWORD now)
{
    // Every tick empties the queue, a matter of microseconds, so that a
    // dialog thread held up for a while finds all of the queue's room free.
    // The queue's lock is held only inside each Pop, never across the display work.
    double ms;
    int popped = 0;
    while (popped < CPacer::kMaxPerTick && mouse.Pop(&ms)) {
        ++popped;
        if (ms > kMaxShownMs)
            ms = kMaxShownMs;
        m_rate = UpdateRate(ms);
        // When full, the newest takes the oldest's place: it would leave the
        // list unseen.
        m_waiting[(m_waitingFirst + m_waitingCount) % CPacer::kMaxLines] = ms;
        if (m_waitingCount < CPacer::kMaxLines)
            ++m_waitingCount;
        else
            m_waitingFirst = (m_waitingFirst + 1) % CPacer::kMaxLines;
    }
    if (m_bar.cbSize == 0)
        m_bar = ScrollBar(list); // as the window's first paint drew it, before any line
    Carry(m_pacer.Tick(now, popped, m_waitingCount), list, edit);
    ShowFrame(list, now, false);
}

void CReadout::Flush(CListBox& list, CEdit& edit)
{
    Carry(m_pacer.Flush(m_waitingCount), list, edit);
    ShowFrame(list, 0, true);
}
