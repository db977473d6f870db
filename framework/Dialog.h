// CDialog: a dialog box built from a dialog template resource and run modally.
//
// DoModal creates the window from the template and runs the modal loop until
// EndDialog. The window is subclassed when its initialisation message arrives,
// so from then on every message passes through the object's message map, and
// Default reaches the system's dialog procedure. OK ends the dialog with IDOK;
// Esc and the close box arrive as the command IDCANCEL and end it with
// IDCANCEL. The window is destroyed (WM_DESTROY, then the object lets go of
// it) before DoModal returns.
#pragma once

#include "framework/DataExchange.h"
#include "framework/Wnd.h"

class CDialog : public CWnd {
public:
    // nIDTemplate: the dialog template resource; pParentWnd: the owner, or
    // null for none.
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Runs the dialog modally. Returns the value given to EndDialog, or -1
    // when the window could not be created.
    virtual INT_PTR DoModal();

    // Ends the modal loop; DoModal returns nResult once the window is gone.
    void EndDialog(int nResult);

    // Runs DoDataExchange: bSaveAndValidate FALSE moves data into the
    // controls (and binds them), TRUE reads it back. Returns TRUE.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Called when the window has been created from the template and before
    // it is shown. The base binds the controls with UpdateData(FALSE) and
    // returns TRUE, so that the system sets the focus.
    virtual BOOL OnInitDialog();

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    // The IDOK command: reads the data back, then ends the dialog with IDOK.
    virtual void OnOK();
    // The IDCANCEL command (Esc, the close box): ends the dialog with IDCANCEL.
    virtual void OnCancel();

    DECLARE_MESSAGE_MAP()

    LPCSTR m_lpszTemplateName;
    CWnd* m_pParentWnd;

private:
    // The dialog procedure given to the system. It acts only on WM_INITDIALOG,
    // which carries the object; every later message reaches the object through
    // its subclassed window procedure instead.
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};
