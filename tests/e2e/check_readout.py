#!/usr/bin/env python3
"""Checks Tavrel's readout, as read from its window, against the pointer motion
that produced it.

usage: check_readout.py PERIOD_US "xmotion: moves=N mean_ms=M ..." < readout
The readout is the probe's output: count=N, one line=TEXT per list line, rate=TEXT.

Under Wine, pointer events that reach the program's thread together wake the
sampler once, so a busy machine merges some reports into one longer interval:
the count and the rate then read low, while the time the intervals add up to
does not change. Tolerances (stated here, and printed with the figures):
- between half of the moves and all of them appear as intervals, plus at most
  one: Wine turns the pointer's entering the window into a report of its own;
- the intervals after the first add up to the helper's own time from its first
  move to its last, to within 5%;
- the median interval is within 25% of the cadence the helper measured;
- the rate shown is within 25% of that cadence's rate;
- the rate shown is the list's own last second of intervals (newest back until
  they add up to 1000 ms), to within 0.1%.
"""
import re
import statistics
import sys

MEDIAN_TOLERANCE = 0.25
SPAN_TOLERANCE = 0.05
RATE_TOLERANCE = 0.25
SELF_TOLERANCE = 0.001


def main():
    period_ms = int(sys.argv[1]) / 1000.0
    motion = dict(kv.split("=") for kv in sys.argv[2].split()[1:])
    moves = int(motion["moves"])
    cadence_ms = float(motion["mean_ms"])

    count, lines, rate_text = None, [], None
    for raw in sys.stdin.read().splitlines():
        key, _, value = raw.partition("=")
        if key == "count":
            count = int(value)
        elif key == "line":
            lines.append(value)
        elif key == "rate":
            rate_text = value
    errors = []
    if count is None or rate_text is None or count != len(lines):
        sys.exit(f"check: incomplete readout: count={count}, {len(lines)} lines, rate={rate_text!r}")

    bad = [l for l in lines if not re.fullmatch(r"\d+\.\d{3} ms", l)]
    if bad:
        errors.append(f"{len(bad)} lines not in the form '8.000 ms', e.g. {bad[:3]}")
    if not re.fullmatch(r"\d+\.\d{3} Hz", rate_text):
        errors.append(f"rate {rate_text!r} is not in the form '125.000 Hz'")
    if errors:
        sys.exit("check: " + "; ".join(errors))

    ms = [float(l.split()[0]) for l in lines]
    shown_hz = float(rate_text.split()[0])
    if abs(cadence_ms - period_ms) > 0.05 * period_ms:
        print(f"check: note: the helper kept {cadence_ms:.3f} ms, not {period_ms:.3f} ms; "
              "checking against what it kept")
    if not moves // 2 <= len(ms) <= moves + 1:
        errors.append(f"{len(ms)} intervals for {moves} pointer moves")

    # The first interval spans the wait before the motion began.
    steady = ms[1:] if len(ms) > 1 else ms
    median = statistics.median(steady)
    mean = statistics.fmean(steady)
    span_ms = cadence_ms * (moves - 1)
    covered_ms = sum(steady)
    near = sum(1 for v in steady if abs(v - cadence_ms) <= 0.25 * cadence_ms) / len(steady)

    total, n = 0.0, 0
    for v in reversed(ms):
        total += v
        n += 1
        if total >= 1000.0:
            break
    own_hz = 1000.0 / (total / n)
    cadence_hz = 1000.0 / cadence_ms

    print(f"check: cadence {cadence_ms:.3f} ms ({cadence_hz:.3f} Hz) over {moves} moves; "
          f"{len(ms)} lines: median {median:.3f} ms, mean {mean:.3f} ms, "
          f"{near:.0%} within 25% of the cadence; min {min(steady):.3f}, max {max(steady):.3f}; "
          f"they add up to {covered_ms:.1f} ms of the helper's {span_ms:.1f} ms; "
          f"rate shown {shown_hz:.3f} Hz, from the lines {own_hz:.3f} Hz")

    if abs(covered_ms - span_ms) > SPAN_TOLERANCE * span_ms:
        errors.append(f"the intervals add up to {covered_ms:.1f} ms, not {span_ms:.1f} ms within {SPAN_TOLERANCE:.0%}")
    if abs(median - cadence_ms) > MEDIAN_TOLERANCE * cadence_ms:
        errors.append(f"median interval {median:.3f} ms is not within {MEDIAN_TOLERANCE:.0%} of {cadence_ms:.3f} ms")
    if abs(shown_hz - cadence_hz) > RATE_TOLERANCE * cadence_hz:
        errors.append(f"rate {shown_hz:.3f} Hz is not within {RATE_TOLERANCE:.0%} of {cadence_hz:.3f} Hz")
    if abs(shown_hz - own_hz) > SELF_TOLERANCE * own_hz:
        errors.append(f"rate {shown_hz:.3f} Hz does not match the list's last second ({own_hz:.3f} Hz)")
    if errors:
        sys.exit("check: " + "; ".join(errors))


if __name__ == "__main__":
    main()
