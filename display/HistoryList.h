// CHistoryList: the history list, a list box that is spared the pointer
// messages it has no use for and erases only what its rows leave bare.
#pragma once

#include "framework/ListBox.h"

class CHistoryList : public CListBox {
public:
    // A pointer move with no mouse button down is answered here as the list
    // box answers it (0) and goes no further; over the rows, WM_SETCURSOR sets
    // the list's class cursor here and answers TRUE. Every other message, a
    // move with a button down, and WM_SETCURSOR elsewhere go on to the list box.
    // WM_ERASEBKGND fills only the part of the client area below the last
    // row with the list's brush, and answers TRUE.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void EraseBelowRows(HDC hdc);
};
