// The main dialog when something fails: the mouse cannot be set up
// (DirectInput8Create, the scripted one of the test support, fails), or a
// message handler throws.
#include <gtest/gtest.h>

#include "framework/WinApp.h"
#include "tests/display/TestRateDlg.h"
#include "tests/support/FakeDirectInput.h"
#include "tests/support/ModalRunner.h"

namespace {

bool HasChildWithText(HWND hParent, const std::string& text)
{
    for (HWND h = GetWindow(hParent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (WindowText(h) == text)
            return true;
    }
    return false;
}

} // namespace

TEST(RateDlgCreateFailure, ReportsOnceAndStaysUpWithAnEmptyReadout)
{
    ASSERT_EQ(static_cast<DWORD>(NORMAL_PRIORITY_CLASS), GetPriorityClass(GetCurrentProcess()))
        << "precondition: the test process starts at normal priority";
    g_directInput8Create.status = DIERR_NOTINITIALIZED;

    CTestRateDlg dlg;
    CModalRunner run(dlg);
    HWND hDlg = run.WaitForWindow(RATE_DIALOG_CAPTION);
    ASSERT_NE(nullptr, hDlg) << "the dialog did not appear";

    // The report comes while the window is being initialised.
    HWND hBox = run.WaitForOtherDialog(hDlg);
    ASSERT_NE(nullptr, hBox) << "no message box";
    EXPECT_TRUE(HasChildWithText(hBox, "CMouse::Create failed"));
    EXPECT_NE(nullptr, GetDlgItem(hBox, IDOK));
    EXPECT_EQ(nullptr, GetDlgItem(hBox, IDCANCEL)) << "an OK-only box";
    PostMessageA(hBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);

    // The dialog stays up, its timer ticks, and nothing appears.
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(hDlg) != FALSE; })) << "the dialog was never shown";
    ASSERT_TRUE(WaitFor([&] { return dlg.ticks.load() >= 3; })) << "the timer does not tick";
    EXPECT_EQ(0, SendMessageA(GetDlgItem(hDlg, IDC_HISTORY_LIST), LB_GETCOUNT, 0, 0));
    EXPECT_EQ("", WindowText(GetDlgItem(hDlg, IDC_AVERAGE_EDIT)));
    EXPECT_EQ(2, CModalRunner::DialogWindowsCreated()) << "the dialog and exactly one message box";
    EXPECT_EQ(static_cast<DWORD>(NORMAL_PRIORITY_CLASS), GetPriorityClass(GetCurrentProcess()))
        << "Start ran after the failure";
    EXPECT_TRUE(g_directInput8Create.directInput.Calls().empty()) << "no device without DirectInput";

    // Closing does not wait for a sampling thread that never began.
    PostClose(hDlg, run.ThreadId(), Close::OkButton);
    ASSERT_TRUE(run.Ended()) << "closing hung";
    EXPECT_EQ(IDOK, run.Result());
    EXPECT_EQ(2, CModalRunner::DialogWindowsCreated());
}

// A handler that lets the framework's memory exception out on every tick: one
// out-of-memory box however many ticks throw while it is up; with the handler
// well again, the dialog answers and ends with OK.
TEST(RateDlgHandlerFailure, AMemoryExceptionIsReportedOnceAndTheDialogGoesOn)
{
    CWinApp app; // the object that reports what a handler lets out
    CTestRateDlg dlg;
    dlg.throwOnTick = true;
    CModalRunner run(dlg);
    HWND hDlg = run.WaitForShown(RATE_DIALOG_CAPTION);
    ASSERT_NE(nullptr, hDlg) << "the dialog was not shown";
    HWND hBox = run.WaitForOtherDialog(hDlg);
    ASSERT_NE(nullptr, hBox) << "no message box";
    EXPECT_TRUE(WaitFor([&] { return HasChildWithText(hBox, "Out of memory."); }));
    const int ticks = dlg.ticks.load();
    ASSERT_TRUE(WaitFor([&] { return dlg.ticks.load() > ticks + 20; })) << "the ticks stopped";
    EXPECT_EQ(2, CModalRunner::DialogWindowsCreated()) << "the dialog and exactly one message box";

    dlg.throwOnTick = false;
    PostMessageA(hBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(hBox); })) << "the box stays";
    EXPECT_TRUE(ReportShown(hDlg)) << "after the failure";
    PostClose(hDlg, run.ThreadId(), Close::OkButton);
    ASSERT_TRUE(run.Ended()) << "closing hung";
    EXPECT_EQ(IDOK, run.Result());
}
