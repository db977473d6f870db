#include "display/HistoryList.h"

// A list box acts on a pointer move only while it has captured the mouse,
// which it does from a button press in it until the release (dragging a
// selection); otherwise it lets the move go to DefWindowProc, which does
// nothing with it. Wine's list box finds out whether it has the capture by
// asking Wine's server (GetCapture, 55-85 us on this machine) on every move,
// on the dialog's thread, the one that also reads the X events that become
// DirectInput reports: with the pointer over the list at 2000 Hz, that is over
// a tenth of the thread's time. A move with no button down cannot be part
// of a drag, so it stops here. On Windows the list box's own check is cheap
// and this changes nothing.
LRESULT CHistoryList::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const WPARAM buttons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_XBUTTON1 | MK_XBUTTON2;
    if (message == WM_MOUSEMOVE && !(wParam & buttons))
        return 0;
    return CListBox::WindowProc(message, wParam, lParam);
}
