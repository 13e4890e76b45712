#!/usr/bin/env python3
"""Compare velmorasca-perft with the reference counts of tests/data/perft.epd.

    tools/perft_check.py [--perft build/velmorasca-perft] [--max-depth N] [--verbose] [EPD]

Runs the perft tool once per position and depth (up to --max-depth, default
all), prints a line for each count that differs or could not be had (with
--verbose, for every count) and a summary line, and exits non-zero on any
mismatch or tool failure.
"""
import argparse
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def read_epd(path):
    """Yield (fen, [(depth, count), ...]) for every data line."""
    with open(path, encoding="utf-8") as f:
        for raw in f:
            line = raw.strip()
            if not line or line.startswith("#"):
                continue
            fen, *fields = [p.strip() for p in line.split(";")]
            counts = []
            for field in fields:
                tag, value = field.split()
                if not tag.startswith("D"):
                    raise ValueError(f"bad field {field!r} in {line!r}")
                counts.append((int(tag[1:]), int(value)))
            yield fen, counts


def run_perft(tool, depth, fen):
    out = subprocess.run([tool, str(depth), fen], capture_output=True, text=True, timeout=600)
    lines = out.stdout.strip().splitlines()
    if out.returncode != 0 or not lines:
        raise RuntimeError(f"exit {out.returncode}: {out.stderr.strip()}")
    return int(lines[-1].strip())


def main():
    ap = argparse.ArgumentParser(prog="tools/perft_check.py", description=__doc__, add_help=False,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("-h", "--help", action="help", help="show this help and exit.")
    ap.add_argument("epd", nargs="?", default=os.path.join(ROOT, "tests", "data", "perft.epd"),
                    help="the positions and counts (default tests/data/perft.epd).")
    ap.add_argument("--perft", default=os.path.join(ROOT, "build", "velmorasca-perft"),
                    help="the perft tool (default build/velmorasca-perft).")
    ap.add_argument("--max-depth", type=int, default=99, help="check no deeper than this (default all).")
    ap.add_argument("-v", "--verbose", action="store_true", help="print every count, not only those that differ.")
    args = ap.parse_args()

    bad = checked = nodes = 0
    start = time.monotonic()
    for fen, counts in read_epd(args.epd):
        for depth, want in counts:
            if depth > args.max_depth:
                continue
            checked += 1
            try:
                got = run_perft(args.perft, depth, fen)
            except (OSError, RuntimeError, ValueError, subprocess.TimeoutExpired) as e:
                bad += 1
                print(f"FAIL  D{depth} {fen}: {e}", flush=True)
                continue
            nodes += got
            ok = got == want
            bad += not ok
            if not ok or args.verbose:
                print(f"{'ok   ' if ok else 'FAIL '} D{depth} {got:>10} {'' if ok else f'(want {want}) '}{fen}",
                      flush=True)
    secs = time.monotonic() - start
    print(f"{checked} counts, {bad} failed, {nodes} leaf positions in {secs:.1f} s")
    return 1 if bad or not checked else 0


if __name__ == "__main__":
    sys.exit(main())
