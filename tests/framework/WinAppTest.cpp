// CWinApp and the program entry, run for real: the names taken from the
// module, the registry key, what AfxWinMain makes of InitInstance's result or
// of an exception escaping it, and the title of AfxMessageBox. Message boxes
// are caught with a CBT hook on this thread as they are activated, read, and
// dismissed.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "framework/Exception.h"
#include "framework/MessageBox.h"
#include "framework/WinApp.h"
#include "framework/Wnd.h"

namespace {

// Message boxes shown on this thread while it lives: their caption and text.
class BoxCatcher {
public:
    struct Box {
        std::string caption;
        std::string text;
    };

    BoxCatcher()
    {
        s_pThis = this;
        m_hook = SetWindowsHookExA(WH_CBT, &BoxCatcher::Hook, nullptr, GetCurrentThreadId());
    }
    ~BoxCatcher()
    {
        if (m_hook)
            UnhookWindowsHookEx(m_hook);
        s_pThis = nullptr;
    }
    bool Hooked() const { return m_hook != nullptr; }

    std::vector<Box> boxes;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        if (!s_pThis)
            return CallNextHookEx(nullptr, code, wParam, lParam);
        HWND wnd = reinterpret_cast<HWND>(wParam);
        char cls[32] = {};
        GetClassNameA(wnd, cls, sizeof cls);
        if (code == HCBT_ACTIVATE && strcmp(cls, "#32770") == 0 && s_pThis->m_open.empty()) {
            // Dismissed as soon as it is up; read once it goes, when its text
            // has long been filled in.
            s_pThis->m_open.push_back(wnd);
            PostMessageA(wnd, WM_COMMAND, IDOK, 0);
        } else if (code == HCBT_DESTROYWND && !s_pThis->m_open.empty() && s_pThis->m_open[0] == wnd) {
            s_pThis->m_open.clear();
            Box b;
            char buf[512] = {};
            GetWindowTextA(wnd, buf, sizeof buf);
            b.caption = buf;
            // The text is in a static control (its id differs between Windows
            // and Wine).
            EnumChildWindows(wnd, &BoxCatcher::AddStaticText, reinterpret_cast<LPARAM>(&b.text));
            s_pThis->boxes.push_back(b);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static BOOL CALLBACK AddStaticText(HWND child, LPARAM p)
    {
        char cls[32] = {}, buf[512] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0) {
            GetWindowTextA(child, buf, sizeof buf);
            *reinterpret_cast<std::string*>(p) += buf;
        }
        return TRUE;
    }

    static BoxCatcher* s_pThis;
    HHOOK m_hook = nullptr;
    std::vector<HWND> m_open;
};
BoxCatcher* BoxCatcher::s_pThis = nullptr;

enum class Outcome { ReturnFalse, ReturnTrueAfterQuit, ThrowMemory, ThrowBadAlloc };

class CTestApp : public CWinApp {
public:
    explicit CTestApp(Outcome outcome, LPCSTR name = nullptr) : CWinApp(name), m_outcome(outcome) {}

    BOOL InitInstance() override
    {
        ++initCalls;
        CWinApp::InitInstance();
        m_pMainWnd = &m_wnd; // as an application with a main window would
        switch (m_outcome) {
        case Outcome::ReturnFalse:
            return FALSE;
        case Outcome::ReturnTrueAfterQuit:
            PostQuitMessage(7);
            return TRUE;
        case Outcome::ThrowMemory:
            AfxThrowMemoryException();
        case Outcome::ThrowBadAlloc:
            throw std::bad_alloc();
        }
        return FALSE;
    }

