#include "display/RateEstimator.h"

double g_history[1024];
uint32_t g_nHistStart;
uint32_t g_nHistEnd;

namespace {
const uint32_t kHistoryMask = 0x3FF;
}

double UpdateRate(double ms)
{
    ++g_nHistEnd;
    if (((g_nHistStart ^ g_nHistEnd) & kHistoryMask) == 0)
        ++g_nHistStart; // full: drop the oldest, keeping 1023
    g_history[(g_nHistEnd - 1) & kHistoryMask] = ms;

    // Newest first, until the sum reaches a second. The sum is rounded after
    // each addition, so the crossing falls where double arithmetic puts it.
    const uint32_t retained = g_nHistEnd - g_nHistStart;
    double sum = 0.0;
    uint32_t n = 0;
    while (n < retained) {
        sum += g_history[(g_nHistEnd - 1 - n) & kHistoryMask];
        ++n;
        if (sum >= 1000.0)
            break;
    }
    return 1000.0 / (sum / n);
}
