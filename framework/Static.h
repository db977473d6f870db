// CStatic: a static control object, made by the program itself (Create)
// rather than bound from a dialog template.
#pragma once

#include "framework/Wnd.h"

class CStatic : public CWnd {
public:
    // Creates a static control showing lpszText, with dwStyle (WS_CHILD and
    // SS_ styles; without WS_VISIBLE it is hidden), at rect in the parent's
    // client coordinates, as child nID of pParentWnd, and binds this object
    // to it. Returns FALSE, creating nothing, when this object is already
    // bound or the window cannot be made.
    BOOL Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                UINT nID = 0xFFFF);
};
