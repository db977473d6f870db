#include "tests/support/ModalRunner.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

std::atomic<int> CModalRunner::s_dialogWindows{0};

namespace {

BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM lParam)
{
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
    return TRUE;
}

std::vector<HWND> ThreadWindows(DWORD threadId)
{
    std::vector<HWND> windows;
    EnumThreadWindows(threadId, &CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

} // namespace

CModalRunner::CModalRunner(CDialog& dlg) : m_dlg(dlg)
{
    m_hThread = CreateThread(nullptr, 0, &ThreadProc, this, 0, &m_threadId);
}

CModalRunner::~CModalRunner()
{
    if (!m_hThread)
        return;
    if (!Ended(0)) {
        for (HWND hWnd : ThreadWindows(m_threadId))
            PostMessageA(hWnd, WM_CLOSE, 0, 0);
        if (!Ended(10000)) {
            std::fprintf(stderr, "the dialog could not be closed; ending the test process\n");
            std::fflush(stderr);
            std::_Exit(3);
        }
    }
    CloseHandle(m_hThread);
}

DWORD WINAPI CModalRunner::ThreadProc(LPVOID pParam)
{
    CModalRunner* self = static_cast<CModalRunner*>(pParam);
    HHOOK hHook = SetWindowsHookExA(WH_CBT, &CbtProc, nullptr, GetCurrentThreadId());
    self->m_result = self->m_dlg.DoModal();
    if (hHook)
        UnhookWindowsHookEx(hHook);
    return 0;
}

LRESULT CALLBACK CModalRunner::CbtProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HCBT_CREATEWND && ClassName(reinterpret_cast<HWND>(wParam)) == "#32770")
        ++s_dialogWindows;
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

bool CModalRunner::Ended(DWORD ms) const
{
    return WaitForSingleObject(m_hThread, ms) == WAIT_OBJECT_0;
}

HWND CModalRunner::WaitForWindow(const char* caption, DWORD ms) const
{
    HWND found = nullptr;
    WaitFor(
        [&] {
            for (HWND hWnd : ThreadWindows(m_threadId)) {
                if (ClassName(hWnd) == "#32770" && WindowText(hWnd) == caption) {
                    found = hWnd;
                    return true;
                }
            }
            return false;
        },
        ms);
    return found;
}

HWND CModalRunner::WaitForShown(const char* caption, DWORD ms) const
{
    HWND hWnd = WaitForWindow(caption, ms);
    return hWnd && WaitFor([&] { return IsWindowVisible(hWnd) != FALSE; }, ms) ? hWnd : nullptr;
}

HWND CModalRunner::WaitForOtherDialog(HWND hDlg, DWORD ms) const
{
    HWND found = nullptr;
    WaitFor(
        [&] {
            for (HWND hWnd : ThreadWindows(m_threadId)) {
                if (hWnd != hDlg && ClassName(hWnd) == "#32770") {
                    found = hWnd;
                    return true;
                }
            }
            return false;
        },
        ms);
    return found;
}

const char* CloseName(Close how)
{
    switch (how) {
    case Close::OkButton: return "OkButton";
    case Close::EscapeKey: return "EscapeKey";
    default: return "CloseBox";
    }
}

INT_PTR PostClose(HWND hDlg, DWORD threadId, Close how)
{
    switch (how) {
    case Close::OkButton:
        PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDOK)));
        return IDOK;
    case Close::EscapeKey: {
        HWND hFocus = FocusOf(threadId);
        if (!hFocus)
            hFocus = hDlg;
        PostMessageA(hFocus, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageA(hFocus, WM_KEYUP, VK_ESCAPE, 0xC0010001);
        return IDCANCEL;
    }
    case Close::CloseBox:
        PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        return IDCANCEL;
    }
    return IDCANCEL;
}

HANDLE CurrentThreadHandle()
{
    HANDLE h = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &h, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    return h;
}
