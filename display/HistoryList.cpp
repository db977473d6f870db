#include "display/HistoryList.h"

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
LRESULT CHistoryList::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
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
