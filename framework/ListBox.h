// CListBox: a list-box control object. The product drives the list with
// list-box messages on its handle (m_hWnd), so this adds no state of its own.
#pragma once

#include "framework/Wnd.h"

class CListBox : public CWnd {
public:
    int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
};
