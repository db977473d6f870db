#!/usr/bin/env python3
"""The input-path benchmark's scores (input_path_bench.sh runs it).

  input_path.py report DIR    score the runs recorded in DIR and print the table

Files in DIR, one per run (R = round, READER = ref, or tavrel, tavrel1, tavrel2, ...):
  steady-HZ-rR-READER.txt    what the reader showed: the reference reader's
                             output (its intervals), or the probe's `read` of
                             Tavrel (count=, line=, rate=)
  steady-HZ-rR-READER.motion the pointer helper's summary of the cadence it kept

Both readers are scored with Tavrel's own estimator at the end of the motion:
the newest intervals (at most the 1023 it retains, each shown at most 64 ms)
back until they add up to 1000 ms; Tavrel by the rate it shows, the reference
over its intervals. The ratio is a Tavrel build's rate over the reference's in
the same round; pooled, over every rate and round.
"""
import glob
import math
import os
import re
import statistics
import sys

MAX_SHOWN_MS = 64.0
HISTORY = 1023

def read_shown(path):
    """(intervals in ms, rate text or None) from a reader's output file."""
    intervals, rate = [], None
    with open(path) as f:
        for raw in f:
            line = raw.strip()
            if line.startswith("line="):
                intervals.append(float(line[5:].split()[0]))
            elif line.startswith("rate="):
                rate = line[5:]
            elif re.fullmatch(r"-?\d+\.\d+", line):
                intervals.append(float(line))
    return intervals, rate


def estimate_rate(intervals):
    """Tavrel's estimator at the newest interval (see display/RateEstimator)."""
    total, n = 0.0, 0
    for ms in reversed(intervals[-HISTORY:]):
        total += min(ms, MAX_SHOWN_MS)
        n += 1
        if total >= 1000.0:
            break
    return 1000.0 / (total / n) if n and total > 0 else float("nan")


def shown_hz(path):
    intervals, rate = read_shown(path)
    if rate is not None:  # Tavrel: the rate it shows
        try:
            return float(rate.split()[0])
        except (ValueError, IndexError):
            return float("nan")
    return estimate_rate(intervals)


# ---------------------------------------------------------------- report


def mmm(values, fmt):
    v = [x for x in values if not math.isnan(x)]
    if not v:
        return "-"
    return f"{fmt.format(min(v))} / {fmt.format(statistics.median(v))} / {fmt.format(max(v))}"


def runs(out_dir, pattern):
    """{key: {round: path}} for files named like pattern (one group: the key)."""
    found = {}
    for path in glob.glob(os.path.join(out_dir, "*.txt")):
        m = re.fullmatch(pattern, os.path.basename(path))
        if m:
            found.setdefault(m.group(1), {}).setdefault(int(m.group(2)), {})[m.group(3)] = path
    return found


def quartiles(values):
    v = sorted(x for x in values if not math.isnan(x))
    if len(v) < 2:
        return "-"
    q1, q2, q3 = statistics.quantiles(v, n=4)
    return f"{q1:.3f} / {q2:.3f} / {q3:.3f}"


def report_steady(out_dir):
    found = runs(out_dir, r"steady-(\d+)-r(\d+)-(ref|tavrel\d*)\.txt")
    if not found:
        return
    labels = sorted({who for hz in found.values() for rnd in hz.values() for who in rnd} - {"ref"})
    print("Steady motion: rate at the end of the motion, per round (min / median / max over rounds)")
    print(f"{'Hz':>6} | {'reader':>8} | {'pointer kept Hz':>15} | {'reference Hz':>28} | "
          f"{'Tavrel Hz':>28} | ratio Tavrel/reference")
    pooled = {who: [] for who in labels}
    for hz in sorted(found, key=int):
        for who in labels:
            ref, tav, ratio, kept = [], [], [], []
            for rnd, readers in sorted(found[hz].items()):
                r = shown_hz(readers["ref"]) if "ref" in readers else math.nan
                t = shown_hz(readers[who]) if who in readers else math.nan
                ref.append(r)
                tav.append(t)
                ratio.append(t / r if r and not math.isnan(r) and not math.isnan(t) else math.nan)
                for path in readers.values():
                    try:
                        motion = open(path[:-4] + ".motion").read().split()
                        kept.append(1000.0 / float(dict(kv.split("=") for kv in motion[1:])["mean_ms"]))
                    except (OSError, KeyError, ValueError, ZeroDivisionError):
                        pass
            pooled[who] += ratio
            kept_s = f"{statistics.median(kept):.1f}" if kept else "-"
            print(f"{hz:>6} | {who:>8} | {kept_s:>15} | {mmm(ref, '{:.1f}'):>28} | "
                  f"{mmm(tav, '{:.1f}'):>28} | {mmm(ratio, '{:.3f}')}  ({len(ratio)} rounds)")
    print("Pooled over the rates and rounds: ratio Tavrel/reference, lower quartile / median / upper")
    for who in labels:
        paired = ""
        if who != labels[0]:  # against the first build, rate by rate and round by round
            each = [a / b for a, b in zip(pooled[who], pooled[labels[0]]) if b and not math.isnan(a / b)]
            paired = f"; against {labels[0]} in the same round: {quartiles(each)}"
        print(f"{who:>8} | {quartiles(pooled[who])}  ({len(pooled[who])} ratios){paired}")


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "report":
        report_steady(sys.argv[2])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
