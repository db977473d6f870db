// CWinApp: the application object. A program defines exactly one, as a global,
// and the framework's entry point (AfxWinMain, called from WinMain) runs its
// InitInstance once after start-up. When InitInstance returns FALSE the
// program ends with exit code 0 and no message pump is run.
//
// An exception that escapes InitInstance does not crash the process silently:
// AfxWinMain reports it in a message box and the program ends with exit code
// -1 (see AfxWinMain).
#pragma once

#include <windows.h>

#include "framework/Thread.h"

class CWinApp : public CWinThread {
public:
    // Makes this the application object (AfxGetApp). With a null name the
    // name is taken from the executable's file name, without its extension,
    // when the program starts.
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    ~CWinApp() override;

    // Called once by AfxWinMain. Returns TRUE to run the message pump, FALSE
    // to end the program. The base does nothing and returns TRUE.
    BOOL InitInstance() override;

    // Names the registry key (HKEY_CURRENT_USER\Software\<lpszRegistryKey>,
    // then the application name) under which profile settings would be kept, and makes
    // the application name the profile name. Nothing is written to the registry.
    void SetRegistryKey(LPCSTR lpszRegistryKey);

    // An exception let out of a message handler: for WM_CREATE and WM_PAINT,
    // the thread object's answer alone; otherwise the user is told in a
    // message box (a memory exception: "Out of memory."; a command:
    // "Command failed."; anything else: "Internal application error.") and
    // the message answers 0 (TRUE for a command, which counts as handled).
    // While such a box is up, a further exception is answered the same way
    // but not shown again: a handler that fails on every timer tick would
    // otherwise stack a box per tick.
    LRESULT ProcessWndProcException(CException* e, const MSG* pMsg) override;

    // The ID_HELP command: opens the application's help file (the executable's
    // path with the extension .HLP) at its contents.
    void OnHelp();

    // Fills the names that depend on the running module; called by AfxWinMain
    // before InitInstance.
    void SetCurrentHandles();

    LPCSTR m_pszAppName;
    LPCSTR m_pszExeName = nullptr;
    LPCSTR m_pszHelpFilePath = nullptr;
    LPCSTR m_pszRegistryKey = nullptr;
    LPCSTR m_pszProfileName = nullptr;
    HINSTANCE m_hInstance = nullptr;

private:
    // Storage for the names above that the framework makes itself.
    char m_szAppName[MAX_PATH] = {};
    char m_szHelpFilePath[MAX_PATH] = {};
    char m_szRegistryKey[MAX_PATH] = {};
    bool m_bReporting = false; // a ProcessWndProcException box is up
};

// The one application object, or nullptr when none exists.
CWinApp* AfxGetApp();

// The program's entry, called from WinMain. Runs the application object's
// InitInstance. Returns 0 when InitInstance returns FALSE, the message pump's
// result after TRUE, and -1 when there is no application object or an
// exception escaped InitInstance (reported first in a message box).
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
