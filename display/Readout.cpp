#include "display/Readout.h"

#include <cmath>

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

// Keeps a list from drawing while one tick changes it and has it repainted
// whole once the tick is done, also when an exception (the queue lock's) ends
// the tick early.
//
// Drawn line by line, a full list under Wine costs several milliseconds per
// added line (its scroll bar and rows are redrawn at once on every add,
// delete and scroll), and the scrolled rows can come out stale. Nothing is
// painted in the middle of a tick anyway, so the user sees the same list.
class CNoRedrawDuringTick {
public:
    explicit CNoRedrawDuringTick(CListBox& list) : m_list(list) { m_list.SetRedraw(FALSE); }
    ~CNoRedrawDuringTick()
    {
        m_list.SetRedraw(TRUE);
        m_list.Invalidate(FALSE); // the list paints every row and the space below them
    }
    CNoRedrawDuringTick(const CNoRedrawDuringTick&) = delete;
    CNoRedrawDuringTick& operator=(const CNoRedrawDuringTick&) = delete;

private:
    CListBox& m_list;
};
} // namespace

void UpdateReadout(CMouse& mouse, CListBox& list, CEdit& edit)
{
    double ms;
    // The queue's lock is held only inside each Pop, never across the display work.
    if (!mouse.Pop(&ms))
        return; // an empty queue leaves both controls alone

    CString text;
    double rate;
    {
        CNoRedrawDuringTick noRedraw(list);
        const int rows = FullRows(list);
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
                // LB_SETCURSEL had scrolled to the newest line (Windows), the
                // top is now a line past the last full page, and one line up
                // puts the newest line back at the bottom. Otherwise (Wine)
                // the view holds whole rows already: scrolling up would only
                // move the newest line further away, at the cost of scrolling
                // the window once per line.
                const int top = static_cast<int>(list.SendMessage(LB_GETTOPINDEX));
                if (top > 0 && top + rows > kMaxLines)
                    list.SendMessage(LB_SETTOPINDEX, top - 1);
            }
        } while (mouse.Pop(&ms));
        ShowNewestWithoutSelection(list, rows);
    }

    // The rate field is written once per tick, with the rate after the tick's
    // last interval: the rates before it would never be painted, and setting an
    // edit control's text costs Wine well over 100 microseconds each time.
    text.Empty();
    if (std::isinf(rate))
        text.AppendFormat("inf Hz"); // every averaged interval was 0 ms
    else
        text.AppendFormat("%4.3f Hz", rate);
    edit.SetWindowText(text);
}