    int initCalls = 0;

private:
    Outcome m_outcome;
    CWnd m_wnd;
};

int RunEntry()
{
    return AfxWinMain(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWNORMAL);
}

TEST(WinApp, NamesComeFromTheModuleWhenNoneIsGiven)
{
    CTestApp app(Outcome::ReturnFalse);
    EXPECT_EQ(&app, AfxGetApp());
    EXPECT_EQ(nullptr, app.m_pszAppName) << "the name is only filled at start-up";
    app.SetCurrentHandles();
    ASSERT_NE(nullptr, app.m_pszAppName);
    EXPECT_STREQ("framework_winapp_tests", app.m_pszAppName);
    EXPECT_STREQ("framework_winapp_tests", app.m_pszExeName);
    EXPECT_EQ(GetModuleHandleA(nullptr), app.m_hInstance);
    const std::string help = app.m_pszHelpFilePath;
    const std::string tail = "\\framework_winapp_tests.HLP";
    ASSERT_GT(help.size(), tail.size());
    EXPECT_EQ(tail, help.substr(help.size() - tail.size())) << help;
}

TEST(WinApp, AGivenNameIsKeptAndTheProfileFollowsIt)
{
    {
        CTestApp app(Outcome::ReturnFalse, "Some Name");
        app.SetCurrentHandles();
        EXPECT_STREQ("Some Name", app.m_pszAppName);
        EXPECT_EQ(nullptr, app.m_pszRegistryKey);
        app.SetRegistryKey("Local AppWizard-Generated Applications");
        EXPECT_STREQ("Local AppWizard-Generated Applications", app.m_pszRegistryKey);
        EXPECT_STREQ("Some Name", app.m_pszProfileName);
    }
    EXPECT_EQ(nullptr, AfxGetApp()) << "the application object is gone";
}

TEST(WinApp, InitInstanceReturningFalseEndsWithZeroWithoutAPump)
{
    BoxCatcher catcher;
    ASSERT_TRUE(catcher.Hooked());
    CTestApp app(Outcome::ReturnFalse);
    // A pump would run until WM_QUIT; with none queued it would never return.
    EXPECT_EQ(0, RunEntry());
    EXPECT_EQ(1, app.initCalls);
    EXPECT_EQ(nullptr, app.m_pMainWnd) << "the main window belonged to InitInstance";
    EXPECT_TRUE(catcher.boxes.empty());
}

TEST(WinApp, InitInstanceReturningTrueRunsThePumpToItsQuitCode)
{
    CTestApp app(Outcome::ReturnTrueAfterQuit);
    EXPECT_EQ(7, RunEntry());
    EXPECT_EQ(1, app.initCalls);
}

TEST(WinApp, OutOfMemoryEscapingInitInstanceIsReportedOnceAndEndsWithFailure)
{
    const Outcome outcomes[] = {Outcome::ThrowMemory, Outcome::ThrowBadAlloc};
    for (Outcome outcome : outcomes) {
        SCOPED_TRACE(outcome == Outcome::ThrowMemory ? "CMemoryException" : "std::bad_alloc");
        BoxCatcher catcher;
        ASSERT_TRUE(catcher.Hooked());
        CTestApp app(outcome);
        EXPECT_EQ(-1, RunEntry());
        EXPECT_EQ(1, app.initCalls);
        EXPECT_EQ(nullptr, app.m_pMainWnd);
        ASSERT_EQ(1u, catcher.boxes.size()) << "exactly one message";
        EXPECT_EQ("framework_winapp_tests", catcher.boxes[0].caption);
        EXPECT_NE(std::string::npos, catcher.boxes[0].text.find("out of memory"))
            << catcher.boxes[0].text;
    }
}

TEST(WinApp, AfxMessageBoxIsTitledWithTheApplicationsName)
{
    BoxCatcher catcher;
    ASSERT_TRUE(catcher.Hooked());
    EXPECT_EQ(IDOK, AfxMessageBox("no application object", MB_OK, 0));
    {
        CTestApp app(Outcome::ReturnFalse);
        app.SetCurrentHandles();
        EXPECT_EQ(IDOK, AfxMessageBox("an application", MB_OK, 0));
    }
    ASSERT_EQ(2u, catcher.boxes.size());
    EXPECT_FALSE(catcher.boxes[0].caption.empty()) << "the system's default title";
    EXPECT_EQ("no application object", catcher.boxes[0].text);
    EXPECT_EQ("framework_winapp_tests", catcher.boxes[1].caption);
    EXPECT_EQ("an application", catcher.boxes[1].text);
}

TEST(WinApp, NoApplicationObjectMeansFailure)
{
    ASSERT_EQ(nullptr, AfxGetApp());
    EXPECT_EQ(-1, RunEntry());
}

} // namespace
