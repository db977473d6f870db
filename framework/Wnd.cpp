#include "framework/Wnd.h"

namespace {
// The window property that leads from a subclassed window to its object. It is
// set once, when the window is subclassed, and removed when it is let go.
const char kWndProp[] = "AfxWnd";
}

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::~CWnd()
{
    if (m_pfnSuper)
        UnsubclassWindow();
}

BOOL CWnd::Attach(HWND hWnd)
{
    if (!hWnd || m_hWnd)
        return FALSE;
    m_hWnd = hWnd;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!hWnd || m_hWnd || GetPropA(hWnd, kWndProp))
        return FALSE;
    if (!SetPropA(hWnd, kWndProp, this))
        return FALSE;
    m_hWnd = hWnd;
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    if (!m_pfnSuper) {
        RemovePropA(hWnd, kWndProp);
        m_hWnd = nullptr;
        return FALSE;
    }
    return TRUE;
}

HWND CWnd::UnsubclassWindow()
{
    if (m_pfnSuper) {
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        RemovePropA(m_hWnd, kWndProp);
        m_pfnSuper = nullptr;
    }
    return Detach();
}

LRESULT CALLBACK CWnd::AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = static_cast<CWnd*>(GetPropA(hWnd, kWndProp));
    if (!pWnd)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);

    // Handlers may send messages to their own window, so the current message
    // is saved around each nested one.
    const MSG saved = pWnd->m_msgCur;
    pWnd->m_msgCur = MSG{hWnd, message, wParam, lParam, 0, {0, 0}};
    const LRESULT result = pWnd->WindowProc(message, wParam, lParam);
    pWnd->m_msgCur = saved;

    // The last message of the window: the original procedure has had it (and
    // freed its own data); now the object lets go.
    if (message == WM_NCDESTROY)
        pWnd->UnsubclassWindow();
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        *pResult = 0;
        return TRUE;
    }

    const AFX_MSGMAP_ENTRY* pEntry = AfxFindMessageEntry(GetMessageMap(), message, 0, 0);
    if (!pEntry)
        return FALSE;

    *pResult = pEntry->pfn(this, wParam, lParam);
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM)
{
    return OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(m_msgCur.message, m_msgCur.wParam, m_msgCur.lParam);
}

void CWnd::OnPaint()
{
    Default();
}

void CWnd::OnDestroy()
{
    Default();
}

void CWnd::OnTimer(UINT_PTR)
{
    Default();
}

HCURSOR CWnd::OnQueryDragIcon()
{
    return reinterpret_cast<HCURSOR>(Default());
}
