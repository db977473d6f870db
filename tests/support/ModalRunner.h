// Runs a dialog's DoModal on a thread of its own so that the test thread can
// drive it as a user would: find its windows, post commands and keys, read its
// controls. Every wait has a deadline; nothing waits on a bare sleep.
#pragma once

#include <windows.h>

#include <atomic>
#include <ostream>

#include "framework/Dialog.h"
#include "tests/support/Wait.h"
#include "tests/support/Window.h"

class CModalRunner {
public:
    explicit CModalRunner(CDialog& dlg);
    // A dialog still up is closed (and, failing that, the process ends) so that
    // the dialog object never goes away under its own modal loop.
    ~CModalRunner();

    DWORD ThreadId() const { return m_threadId; }
    HANDLE Thread() const { return m_hThread; }

    // Waits up to ms for DoModal to return.
    bool Ended(DWORD ms = 10000) const;
    // DoModal's result, once Ended.
    INT_PTR Result() const { return m_result; }

    // The dialog-class window of the dialog thread with this caption, once it
    // exists (it need not be visible yet); null at the deadline.
    HWND WaitForWindow(const char* caption, DWORD ms = 10000) const;
    // The same window once it is also visible; null at the deadline.
    HWND WaitForShown(const char* caption, DWORD ms = 10000) const;
    // A dialog-class window of the dialog thread other than hDlg (a message
    // box), once it exists; null at the deadline.
    HWND WaitForOtherDialog(HWND hDlg, DWORD ms = 10000) const;

    // Dialog-class windows (#32770: dialogs and message boxes) created on the
    // dialog thread so far.
    static int DialogWindowsCreated() { return s_dialogWindows.load(); }

    CModalRunner(const CModalRunner&) = delete;
    CModalRunner& operator=(const CModalRunner&) = delete;

private:
    static DWORD WINAPI ThreadProc(LPVOID pParam);
    static LRESULT CALLBACK CbtProc(int nCode, WPARAM wParam, LPARAM lParam);

    CDialog& m_dlg;
    HANDLE m_hThread = nullptr;
    DWORD m_threadId = 0;
    INT_PTR m_result = 0;
    static std::atomic<int> s_dialogWindows;
};

// The three ways a user closes the dialog.
enum class Close { OkButton, EscapeKey, CloseBox };
const char* CloseName(Close how);
inline void PrintTo(Close how, std::ostream* os) { *os << CloseName(how); }

// Closes hDlg, run on thread threadId, as a user would: a click on OK, Esc
// pressed in the control that has the focus, or the close box. Returns the
// result DoModal must then give: IDOK for OK, IDCANCEL otherwise.
INT_PTR PostClose(HWND hDlg, DWORD threadId, Close how);

// A handle to the calling thread, for waits and its times, that stays valid
// after the thread has ended (the caller closes it).
HANDLE CurrentThreadHandle();
