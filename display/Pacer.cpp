#include "display/Pacer.h"

bool CPacer::Due(std::uint32_t now, std::uint32_t last) const
{
    // A second tick within one tick-count step (Windows advances the count in
    // 15.6 ms steps) finds 0 ms elapsed, never a wrapped-around large value.
    return now - last >= kShowIntervalMs;
}

CPacer::Plan CPacer::Tick(std::uint32_t now, int popped, int waiting)
{
    if (!m_started) {
        // Both are due on the first tick that has something to show.
        m_linesAt = m_rateAt = now - kShowIntervalMs;
        m_started = true;
    }
    if (popped > 0)
        m_rateWaiting = true;

    Plan plan;
    // The list first, and never both on one tick: each costs the dialog's
    // thread a paint.
    plan.takeLines = waiting > 0 && Due(now, m_linesAt);
    plan.writeRate = !plan.takeLines && m_rateWaiting && Due(now, m_rateAt);
    if (plan.takeLines)
        m_linesAt = now;
    if (plan.writeRate) {
        m_rateAt = now;
        m_rateWaiting = false;
    }
    return plan;
}

CPacer::Plan CPacer::Flush(int waiting)
{
    Plan plan;
    plan.takeLines = waiting > 0;
    plan.writeRate = m_rateWaiting;
    m_rateWaiting = false;
    return plan;
}
