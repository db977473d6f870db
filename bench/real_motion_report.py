#!/usr/bin/env python3
"""One row of the real-motion run: the rate shown, as sampled by the probe's
`watch`, against the cadence the pointer helper actually kept.

usage: real_motion_report.py HZ "xmotion: moves=N mean_ms=M ..." < samples
Samples before 2 s are left out: until then the one-second window still holds
the long first interval from before the motion began.
"""
import sys

WARMUP_S = 2.0


def main():
    hz = int(sys.argv[1])
    motion = dict(kv.split("=") for kv in sys.argv[2].split()[1:])
    cadence_hz = 1000.0 / float(motion["mean_ms"])
    filling, full = [], []
    last_count = 0
    for line in sys.stdin.read().splitlines():
        fields = dict(kv.split("=", 1) for kv in line.split(" ", 2))
        t, count = float(fields["t"]), int(fields["count"])
        last_count = count
        try:
            rate = float(fields["rate"].split()[0])
        except (ValueError, IndexError):
            continue
        if t >= WARMUP_S:
            (full if count >= 1024 else filling).append(rate)

    def summary(name, rates):
        if not rates:
            return f"{name}: no samples"
        worst = max(abs(r - cadence_hz) / cadence_hz * 100 for r in rates)
        within = sum(abs(r - cadence_hz) <= 0.01 * cadence_hz for r in rates)
        return (f"{name}: {len(rates)} samples, {min(rates):.3f}..{max(rates):.3f} Hz, "
                f"mean {sum(rates) / len(rates):.3f}, worst {worst:.2f}% off, "
                f"{within}/{len(rates)} within 1%")

    print(f"  {hz:5d} Hz pointer (kept {cadence_hz:.3f} Hz, sd {motion['sd_ms']} ms), "
          f"{last_count} lines at the end")
    print("        " + summary("list filling", filling))
    print("        " + summary("list full", full))


if __name__ == "__main__":
    main()
