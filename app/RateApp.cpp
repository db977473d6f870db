#include "app/RateApp.h"

#include <commctrl.h>

#include "display/RateDlg.h"
#include "framework/AfxRes.h"

BEGIN_MESSAGE_MAP(CRateApp, CWinApp)
    ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

// The one application object. A null name lets the framework take the name
// from the executable.
CRateApp theApp;

CRateApp::CRateApp() : CWinApp(nullptr) {}

BOOL CRateApp::InitInstance()
{
    // The dialog's controls come from the common-controls library.
    InitCommonControls();

    CWinApp::InitInstance();

    // Profile settings would live under this key; the program stores none.
    SetRegistryKey("Local AppWizard-Generated Applications");

    CRateDlg dlg(nullptr);
    m_pMainWnd = &dlg;
    // OK and Cancel both just end the program.
    dlg.DoModal();

    // No message pump: the program ends here.
    return FALSE;
}
