// Waiting in tests: every wait is for a condition and has a deadline, so that
// a loaded machine only makes a test slower and a fault makes it fail instead
// of hang.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <thread>

// Polls pred every pollMs until it holds or ms have passed; returns whether it
// held.
template <class Pred>
bool WaitFor(Pred pred, DWORD ms = 10000, DWORD pollMs = 1)
{
    const DWORD start = GetTickCount();
    while (!pred()) {
        if (GetTickCount() - start >= ms)
            return pred();
        Sleep(pollMs);
    }
    return true;
}

// Runs f on a thread of its own and waits up to ms for it to return; returns
// whether it did. A call that hangs is left behind (the test has failed by
// then) rather than hanging the run.
template <class F>
bool ReturnsWithin(F f, DWORD ms = 10000)
{
    const auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread t([f, done]() mutable {
        f();
        *done = true;
    });
    if (!WaitFor([&] { return done->load(); }, ms)) {
        t.detach();
        return false;
    }
    t.join();
    return true;
}
