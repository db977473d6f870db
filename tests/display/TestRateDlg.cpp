#include "tests/display/TestRateDlg.h"

#include "framework/Exception.h"
#include "tests/support/FakeDirectInput.h"

BEGIN_MESSAGE_MAP(CTestRateDlg, CRateDlg)
    ON_WM_TIMER()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

BOOL CTestRateDlg::OnInitDialog()
{
    const BOOL result = CRateDlg::OnInitDialog();
    controlsBoundAtInit = m_list.m_hWnd == GetDlgItem(m_hWnd, IDC_HISTORY_LIST) &&
                          m_edit.m_hWnd == GetDlgItem(m_hWnd, IDC_AVERAGE_EDIT) && m_list.m_hWnd &&
                          m_edit.m_hWnd;
    if (armProbeTimer)
        SetTimer(kProbeTimer, 3600 * 1000, nullptr);
    return result;
}

void CTestRateDlg::OnTimer(UINT_PTR nIDEvent)
{
    CRateDlg::OnTimer(nIDEvent);
    if (!::IsWindowVisible(m_list.m_hWnd) || !::IsWindowVisible(m_edit.m_hWnd))
        ++ticksLeavingAControlHidden;
    ++ticks;
    if (throwOnTick)
        AfxThrowMemoryException();
}

void CTestRateDlg::OnDestroy()
{
    CRateDlg::OnDestroy();
    readsWhenDestroyReturned = g_directInput8Create.directInput.pDevice.load()->reads.load();
    destroyed = true;
}
