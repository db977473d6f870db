// A mouse for tests that need a stream of reports: a thread that signals an
// event at a fixed rate.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <thread>

// Signals whichever event it is given at a steady rate, each signal due at an
// absolute deadline on the performance counter: a mouse reporting through
// the sampler's event. It yields while it waits, but it does keep a processor
// busy: a mouse's periods are far below the system's sleep granularity.
class CSignalSource {
public:
    explicit CSignalSource(int hz) : m_hz(hz), m_thread([this] { Run(); }) {}
    ~CSignalSource()
    {
        m_quit = true;
        m_thread.join();
    }

    // Signals hEvent from now on (nullptr: nothing). Once this returns, the
    // previous event is no longer signalled and its handle may be closed.
    void Target(HANDLE hEvent)
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_hEvent)
            m_targetedTicks += now.QuadPart - m_targetedSince;
        m_hEvent = hEvent;
        m_targetedSince = now.QuadPart;
    }

    long Signals() const { return m_signals.load(); }
    // The signals per second while an event was targeted.
    double Rate()
    {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_targetedTicks ? m_signals.load() * static_cast<double>(f.QuadPart) / m_targetedTicks
                               : 0.0;
    }

private:
    void Run()
    {
        LARGE_INTEGER f, now;
        QueryPerformanceFrequency(&f);
        const LONGLONG period = f.QuadPart / m_hz;
        QueryPerformanceCounter(&now);
        LONGLONG due = now.QuadPart;
        while (!m_quit) {
            QueryPerformanceCounter(&now);
            if (now.QuadPart < due) {
                SwitchToThread();
                continue;
            }
            // A source that fell far behind resumes its cadence rather than
            // firing a burst (which an auto-reset event would merge anyway).
            due = now.QuadPart - due > 8 * period ? now.QuadPart + period : due + period;
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_hEvent && SetEvent(m_hEvent))
                ++m_signals;
        }
    }

    const int m_hz;
    std::atomic<bool> m_quit{false};
    std::atomic<long> m_signals{0};
    std::mutex m_mutex;
    HANDLE m_hEvent = nullptr;
    LONGLONG m_targetedSince = 0;
    LONGLONG m_targetedTicks = 0;
    std::thread m_thread;
};
