// The readout update: the work of one timer tick. It empties the sampler's
// queue; each interval becomes a line in the history list and a new rate in
// the average field.
#pragma once

#include <windows.h>

class CMouse;
class CListBox;
class CEdit;

// Whether something last shown at tick count `last` may be shown again at
// tick count `now`, at most once every `intervalMs`. `last` 0 means never
// shown. Unsigned arithmetic: right across the tick count's wrap, and a
// second tick within the same tick-count step (Windows advances the count
// in 15.6 ms steps) finds 0 ms elapsed, not a wrapped-around large value.
bool ShowDue(DWORD now, DWORD last, DWORD intervalMs);

// The readout's state between ticks, owned by the dialog: when the list and
// the rate were last put on screen, what is still waiting to be, and what the
// list's scroll bar looked like when it was last painted.
class CReadout {
public:
    // The list's bound, and so the most intervals worth holding for it.
    static constexpr int kMaxLines = 1024;
    // The intervals waiting are taken into the list whenever it is due on
    // screen, and sooner once this many wait: at 1000 Hz the list's own pace
    // comes first (100 intervals), with a tick's worth to spare.
    static constexpr int kTakeWaiting = 112;
    // The list and the rate each go on screen at most this often.
    static constexpr DWORD kShowIntervalMs = 100;
    // The list's frame, for a change of its scroll bar (the thumb shrinking
    // as the list fills), is repainted once reports have paused this long
    // (no tick found an interval queued)...
    static constexpr DWORD kThumbPauseMs = 50;
    // ...or, while they keep coming, at most this often.
    static constexpr DWORD kThumbIntervalMs = 2000;

    // One timer tick at tick count `now`. Pops every queued interval, oldest
    // first (at most 255, the queue's capacity, in one tick); each is clamped
    // to at most 64 ms and fed to the rate estimator at once, and waits with
    // the readout until the list is due on screen (see below) or
    // kTakeWaiting wait. Then each waiting interval is appended to the list
    // as "%4.3f ms", and the list is kept to at most 1024 lines, dropping the
    // oldest. After the tick the newest line is in view and no line is
    // selected, under Wine as on Windows; the readout never makes a line
    // current. When every averaged interval was 0 ms the rate is unbounded
    // and reads "inf Hz".
    //
    // Both controls stay visible between ticks, but what the user sees
    // changes at most ten times a second: the list is repainted, and the
    // rate text, "%4.3f Hz" of the rate after the latest interval, written,
    // on ticks at least kShowIntervalMs apart, never both on the same tick,
    // and a later tick does what waits even when the queue is empty. The
    // list's scroll bar, while the list fills, follows when reports pause
    // for kThumbPauseMs, and while they keep coming at most every
    // kThumbIntervalMs. Long work is cut into pieces, with pending input
    // let through in between. The queue's lock is held only inside each
    // Pop. Dialog thread only.
    void Update(CMouse& mouse, CListBox& list, CEdit& edit, DWORD now);

    // Shows at once whatever the ticks have left waiting: the waiting
    // intervals become lines, the rate text is written and the list drawn,
    // its scroll bar included.
    void Flush(CListBox& list, CEdit& edit);

private:
    bool TakeQueued(CMouse& mouse);
    void AddLines(CListBox& list);
    void ShowList(CListBox& list, DWORD now, bool paceThumb);
    bool ThumbDue(DWORD now) const;
    void ShowRate(CEdit& edit);

    // How the list's scroll bar is drawn: its place, its arrows' state and
    // the thumb's pixels.
    struct ScrollPicture {
        LONG top = 0, bottom = 0;
        int thumbTop = 0, thumbBottom = 0;
        DWORD barState = 0, upState = 0, downState = 0;
        bool operator==(const ScrollPicture& o) const;
    };
    static ScrollPicture CurrentScrollPicture(const CListBox& list);

    // Intervals popped and not yet in the list, oldest first, in a ring: at
    // most the newest kMaxLines, since older ones would leave the list within
    // the same take.
    double m_pending[kMaxLines] = {};
    int m_pendingFirst = 0;
    int m_pendingCount = 0;

    DWORD m_reportsSeenAt = 0;  // tick count of the last tick that found intervals queued; 0: never
    DWORD m_listShownAt = 0;    // tick count of the last list repaint; 0: never
    DWORD m_rateShownAt = 0;    // tick count of the last rate text; 0: never
    bool m_listWaiting = false; // lines added since the last list repaint
    bool m_rateWaiting = false; // m_rate not yet written
    double m_rate = 0.0;        // the rate after the latest interval
    bool m_scrollPainted = false; // m_scroll recorded, on the first tick
    ScrollPicture m_scroll;     // the scroll bar as last painted
    DWORD m_thumbShownAt = 0;   // tick count of the last frame repaint; 0: never
    bool m_thumbWaiting = false; // the scroll bar changed since, its repaint held back
};
