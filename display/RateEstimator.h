// The rate estimator: the rate over the newest intervals that together just
// reach one second.
//
// It keeps the last 1023 intervals in a process-wide 1024-slot ring. The
// counters are free-running 32-bit values (slot = counter & 0x3FF) and never
// reset; the walk counts retained entries instead of comparing counters, so it
// is unaffected when they wrap past 2^32. Dialog thread only.
#pragma once

#include <cstdint>

extern double g_history[1024];
extern uint32_t g_nHistStart; // counter of the oldest retained interval
extern uint32_t g_nHistEnd;   // counter one past the newest

// Records one interval (ms, at most 64 and never negative) and returns the
// number of intervals per 1000 ms over the shortest run of newest intervals
// whose sum reaches 1000 ms, or over all retained intervals when their sum
// falls short. When every summed interval is 0 the result is +infinity (never
// NaN: at least one interval is always summed); the readout shows "inf Hz".
double UpdateRate(double ms);
