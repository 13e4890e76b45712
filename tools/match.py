#!/usr/bin/env python3
"""Headless games of Velmorasca under xboard against another engine.

    tools/match.sh [--games N] [--tc M:SS] [--opponent fairymax|hoichess]
                   [--fen FEN] [--engine-black] [--pgn FILE] [--uci] ...

xboard runs on a private Xvfb display with HOME pointed at a scratch folder,
so nothing of the user's settings is read or written.  The engine is a copy
of build/velmorasca in its own scratch folder, started by xboard as
"./velmorasca xboard" from that folder, with a Velmorasca.ini written beside
it (fixed depth, clock on, log on, book off unless --book).  With --uci
the engine runs as a UCI engine instead: xboard starts it as
"./velmorasca uci" through its UCI adapter, polyglot, which keeps a log of
the UCI traffic (polyglot.log in the scratch folder).

Afterwards the PGN, xboard's debug file and the engine's own log are read,
and one summary line is printed: games, the engine's score, illegal moves,
crashes, time forfeits and unfinished games.  The exit status is 0 when the
match was clean, 1 when anything went wrong, 2 when it could not be set up.

xboard does not notice an engine that died while it was to move (it waits
for a move for ever), so the whole match runs under its own time limit.
The engine logs its start and its orderly shutdown (on "quit", end of
input or SIGTERM); a start without a shutdown is counted as a crash.

The tests import this module (play_match) and judge its MatchResult.
"""
import argparse
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
GAME_PATHS = ["/usr/games", "/usr/local/games"]

ENGINE_NAME = "Velmorasca"
OPPONENTS = {"fairymax": "fairymax", "hoichess": "hoichess"}  # name: command

# A few opening lines for --book (one line per opening, 4-character moves).
SMALL_BOOK = "\n".join([
    "e2e4e7e5g1f3b8c6f1b5a7a6",
    "e2e4e7e5g1f3b8c6f1c4f8c5",
    "e2e4c7c5g1f3d7d6d2d4c5d4",
    "d2d4d7d5c2c4e7e6b1c3g8f6",
    "d2d4g8f6c2c4e7e6g1f3b7b6",
    "c2c4e7e5b1c3g8f6g1f3b8c6",
]) + "\n"

STARTING = "Il motore sta partendo..."
STOPPED = "Motore spento"


def tool_path():
    return os.pathsep.join([os.environ.get("PATH", "/usr/bin:/bin")] + GAME_PATHS)


def which(name):
    return shutil.which(name, path=tool_path())


def missing_tools(opponent="fairymax", uci=False):
    """The programs a match needs that are not installed."""
    needed = ["xboard", "Xvfb", OPPONENTS[opponent]] + (["polyglot"] if uci else [])
    return [n for n in needed if not which(n)]


@dataclass
class Game:
    white: str = "?"
    black: str = "?"
    result: str = "*"
    reason: str = ""
    moves: int = 0
    fen: str = ""

    @property
    def engine_white(self):
        return self.white.startswith(ENGINE_NAME)

    @property
    def engine_score(self):
        """Points of the engine, None when the game has no result."""
        if self.result == "1/2-1/2":
            return 0.5
        if self.result in ("1-0", "0-1"):
            return 1.0 if (self.result == "1-0") == self.engine_white else 0.0
        return None

    @property
    def loser_is_engine(self):
        return self.engine_score == 0.0


