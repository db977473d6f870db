#include "tests/display/TickCountingRateDlg.h"

BEGIN_MESSAGE_MAP(CTickCountingRateDlg, CRateDlg)
    ON_WM_TIMER()
END_MESSAGE_MAP()
