#!/usr/bin/env python3
"""The input-path benchmark's sequences and scores (input_path_bench.sh runs it).

  input_path.py gen DIR       write the irregular-timing sequences, DIR/replay-NAME.times
  input_path.py report DIR    score the runs recorded in DIR and print the tables

Files in DIR, one per run (R = round, READER = ref or tavrel):
  steady-HZ-rR-READER.txt    what the reader showed: the reference reader's
                             output (its intervals), or the probe's `read` of
                             Tavrel (count=, line=, rate=)
  steady-HZ-rR-READER.motion the pointer helper's summary of the cadence it kept
  replay-NAME-rR-READER.txt  as above, after replaying NAME
  replay-NAME-rR-READER.sent the times each step was actually sent: the truth
  server.log                 with --calls: every request Wine's server served,
                             "=== motion steady-HZ-rR-READER" and "=== end"
                             around each steady motion

Steady motion: both readers are scored with Tavrel's own estimator at the end
of the motion: the newest intervals (at most the 1023 it retains, each shown
at most 64 ms) back until they add up to 1000 ms; Tavrel by the rate it shows,
the reference over its intervals. The ratio is Tavrel's rate over the
reference's in the same round.

Replay: every line shown is aligned with the true intervals (see align()).
"""
import collections
import glob
import math
import os
import random
import re
import statistics
import sys

MAX_SHOWN_MS = 64.0
HISTORY = 1023
WITHIN_MS = 0.5
# The replay begins with one step alone, this long before the sequence: it
# brings the pointer into the window, and the long interval it leaves before
# the sequence (shown as 64 ms) anchors the alignment.
LEAD_IN_MS = 400.0

# ---------------------------------------------------------------- sequences


def _steady(rng, out, t, count, period, sd, min_gap=0.5):
    """Appends `count` report times at `period` ms with Gaussian jitter."""
    for _ in range(count):
        t += max(min_gap, rng.gauss(period, sd))
        out.append(t)
    return t


def generate(name, seed, segments, total):
    """Report times (ms, ascending) from a seeded model of a pointing device.

    The device reports at a base period with jitter (clock drift and the host's
    polling); a hand that stops makes a pause (no reports for 80-600 ms); a
    device catching up after a delay (wireless links, busy hubs) sends a burst
    of 2-5 reports 1-2 ms apart. `segments` lists (period_ms, sd_ms,
    pause_chance, burst_chance) in turn, each for a random stretch, until
    `total` reports are made.
    """
    rng = random.Random(seed)
    times, t = [], LEAD_IN_MS
    seg = 0
    while len(times) < total:
        period, sd, pause_p, burst_p = segments[seg % len(segments)]
        seg += 1
        stretch = min(total - len(times), rng.randint(40, 200))
        for _ in range(stretch):
            r = rng.random()
            if r < pause_p:
                t += rng.uniform(80, 600)
                times.append(t)
            elif r < pause_p + burst_p:
                t += period * rng.uniform(1.5, 3.0)  # the delay...
                times.append(t)
                for _ in range(rng.randint(1, 4)):  # ...and the catch-up
                    t += rng.uniform(1.0, 2.0)
                    times.append(t)
            else:
                t = _steady(rng, times, t, 1, period, sd)
            if len(times) >= total:
                break
    return [0.0] + times[:total]


# name: (seed, segments, reports)
SEQUENCES = {
    # A wired mouse polled at 125 Hz: tight jitter, now and then a pause.
    "usb125": (11, [(8.0, 0.15, 0.01, 0.01)], 600),
    # A wireless mouse, 30-90 Hz, loose timing, frequent catch-up bursts.
    "wireless30-90": (23, [(33.0, 3.0, 0.02, 0.08), (16.0, 2.0, 0.02, 0.08),
                           (11.0, 1.5, 0.02, 0.06)], 300),
    # 500 Hz with jitter and pauses.
    "usb500": (37, [(2.0, 0.12, 0.005, 0.01)], 900),
    # 1000 Hz: 1-2 ms spacing throughout.
    "usb1000": (41, [(1.0, 0.08, 0.004, 0.0), (1.5, 0.2, 0.004, 0.0)], 900),
    # A device switching between 30 and 1000 Hz, with bursts and pauses.
    "mixed30-1000": (53, [(33.0, 2.0, 0.02, 0.05), (1.0, 0.1, 0.005, 0.0),
                          (8.0, 0.5, 0.01, 0.02), (4.0, 0.3, 0.01, 0.02),
                          (2.0, 0.15, 0.01, 0.02)], 600),
}


