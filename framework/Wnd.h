// CWnd: a window object wrapping one HWND. Controls are bound to existing child
// windows with Attach; the object never owns the window's lifetime.
#pragma once

#include <windows.h>

class CWnd {
public:
    HWND m_hWnd = nullptr;

    CWnd() = default;
    virtual ~CWnd() = default;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // Binds this object to an existing window. Returns FALSE when hWnd is null
    // or this object is already bound.
    BOOL Attach(HWND hWnd);
    // Unbinds and returns the window, which lives on.
    HWND Detach();

    // Replaces the window's text.
    void SetWindowText(LPCSTR lpszString) { ::SetWindowTextA(m_hWnd, lpszString); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }

    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
};
