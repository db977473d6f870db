// CPacer: what one timer tick of the readout does, decided from tick counts
// and counts alone, so that a table can drive it. It includes no windows.h;
// the readout (Readout.h) carries the decision out on the controls.
//
// It guarantees: the list takes lines, and the rate text is written, each on
// ticks at least kShowIntervalMs apart on the tick count, never both on one
// tick; whatever waits is done by a later tick, even one that found nothing
// queued; and a tick that found nothing queued and has nothing waiting does
// nothing. Unsigned arithmetic: right across the tick count's wrap.
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

    struct Plan {
        bool takeLines = false; // add the waiting intervals to the list
        bool writeRate = false; // write the rate after the latest interval
    };

    // One tick at tick count `now` that popped `popped` intervals (0 to
    // kMaxPerTick), after which `waiting` intervals wait for the list.
    Plan Tick(std::uint32_t now, int popped, int waiting);

    // Everything that waits, now, whatever the time.
    Plan Flush(int waiting);

private:
    bool Due(std::uint32_t now, std::uint32_t last) const;

    bool m_started = false;         // a tick has been seen; the times below are set
    std::uint32_t m_linesAt = 0;    // the tick count of the last take of lines
    std::uint32_t m_rateAt = 0;     // the tick count of the last rate text
    bool m_rateWaiting = false;     // intervals popped since the rate was last written
};
