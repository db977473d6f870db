// Message maps and the window-procedure plumbing, on a real window whose own
// procedure records what reaches it: a derived map overrides its base's entry
// and chains to the rest, Default hands the current message (and no other) to
// the original procedure, and the object lets go of a destroyed window.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "framework/Wnd.h"

namespace {

const char kClass[] = "MessageMapTestWindow";
std::vector<std::pair<UINT, WPARAM>> g_original;  // what reached the original procedure

LRESULT CALLBACK OriginalProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER || message == WM_COMMAND || message == WM_NCDESTROY ||
        message == WM_QUERYDRAGICON)
        g_original.emplace_back(message, wParam);
    if (message == WM_QUERYDRAGICON)
        return 0x1234;
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

HWND CreateTestWindow()
{
    static const ATOM atom = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &OriginalProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClass;
        return RegisterClassA(&wc);
    }();
    if (!atom)
        return nullptr;
    return CreateWindowExA(0, kClass, "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

class CBaseWnd : public CWnd {
public:
    std::vector<std::string> calls;

protected:
    void OnTimer(UINT_PTR)
    {
        calls.push_back("base timer");
    }
    void OnTen() { calls.push_back("base command 10"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
    ON_WM_TIMER()
    ON_COMMAND(10, &CBaseWnd::OnTen)
END_MESSAGE_MAP()

class CDerivedWnd : public CBaseWnd {
protected:
    // Timer 7 sends timer 8 to itself before its own default processing.
    void OnTimer(UINT_PTR nIDEvent)
    {
        calls.push_back("derived timer");
        if (nIDEvent == 7)
            SendMessage(WM_TIMER, 8);
        Default();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
    ON_WM_TIMER()
    ON_WM_QUERYDRAGICON()
END_MESSAGE_MAP()

class MessageMap : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_original.clear();
        hWnd = CreateTestWindow();
        ASSERT_NE(nullptr, hWnd) << "could not create a window (error " << GetLastError() << ")";
    }
    void TearDown() override
    {
        if (IsWindow(hWnd))
            DestroyWindow(hWnd);
    }
    HWND hWnd = nullptr;
};

} // namespace

TEST_F(MessageMap, DerivedEntriesWinAndBaseEntriesStillServe)
{
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(hWnd));

    SendMessageA(hWnd, WM_TIMER, 3, 0);
    SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(10, CN_COMMAND), 0);
    SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(11, CN_COMMAND), 0);  // mapped nowhere
    EXPECT_EQ((std::vector<std::string>{"derived timer", "base command 10"}), wnd.calls);
    // Only the unmapped command and the timer's Default reached the original.
    EXPECT_EQ((std::vector<std::pair<UINT, WPARAM>>{{WM_TIMER, 3}, {WM_COMMAND, 11}}), g_original);

    // CWnd's own handler, reached through the chain, answers with the default result.
    EXPECT_EQ(0x1234, SendMessageA(hWnd, WM_QUERYDRAGICON, 0, 0));
}

TEST_F(MessageMap, DefaultPassesOnTheMessageBeingHandledEvenAfterANestedOne)
{
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(hWnd));
    SendMessageA(hWnd, WM_TIMER, 7, 0);
    EXPECT_EQ((std::vector<std::pair<UINT, WPARAM>>{{WM_TIMER, 8}, {WM_TIMER, 7}}), g_original);
}

TEST_F(MessageMap, AWindowBelongsToOneObjectUntilItIsDestroyed)
{
    CDerivedWnd wnd;
    CBaseWnd other;
    ASSERT_TRUE(wnd.SubclassWindow(hWnd));
    EXPECT_FALSE(other.SubclassWindow(hWnd)) << "a second object took the same window";
    EXPECT_EQ(nullptr, other.m_hWnd);

    DestroyWindow(hWnd);
    EXPECT_EQ(nullptr, wnd.m_hWnd) << "the object kept a destroyed window";
    ASSERT_FALSE(g_original.empty());
    EXPECT_EQ(static_cast<UINT>(WM_NCDESTROY), g_original.back().first)
        << "the original procedure must see the window's last message";
}

TEST_F(MessageMap, UnsubclassingGivesTheWindowBackItsOwnProcedure)
{
    {
        CDerivedWnd wnd;
        ASSERT_TRUE(wnd.SubclassWindow(hWnd));
    }  // the object goes first
    SendMessageA(hWnd, WM_TIMER, 5, 0);
    EXPECT_EQ((std::vector<std::pair<UINT, WPARAM>>{{WM_TIMER, 5}}), g_original);
}
