#!/usr/bin/env python3
"""A scripted interface that takes moves back.

It plays a long random session against the engine over real pipes, in
force mode: its own moves ("usermove", chosen among the legal moves that
velmorasca-perft lists for the position), the engine's moves ("go", then
"force"), "undo" (one move back), "remove" (two), also with nothing left to
take back, and now and then a new game ("new") or a set-up position
("setboard"). It keeps its own copy of the board with the engine's piece
ids and checks, after every move, the board the engine prints to its log
against it; after a takeback the next move shows whether the engine went
back to exactly the position it had (ids, promotions, side to move). Every
move the engine chooses must be legal in the position the script holds.

    tools/takeback.py [--steps N] [--seed S] [--binary PATH] [--verbose]

Prints a summary and exits 1 on any fault.
"""
import argparse
import os
import random
import select
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FEATURE = b'\nfeature setboard=1 colors=0 usermove=1 myname="Velmorasca 1.1" done=1\n'
SETTINGS = ("[Log]\nEnabled=0\nLevel=1\n[Book]\nEnabled=0\n[Time]\nEnabled=0\n[General]\nProfondita=2\nCanCastle=3\n"
            "[Print]\nPosition=S\n")
FENS = [
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1",
    "4k3/1P6/8/8/8/8/6p1/4K3 w - - 0 1",
]
FILES = "abcdefgh"


def kind_of_id(i):
    """Kind letter (lower case) that an id has when not promoted."""
    if 9 <= i <= 16 or 25 <= i <= 32:
        return "p"
    back = "rnbqkbnr"
    return back[i - 1] if i <= 8 else back[24 - i]


class Position:
    """The board by piece ids, the promotions, side to move and castling rights."""

    def __init__(self, board, side="w", castle="KQkq"):
        self.board = dict(board)  # (rank, file) -> id
        self.promoted = {}        # pawn id -> "q", "r", "b", "n"
        self.side = side
        self.castle = castle

    @staticmethod
    def new_game():
        board = {}
        for f in range(1, 9):
            board[(1, f)] = f
            board[(2, f)] = f + 8
        for i in range(1, 9):
            board[(8, 9 - i)] = 16 + i
            board[(7, 9 - i)] = 24 + i
        return Position(board)

    def copy(self):
        p = Position(self.board, self.side, self.castle)
        p.promoted = dict(self.promoted)
        return p

    def kind(self, i):
        return self.promoted.get(i) or kind_of_id(i)

    def fen(self):
        rows = []
        for r in range(8, 0, -1):
            row, empty = "", 0
            for f in range(1, 9):
                i = self.board.get((r, f))
                if not i:
                    empty += 1
                    continue
                if empty:
                    row += str(empty)
                    empty = 0
                k = self.kind(i)
                row += k.upper() if i <= 16 else k
            rows.append(row + (str(empty) if empty else ""))
        return "%s %s %s - 0 1" % ("/".join(rows), self.side, self.castle or "-")

    def play(self, text):
        """Plays a move as the engine's move text does (no legality test)."""
        ff, fr, tf, tr = FILES.index(text[0]) + 1, int(text[1]), FILES.index(text[2]) + 1, int(text[3])
        b = self.board
        mover = b[(fr, ff)]
        # Castling rights of the game: a king move clears its colour, a move from or to a corner its corner.
        rights = set(self.castle)
        if mover == 5:
            rights -= {"K", "Q"}
        if mover == 20:
            rights -= {"k", "q"}
        for sq in ((fr, ff), (tr, tf)):
            rights -= {(1, 1): {"Q"}, (1, 8): {"K"}, (8, 1): {"q"}, (8, 8): {"k"}}.get(sq, set())
        self.castle = "".join(c for c in "KQkq" if c in rights)
        if len(text) == 5 and kind_of_id(mover) == "p" and text[4] in "qrbn":
            self.promoted[mover] = text[4]
        # En passant: an unpromoted pawn moving diagonally to an empty square.
        if abs(tf - ff) == 1 and (tr, tf) not in b and self.kind(mover) == "p":
            victim = b.get((fr, tf))
            if victim and self.kind(victim) == "p" and ((fr == 5 and tr == 6 and mover <= 16 and victim > 16)
                                                        or (fr == 4 and tr == 3 and mover > 16 and victim <= 16)):
                del b[(fr, tf)]
        b.pop((tr, tf), None)
        b[(tr, tf)] = mover
        del b[(fr, ff)]
        for king, rook, r, kto, rfrom, rto in ((5, 8, 1, 7, 8, 6), (5, 1, 1, 3, 1, 4), (20, 17, 8, 7, 8, 6), (20, 24, 8, 3, 1, 4)):
            if mover == king and (fr, ff) == (r, 5) and (tr, tf) == (r, kto):
                if b.get((r, rfrom)) == rook and (r, rto) not in b:
                    del b[(r, rfrom)]
                    b[(r, rto)] = rook
        self.side = "b" if self.side == "w" else "w"

    def rows(self):
        return [" ".join("%02d" % self.board.get((r, f), 0) for f in range(1, 9)) for r in range(8, 0, -1)]


