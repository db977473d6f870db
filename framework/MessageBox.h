// AfxMessageBox: a modal message box over the application's active window,
// titled with the application's name (CWinApp::m_pszAppName).
#pragma once

#include <windows.h>

// Shows lpszText with the buttons and icon of nType (MB_OK, ...). nIDHelp is
// the help context; 0 means none. Without a named application object the box
// has the system's default title. Returns the button pressed (IDOK, ...), or
// 0 when the box could not be shown.
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
