// CHistoryList: the history list, a list box that is spared the pointer moves
// it has no use for.
#pragma once

#include "framework/ListBox.h"

class CHistoryList : public CListBox {
public:
    // A pointer move with no mouse button down is answered here as the list
    // box answers it (0) and goes no further; every other message, and a move
    // with a button down, goes on to the list box.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};
