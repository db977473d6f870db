// CRateDlg: the program's main and only window, a fixed-size modal dialog that
// owns the sampler and shows its readout.
//
// The sampler's life follows the window's: the 1 ms timer, the device and the
// sampling thread start when the window is initialised; the timer and the
// thread stop when the window is destroyed, the timer first so that no tick
// runs while the thread is being stopped, and the device is then unacquired
// and its notification turned off while the window still exists; the device
// is released with the object. A sampler that cannot be set up is reported once, and the dialog
// then stays up with an empty readout.
#pragma once

#include "display/HistoryList.h"
#include "display/Readout.h"
#include "framework/Dialog.h"
#include "framework/Edit.h"
#include "framework/Static.h"
#include "res/resource.h"
#include "sampling/Mouse.h"

// Where an icon of cxIcon x cyIcon goes to be centred in a client area of
// width x height: ((width - cxIcon + 1) / 2, (height - cyIcon + 1) / 2), with
// C++ integer division (toward zero).
POINT CentredIconOrigin(int width, int height, int cxIcon, int cyIcon);

class CRateDlg : public CDialog {
public:
    enum { IDD = IDD_RATE_DIALOG };

    // Loads the application icon; the sampler starts idle, the controls unbound.
    explicit CRateDlg(CWnd* pParent = nullptr);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnDestroy();
    void OnTimer(UINT_PTR nIDEvent);

    DECLARE_MESSAGE_MAP()

    HICON m_hIcon;       // the application icon, both the big and the small window icon
    CMouse m_mouse;      // the sampler
    UINT_PTR m_nTimer;   // the readout timer, as SetTimer returned it
    CHistoryList m_list; // the history list, control IDC_HISTORY_LIST
    CEdit m_edit;        // the average field, control IDC_AVERAGE_EDIT
    // Hidden labels that name the list and the field for accessibility
    // clients, which take a control's name from the static text before it.
    CStatic m_historyName;
    CStatic m_averageName;
    // The readout's state between ticks: its pacing and the intervals waiting
    // for the list.
    CReadout m_readout;
};