@dataclass
class MatchResult:
    games_wanted: int
    games: list = field(default_factory=list)
    illegal_engine: int = 0      # moves of the engine that xboard refused
    illegal_opponent: int = 0
    rejected_by_engine: int = 0  # opponent moves the engine answered "Illegal move" to
    false_claims: int = 0        # results claimed by the engine that xboard refused
    time_forfeits_engine: int = 0
    time_forfeits_opponent: int = 0
    crashes: int = 0
    engine_starts: int = 0
    timed_out: bool = False
    xboard_status: int = None
    seconds: float = 0.0
    notes: list = field(default_factory=list)
    workdir: str = ""
    pgn: str = ""
    debug: str = ""
    engine_log: str = ""
    adapter_log: str = ""

    @property
    def finished(self):
        return [g for g in self.games if g.engine_score is not None]

    @property
    def unfinished(self):
        return self.games_wanted - len(self.finished)

    @property
    def score(self):
        return sum(g.engine_score for g in self.finished)

    @property
    def time_forfeits(self):
        return self.time_forfeits_engine + self.time_forfeits_opponent

    @property
    def illegal(self):
        return self.illegal_engine + self.illegal_opponent + self.rejected_by_engine

    @property
    def clean(self):
        return (not self.timed_out and self.unfinished == 0 and self.illegal == 0 and self.crashes == 0
                and self.time_forfeits == 0 and self.false_claims == 0)

    def problems(self):
        out = []
        if self.illegal_engine:
            out.append(f"{self.illegal_engine} illegal move(s) by the engine")
        if self.illegal_opponent:
            out.append(f"{self.illegal_opponent} illegal move(s) by the opponent")
        if self.rejected_by_engine:
            out.append(f"the engine refused {self.rejected_by_engine} opponent move(s)")
        if self.false_claims:
            out.append(f"{self.false_claims} false result claim(s) by the engine")
        if self.crashes:
            out.append(f"{self.crashes} engine crash(es)")
        if self.time_forfeits_engine:
            out.append(f"the engine lost {self.time_forfeits_engine} game(s) on time")
        if self.time_forfeits_opponent:
            out.append(f"the opponent lost {self.time_forfeits_opponent} game(s) on time")
        if self.unfinished:
            out.append(f"{self.unfinished} game(s) not finished")
        if self.timed_out:
            out.append("the match hit its time limit")
        return out + self.notes

    def summary(self):
        fin = self.finished
        wins = sum(1 for g in fin if g.engine_score == 1.0)
        draws = sum(1 for g in fin if g.engine_score == 0.5)
        losses = len(fin) - wins - draws
        score = f"{self.score:g}-{len(fin) - self.score:g}"
        line = (f"games {len(fin)}/{self.games_wanted}, Velmorasca {score} (+{wins} ={draws} -{losses}), "
                f"illegal moves {self.illegal}, crashes {self.crashes}, time forfeits {self.time_forfeits}, "
                f"unfinished {self.unfinished}")
        if self.false_claims:
            line += f", false claims {self.false_claims}"
        return line + f", {self.seconds:.0f} s"


# ---------------------------------------------------------------- set-up

def tc_seconds(tc):
    """xboard's -tc value (minutes or minutes:seconds) in seconds."""
    m = re.fullmatch(r"(\d+)(?::(\d{1,2}))?", tc)
    if not m:
        raise ValueError(f"bad time control {tc!r}, expected M or M:SS")
    return int(m.group(1)) * 60 + int(m.group(2) or 0)


def write_engine_folder(folder, engine, depth, book):
    os.makedirs(folder, exist_ok=True)
    exe = os.path.join(folder, "velmorasca")
    shutil.copy2(engine, exe)
    ini = (f"[Log]\nEnabled=1\nLevel=1\n"
           f"[Book]\nEnabled={1 if book else 0}\n"
           f"[Time]\nEnabled=1\n"
           f"[General]\nProfondita={depth}\n"
           f"[Print]\nPosition=N\n")
    with open(os.path.join(folder, "Velmorasca.ini"), "w") as f:
        f.write(ini)
    with open(os.path.join(folder, "book.txt"), "w") as f:
        f.write(SMALL_BOOK if book else "")


