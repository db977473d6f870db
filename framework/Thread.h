// Threads in the framework's manner. AfxBeginThread runs a plain function on a
// new thread and hands back the thread object, which deletes itself (and
// closes its handle) when the function returns. The application object
// (CWinApp) is the thread object of the program's main thread.
#pragma once

#include <windows.h>

#include "framework/CmdTarget.h"

class CException;
class CWnd;

typedef UINT (*AFX_THREADPROC)(LPVOID);

class CWinThread : public CCmdTarget {
public:
    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    BOOL m_bAutoDelete = TRUE;
    // The thread's main window; the framework never deletes it.
    CWnd* m_pMainWnd = nullptr;

    CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam)
        : m_pfnThreadProc(pfnThreadProc), m_pThreadParams(pParam) {}
    ~CWinThread() override;

    // Per-thread start-up. Returns TRUE to go on to Run, FALSE to end at once.
    // The base returns FALSE.
    virtual BOOL InitInstance() { return FALSE; }
    // Pumps messages until WM_QUIT and returns its exit code.
    virtual int Run();

    // Called with an exception that a message handler of one of this
    // thread's windows let out, and the message it was handling; returns the
    // message's result. The base reports nothing: -1 for WM_CREATE (the
    // window is not made), WM_PAINT validated (so it does not come again),
    // 0 for the rest. The caller disposes of the exception.
    virtual LRESULT ProcessWndProcException(CException* e, const MSG* pMsg);

    BOOL SetThreadPriority(int nPriority) { return ::SetThreadPriority(m_hThread, nPriority); }
    DWORD ResumeThread() { return ::ResumeThread(m_hThread); }

    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

protected:
    // A thread object that runs no function of its own: the main thread's.
    CWinThread() : m_pfnThreadProc(nullptr), m_pThreadParams(nullptr) {}

private:
    friend CWinThread* AfxBeginThread(AFX_THREADPROC, LPVOID, int, UINT, DWORD,
                                      LPSECURITY_ATTRIBUTES);
    static unsigned __stdcall ThreadEntry(void* pThread);

    AFX_THREADPROC m_pfnThreadProc;
    LPVOID m_pThreadParams;
};

// Begins pfnThreadProc(pParam) on a new thread at nPriority. With
// dwCreateFlags 0 the thread runs at once; with CREATE_SUSPENDED it waits for
// ResumeThread. Returns the thread object, or nullptr when the thread could
// not be created (nothing then runs). Once the function has returned, an
// auto-deleting thread object no longer exists. An exception that leaves the
// function ends the thread with exit code (UINT)-1; it never reaches the
// system's thread start, where it would end the process.
CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam,
                           int nPriority = THREAD_PRIORITY_NORMAL, UINT nStackSize = 0,
                           DWORD dwCreateFlags = 0,
                           LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
