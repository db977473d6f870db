// CMouse: measures the time between successive mouse reports.
//
// A worker thread at time-critical priority waits on the event that DirectInput
// signals when the mouse has buffered input. Each wake-up is timestamped with
// the performance counter, the device's buffer is emptied, and the time since
// the previous wake-up is queued as one interval in milliseconds. The dialog
// thread pops the intervals oldest first.
//
// Threads: Create, Start, Stop, Unacquire, Pop and destruction belong to the
// dialog thread; Run and Push to the sampling thread. They share the interval
// queue (under m_cs), the two flags and the event.
#pragma once

#include <windows.h>

#include <dinput.h>

#include <atomic>
#include <cstdint>

#include "framework/CriticalSection.h"

// The sampler's own device data format: relative X and Y axes and two buttons,
// 12 bytes of state.
extern const DIDATAFORMAT c_dfRateMouse;

// Milliseconds spanned by `ticks` performance-counter ticks at `frequency`
// ticks per second. A counter without a positive frequency measures nothing:
// the result is then 0.
double IntervalMs(LONGLONG ticks, LONGLONG frequency);

class CMouse {
public:
    // Losing the mouse (to a secure desktop, say) sets the event like any other
    // change of the device's state, and the drain then finds it lost and tries
    // Acquire at once. Another program holding the mouse exclusively is no
    // loss: non-exclusive access is always permitted. A device that is not
    // acquired gives no data, so nothing would set the event again: while
    // Acquire fails the loop retries it at this period instead of waiting for
    // ever. 100 ms: a recovery shows well within the readout's own pace, and
    // ten cheap calls a second cost nothing while the mouse stays lost.
    static constexpr DWORD kReacquireRetryMs = 100;

    CMouse();
    ~CMouse();

    // Opens the system mouse for buffered, event-notified input on behalf of
    // hWnd. Returns true only when the device is fully set up and acquired; on
    // failure whatever was obtained is kept for the destructor to release.
    virtual bool Create(HWND hWnd);

    // Raises the process priority class, opts the process out of power
    // throttling where Windows offers that, and begins the sampling thread.
    // Called once, after a successful Create.
    void Start();

    // Asks the sampling thread to end and returns once it has left its loop and
    // no longer touches this object. Returns at once when no thread runs.
    void Stop();

    // Unacquires the device and turns its event notification off (in that
    // order: the notification cannot change while the device is acquired), so
    // that DirectInput no longer uses the window given to Create, which must not
    // be destroyed while it is still active in a device. For the dialog thread,
    // after Stop and before that window goes. Does nothing without a device;
    // the device and DirectInput are still released by the destructor.
    void Unacquire();

    // Queues one interval. When 255 are already unread, the oldest is dropped.
    // Returns TRUE. Sampling thread only.
    BOOL Push(double ms);

    // Returns TRUE and stores the oldest unread interval in *pMs, or returns
    // FALSE and leaves *pMs alone when nothing is unread. Dialog thread only.
    BOOL Pop(double* pMs);

    CMouse(const CMouse&) = delete;
    CMouse& operator=(const CMouse&) = delete;

protected:
    friend UINT MouseThreadProc(LPVOID pParam);

    // The sampling loop, on the worker thread.
    void Run();
    // Reads buffered records one at a time until none is left. Returns false
    // only when the device was found lost or not acquired and could not be
    // acquired again at once.
    bool DrainDevice();

    // Set while the sampling loop runs, and by Start before the thread is begun,
    // so that a Stop that follows at once still waits. The thread clears it with
    // release order after its last access to this object; readers use acquire.
    std::atomic<bool> m_bRunning;
    // Set by Stop to end the loop; read by the thread on every pass (acquire).
    std::atomic<bool> m_bStop;

    IDirectInput8A* m_pDI;
    IDirectInputDevice8A* m_pDevice;
    HANDLE m_hEvent;

    // The interval queue: a 256-slot ring with free-running counters.
    CCriticalSection m_cs;
    double m_samples[256];
    uint32_t m_nRead;
    uint32_t m_nWrite;
};

static_assert(sizeof(std::atomic<bool>) == 1, "the flags are single bytes");

// Worker-thread entry: runs the loop of the CMouse passed as pParam; returns 0.
UINT MouseThreadProc(LPVOID pParam);