class Engine:
    def __init__(self, binary):
        self.folder = tempfile.mkdtemp(prefix="velmor-takeback-")
        self.exe = os.path.join(self.folder, "velmorasca")
        shutil.copy2(binary, self.exe)
        with open(os.path.join(self.folder, "Velmorasca.ini"), "w") as f:
            f.write(SETTINGS)
        self.proc = subprocess.Popen([self.exe, "xboard"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, cwd=self.folder)
        self.log_offset = 0

    def send(self, *lines):
        self.proc.stdin.write("".join(l + "\n" for l in lines).encode("latin-1"))
        self.proc.stdin.flush()

    def exchange(self, *lines, timeout=60):
        """Sends the lines and a "protover 2"; returns what came before the feature line."""
        self.send(*lines, "protover 2")
        got, deadline = b"", time.monotonic() + timeout
        fd = self.proc.stdout.fileno()
        while FEATURE not in got:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([fd], [], [], left)[0]:
                raise RuntimeError("engine silent after %r" % (lines,))
            chunk = os.read(fd, 65536)
            if not chunk:
                raise RuntimeError("engine died after %r (exit %s)" % (lines, self.proc.wait()))
            got += chunk
        return got[:got.index(FEATURE)].decode("latin-1")

    def last_board(self):
        """The rows of the last board print in the log (new lines only), or None."""
        with open(os.path.join(self.folder, "Velmorasca.log"), "rb") as f:
            f.seek(self.log_offset)
            text = f.read().decode("latin-1")
            self.log_offset = f.tell()
        rows = [line.split("StampaPosizione: ", 1)[1].strip() for line in text.split("\n") if "StampaPosizione: " in line]
        rows = [r for r in rows if not r.startswith("---")]
        return [" ".join(r.split()) for r in rows[-8:]] if len(rows) >= 8 else None

    def close(self):
        try:
            self.send("quit")
            self.proc.wait(timeout=10)
        except (OSError, subprocess.TimeoutExpired):
            self.proc.kill()
        shutil.rmtree(self.folder, ignore_errors=True)


def legal_moves(perft, position):
    out = subprocess.run([perft, "--divide", "1", position.fen()], capture_output=True, text=True)
    if out.returncode != 0:
        raise RuntimeError("perft refused %s: %s" % (position.fen(), out.stderr.strip()))
    return sorted(line.split(":")[0] for line in out.stdout.splitlines() if ":" in line)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--steps", type=int, default=1000)
    ap.add_argument("--seed", type=int, default=None)
    build = os.environ.get("VELMORASCA_BUILD") or os.path.join(ROOT, "build")
    ap.add_argument("--binary", default=os.path.join(build, "velmorasca"))
    ap.add_argument("--verbose", action="store_true")
    args = ap.parse_args()
    seed = args.seed if args.seed is not None else random.randrange(1 << 30)
    rng = random.Random(seed)
    perft = os.path.join(os.path.dirname(args.binary), "velmorasca-perft")

    engine = Engine(args.binary)
    counts = dict(usermove=0, go=0, undo=0, remove=0, new=0, setboard=0, empty_takebacks=0)
    faults = []

    def fault(text):
        faults.append(text)
        print("FAULT: " + text)

    engine.exchange("new", "force")
    position, stack = Position.new_game(), []
    try:
        for step in range(args.steps):
            legal = legal_moves(perft, position)
            r = rng.random()
            if r < 0.02:
                engine.exchange("new", "force")
                position, stack = Position.new_game(), []
                counts["new"] += 1
                action = "new"
            elif r < 0.04:
                fen = rng.choice(FENS)
                engine.exchange("setboard " + fen)
                rows = engine.last_board()
                board = {}
                for n, row in enumerate(rows):
                    for f, cell in enumerate(row.split(), 1):
                        if int(cell):
                            board[(8 - n, f)] = int(cell)
                position = Position(board, fen.split()[1], fen.split()[2].replace("-", ""))
                expected = fen.split()[0]
                if position.fen().split()[0] != expected:
                    # Surplus pieces take pawn ids as promoted pieces: learn their kinds from the FEN.
                    kinds = {}
                    for n, row in enumerate(expected.split("/")):
                        f = 1
                        for c in row:
                            if c.isdigit():
                                f += int(c)
                            else:
                                kinds[(8 - n, f)] = c.lower()
                                f += 1
                    for sq, i in board.items():
                        if kind_of_id(i) == "p" and kinds.get(sq) != "p":
                            position.promoted[i] = kinds[sq]
                stack = []
                counts["setboard"] += 1
                action = "setboard"
            elif r < 0.22 or (r < 0.5 and not legal and stack):
                n = 1 if rng.random() < 0.6 else 2
                word = "undo" if n == 1 else "remove"
                got = engine.exchange(word)
                if got:
                    fault("%s replied %r" % (word, got))
                if len(stack) < n:
                    counts["empty_takebacks"] += 1
                # "remove" with a single move to take back takes back that one.
                for _ in range(min(n, len(stack))):
                    position = stack.pop()
                counts[word] += 1
                action = word
            elif legal and r < 0.4:
                out = engine.exchange("go")  # a "force" read before the move would give the think up
                engine.send("force")
                moves = [line[5:] for line in out.split("\n") if line.startswith("move ")]
                if len(moves) != 1:
                    fault("go in %s gave %r" % (position.fen(), out))
                    break
                move = moves[0]
                if move not in legal:
                    fault("the engine played %s, not legal in %s" % (move, position.fen()))
                    break
                stack.append(position.copy())
                position.play(move)
                counts["go"] += 1
                action = "go " + move
                want = position.rows()
                got = engine.last_board()
                if got != want:
                    fault("after %s the engine's board is\n  %s\nwhere the script has\n  %s" % (action, "\n  ".join(got or []), "\n  ".join(want)))
                    break
            elif legal:
                move = rng.choice(legal)
                out = engine.exchange("usermove " + move)
                if out:
                    fault("usermove %s replied %r" % (move, out))
                stack.append(position.copy())
                position.play(move)
                counts["usermove"] += 1
                action = "usermove " + move
                want = position.rows()
                got = engine.last_board()
                if got != want:
                    fault("after %s the engine's board is\n  %s\nwhere the script has\n  %s" % (action, "\n  ".join(got or []), "\n  ".join(want)))
                    break
            else:
                engine.exchange("new", "force")
                position, stack = Position.new_game(), []
                counts["new"] += 1
                action = "new (no legal move)"
            if args.verbose:
                print("%4d %-16s %s" % (step, action, position.fen()))
    except RuntimeError as e:
        fault(str(e))
    finally:
        engine.close()
    print("takeback: seed %d, %d steps: %s; %d faults" % (
        seed, args.steps, ", ".join("%d %s" % (v, k) for k, v in counts.items()), len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
