#include "tests/support/Window.h"

#include <oleacc.h>

void PumpMessages(DWORD ms)
{
    if (ms)
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

HWND CreateTopWindow(const char* title, int x, int y, int width, int height)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "TavrelTestWindow";
    RegisterClassA(&wc); // fails harmlessly when already registered
    HWND hWnd = CreateWindowExA(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y,
                                width, height, nullptr, nullptr, wc.hInstance, nullptr);
    if (hWnd)
        UpdateWindow(hWnd);
    return hWnd;
}

std::string WindowText(HWND hWnd)
{
    char text[512] = "";
    SendMessageA(hWnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string ClassName(HWND hWnd)
{
    char name[64] = "";
    GetClassNameA(hWnd, name, sizeof name);
    return name;
}

std::string AccessibleName(HWND hWnd)
{
    CoInitialize(nullptr);
    IAccessible* pAcc = nullptr;
    BSTR name = nullptr;
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    if (SUCCEEDED(AccessibleObjectFromWindow(hWnd, OBJID_CLIENT, IID_IAccessible,
                                             reinterpret_cast<void**>(&pAcc))) && pAcc) {
        if (pAcc->get_accName(self, &name) != S_OK)
            name = nullptr;
        pAcc->Release();
    }
    char text[256] = "(none)";
    if (name)
        WideCharToMultiByte(CP_UTF8, 0, name, -1, text, sizeof text, nullptr, nullptr);
    SysFreeString(name);
    CoUninitialize();
    return text;
}

HWND FocusOf(DWORD threadId)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(threadId, &info) ? info.hwndFocus : nullptr;
}

std::vector<std::string> ListLines(HWND hList)
{
    std::vector<std::string> lines;
    const LRESULT count = SendMessageA(hList, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageA(hList, LB_GETTEXTLEN, i, 0);
        std::vector<char> text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
        SendMessageA(hList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        lines.push_back(text.data());
    }
    return lines;
}

namespace {
WNDPROC g_listBoxProc = nullptr; // every list box's own procedure, the same for all

LRESULT CALLBACK RowsOnlyProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_ERASEBKGND) { // the list's brush, which Wine's list box applies in its paint
        HBRUSH brush = reinterpret_cast<HBRUSH>(
            SendMessageA(GetParent(hwnd), WM_CTLCOLORLISTBOX, wp, reinterpret_cast<LPARAM>(hwnd)));
        RECT client;
        GetClientRect(hwnd, &client);
        FillRect(reinterpret_cast<HDC>(wp), &client, brush ? brush : GetSysColorBrush(COLOR_WINDOW));
        return 1;
    }
    if (msg != WM_PAINT && msg != WM_PRINTCLIENT)
        return CallWindowProcA(g_listBoxProc, hwnd, msg, wp, lp);
    PAINTSTRUCT ps;
    const bool ownPaint = msg == WM_PAINT && !wp;
    HDC dc = ownPaint ? BeginPaint(hwnd, &ps) : reinterpret_cast<HDC>(wp);
    const LRESULT count = SendMessageA(hwnd, LB_GETCOUNT, 0, 0);
    const LRESULT top = SendMessageA(hwnd, LB_GETTOPINDEX, 0, 0);
    const LRESULT itemHeight = SendMessageA(hwnd, LB_GETITEMHEIGHT, 0, 0);
    RECT client;
    GetClientRect(hwnd, &client);
    const int rowsBottom = static_cast<int>((count - top) * itemHeight);
    const int saved = SaveDC(dc);
    if (rowsBottom < client.bottom)
        ExcludeClipRect(dc, client.left, rowsBottom > 0 ? rowsBottom : 0, client.right, client.bottom);
    CallWindowProcA(g_listBoxProc, hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    RestoreDC(dc, saved);
    if (ownPaint)
        EndPaint(hwnd, &ps);
    return 0;
}
} // namespace

bool PaintRowsOnly(HWND hList)
{
    const WNDPROC previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RowsOnlyProc)));
    if (!previous)
        return false;
    g_listBoxProc = previous;
    return true;
}
