#include "display/RateDlg.h"

#include "display/Readout.h"
#include "framework/MessageBox.h"
#include "framework/ModuleState.h"
#include "framework/PaintDC.h"

namespace {
const UINT_PTR kReadoutTimerId = 1;
const UINT kReadoutPeriodMs = 1;
}

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

// The window exists: bind the controls, set its icons, and start the readout
// timer and the sampler.
BOOL CRateDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

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
