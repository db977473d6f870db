// CPacer: what one timer tick of the readout does, decided from tick counts
// and counts alone, so that a table can drive it. It includes no windows.h;
// the readout (Readout.h) carries the decision out on the controls.
//
// It guarantees: the list takes lines, and the rate text is written, each on
// ticks at least kShowIntervalMs apart on the tick count, never both on one
// tick; whatever waits is done by a later tick, even one that found nothing
// queued; and a tick that found nothing queued and has nothing waiting does
// nothing. A change of the list's scroll bar (its thumb shrinking while the
// list fills) is painted once reports pause for kFramePauseMs, or in an
// unbroken stream at most every kFrameIntervalMs. Unsigned arithmetic: right
// across the tick count's wrap.
#pragma once

#include <cstdint>

class CPacer {
public:
    // At most this many intervals popped in one tick: what the queue holds
    // when full. A dialog thread that falls behind a fast mouse then lets the
    // queue drop its oldest intervals, as it does whenever the thread is held
    // up, rather than finding the queue refilled each time it empties it and
    // never ending the tick.
    static constexpr int kMaxPerTick = 255;
    // The list's bound, and so the most intervals worth keeping for it: older
    // ones would leave the list within the same take.
    static constexpr int kMaxLines = 1024;
    // What the user sees changes at most this often, list and rate each.
    static constexpr std::uint32_t kShowIntervalMs = 100;
    // Painting the list's frame, where its scroll bar is, stalls the dialog's
    // thread for milliseconds under Wine (its themed scroll bar), long enough
    // to delay or merge a report arriving meanwhile. So a changed scroll bar
    // waits for a pause in the reports (no tick found an interval for this
    // long: nothing there to delay)...
    static constexpr std::uint32_t kFramePauseMs = 50;
    // ...or, while they keep coming, is painted at most this often.
    static constexpr std::uint32_t kFrameIntervalMs = 2000;

    struct Plan {
        bool takeLines = false; // add the waiting intervals to the list
        bool writeRate = false; // write the rate after the latest interval
    };

    // One tick at tick count `now` that popped `popped` intervals (0 to
    // kMaxPerTick), after which `waiting` intervals wait for the list.
    Plan Tick(std::uint32_t now, int popped, int waiting);

    // Asked after the tick's plan is carried out: whether to paint the
    // list's frame now, given that its scroll bar differs from what was last
    // painted (`stale`). Returns false whenever `stale` is false.
    bool PaintFrame(std::uint32_t now, bool stale);

    // Everything that waits, now, whatever the time.
    Plan Flush(int waiting);

private:
    static bool Due(std::uint32_t now, std::uint32_t last, std::uint32_t intervalMs);

    bool m_started = false;         // a tick has been seen; the times below are set
    std::uint32_t m_linesAt = 0;    // the tick count of the last take of lines
    std::uint32_t m_rateAt = 0;     // the tick count of the last rate text
    bool m_rateWaiting = false;     // intervals popped since the rate was last written
    std::uint32_t m_reportsAt = 0;  // the tick count of the last tick that popped any
    std::uint32_t m_frameAt = 0;    // the tick count of the last frame painted
};
