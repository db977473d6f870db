#include "display/Readout.h"

#include <cmath>

#include <windows.h>

#include "display/RateEstimator.h"
#include "framework/Edit.h"
#include "framework/ListBox.h"
#include "framework/StringT.h"
#include "sampling/Mouse.h"

namespace {
const double kMaxShownMs = 64.0;
const int kMaxLines = 1024;

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
// Windows scrolls the list on LB_SETCURSEL even though it has LBS_NOSEL, and
// paints no selection. Wine's list box returns early from its caret handling
// for LBS_NOSEL lists, so the list never scrolls, yet it records the line as
// current and paints it highlighted; the row stays highlighted after the next
// line becomes current because nothing repaints it. So: when the newest line
// is not wholly visible, make it the bottom visible line, and when a line is
// reported current, clear it before anything is painted. On Windows the first
// finds the line already in view, and clearing the current line of a list that
// shows no selection changes nothing on screen.
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

// Painting is paced: the controls take every change at once, but are painted
// at most every kPaintIntervalMs. Under Wine the dialog's thread also reads
// the X input events that become DirectInput reports, and while it paints
// (several milliseconds for the list and its scroll bar) pointer reports wait
// in the X connection and are merged into one, so the mouse reads slow.
// Painting ten times a second leaves it free in between, and ten new
// pictures a second are all a reader of scrolling figures can take in.
const DWORD kPaintIntervalMs = 100;

// Kept with the list itself: when it was last painted (a tick count, with
// the low bit set so that 0 means never), and the scroll-bar position and
// range it was then painted with.
const char kLastPaintProp[] = "ReadoutLastPaint";
const char kPaintedScrollProp[] = "ReadoutPaintedScroll";

// Whether a control's changes are waiting to be painted: a suspended window
// has lost its WS_VISIBLE style, though it has not been hidden.
bool Suspended(const CWnd& wnd)
{
    return (::GetWindowLongA(wnd.m_hWnd, GWL_STYLE) & WS_VISIBLE) == 0;
}

// Stops a control from drawing until Resume. This is the system's own
// WM_SETREDRAW handling (DefWindowProc), which makes the window undrawable,
// not the list box's, which leaves it drawable: the list box would still move
// its rows on screen whenever its top line changes, and would redraw its
// scroll bar when turned back on, changed or not.
void Suspend(CWnd& wnd)
{
    ::DefWindowProcA(wnd.m_hWnd, WM_SETREDRAW, FALSE, 0);
}

// Lets a suspended control draw again and has its client area repainted
// whole; `flags` adds RDW_FRAME (the frame too) or RDW_ERASE.
void Resume(CWnd& wnd, UINT flags)
{
    ::DefWindowProcA(wnd.m_hWnd, WM_SETREDRAW, TRUE, 0);
    ::RedrawWindow(wnd.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | flags);
}

// The list's scroll-bar position and range, packed.
HANDLE ScrollState(const CListBox& list)
{
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_POS | SIF_RANGE | SIF_PAGE;
    ::GetScrollInfo(list.m_hWnd, SB_VERT, &si);
    const UINT_PTR packed = (static_cast<UINT_PTR>(si.nPos & 0xFFFF) << 16) |
                            static_cast<UINT_PTR>((si.nMax - si.nMin + 1) & 0xFFFF);
    return reinterpret_cast<HANDLE>(packed);
}

// Paints the controls when they have changes waiting and the last paint is
// at least minIntervalMs old. The list's frame, where its scroll bar is
// drawn (the costliest part under Wine), only when the scroll bar moved.
void PaintIfDue(CListBox& list, CEdit& edit, DWORD minIntervalMs)
{
    if (!Suspended(list))
        return;
    const DWORD now = ::GetTickCount();
    const DWORD last =
        static_cast<DWORD>(reinterpret_cast<UINT_PTR>(::GetPropA(list.m_hWnd, kLastPaintProp)));
    if (last != 0 && now - last < minIntervalMs)
        return;

    const HANDLE scroll = ScrollState(list);
    const bool scrolled = last == 0 || ::GetPropA(list.m_hWnd, kPaintedScrollProp) != scroll;
    // The list paints every row and the space below them: no erasing needed.
    Resume(list, scrolled ? RDW_FRAME : 0);
    Resume(edit, RDW_ERASE);
    ::SetPropA(list.m_hWnd, kLastPaintProp, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(now | 1)));
    ::SetPropA(list.m_hWnd, kPaintedScrollProp, scroll);
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

void UpdateReadout(CMouse& mouse, CListBox& list, CEdit& edit)
{
    double ms;
    // The queue's lock is held only inside each Pop, never across the display work.
    if (!mouse.Pop(&ms)) {
        // Nothing new; earlier changes may still be waiting for their paint.
        PaintIfDue(list, edit, kPaintIntervalMs);
        return;
    }

    if (!Suspended(list)) {
        Suspend(list);
        Suspend(edit);
    }
    const int rows = FullRows(list);
    CString text;
    double rate;
    do {
        if (ms > kMaxShownMs)
            ms = kMaxShownMs;

        text.Empty();
        text.AppendFormat("%4.3f ms", ms);
        list.SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.GetString()));
        const int count = static_cast<int>(list.SendMessage(LB_GETCOUNT));
        list.SendMessage(LB_SETCURSEL, count - 1);

        rate = UpdateRate(ms);

        if (list.SendMessage(LB_GETCOUNT) > kMaxLines) {
            list.SendMessage(LB_DELETESTRING, 0);
            // Deleting the oldest line leaves the top index as it was. When
            // LB_SETCURSEL had scrolled to the newest line (Windows), the top
            // is now a line past the last full page, and one line up puts the
            // newest line back at the bottom. Otherwise (Wine) the view holds
            // whole rows already, and scrolling up would only move the newest
            // line further away.
            const int top = static_cast<int>(list.SendMessage(LB_GETTOPINDEX));
            if (top > 0 && top + rows > kMaxLines)
                list.SendMessage(LB_SETTOPINDEX, top - 1);
        }
    } while (mouse.Pop(&ms));
    ShowNewestWithoutSelection(list, rows);

    // The rate field is written once per tick, with the rate after the tick's
    // last interval: the rates before it would never be painted, and setting an
    // edit control's text costs Wine well over 100 microseconds each time.
    FormatRate(text, rate);
    edit.SetWindowText(text);

    PaintIfDue(list, edit, kPaintIntervalMs);
}

void PaintReadout(CListBox& list, CEdit& edit)
{
    PaintIfDue(list, edit, 0);
}
