#include "tests/support/Window.h"

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
