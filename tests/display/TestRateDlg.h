// CRateDlg with its handlers observed, not changed: each handler here runs the
// dialog's own first, so a tick counted is a readout that has run. Its map
// chains to CRateDlg's, which still handles WM_PAINT and WM_QUERYDRAGICON.
#pragma once

#include <gtest/gtest.h>

#include <atomic>

#include "display/RateDlg.h"

class CTestRateDlg : public CRateDlg {
public:
    using CRateDlg::m_mouse;

    // Set before DoModal: a second timer, armed at initialisation and never
    // due, that tells whether another thread can see this window's timers.
    static const UINT_PTR kProbeTimer = 77;
    bool armProbeTimer = false;

    std::atomic<int> ticks{0};
    // While set, every tick ends by throwing the framework's memory exception.
    std::atomic<bool> throwOnTick{false};
    // Ticks after which the list or the rate field was left without WS_VISIBLE.
    std::atomic<int> ticksLeavingAControlHidden{0};
    std::atomic<bool> controlsBoundAtInit{false};
    std::atomic<bool> destroyed{false};
    // The scripted device's reads as OnDestroy returned; -1 before.
    std::atomic<int> readsWhenDestroyReturned{-1};

protected:
    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR nIDEvent);
    void OnDestroy();
    DECLARE_MESSAGE_MAP()
};

// One mouse report of the scripted device, seen through to its line in the
// dialog hDlg: the sampling thread is then in its loop, where the signal of a
// Stop that follows wakes it for a last pass. (A dialog closed at once may
// stop a thread still on its way to the loop, which then leaves without a
// pass.)
::testing::AssertionResult ReportShown(HWND hDlg);
