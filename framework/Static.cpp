#include "framework/Static.h"

BOOL CStatic::Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    if (m_hWnd || !pParentWnd)
        return FALSE;
    const HWND hWnd = ::CreateWindowExA(
        0, "STATIC", lpszText, dwStyle, rect.left, rect.top, rect.right - rect.left,
        rect.bottom - rect.top, pParentWnd->m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)),
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(pParentWnd->m_hWnd, GWLP_HINSTANCE)),
        nullptr);
    return Attach(hWnd);
}
