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
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    // Turns the window's drawing of its changes off (FALSE) or back on (TRUE).
    // After turning it back on, Invalidate so the changes made meanwhile are painted.
    void SetRedraw(BOOL bRedraw = TRUE) { SendMessage(WM_SETREDRAW, bRedraw); }
    // Marks the whole client area for repainting at the next WM_PAINT.
    void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }

    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
};