class Xvfb:
    """A private X server on the first free display number, named once it accepts clients; -noreset
    keeps it from resetting (and refusing clients meanwhile) whenever its last client leaves."""

    def __init__(self, workdir):
        self.proc = None
        self.display = None
        self.workdir = workdir

    def __enter__(self):
        exe = which("Xvfb")
        if not exe:
            raise RuntimeError("Xvfb is not installed")
        r, w = os.pipe()
        with open(os.path.join(self.workdir, "xvfb.log"), "wb") as err:
            xvfb = [exe, "-noreset", "-displayfd", str(w), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"]
            self.proc = subprocess.Popen(xvfb, pass_fds=(w,), stdout=err, stderr=err,
                                         start_new_session=True)
        os.close(w)
        text = b""
        deadline = time.monotonic() + 15
        while b"\n" not in text and time.monotonic() < deadline:
            ready, _, _ = select.select([r], [], [], 0.5)
            if ready:
                chunk = os.read(r, 64)
                if not chunk:
                    break
                text += chunk
            elif self.proc.poll() is not None:
                break
        os.close(r)
        if not text.strip().isdigit():
            self.__exit__()
            raise RuntimeError("Xvfb did not start (see xvfb.log)")
        self.display = ":" + text.decode().strip()
        return self

    def __exit__(self, *exc):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


def engine_options(engine_dir, adapter_log=None):
    """xboard's options for the first engine: the engine itself in xboard mode or, given the
    adapter's log file, in UCI mode behind polyglot (xboard's -fUCI), which logs to that file."""
    if adapter_log is None:
        return ["-firstIsUCI", "false", "-firstProtocolVersion", "2",
                "-fcp", "./velmorasca xboard", "-fd", engine_dir]
    # xboard's own adapter line, with polyglot's log switched on.
    adapter = f'polyglot -noini -log true -lf "{adapter_log}" -ec "%fcp" -ed "%fd"'
    return ["-firstIsUCI", "true", "-adapterCommand", adapter,
            "-fcp", "./velmorasca uci", "-fd", engine_dir]


def xboard_command(engine_dir, opponent_cmd, opponent_dir, games, tc, inc, pgn, debug, engine_black,
                   fen_file, adapter_log=None):
    cmd = [which("xboard"),
           "-noGUI", "-xexit", "-xpopup", "-autoCallFlag", "true", "-saveSettingsOnExit", "false",
           *engine_options(engine_dir, adapter_log),
           "-secondIsUCI", "false", "-secondProtocolVersion", "2",
           "-scp", opponent_cmd, "-sd", opponent_dir,
           "-mg", str(games), "-tc", tc,
           "-sgf", pgn, "-debug", "-nameOfDebugFile", debug,
           "-matchPause", "2000", "-xponder", "-soundProgram", "true"]
    if inc is not None:
        cmd += ["-inc", str(inc)]
    if engine_black:
        cmd += ["-firstPlaysBlack", "true"]
    if fen_file:
        cmd += ["-lpf", fen_file, "-lpi", "1"]
    return cmd


# ---------------------------------------------------------------- reading

RESULT_RE = re.compile(r"(1-0|0-1|1/2-1/2|\*)\s*$")


def parse_pgn(path):
    """The games of xboard's PGN file, in order."""
    if not os.path.exists(path):
        return []
    with open(path, encoding="latin-1") as f:
        text = f.read()
    games = []
    for chunk in re.split(r"\n(?=\[Event )", text.strip()):
        if not chunk.strip():
            continue
        g = Game()
        tags = dict(re.findall(r'^\[(\w+) "(.*)"\]\s*$', chunk, re.M))
        g.white = tags.get("White", "?")
        g.black = tags.get("Black", "?")
        g.fen = tags.get("FEN", "")
        body = "\n".join(l for l in chunk.splitlines() if not l.startswith("["))
        m = RESULT_RE.search(body)
        g.result = m.group(1) if m else tags.get("Result", "*")
        comments = re.findall(r"\{([^}]*)\}", body[:m.start()] if m else body)
        g.reason = comments[-1].strip() if comments else ""
        numbers = re.findall(r"(?<![\d.])(\d+)\.(?!\d)", re.sub(r"\{[^}]*\}", " ", body))
        g.moves = int(numbers[-1]) if numbers else 0
        games.append(g)
    return games


def read_text(path):
    try:
        with open(path, encoding="latin-1") as f:
            return f.read()
    except OSError:
        return ""


def count_engine_runs(log_text):
    """(starts, orderly ends) recorded in the engine's log."""
    lines = log_text.splitlines()
    return (sum(STARTING in l for l in lines), sum(STOPPED in l for l in lines))


RESULT_SENT_RE = re.compile(r"^\d+ >(first|second)\s*: result (1-0|0-1|1/2-1/2|\*) \{(.*)\}\s*$", re.M)
LOST_CONTACT_RE = re.compile(r"first chess program \(.*\) exited unexpectedly|"
                             r"Error (writing to|reading from) first chess program")


def results_from_debug(debug_text):
    """(result, reason) of every game ended, from the "result" lines xboard
    sends its engines.  xboard writes its PGN only for games it saves
    normally, so after a fatal error this is all there is."""
    sent = {"first": [], "second": []}
    for who, res, reason in RESULT_SENT_RE.findall(debug_text):
        sent[who].append((res, reason.strip()))
    return max(sent.values(), key=len)


def merge_games(pgn_games, debug_results, engine_black):
    """One Game per game that ended.  The engine is xboard's first engine and
    colours alternate from game to game.  xboard leaves some games out of its
    PGN (one forfeited before any move, say), so a PGN game is taken only when
    its result and colours fit."""
    games = []
    pending = list(pgn_games)
    for i, (res, reason) in enumerate(debug_results):
        engine_white = (i % 2 == 0) != engine_black
        g = pending[0] if pending else None
        if g and g.result == res and g.engine_white == engine_white:
            pending.pop(0)
        else:
            g = Game(white=ENGINE_NAME if engine_white else "opponent",
                     black="opponent" if engine_white else ENGINE_NAME, result=res)
        g.reason = reason or g.reason
        if LOST_CONTACT_RE.search(g.reason):
            g.result = "*"  # not a game: xboard lost its engine
        games.append(g)
    return games


# xboard's "illegal move" and polyglot's "illegal engine move" (polyglot checks its engine's
# moves before xboard sees them, and resigns the game for an engine that plays one).
ILLEGAL_REASON_RE = re.compile(r"illegal (engine )?move|invalid move")


def judge(result, games, debug_text, xboard_out, log_text, adapter_text=""):
    result.games = games
    for g in games:
        reason = g.reason.lower()
        engine_lost = g.loser_is_engine
        if "on time" in reason or "flag fell" in reason:
            if engine_lost:
                result.time_forfeits_engine += 1
            else:
                result.time_forfeits_opponent += 1
        if ILLEGAL_REASON_RE.search(reason):
            if engine_lost:
                result.illegal_engine += 1
            else:
                result.illegal_opponent += 1
        if "false" in reason and "claim" in reason and engine_lost:
            result.false_claims += 1
    # The engine answering "Illegal move" to one of the opponent's moves.
    result.rejected_by_engine = len(re.findall(r"<first\s*: Illegal move", debug_text))
    # Every run of the engine logs its start and, however it is asked to end
    # ("quit", end of input, SIGTERM), its shutdown: a start without an end
    # is a process that died.
    starts, ends = count_engine_runs(log_text)
    result.engine_starts = starts
    result.crashes = max(starts - ends, 0)
    if starts == 0:
        result.notes.append("the engine never started (no start line in its log)")
    if LOST_CONTACT_RE.search(debug_text + xboard_out):
        result.notes.append("xboard lost contact with the engine")


def wait_for_engine_exit(log_path, seconds=3.0):
    """Give engines that got "quit" a moment to write their last lines."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        starts, ends = count_engine_runs(read_text(log_path))
        if starts <= ends:
            return
        time.sleep(0.1)


# ---------------------------------------------------------------- the match

def play_match(engine=None, opponent="fairymax", games=2, tc="1:00", inc=None, fen=None,
               engine_black=False, pgn=None, depth=4, book=False, timeout=None, workdir=None,
               log=print, uci=False):
    """Plays the games and returns a MatchResult.  fen: a position every game
    starts from; uci: the engine speaks UCI through polyglot.  The scratch
    folder (workdir) is kept for inspection."""
    engine = os.path.abspath(engine or os.path.join(ROOT, "build", "velmorasca"))
    if not os.access(engine, os.X_OK):
        raise RuntimeError(f"no engine binary at {engine}")
    missing = missing_tools(opponent, uci)
    if missing:
        raise RuntimeError("not installed: " + ", ".join(missing))
    workdir = workdir or tempfile.mkdtemp(prefix="velmorasca-match-")
    os.makedirs(workdir, exist_ok=True)
    engine_dir = os.path.join(workdir, "engine")
    opponent_dir = os.path.join(workdir, "opponent")
    home = os.path.join(workdir, "home")
    for d in (opponent_dir, home):
        os.makedirs(d, exist_ok=True)
    write_engine_folder(engine_dir, engine, depth, book)
    pgn = os.path.abspath(pgn or os.path.join(workdir, "match.pgn"))
    if os.path.exists(pgn):
        os.remove(pgn)
    debug = os.path.join(workdir, "xboard.debug")
    fen_file = None
    if fen:
        fen_file = os.path.join(workdir, "start.fen")
        with open(fen_file, "w") as f:
            f.write(fen.strip() + "\n")
    if timeout is None:
        # Both clocks run out at most once per game, plus start-up and pauses.
        per_game = 2 * tc_seconds(tc) + (2 * 150 * inc if inc else 0) + 30
        timeout = games * per_game + 30

    result = MatchResult(games_wanted=games, workdir=workdir, pgn=pgn, debug=debug,
                         engine_log=os.path.join(engine_dir, "Velmorasca.log"),
                         adapter_log=os.path.join(workdir, "polyglot.log") if uci else "")
    opponent_cmd = OPPONENTS[opponent]
    started = time.monotonic()
    with Xvfb(workdir) as xvfb:
        env = dict(os.environ, HOME=home, DISPLAY=xvfb.display, PATH=tool_path())
        env.pop("XAUTHORITY", None)
        cmd = xboard_command(engine_dir, opponent_cmd, opponent_dir, games, tc, inc, pgn, debug,
                             engine_black, fen_file, result.adapter_log or None)
        log(f"match: {games} game(s) against {opponent} at {tc}{f' +{inc}' if inc else ''}"
            f"{', the engine through UCI' if uci else ''}, "
            f"display {xvfb.display}, folder {workdir}")
        with open(os.path.join(workdir, "xboard.out"), "wb") as out:
            proc = subprocess.Popen(cmd, cwd=workdir, env=env, stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT, start_new_session=True)
            try:
                result.xboard_status = proc.wait(timeout)
            except subprocess.TimeoutExpired:
                result.timed_out = True
                log(f"match: time limit of {timeout} s reached, stopping xboard")
            finally:
                # xboard, the engines it started and anything they left behind.
                for sig in (signal.SIGTERM, signal.SIGKILL):
                    try:
                        os.killpg(proc.pid, sig)
                    except ProcessLookupError:
                        break
                    try:
                        proc.wait(3)
                        break
                    except subprocess.TimeoutExpired:
                        pass
    wait_for_engine_exit(result.engine_log)
    result.seconds = time.monotonic() - started
    xboard_out = read_text(os.path.join(workdir, "xboard.out"))
    debug_text = read_text(debug)
    games = merge_games(parse_pgn(pgn), results_from_debug(debug_text), engine_black)
    judge(result, games, debug_text, xboard_out, read_text(result.engine_log),
          read_text(result.adapter_log) if uci else "")
    if result.xboard_status not in (0, None):
        result.notes.append(f"xboard exited with status {result.xboard_status}")
    return result


def main(argv=None):
    ap = argparse.ArgumentParser(prog="tools/match.sh", description=__doc__, add_help=False,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("-h", "--help", action="help", help="show this help and exit.")
    ap.add_argument("--engine", help="engine binary (default build/velmorasca).")
    ap.add_argument("--opponent", choices=sorted(OPPONENTS), default="fairymax",
                    help="the other engine (default fairymax).")
    ap.add_argument("--games", type=int, default=4, help="number of games, colours alternating (default 4).")
    ap.add_argument("--tc", default="1:00", help="time per game, M or M:SS (default 1:00).")
    ap.add_argument("--inc", type=float, help="increment per move in seconds (default none).")
    ap.add_argument("--fen", help="start every game from this position.")
    ap.add_argument("--engine-black", action="store_true", help="the engine has Black in the first game.")
    ap.add_argument("--depth", type=int, default=4, help="General/Profondita of the engine (default 4).")
    ap.add_argument("--book", action="store_true", help="give the engine a small opening book.")
    ap.add_argument("--uci", action="store_true",
                    help="run the engine as a UCI engine (\"velmorasca uci\") through polyglot.")
    ap.add_argument("--pgn", help="where to write the games (default in the scratch folder).")
    ap.add_argument("--timeout", type=int, help="time limit of the whole match in seconds (default: both "
                    "clocks run out in every game, plus 30 s a game and 30 s).")
    ap.add_argument("--workdir", help="scratch folder (default a new temporary folder).")
    ap.add_argument("-v", "--verbose", action="store_true", help="list every game.")
    args = ap.parse_args(argv)
    try:
        res = play_match(engine=args.engine, opponent=args.opponent, games=args.games, tc=args.tc,
                         inc=args.inc, fen=args.fen, engine_black=args.engine_black, pgn=args.pgn,
                         depth=args.depth, book=args.book, timeout=args.timeout, workdir=args.workdir,
                         log=lambda s: print(s, file=sys.stderr), uci=args.uci)
    except (RuntimeError, ValueError, OSError) as e:
        print(f"match: {e}", file=sys.stderr)
        return 2
    if args.verbose or not res.clean:
        for i, g in enumerate(res.games, 1):
            print(f"  game {i}: {g.white} - {g.black} {g.result} after {g.moves} moves: {g.reason}",
                  file=sys.stderr)
    for p in res.problems():
        print(f"  problem: {p}", file=sys.stderr)
    if res.clean and args.pgn and not args.workdir:
        shutil.rmtree(res.workdir, ignore_errors=True)  # the PGN lies elsewhere
        print(f"  PGN {res.pgn}", file=sys.stderr)
    else:
        adapter = f"; polyglot log {res.adapter_log}" if res.adapter_log else ""
        print(f"  PGN {res.pgn}; xboard debug {res.debug}; engine log {res.engine_log}{adapter}", file=sys.stderr)
    print(res.summary())
    return 0 if res.clean else 1


if __name__ == "__main__":
    sys.exit(main())
