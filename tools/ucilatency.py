#!/usr/bin/env python3
"""Latencies of Velmorasca's UCI mode, measured over real pipes (never judged):

    tools/ucilatency.py [--engine PATH] [--runs N] [--cpu K]

  stop      "stop" sent half a second into "go infinite", until "bestmove";
  isready   "isready" sent half a second into "go infinite", until "readyok"
            (the search goes on; "stop" ends it afterwards);
  movetime  "go movetime 500": how long after the 500 ms the "bestmove" comes.

Each is measured N times (default 5) from the start position and the medians
printed, with the smallest and largest.  The engine is a copy in a scratch
folder with its own Velmorasca.ini (book off, log off).  With --cpu the
engine runs on processor K only, as tools/bench.sh runs its other timings.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MOVETIME_MS = 500
SEARCH_FIRST_S = 0.5  # how long a search runs before it is interrupted
SETTINGS = "[Log]\nEnabled=0\nLevel=0\n[Book]\nEnabled=0\n[Time]\nEnabled=1\n[General]\nProfondita=98\n"


class Uci:
    """The engine in UCI mode in folder, answering over pipes; lines are read as they come."""

    def __init__(self, folder):
        self.proc = subprocess.Popen([os.path.join(folder, "velmorasca"), "uci"], cwd=folder,
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.pending = b""

    def send(self, *lines):
        self.proc.stdin.write(b"".join(line.encode() + b"\n" for line in lines))
        self.proc.stdin.flush()

    def wait_for(self, start, limit=30.0):
        """The time (perf_counter) at which a line beginning with start has been read."""
        start = start.encode()
        deadline = time.perf_counter() + limit
        while True:
            lines = self.pending.split(b"\n")
            for i, line in enumerate(lines[:-1]):
                if line.startswith(start):
                    self.pending = b"\n".join(lines[i + 1:])
                    return time.perf_counter()
            self.pending = lines[-1]
            if time.perf_counter() > deadline:
                raise RuntimeError("no %r from the engine within %.0f s" % (start, limit))
            chunk = os.read(self.proc.stdout.fileno(), 65536)
            if not chunk:
                raise RuntimeError("the engine closed its output before %r" % start)
            self.pending += chunk

    def ready(self):
        self.send("uci")
        self.wait_for("uciok")
        self.send("ucinewgame", "position startpos", "isready")
        self.wait_for("readyok")

    def quit(self):
        self.send("quit")
        self.proc.wait(10)


def during_search_ms(folder, command, answer):
    """Milliseconds from command, sent during a deep search, to the line starting with answer;
    the search is stopped afterwards when the command did not stop it."""
    e = Uci(folder)
    e.ready()
    e.send("go infinite")
    time.sleep(SEARCH_FIRST_S)
    t0 = time.perf_counter()
    e.send(command)
    t1 = e.wait_for(answer)
    if command != "stop":
        e.send("stop")
        e.wait_for("bestmove ")
    e.quit()
    return (t1 - t0) * 1000


def stop_ms(folder):
    return during_search_ms(folder, "stop", "bestmove ")


def isready_ms(folder):
    return during_search_ms(folder, "isready", "readyok")


def movetime_over_ms(folder):
    e = Uci(folder)
    e.ready()
    t0 = time.perf_counter()
    e.send("go movetime %d" % MOVETIME_MS)
    t1 = e.wait_for("bestmove ")
    e.quit()
    return (t1 - t0) * 1000 - MOVETIME_MS


def main(argv=None):
    ap = argparse.ArgumentParser(prog="tools/ucilatency.py", description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--engine", default=os.path.join(ROOT, "build", "velmorasca"), help="the engine binary.")
    ap.add_argument("--runs", type=int, default=5, help="measurements of each kind (default 5).")
    ap.add_argument("--cpu", type=int, help="the one processor the engine runs on.")
    args = ap.parse_args(argv)
    if args.cpu is not None:
        os.sched_setaffinity(0, {args.cpu})  # the engine inherits it
    folder = tempfile.mkdtemp(prefix="velmor-ucilatency-")
    try:
        shutil.copy(args.engine, os.path.join(folder, "velmorasca"))
        with open(os.path.join(folder, "Velmorasca.ini"), "w") as f:
            f.write(SETTINGS)
        kinds = [("stop in a search to bestmove", stop_ms), ("isready in a search to readyok", isready_ms),
                 ("movetime %d: bestmove late by" % MOVETIME_MS, movetime_over_ms)]
        results = {name: [] for name, _ in kinds}
        for _ in range(args.runs):  # interleaved, so a passing load touches every kind alike
            for name, measure in kinds:
                results[name].append(measure(folder))
    except (OSError, RuntimeError, subprocess.TimeoutExpired) as e:
        print("tools/ucilatency.py: %s" % e, file=sys.stderr)
        return 1
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print("UCI latencies, median of %d runs (smallest, largest)" % args.runs)
    for name, values in results.items():
        print("  %-34s %7.1f ms  (%.1f, %.1f)" % (name, statistics.median(values), min(values), max(values)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
