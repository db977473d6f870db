#include "framework/Thread.h"

#include <process.h>

#include "framework/Exception.h"

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
    // The system's thread start has no handler an exception could unwind
    // to: one let out of the function would end the whole process.
    UINT nResult = static_cast<UINT>(-1);
    try {
        nResult = pThis->m_pfnThreadProc(pThis->m_pThreadParams);
    } catch (CException* e) {
        e->Delete();
    } catch (...) {
    }
    if (pThis->m_bAutoDelete)
        delete pThis;
    return nResult;
}

LRESULT CWinThread::ProcessWndProcException(CException*, const MSG* pMsg)
{
    if (pMsg->message == WM_CREATE)
        return -1;
    if (pMsg->message == WM_PAINT)
        ::ValidateRect(pMsg->hwnd, nullptr);
    return 0;
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
