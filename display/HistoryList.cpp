#include "display/HistoryList.h"

#include <algorithm>

// Two messages come to the list with every pointer report while the pointer is
// over it, on the dialog's thread, the one that under Wine also reads the X
// events that become DirectInput reports. Each is answered here when the list
// box would only spend calls into Wine's server on it; on Windows the answers
// are the list box's own, and nothing changes.
//
// A list box acts on a pointer move only while it has captured the mouse,
// which it does from a button press in it until the release (dragging a
// selection); otherwise it lets the move go to DefWindowProc, which does
// nothing with it. Wine's list box finds out whether it has the capture by
// asking Wine's server (GetCapture) on every move, a call that costs the
// dialog's thread many times what answering the move here does. A move with
// no button down cannot be part of a drag, so it stops here.
//
// Over the rows the pointer takes the list's class cursor (the arrow). The
// list box leaves that to DefWindowProc, which first lets the dialog answer;
// Wine's, answering for the dialog, sets the list's class cursor but answers
// that it did not, so the list's own DefWindowProc sets it again: two calls
// into the server per report. The dialog sets no cursor of its own, so the
// list sets it once, here. Over the scroll bar the list box's own handling
// applies.
//
// The list is repainted with its background erased a few times a second while
// lines arrive. Windows' list box erases its whole client area in
// WM_ERASEBKGND and then paints the rows, so on a desktop without composition
// every row would flash blank before it is drawn again. The rows are drawn
// opaque over their whole width (the list box's ETO_OPAQUE text output), so
// only the space below the last row needs the erase, with the brush the list
// box itself asks its parent for (WM_CTLCOLORLISTBOX).
void CHistoryList::EraseBelowRows(HDC hdc)
{
    RECT bare;
    GetClientRect(&bare);
    const LRESULT shown = SendMessage(LB_GETCOUNT) - SendMessage(LB_GETTOPINDEX);
    const LRESULT itemHeight = SendMessage(LB_GETITEMHEIGHT, 0);
    // At most 1024 lines of a row's height: the product cannot overflow.
    if (shown > 0 && itemHeight > 0)
        bare.top = static_cast<LONG>(std::min<LRESULT>(shown * itemHeight, bare.bottom));
    if (bare.top >= bare.bottom)
        return;
    const HBRUSH brush = reinterpret_cast<HBRUSH>(::SendMessageA(
        ::GetParent(m_hWnd), WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(hdc),
        reinterpret_cast<LPARAM>(m_hWnd)));
    ::FillRect(hdc, &bare, brush ? brush : ::GetSysColorBrush(COLOR_WINDOW));
}

LRESULT CHistoryList::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ERASEBKGND) {
        EraseBelowRows(reinterpret_cast<HDC>(wParam));
        return TRUE;
    }
    const WPARAM buttons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_XBUTTON1 | MK_XBUTTON2;
    if (message == WM_MOUSEMOVE && !(wParam & buttons))
        return 0;
    if (message == WM_SETCURSOR && LOWORD(lParam) == HTCLIENT &&
        reinterpret_cast<HWND>(wParam) == m_hWnd) {
        // With no class cursor the list box's own handling decides.
        if (HCURSOR cursor = reinterpret_cast<HCURSOR>(::GetClassLongPtrA(m_hWnd, GCLP_HCURSOR))) {
            ::SetCursor(cursor);
            return TRUE;
        }
    }
    return CListBox::WindowProc(message, wParam, lParam);
}