def cmd_gen(out_dir):
    for name, (seed, segments, total) in SEQUENCES.items():
        times = generate(name, seed, segments, total)
        with open(os.path.join(out_dir, f"replay-{name}.times"), "w") as f:
            f.write("".join(f"{t:.4f}\n" for t in times))
        gaps = [b - a for a, b in zip(times[1:], times[2:])]
        print(f"{name}: {len(times) - 1} reports over {(times[-1] - times[1]) / 1000:.1f} s, "
              f"intervals {min(gaps):.2f}-{max(gaps):.1f} ms, median {statistics.median(gaps):.2f}")


# ---------------------------------------------------------------- reading


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


def read_sent(path):
    """(times each step took place, steps over 1 ms late) from xmotion --replay."""
    times, late = [], math.nan
    with open(path) as f:
        for line in f:
            if re.fullmatch(r"-?\d+\.\d+\s*", line):
                times.append(float(line))
            elif m := re.search(r"late_over_1ms=(\d+)", line):
                late = float(m.group(1))
    return times, late


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


# ---------------------------------------------------------------- alignment

MISS_COST = 0.3   # a true interval with no line: the time it spans is absent from the list
EXTRA_COST = 5.0  # a line that matches no true interval (Wine splitting a report: rare)
# A line's cost for being off is capped: a badly late line and its neighbours
# are still one line per report, not misses and extras (a miss and an extra
# together cost more than the cap).
MATCH_CAP = 2.0
# The drift (see align) costs DRIFT_WEIGHT per ms beyond DRIFT_FREE, per line.
DRIFT_WEIGHT = 0.2
DRIFT_FREE = 1.0
MERGE_COST = 1e-3  # prefer one line per report when the sums tie
BEAM = 15.0
MAX_MERGE = 64


