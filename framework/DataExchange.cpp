#include "framework/DataExchange.h"

#include "framework/Wnd.h"

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd)
        return;
    HWND hControl = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC);
    if (hControl)
        rControl.SubclassWindow(hControl);
}
