#include "display/RateDlg.h"

#include "display/Readout.h"
#include "framework/MessageBox.h"
#include "framework/ModuleState.h"
#include "framework/PaintDC.h"

namespace {
const UINT_PTR kReadoutTimerId = 1;
const UINT kReadoutPeriodMs = 1;

// Names a control for accessibility clients without changing the screen.
//
// Windows names a list box or an edit control after the static text that
// comes before it in z-order, walking back no further than the first control
// with WS_TABSTOP or WS_GROUP ("Ensuring that UI Elements Are Correctly
// Named", learn.microsoft.com). The group boxes that caption the list and
// the field come last in the dialog, and before the list stands the OK
// button, before the field the list, both tab stops: so the dialog adds a
// static label of its own directly before each, the documented technique
// for a control whose visible label does not precede it. The label is
// hidden and no tab stop, so nothing on screen, in the tab order or for the
// mouse changes.
void NameForAccessibility(CStatic& name, LPCSTR text, CWnd& control, CWnd* pDialog)
{
    const RECT none = {0, 0, 0, 0};
    if (!name.Create(text, WS_CHILD | SS_LEFT | SS_NOPREFIX, none, pDialog))
        return; // the control goes unnamed, as before
    // A new child comes last; the label takes the control's place in the
    // z-order, and the control follows it.
    const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    name.SetWindowPos(&control, 0, 0, 0, 0, flags);
    control.SetWindowPos(&name, 0, 0, 0, 0, flags);
}
} // namespace

POINT CentredIconOrigin(int width, int height, int cxIcon, int cyIcon)
{
    return POINT{(width - cxIcon + 1) / 2, (height - cyIcon + 1) / 2};
}

BEGIN_MESSAGE_MAP(CRateDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_WM_DESTROY()
    ON_WM_TIMER()
END_MESSAGE_MAP()

CRateDlg::CRateDlg(CWnd* pParent)
    : CDialog(IDD, pParent), m_hIcon(nullptr), m_nTimer(0)
{
    const LPCSTR icon = MAKEINTRESOURCEA(IDR_MAINFRAME);
    m_hIcon = ::LoadIconA(AfxFindResourceHandle(icon, RT_GROUP_ICON), icon);
}

void CRateDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_HISTORY_LIST, m_list);
    DDX_Control(pDX, IDC_AVERAGE_EDIT, m_edit);
}

// The window exists: bind the controls and name them, set its icons, and
// start the readout timer and the sampler.
BOOL CRateDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    NameForAccessibility(m_historyName, "History", m_list, this);
    NameForAccessibility(m_averageName, "Average", m_edit, this);

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    // Started before the device: it keeps running (and finds nothing) even
    // when the sampler cannot be set up.
    m_nTimer = SetTimer(kReadoutTimerId, kReadoutPeriodMs, nullptr);

    if (m_mouse.Create(m_hWnd))
        m_mouse.Start();
    else
        AfxMessageBox("CMouse::Create failed", MB_OK, 0);

    return TRUE;
}

// A minimised dialog has no class icon to show, so it draws its own, centred.
void CRateDlg::OnPaint()
{
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);

        RECT rect;
        GetClientRect(&rect);
        const POINT at = CentredIconOrigin(rect.right - rect.left, rect.bottom - rect.top,
                                           GetSystemMetrics(SM_CXICON),
                                           GetSystemMetrics(SM_CYICON));
        dc.DrawIcon(at.x, at.y, m_hIcon);
    } else {
        CDialog::OnPaint();
    }
}

// The system asks for a cursor to show while the minimised window is dragged.
HCURSOR CRateDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

// The timer and the sampling thread end with the window, timer first so that no
// tick runs while the thread stops; then the device lets go of the window,
// which must not be destroyed while a device still uses it. The device itself
// is released with the object.
void CRateDlg::OnDestroy()
{
    KillTimer(m_nTimer);
    m_mouse.Stop();
    m_mouse.Unacquire();
    CDialog::OnDestroy();
}

// Each tick moves what the sampler has queued into the list and the rate.
void CRateDlg::OnTimer(UINT_PTR nIDEvent)
{
    m_readout.Update(m_mouse, m_list, m_edit, ::GetTickCount());
    CDialog::OnTimer(nIDEvent);
}