def align(shown, true):
    """Aligns shown intervals with true ones; returns a list of
    (shown_index or None, first_true, true_count).

    true[0] is the lead-in interval, the anchor. Lines shown before it (the
    reader's first interval, from its start to the pointer's arrival) are
    skipped, each at the cost of an extra line. After it each line covers
    k >= 1 consecutive true intervals: k = 1 is a report shown as itself, k > 1
    a line for reports that reached the reader together (k - 1 merged). A true
    interval may also go unshown (missed: a line lost, and the time it spans
    with it) and a line may match nothing (extra: Wine splitting a report).
    Neither the sampler nor Wine loses time between wake-ups (each line runs
    from the previous wake-up), so a report goes missing only when a line is
    dropped; its time is then absent from the lines after it.

    The costs: a line's error against the sum it covers (both taken as shown,
    at most 64 ms; capped at MATCH_CAP), fixed costs for a miss and an extra,
    and the drift. The drift is the latency of the line's wake-up, relative to
    the anchor's: the running sum of the lines against that of the true
    intervals. Wake-ups are late by a little, never early, so the drift stays
    near 0; an alignment that calls a report missed while the lines around it
    carry its time, or a line extra, drifts by that time for every line after
    it, and pays for it. After a pause (a line shown as 64 ms covering 64 ms or more) the
    drift starts again from 0, as the clamped lines carry no time.

    Dynamic programming over (lines used, true intervals used) finds the
    cheapest alignment; states far costlier than a row's best are dropped.
    """
    m, n = len(shown), len(true)
    clamp = lambda v: min(v, MAX_SHOWN_MS)
    drift_cost = lambda d: DRIFT_WEIGHT * max(0.0, abs(d) - DRIFT_FREE)
    # rows[i]: {j: (cost, back, drift)} after i lines and j true intervals.
    rows = [dict() for _ in range(m + 1)]
    for i in range(m + 1):
        # Lines before the anchor; each costs as an extra line would, so that
        # no alignment starts later than it must.
        rows[i][0] = (EXTRA_COST * i, None, 0.0)
    for i in range(m + 1):
        row = rows[i]
        best = min(c for c, _, _ in row.values())
        j = min(row)
        while j <= n:
            if j in row and row[j][0] <= best + BEAM:
                cost, _, drift = row[j]
                if j > 0 and j < n:  # miss true[j]: its time passes unshown
                    _relax(row, j + 1, cost + MISS_COST, (i, j, None, 1), drift - true[j])
                if i < m:
                    nxt = rows[i + 1]
                    line = clamp(shown[i])
                    if j > 0:  # extra line
                        d = drift + line
                        _relax(nxt, j, cost + EXTRA_COST + drift_cost(d), (i, j, i, 0), d)
                    s = 0.0
                    for k in range(1, min(MAX_MERGE, n - j) + 1):
                        s += true[j + k - 1]
                        covered = clamp(s)
                        if j == 0 or (line >= MAX_SHOWN_MS and covered >= MAX_SHOWN_MS):
                            d = 0.0
                        else:
                            d = drift + line - covered
                        err = min(MATCH_CAP, abs(line - covered))
                        _relax(nxt, j + k, cost + err + MERGE_COST * (k - 1) + drift_cost(d),
                               (i, j, i, k), d)
                        if j == 0 or s > line + MATCH_CAP:
                            break
            j += 1
            if j > max(row):
                break
    # The end: every true interval accounted for; lines left over are extra.
    end_i, end_cost = None, math.inf
    for i in range(m + 1):
        if n in rows[i]:
            c = rows[i][n][0] + EXTRA_COST * (m - i)
            if c < end_cost:
                end_i, end_cost = i, c
    if end_i is None:
        return []
    steps = []
    i, j = end_i, n
    while True:
        back = rows[i][j][1]
        if back is None:
            break
        pi, pj, line, k = back
        steps.append((line, pj, k))
        i, j = pi, pj
    steps.reverse()
    return steps


def _relax(row, j, cost, back, drift):
    if j not in row or cost < row[j][0]:
        row[j] = (cost, back, drift)


def score_replay(shown, sent):
    true = [b - a for a, b in zip(sent, sent[1:])]
    clamp = lambda v: min(v, MAX_SHOWN_MS)
    within = merged = missed = extra = 0
    errors = []
    for line, first, k in align(shown, true):
        if first == 0 and k == 1 and line is not None:
            continue  # the anchor
        if line is None:
            missed += k
        elif k == 0:
            extra += 1
        else:
            merged += k - 1
            # What the user reads against the true interval of the report
            # that ended the line: a merge shows as the error it makes.
            err = abs(clamp(shown[line]) - clamp(true[first + k - 1]))
            errors.append(err)
            if k == 1 and err <= WITHIN_MS:
                within += 1
    scored = len(true) - 1
    errors.sort()
    p95 = errors[min(len(errors) - 1, int(math.ceil(0.95 * len(errors))) - 1)] if errors else math.nan
    return {"within": 100.0 * within / scored if scored else math.nan, "p95": p95,
            "merged": merged, "missed": missed, "extra": extra, "scored": scored}


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


def report_steady(out_dir):
    found = runs(out_dir, r"steady-(\d+)-r(\d+)-(ref|tavrel)\.txt")
    if not found:
        return
    print("Steady motion: rate at the end of the motion, per round (min / median / max over rounds)")
    print(f"{'Hz':>6} | {'pointer kept Hz':>15} | {'reference Hz':>28} | {'Tavrel Hz':>28} | ratio Tavrel/reference")
    for hz in sorted(found, key=int):
        ref, tav, ratio, kept = [], [], [], []
        for rnd, pair in sorted(found[hz].items()):
            r = shown_hz(pair["ref"]) if "ref" in pair else math.nan
            t = shown_hz(pair["tavrel"]) if "tavrel" in pair else math.nan
            ref.append(r)
            tav.append(t)
            ratio.append(t / r if r and not math.isnan(r) and not math.isnan(t) else math.nan)
            for path in pair.values():
                try:
                    motion = open(path[:-4] + ".motion").read().split()
                    kept.append(1000.0 / float(dict(kv.split("=") for kv in motion[1:])["mean_ms"]))
                except (OSError, KeyError, ValueError, ZeroDivisionError):
                    pass
        kept_s = f"{statistics.median(kept):.1f}" if kept else "-"
        print(f"{hz:>6} | {kept_s:>15} | {mmm(ref, '{:.1f}'):>28} | {mmm(tav, '{:.1f}'):>28} | "
              f"{mmm(ratio, '{:.3f}')}  ({len(ratio)} rounds)")


