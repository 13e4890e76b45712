#!/usr/bin/env python3
"""Long runs of Velmorasca under real xboard, for faults that only show
over many games: crashes, illegal moves, time forfeits, growing memory.

    tools/soak.sh [--games N] [--tc M:SS] [--out DIR] [--opponents LIST] [--quick]

Plays, each as xboard matches on a private Xvfb display (tools/match.py):
  fairymax   N games, the engine White and Black in turn.
  hoichess   N games, likewise.
  stockfish  N games through polyglot (Debian stockfish and polyglot),
             when both are installed.
  fen        two games (one each colour) from each of the six positions
             below against hoichess, 12 games in all, which it takes by
             "setboard", with castling rights and promotions to come.
Then the scripted takeback session (tools/takeback.py) runs as well.
With the defaults (10 games per opponent at 0:30) that is 42 games, which
take about 30 minutes.

While the games run, the engine's processes are sampled in /proc for their
peak resident memory (VmHWM). The PGN of every match is kept in DIR, and
DIR/summary.txt holds one line per opponent and a total: games, score,
illegal moves, crashes, time forfeits, unfinished games and peak memory.
Exit status 0 when everything was clean.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)
import match  # noqa: E402  (the tooling's xboard match driver)

FENS = [
    # Castling on both wings for both sides, from the start and later.
    "r3k2r/pppq1ppp/2npbn2/2b1p3/2B1P3/2NPBN2/PPPQ1PPP/R3K2R w KQkq - 0 9",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq - 0 1",
    # Only some rights left.
    "r3k2r/ppp2ppp/2n1bn2/3pp3/3PP3/2N1BN2/PPP2PPP/R3K2R w Kq - 0 10",
    "4k2r/6pp/8/8/8/8/6PP/R3K3 b Qk - 0 30",
    # Promotions close.
    "8/1P4k1/8/8/8/8/5Kp1/8 w - - 0 50",
    "4k3/8/8/8/8/8/p6P/4K3 b - - 0 40",
]

POLYGLOT_INI = """[PolyGlot]
EngineCommand = {stockfish}
EngineDir = .
Log = false
[Engine]
Threads = 1
Hash = 16
"""


class MemorySampler(threading.Thread):
    """Samples VmHWM of every process running the given executable."""

    def __init__(self, exe, period=0.25):
        super().__init__(daemon=True)
        self.exe = os.path.realpath(exe)
        self.period = period
        self.peak = 0
        self.pids = set()
        self.stop_event = threading.Event()

    def run(self):
        while not self.stop_event.is_set():
            for pid in os.listdir("/proc"):
                if not pid.isdigit():
                    continue
                try:
                    if os.readlink("/proc/%s/exe" % pid) != self.exe:
                        continue
                    with open("/proc/%s/status" % pid) as f:
                        for line in f:
                            if line.startswith("VmHWM:"):
                                self.peak = max(self.peak, int(line.split()[1]) * 1024)
                                self.pids.add(int(pid))
                except OSError:
                    continue
            self.stop_event.wait(self.period)

    def stop(self):
        self.stop_event.set()
        self.join(5)


def which(name):
    return shutil.which(name, path=match.tool_path())


def play(label, out_dir, opponent, games, tc, fen=None, engine=None, depth=4, log=print):
    """One match with memory sampling; returns (MatchResult, peak bytes)."""
    workdir = tempfile.mkdtemp(prefix="velmorasca-soak-%s-" % label)
    pgn = os.path.join(out_dir, label + ".pgn")
    if opponent == "stockfish":
        os.makedirs(os.path.join(workdir, "opponent"), exist_ok=True)
        with open(os.path.join(workdir, "opponent", "polyglot.ini"), "w") as f:
            f.write(POLYGLOT_INI.format(stockfish=which("stockfish")))
    sampler = MemorySampler(os.path.join(workdir, "engine", "velmorasca"))
    sampler.start()
    try:
        res = match.play_match(engine=engine, opponent=opponent, games=games, tc=tc, fen=fen, pgn=pgn,
                               depth=depth, workdir=workdir, log=log)
    finally:
        sampler.stop()
    for name in ("xboard.debug", "engine/Velmorasca.log"):
        src = os.path.join(workdir, name)
        if os.path.exists(src):
            shutil.copy(src, os.path.join(out_dir, "%s.%s" % (label, os.path.basename(name))))
    if res.clean:
        shutil.rmtree(workdir, ignore_errors=True)
    return res, sampler.peak


def line(label, res, peak):
    return ("%-10s %s, peak memory %.1f MiB" % (label, res.summary(), peak / 1048576.0))


def main(argv=None):
    ap = argparse.ArgumentParser(prog="tools/soak.sh", description=__doc__, add_help=False,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("-h", "--help", action="help", help="show this help and exit.")
    ap.add_argument("--games", type=int, default=10, help="games against each opponent (default 10).")
    ap.add_argument("--tc", default="0:30", help="time per game, M:SS (default 0:30).")
    ap.add_argument("--out", default=os.path.join(ROOT, "build", "soak"),
                    help="folder for PGN and summary (default build/soak).")
    ap.add_argument("--opponents", default="fairymax,hoichess,stockfish,fen",
                    help="comma-separated, from fairymax, hoichess, stockfish, fen (default all four).")
    ap.add_argument("--fens", type=int, default=len(FENS),
                    help="how many of the FEN positions to play, two games each (default %d)." % len(FENS))
    ap.add_argument("--takeback-steps", type=int, default=2000,
                    help="steps of the takeback session, 0 for none (default 2000).")
    ap.add_argument("--engine", help="engine binary (default build/velmorasca).")
    ap.add_argument("--depth", type=int, default=6, help="General/Profondita; the clock decides first (default 6).")
    ap.add_argument("--quick", action="store_true",
                    help="the short version the tests run: one game against each opponent, one FEN position "
                         "(two games) and 200 takeback steps.")
    args = ap.parse_args(argv)
    if args.quick:
        args.games, args.fens, args.takeback_steps = 1, 1, 200
    os.makedirs(args.out, exist_ok=True)
    match.OPPONENTS["stockfish"] = "polyglot"  # reads polyglot.ini from its folder
    say = lambda s: print(s, file=sys.stderr, flush=True)

    wanted = [o.strip() for o in args.opponents.split(",") if o.strip()]
    lines, faults = [], 0
    totals = dict(games=0, illegal=0, crashes=0, forfeits=0, unfinished=0, peak=0)

    def record(label, res, peak):
        nonlocal faults
        text = line(label, res, peak)
        lines.append(text)
        print(text, flush=True)
        for p in res.problems():
            say("  problem (%s): %s" % (label, p))
        faults += 0 if res.clean else 1
        totals["games"] += len(res.finished)
        totals["illegal"] += res.illegal
        totals["crashes"] += res.crashes
        totals["forfeits"] += res.time_forfeits
        totals["unfinished"] += res.unfinished
        totals["peak"] = max(totals["peak"], peak)

    for opponent in wanted:
        if opponent == "fen":
            continue
        if opponent == "stockfish" and not (which("stockfish") and which("polyglot")):
            lines.append("stockfish  skipped: stockfish or polyglot not installed")
            say(lines[-1])
            continue
        try:
            res, peak = play(opponent, args.out, opponent, args.games, args.tc, engine=args.engine,
                             depth=args.depth, log=say)
        except RuntimeError as e:
            lines.append("%-10s could not be played: %s" % (opponent, e))
            say(lines[-1])
            faults += 1
            continue
        record(opponent, res, peak)

    if "fen" in wanted:
        # All FEN games summed into one line, each position two games.
        agg = match.MatchResult(games_wanted=0)
        peak_fen = 0
        for i, fen in enumerate(FENS[:args.fens], 1):
            try:
                res, peak = play("fen%d" % i, args.out, "hoichess", 2, args.tc, fen=fen, engine=args.engine,
                                 depth=args.depth, log=say)
            except RuntimeError as e:
                say("fen%d could not be played: %s" % (i, e))
                faults += 1
                continue
            say("  fen%d %s: %s" % (i, fen, res.summary()))
            for p in res.problems():
                say("  problem (fen%d): %s" % (i, p))
            agg.games_wanted += res.games_wanted
            agg.games += res.games
            for k in ("illegal_engine", "illegal_opponent", "rejected_by_engine", "false_claims",
                      "time_forfeits_engine", "time_forfeits_opponent", "crashes"):
                setattr(agg, k, getattr(agg, k) + getattr(res, k))
            agg.seconds += res.seconds
            agg.timed_out = agg.timed_out or res.timed_out
            agg.notes += res.notes
            peak_fen = max(peak_fen, peak)
        record("fen", agg, peak_fen)

    if args.takeback_steps > 0:
        out = subprocess.run([sys.executable, os.path.join(HERE, "takeback.py"), "--steps", str(args.takeback_steps)]
                             + (["--binary", args.engine] if args.engine else []), capture_output=True, text=True)
        text = "takeback   " + (out.stdout.strip().splitlines() or ["no output"])[-1]
        lines.append(text)
        print(text, flush=True)
        if out.returncode != 0:
            faults += 1
            say(out.stdout[-3000:] + out.stderr[-2000:])

    total = ("total      %d games, illegal moves %d, crashes %d, time forfeits %d, unfinished %d, "
             "peak memory %.1f MiB" % (totals["games"], totals["illegal"], totals["crashes"], totals["forfeits"],
                                       totals["unfinished"], totals["peak"] / 1048576.0))
    lines.append(total)
    print(total, flush=True)
    with open(os.path.join(args.out, "summary.txt"), "w") as f:
        f.write("soak %s, %d games per opponent at %s\n" % (time.strftime("%Y-%m-%d %H:%M"), args.games, args.tc))
        f.write("\n".join(lines) + "\n")
    say("soak: PGN and summary in %s" % args.out)
    return 0 if faults == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
