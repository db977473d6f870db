#include "tests/display/TestRateDlg.h"

#include "framework/Exception.h"
#include "tests/support/FakeDirectInput.h"
#include "tests/support/Wait.h"
#include "tests/support/Window.h"

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

::testing::AssertionResult ReportShown(HWND hDlg)
{
    const HWND hList = GetDlgItem(hDlg, IDC_HISTORY_LIST);
    const size_t before = ListLines(hList).size();
    const HANDLE hEvent = g_directInput8Create.mouse.hEventNotified;
    if (!hEvent || !SetEvent(hEvent))
        return ::testing::AssertionFailure() << "the sampler has no event to signal";
    if (!WaitFor([&] { return ListLines(hList).size() > before; }))
        return ::testing::AssertionFailure() << "the report never reached the list";
    return ::testing::AssertionSuccess();
}
