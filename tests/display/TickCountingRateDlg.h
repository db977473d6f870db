// CRateDlg with its readout ticks counted: the dialog's own handler runs
// first, so the count says the readout has run that many times.
#pragma once

#include <atomic>

#include "display/RateDlg.h"

class CTickCountingRateDlg : public CRateDlg {
public:
    std::atomic<int> ticks{0};

protected:
    void OnTimer(UINT_PTR nIDEvent)
    {
        CRateDlg::OnTimer(nIDEvent);
        ++ticks;
    }
    DECLARE_MESSAGE_MAP()
};
