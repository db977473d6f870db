// The readout update: the work of one timer tick. It empties the sampler's
// queue; each interval becomes a line in the history list and a new rate in
// the average field. When to do what is the pacer's (Pacer.h); this carries
// it out on the controls, and the system's paint cycle puts it on screen.
#pragma once

#include <windows.h>

#include "display/Pacer.h"

class CMouse;
class CListBox;
class CEdit;

class CReadout {
public:
    // One timer tick at tick count `now`. Pops every queued interval, oldest
    // first (at most CPacer::kMaxPerTick in one tick); each is clamped to at
    // most 64 ms, fed to the rate estimator at once, and waits here until
    // the pacer has the list take lines. Then each waiting interval is
    // appended to the list as "%4.3f ms", and the list is kept to at most
    // 1024 lines, dropping the oldest. After a take the newest line is in
    // view and no line is selected; the readout never makes a line current.
    // When the pacer says so, the field is given "%4.3f Hz" of the rate after
    // the latest interval ("inf Hz" when every averaged interval was 0 ms).
    // A change of the list's scroll bar is painted when the pacer says so.
    // Both controls are visible between ticks; each repaints through the
    // message loop. The queue's lock is held only inside each Pop. Dialog
    // thread only.
    void Update(CMouse& mouse, CListBox& list, CEdit& edit, DWORD now);

    // Does at once whatever the ticks have left waiting: the waiting
    // intervals become lines, the rate text is written and a changed scroll
    // bar painted.
    void Flush(CListBox& list, CEdit& edit);

private:
    void Carry(const CPacer::Plan& plan, CListBox& list, CEdit& edit);
    void TakeLines(CListBox& list);
    void AddWaitingLines(CListBox& list);
    void ShowFrame(CListBox& list, DWORD now, bool atOnce);

    CPacer m_pacer;
    // Popped, not yet in the list: a ring of the newest kMaxLines at most,
    // the oldest at m_waitingFirst.
    double m_waiting[CPacer::kMaxLines] = {};
    int m_waitingFirst = 0;
    int m_waitingCount = 0;
    double m_rate = 0.0;           // the rate after the latest interval
    SCROLLINFO m_bar = {};         // the scroll bar as last painted; cbSize 0: not yet read
};