def report_replay(out_dir):
    found = runs(out_dir, r"replay-(.+)-r(\d+)-(ref|tavrel)\.txt")
    if not found:
        return
    print("Irregular-timing replay: every line shown against the true intervals "
          "(min / median / max over rounds)")
    print(f"{'sequence':>14} {'reader':>9} | {'% within 0.5 ms':>20} | {'p95 error ms':>20} | "
          f"{'merged':>15} | {'missed':>12} | {'extra':>9} | pointer steps >1 ms late")
    for name in sorted(found, key=lambda s: list(SEQUENCES).index(s) if s in SEQUENCES else 99):
        for reader, label in (("ref", "reference"), ("tavrel", "Tavrel")):
            scores = []
            for rnd, pair in sorted(found[name].items()):
                if reader in pair:
                    shown, _ = read_shown(pair[reader])
                    sent, late = read_sent(pair[reader][:-4] + ".sent")
                    if len(sent) > 2:
                        scores.append(dict(score_replay(shown, sent), late=late))
            if not scores:
                continue
            col = lambda key, fmt: mmm([float(s[key]) for s in scores], fmt)
            print(f"{name:>14} {label:>9} | {col('within', '{:.1f}'):>20} | {col('p95', '{:.2f}'):>20} | "
                  f"{col('merged', '{:.0f}'):>15} | {col('missed', '{:.0f}'):>12} | "
                  f"{col('extra', '{:.0f}'):>9} | {col('late', '{:.0f}')}  (of {scores[0]['scored']})")


REQUEST = re.compile(r"([0-9a-f]{4,8}): (\w+)\( ")  # a request; its reply is "name() = …"


def report_calls(out_dir):
    """Requests per pointer message during each steady motion, by thread."""
    try:
        log = open(os.path.join(out_dir, "server.log"), errors="replace")
    except OSError:
        return
    runs, current = {}, None
    for line in log:
        if line.startswith("=== motion "):
            current = runs.setdefault(line.split()[2], collections.Counter())
        elif line.startswith("=== end"):
            current = None
        elif current is not None:
            m = REQUEST.match(line)
            if m:
                current[(m.group(1), m.group(2))] += 1
    if not runs:
        return
    print("Steady motion: calls into Wine's server per pointer message (a report Wine's X driver "
          "passed on), by thread, busiest first; the commonest of the window's thread")
    for name in sorted(runs, key=lambda n: (int(n.split("-")[1]), n)):
        counts = runs[name]
        messages = sum(v for (t, req), v in counts.items() if req == "send_hardware_message")
        if not messages:
            print(f"{name:>26} | no pointer message")
            continue
        threads = collections.Counter()
        for (t, req), v in counts.items():
            threads[t] += v
        window = next(t for (t, req) in counts if req == "send_hardware_message")
        busiest = " ".join(f"{v / messages:.2f}" for t, v in threads.most_common(3))
        top = sorted(((v, req) for (t, req), v in counts.items() if t == window), reverse=True)[:6]
        common = " ".join(f"{req} {v / messages:.2f}" for v, req in top)
        print(f"{name:>26} | {messages:>5} messages | threads {busiest:<16} | window's: "
              f"{threads[window] / messages:.2f}: {common}")


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "gen":
        cmd_gen(sys.argv[2])
    elif len(sys.argv) == 3 and sys.argv[1] == "report":
        report_steady(sys.argv[2])
        report_calls(sys.argv[2])
        report_replay(sys.argv[2])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
