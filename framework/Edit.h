// CEdit: an edit-control object; its text is set with CWnd::SetWindowText.
#pragma once

#include "framework/Wnd.h"

class CEdit : public CWnd {
};
