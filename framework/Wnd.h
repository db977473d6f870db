// CWnd: a window object wrapping one HWND.
//
// A window is either merely attached (Attach: the object holds the handle and
// sends it messages) or subclassed (SubclassWindow: its window procedure is
// replaced so that every message passes through the object's message map, and
// what the map does not handle goes on to the original procedure). A
// subclassed object lets go of its window by itself when the window is
// destroyed (WM_NCDESTROY), so m_hWnd is null afterwards. The object never
// owns the window's lifetime.
#pragma once

#include <windows.h>

#include <new>

#include "framework/CmdTarget.h"
#include "framework/Exception.h"

// Hands an exception that a message handler let out, with the message it was
// handling, to the application object's ProcessWndProcException (without
// one, to the base thread object's) and returns the message's result from it.
LRESULT AfxProcessWndProcException(CException* e, const MSG* pMsg);

class CWnd : public CCmdTarget {
public:
    HWND m_hWnd = nullptr;

    CWnd() = default;
    // A window still subclassed gets its original procedure back.
    ~CWnd() override;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // Binds this object to an existing window. Returns FALSE when hWnd is null
    // or this object is already bound.
    BOOL Attach(HWND hWnd);
    // Unbinds and returns the window, which lives on.
    HWND Detach();

    // Binds this object to an existing window of this thread and routes the
    // window's messages through this object. Returns FALSE, leaving everything
    // as it was, when hWnd is null, this object is already bound, or the
    // window already belongs to another window object.
    BOOL SubclassWindow(HWND hWnd);
    // Restores the original window procedure, unbinds and returns the window.
    HWND UnsubclassWindow();

    // Replaces the window's text.
    void SetWindowText(LPCSTR lpszString) { ::SetWindowTextA(m_hWnd, lpszString); }
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer)
    {
        return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
    }
    BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    // Moves this window in the z-order (and, unless nFlags says otherwise,
    // in place and size): directly after pWndInsertAfter, which is also the
    // order Tab and accessibility clients walk a dialog's controls in.
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
    {
        return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : HWND_TOP, x, y,
                              cx, cy, nFlags);
    }

    // Default processing of the message being handled: the original window
    // procedure's (or DefWindowProc's) result for it.
    LRESULT Default();

    // Every message of a subclassed window arrives here: the message map
    // first (OnWndMsg), then DefWindowProc for what it leaves.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Calls the handler mapped for the message. Returns TRUE and stores the
    // message's result in *pResult only when a handler ran.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // WM_COMMAND: looks the command up with OnCmdMsg; TRUE when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // The original window procedure, or DefWindowProc when there is none.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

protected:
    // Base handlers: each gives its message its default processing.
    void OnPaint();
    void OnDestroy();
    void OnTimer(UINT_PTR nIDEvent);
    HCURSOR OnQueryDragIcon();

    DECLARE_MESSAGE_MAP()

private:
    friend class CDialog;

    // Runs handle() with the given message as the current one (the one Default
    // answers), then restores the message that was current before: handlers
    // may send messages to their own window. Returns handle()'s result.
    //
    // An exception that handle() lets out stops here and is reported through
    // AfxProcessWndProcException, whose answer becomes the message's result.
    // It must not go further: the caller is the system's DispatchMessage or
    // SendMessage, whose frames an exception of this toolchain cannot unwind
    // through on Windows, so it would end the process without a word.
    template <class Handler>
    LRESULT HandleAsCurrent(UINT message, WPARAM wParam, LPARAM lParam, Handler handle)
    {
        const MSG saved = m_msgCur;
        m_msgCur = MSG{m_hWnd, message, wParam, lParam, 0, {0, 0}};
        LRESULT result;
        try {
            result = handle();
        } catch (CException* e) {
            result = AfxProcessWndProcException(e, &m_msgCur);
            e->Delete();
        } catch (const std::bad_alloc&) {
            CMemoryException e(FALSE);
            result = AfxProcessWndProcException(&e, &m_msgCur);
        } catch (...) {
            CException e(FALSE);
            result = AfxProcessWndProcException(&e, &m_msgCur);
        }
        m_msgCur = saved;
        return result;
    }

    // The window procedure of every subclassed window.
    static LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_pfnSuper = nullptr;  // the window's original procedure while subclassed
    MSG m_msgCur = {};             // the message being handled, for Default
};

// Message-map entries for window messages. Each calls the class's handler of
// the conventional name and signature (a class without its own gets the base's).
#define ON_WM_PAINT()                                                             \
    {WM_PAINT, 0, 0, [](CCmdTarget* pTarget, WPARAM, LPARAM) -> LRESULT {        \
         static_cast<ThisClass*>(pTarget)->OnPaint();                             \
         return 0;                                                                \
     }},
#define ON_WM_DESTROY()                                                           \
    {WM_DESTROY, 0, 0, [](CCmdTarget* pTarget, WPARAM, LPARAM) -> LRESULT {      \
         static_cast<ThisClass*>(pTarget)->OnDestroy();                           \
         return 0;                                                                \
     }},
#define ON_WM_TIMER()                                                             \
    {WM_TIMER, 0, 0, [](CCmdTarget* pTarget, WPARAM wParam, LPARAM) -> LRESULT { \
         static_cast<ThisClass*>(pTarget)->OnTimer(static_cast<UINT_PTR>(wParam)); \
         return 0;                                                                \
     }},
#define ON_WM_QUERYDRAGICON()                                                     \
    {WM_QUERYDRAGICON, 0, 0, [](CCmdTarget* pTarget, WPARAM, LPARAM) -> LRESULT { \
         return reinterpret_cast<LRESULT>(static_cast<ThisClass*>(pTarget)->OnQueryDragIcon()); \
     }},
