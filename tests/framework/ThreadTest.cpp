// AfxBeginThread: the function runs on a new thread with its parameter, at the
// requested priority, at once or only after ResumeThread when created suspended.
#include <gtest/gtest.h>

#include "framework/Exception.h"
#include "framework/Thread.h"

namespace {

struct Probe {
    HANDLE hDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // The thread's own handle, opened by the thread: a thread that deletes
    // its CWinThread closes the handle the object held.
    HANDLE hSelf = nullptr;
    DWORD threadId = 0;
    int priority = THREAD_PRIORITY_ERROR_RETURN;
    bool throws = false; // the entry ends by throwing the framework's memory exception
    ~Probe()
    {
        CloseHandle(hDone);
        if (hSelf)
            CloseHandle(hSelf);
    }
};

UINT ProbeProc(LPVOID pParam)
{
    Probe* p = static_cast<Probe*>(pParam);
    p->threadId = GetCurrentThreadId();
    p->priority = GetThreadPriority(GetCurrentThread());
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &p->hSelf,
                    SYNCHRONIZE | THREAD_QUERY_LIMITED_INFORMATION, FALSE, 0);
    SetEvent(p->hDone);
    if (p->throws)
        AfxThrowMemoryException();
    return 7;
}

} // namespace

TEST(AfxBeginThread, RunsTheEntryAtOnceOnANewThreadAtThePriority)
{
    Probe probe;
    CWinThread* pThread = AfxBeginThread(ProbeProc, &probe, THREAD_PRIORITY_TIME_CRITICAL);
    ASSERT_NE(nullptr, pThread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(probe.hDone, 10000));
    EXPECT_NE(GetCurrentThreadId(), probe.threadId);
    EXPECT_EQ(THREAD_PRIORITY_TIME_CRITICAL, probe.priority);

    // The thread deletes its object and ends by itself, and has ended before
    // the test returns: under Wine a thread still ending while the process
    // exits has been seen to leave the process killed after the test passed.
    ASSERT_NE(nullptr, probe.hSelf);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(probe.hSelf, 10000));
}

TEST(AfxBeginThread, SuspendedThreadWaitsForResume)
{
    Probe probe;
    CWinThread* pThread = AfxBeginThread(ProbeProc, &probe, THREAD_PRIORITY_ABOVE_NORMAL, 0,
                                         CREATE_SUSPENDED);
    ASSERT_NE(nullptr, pThread);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(probe.hDone, 100));

    // Keep the object alive past the thread's end to read its exit code.
    pThread->m_bAutoDelete = FALSE;
    pThread->ResumeThread();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pThread->m_hThread, 10000));
    DWORD code = 0;
    GetExitCodeThread(pThread->m_hThread, &code);
    EXPECT_EQ(7u, code);
    EXPECT_EQ(pThread->m_nThreadID, probe.threadId);
    EXPECT_EQ(THREAD_PRIORITY_ABOVE_NORMAL, probe.priority);
    delete pThread;
}

// An exception out of the entry ends that thread alone, with exit code -1: it
// never reaches the system's thread start, which would end the process.
TEST(AfxBeginThread, AnExceptionOutOfTheEntryEndsOnlyTheThread)
{
    Probe probe;
    probe.throws = true;
    ASSERT_NE(nullptr, AfxBeginThread(ProbeProc, &probe));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(probe.hDone, 10000));
    ASSERT_NE(nullptr, probe.hSelf);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(probe.hSelf, 10000));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(probe.hSelf, &code));
    EXPECT_EQ(static_cast<DWORD>(-1), code);
}
