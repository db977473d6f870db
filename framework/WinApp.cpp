#include "framework/WinApp.h"

#include <cstring>
#include <new>

#include "framework/Exception.h"
#include "framework/MessageBox.h"
#include "framework/ModuleState.h"
#include "framework/Wnd.h"

namespace {

CWinApp* g_pApp = nullptr;

// Copies src into a fixed buffer, cut short if it does not fit.
void CopyName(char (&dest)[MAX_PATH], LPCSTR src)
{
    lstrcpynA(dest, src, MAX_PATH);
}

// Tells the user why the program is ending. There is no window to own the box:
// the main window, if one was made, is gone or going.
void ReportFatal(LPCSTR pszWhat)
{
    const CWinApp* pApp = AfxGetApp();
    const LPCSTR pszApp = pApp && pApp->m_pszAppName ? pApp->m_pszAppName : "Application";
    char szText[2 * MAX_PATH];
    wsprintfA(szText, "%s cannot continue: %s", pszApp, pszWhat);
    MessageBoxA(nullptr, szText, pszApp, MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

} // namespace

CWinApp::CWinApp(LPCSTR lpszAppName) : m_pszAppName(lpszAppName)
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

void CWinApp::SetCurrentHandles()
{
    m_hInstance = AfxGetModuleState()->m_hCurrentInstanceHandle;

    char szModule[MAX_PATH];
    const DWORD n = GetModuleFileNameA(m_hInstance, szModule, MAX_PATH);
    szModule[n < MAX_PATH ? n : MAX_PATH - 1] = '\0';

    // The help file sits beside the executable: Name.exe -> Name.HLP.
    CopyName(m_szHelpFilePath, szModule);
    char* pszExt = strrchr(m_szHelpFilePath, '.');
    char* pszBase = strrchr(m_szHelpFilePath, '\\');
    if (pszExt && (!pszBase || pszExt > pszBase) &&
        pszExt - m_szHelpFilePath + sizeof(".HLP") <= MAX_PATH)
        strcpy(pszExt, ".HLP");
    m_pszHelpFilePath = m_szHelpFilePath;

    // The executable's name without folder or extension.
    const char* pszName = strrchr(szModule, '\\');
    pszName = pszName ? pszName + 1 : szModule;
    CopyName(m_szAppName, pszName);
    if (char* pszDot = strrchr(m_szAppName, '.'))
        *pszDot = '\0';
    m_pszExeName = m_szAppName;
    if (!m_pszAppName)
        m_pszAppName = m_szAppName;
}

void CWinApp::SetRegistryKey(LPCSTR lpszRegistryKey)
{
    CopyName(m_szRegistryKey, lpszRegistryKey);
    m_pszRegistryKey = m_szRegistryKey;
    m_pszProfileName = m_pszAppName;
}

void CWinApp::OnHelp()
{
    ::WinHelpA(m_pMainWnd ? m_pMainWnd->GetSafeHwnd() : nullptr, m_pszHelpFilePath, HELP_FINDER, 0);
}

LRESULT CWinApp::ProcessWndProcException(CException* e, const MSG* pMsg)
{
    if (pMsg->message == WM_CREATE || pMsg->message == WM_PAINT)
        return CWinThread::ProcessWndProcException(e, pMsg);

    LPCSTR pszText = "Internal application error.";
    LRESULT lResult = 0;
    UINT nType = MB_ICONSTOP;
    if (pMsg->message == WM_COMMAND) {
        if (pMsg->lParam == 0)
            pszText = "Command failed."; // a menu or accelerator command, not a control's
        lResult = TRUE;
    }
    if (dynamic_cast<CMemoryException*>(e)) {
        pszText = "Out of memory.";
        nType = MB_ICONEXCLAMATION | MB_SYSTEMMODAL;
    }
    if (!m_bReporting) {
        m_bReporting = true;
        AfxMessageBox(pszText, nType);
        m_bReporting = false;
    }
    return lResult;
}

int AfxWinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return -1;
    pApp->SetCurrentHandles();

    // InitInstance may construct the main window and run it; the framework's
    // out-of-memory exception (or a failed allocation) can come out of that.
    // It would otherwise end the process through std::terminate without a
    // word, so it is reported here and the program ends with -1.
    try {
        if (!pApp->InitInstance()) {
            // The main window, if any, belonged to InitInstance and is gone:
            // it is not touched here.
            pApp->m_pMainWnd = nullptr;
            return 0;
        }
        return pApp->Run();
    } catch (CMemoryException* e) {
        e->Delete();
        ReportFatal("out of memory.");
    } catch (const std::bad_alloc&) {
        ReportFatal("out of memory.");
    } catch (CException* e) {
        e->Delete();
        ReportFatal("an unexpected error occurred.");
    }
    pApp->m_pMainWnd = nullptr;
    return -1;
}
