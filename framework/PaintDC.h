// CPaintDC: the device context for answering WM_PAINT. Construction begins
// painting the window (BeginPaint) and destruction ends it (EndPaint), so the
// context lives exactly as long as the handler's scope.
#pragma once

#include <windows.h>

class CWnd;

class CPaintDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC();

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

    // Draws hIcon with its upper-left corner at x, y. Returns TRUE on success.
    BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }

    HDC m_hDC;
    PAINTSTRUCT m_ps;

    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

private:
    HWND m_hWnd;
};
