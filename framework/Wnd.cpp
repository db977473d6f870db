#include "framework/Wnd.h"

#include <cstdlib>

#include "framework/Exception.h"
#include "framework/WinApp.h"

namespace {
// The map from subclassed windows to their objects: an entry is made when a
// window is subclassed and removed when it is let go. It is looked up for
// every message, so it is kept in the process: a window property would cost
// Wine a round trip to its server per message. Windows of several threads may
// be in it, so it is guarded by a reader/writer lock (lookups share it). A
// program has a handful of windows at a time, so the entries are kept in one
// array searched from the newest: the message-heavy windows (a dialog's
// controls) are the latest made.
class CHandleMap {
public:
    CWnd* Lookup(HWND hWnd)
    {
        AcquireSRWLockShared(&m_lock);
        const int i = Find(hWnd);
        CWnd* pWnd = i < 0 ? nullptr : m_pEntries[i].pWnd;
        ReleaseSRWLockShared(&m_lock);
        return pWnd;
    }
    // Returns false, changing nothing, when hWnd already has an object.
    // Throws CMemoryException when the map cannot grow.
    bool Add(HWND hWnd, CWnd* pWnd)
    {
        AcquireSRWLockExclusive(&m_lock);
        const bool present = Find(hWnd) >= 0;
        const bool room = present || Grow();
        if (!present && room)
            m_pEntries[m_nCount++] = Entry{hWnd, pWnd};
        ReleaseSRWLockExclusive(&m_lock);
        if (!room)
            AfxThrowMemoryException();
        return !present;
    }
    void Remove(HWND hWnd)
    {
        AcquireSRWLockExclusive(&m_lock);
        const int i = Find(hWnd);
        if (i >= 0) {
            // Keep the order: the newest windows stay where the search starts.
            for (int j = i + 1; j < m_nCount; ++j)
                m_pEntries[j - 1] = m_pEntries[j];
            --m_nCount;
        }
        ReleaseSRWLockExclusive(&m_lock);
    }

private:
    struct Entry {
        HWND hWnd;
        CWnd* pWnd;
    };

    int Find(HWND hWnd) const
    {
        for (int i = m_nCount - 1; i >= 0; --i)
            if (m_pEntries[i].hWnd == hWnd)
                return i;
        return -1;
    }
    // Makes room for one more entry; false when there is no memory for it.
    bool Grow()
    {
        if (m_nCount < m_nCapacity)
            return true;
        const int capacity = m_nCapacity ? m_nCapacity * 2 : 16;
        void* p = std::realloc(m_pEntries, sizeof(Entry) * static_cast<size_t>(capacity));
        if (!p)
            return false;
        m_pEntries = static_cast<Entry*>(p);
        m_nCapacity = capacity;
        return true;
    }

    SRWLOCK m_lock = SRWLOCK_INIT;
    Entry* m_pEntries = nullptr; // process lifetime: never freed
    int m_nCount = 0;
    int m_nCapacity = 0;
};

CHandleMap& PermanentMap()
{
    static CHandleMap s_map;
    return s_map;
}
} // namespace

LRESULT AfxProcessWndProcException(CException* e, const MSG* pMsg)
{
    if (CWinApp* pApp = AfxGetApp())
        return pApp->ProcessWndProcException(e, pMsg);
    CWinThread noApp(nullptr, nullptr); // runs nothing: only its answer is wanted
    return noApp.ProcessWndProcException(e, pMsg);
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
    if (!hWnd || m_hWnd || !PermanentMap().Add(hWnd, this))
        return FALSE;
    m_hWnd = hWnd;
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    if (!m_pfnSuper) {
        PermanentMap().Remove(hWnd);
        m_hWnd = nullptr;
        return FALSE;
    }
    return TRUE;
}

HWND CWnd::UnsubclassWindow()
{
    if (m_pfnSuper) {
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        PermanentMap().Remove(m_hWnd);
        m_pfnSuper = nullptr;
    }
    return Detach();
}

LRESULT CALLBACK CWnd::AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = PermanentMap().Lookup(hWnd);
    if (!pWnd)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);

    const LRESULT result = pWnd->HandleAsCurrent(
        message, wParam, lParam, [&] { return pWnd->WindowProc(message, wParam, lParam); });

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
