#include "display/Pacer.h"

bool CPacer::Due(std::uint32_t now, std::uint32_t last, std::uint32_t intervalMs)
{
    // A second tick within one tick-count step (Windows advances the count in
    // 15.6 ms steps) finds 0 ms elapsed, never a wrapped-around large value.
    return now - last >= intervalMs;
}

CPacer::Plan CPacer::Tick(std::uint32_t now, int popped, int waiting)
{
    if (!m_started) {
        // Both are due on the first tick that has something to show.
        m_linesAt = m_rateAt = now - kShowIntervalMs;
        m_reportsAt = m_frameAt = now; // the window's first paint drew the frame
        m_started = true;
    }
    if (popped > 0) {
        m_rateWaiting = true;
        m_reportsAt = now;
    }

    Plan plan;
    // The list first, and never both on one tick: each costs the dialog's
    // thread a paint.
    plan.takeLines = waiting > 0 && Due(now, m_linesAt, kShowIntervalMs);
    plan.writeRate = !plan.takeLines && m_rateWaiting && Due(now, m_rateAt, kShowIntervalMs);
    if (plan.takeLines)
        m_linesAt = now;
    if (plan.writeRate) {
        m_rateAt = now;
        m_rateWaiting = false;
    }
    return plan;
}

bool CPacer::PaintFrame(std::uint32_t now, bool stale)
{
    if (!stale || !(Due(now, m_reportsAt, kFramePauseMs) || Due(now, m_frameAt, kFrameIntervalMs)))
        return false;
    m_frameAt = now;
    return true;
}

CPacer::Plan CPacer::Flush(int waiting)
{
    Plan plan;
    plan.takeLines = waiting > 0;
    plan.writeRate = m_rateWaiting;
    m_rateWaiting = false;
    return plan;
}
