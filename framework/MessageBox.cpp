#include "framework/MessageBox.h"

#include "framework/WinApp.h"

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp)
{
    // Without an application object, or before it is named, the title is
    // null, which the system shows as its own default title.
    const CWinApp* pApp = AfxGetApp();
    const LPCSTR pszTitle = pApp ? pApp->m_pszAppName : nullptr;

    // Without a help file, a help context only marks the box; the text and
    // buttons are the same.
    (void)nIDHelp;
    return ::MessageBoxA(::GetActiveWindow(), lpszText, pszTitle, nType);
}
