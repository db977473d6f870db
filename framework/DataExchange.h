// Dialog data exchange: a dialog's DoDataExchange lists its controls with DDX_
// calls, and UpdateData runs it in one direction or the other.
#pragma once

#include <windows.h>

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate;  // TRUE: controls to data; FALSE: data to controls
    CWnd* m_pDlgWnd;          // the dialog whose controls are exchanged
};

// Binds rControl to the dialog's existing child control nIDC (subclassing it),
// so that rControl.m_hWnd is that control's handle afterwards. A control
// object that is already bound is left as it is. When the dialog has no
// control nIDC, rControl stays unbound.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
