#include "display/Readout.h"

#include "display/RateEstimator.h"
#include "framework/Edit.h"
#include "framework/ListBox.h"
#include "framework/StringT.h"
#include "sampling/Mouse.h"

namespace {
const double kMaxShownMs = 64.0;
const int kMaxLines = 1024;
}

void UpdateReadout(CMouse& mouse, CListBox& list, CEdit& edit)
{
    CString text;
    double ms;
    // The queue's lock is held only inside each Pop, never across the display work.
    while (mouse.Pop(&ms)) {
        if (ms > kMaxShownMs)
            ms = kMaxShownMs;

        text.Empty();
        text.AppendFormat("%4.3f ms", ms);
        list.SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.GetString()));
        const int count = static_cast<int>(list.SendMessage(LB_GETCOUNT));
        list.SendMessage(LB_SETCURSEL, count - 1);

        const double rate = UpdateRate(ms);

        if (list.SendMessage(LB_GETCOUNT) > kMaxLines) {
            list.SendMessage(LB_DELETESTRING, 0);
            const int top = static_cast<int>(list.SendMessage(LB_GETTOPINDEX));
            list.SendMessage(LB_SETTOPINDEX, top - 1);
        }

        text.Empty();
        text.AppendFormat("%4.3f Hz", rate);
        edit.SetWindowText(text);
    }
}
