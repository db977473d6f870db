#include "framework/Thread.h"

#include <process.h>

CWinThread::~CWinThread()
{
    if (m_hThread)
        CloseHandle(m_hThread);
}

int CWinThread::Run()
{
    MSG msg;
    BOOL bRet;
    while ((bRet = GetMessageA(&msg, nullptr, 0, 0)) != 0) {
        if (bRet == -1)
            return -1;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

unsigned __stdcall CWinThread::ThreadEntry(void* pThread)
{
    CWinThread* pThis = static_cast<CWinThread*>(pThread);
    const UINT nResult = pThis->m_pfnThreadProc(pThis->m_pThreadParams);
    if (pThis->m_bAutoDelete)
        delete pThis;
    return nResult;
}

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority,
                           UINT nStackSize, DWORD dwCreateFlags,
                           LPSECURITY_ATTRIBUTES lpSecurityAttrs)
{
    CWinThread* pThread = new CWinThread(pfnThreadProc, pParam);

    // Created suspended so the priority is in force before the first instruction
    // and the object is complete before the thread can delete it.
    unsigned nThreadID = 0;
    const uintptr_t h = _beginthreadex(lpSecurityAttrs, nStackSize, &CWinThread::ThreadEntry,
                                       pThread, CREATE_SUSPENDED, &nThreadID);
    if (h == 0) {
        delete pThread;
        return nullptr;
    }
    pThread->m_hThread = reinterpret_cast<HANDLE>(h);
    pThread->m_nThreadID = nThreadID;
    pThread->SetThreadPriority(nPriority);
    if (!(dwCreateFlags & CREATE_SUSPENDED))
        pThread->ResumeThread();
    return pThread;
}
