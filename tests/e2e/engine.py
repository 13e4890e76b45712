"""Runs the built engine over real pipes, each Engine with its own copy of the program in a fresh
folder (the program keeps its settings, log and book beside itself). With VELMORASCA_WINE=1 the
Windows build runs under Wine (tests/windows/run.sh) through pipehost.exe, which gives it real
Windows pipes as WinBoard does; with VELMORASCA_WINE_DIRECT=1 as well, on the Linux pipes Wine
hands on, which its read-ahead thread reads."""
import configparser
import os
import re
import select
import shutil
import subprocess
import tempfile
import time
import unittest

SOURCE = os.environ.get("VELMORASCA_SOURCE") or os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE = os.environ.get("VELMORASCA_WINE") == "1"
WINE_DIRECT = WINE and os.environ.get("VELMORASCA_WINE_DIRECT") == "1"
BUILD = os.environ.get("VELMORASCA_BUILD") or os.path.join(SOURCE, "build-win" if WINE else "build")
PROGRAM_FILES = ["velmorasca.exe", "velmorutil.dll"] if WINE else ["velmorasca"]
SLOW = 3 if WINE else 1  # Wine starts slowly on a loaded machine: its waits are longer

FEATURE = b'\nfeature setboard=1 colors=0 usermove=1 myname="Velmorasca 1.1" done=1\n'
START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
QUIET = "[Time]\nEnabled=0\n[Book]\nEnabled=0\n[Log]\nLevel=1\n[General]\nProfondita=3\n"
PRINT = "[Print]\nPosition=S\n"
SHUTDOWN = ["Spengo il motore...", "Motore spento"]
MOVE = re.compile(rb"\nmove ([a-h][1-8][a-h][1-8][qrbn]?)\n")


def windows_path(path):
    """The path as a Windows program under Wine sees it (drive Z: is /)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def to_bytes(data):
    return data.encode("latin-1") if isinstance(data, str) else data


def legal_moves(fen):
    """The legal moves of a position, as the built perft tool lists them."""
    tool = ["wine", os.path.join(BUILD, "velmorasca-perft.exe")] if WINE else [os.path.join(BUILD, "velmorasca-perft")]
    out = subprocess.run(tool + ["--divide", "1", fen], capture_output=True, text=True, check=True).stdout
    return {line.split(":")[0] for line in out.splitlines() if ":" in line}


class Engine:
    """The engine started with args, after ini and files (name -> text) are written beside it and
    prepare(folder) is called; subfolder (a name) puts the program one folder deeper."""

    def __init__(self, args=("xboard",), ini=None, files=None, env=None, prepare=None, subfolder=None):
        self.root = tempfile.mkdtemp(prefix="velmor-e2e-")
        self.folder = os.path.join(self.root, subfolder) if subfolder else self.root
        os.makedirs(self.folder, exist_ok=True)
        for name in PROGRAM_FILES:
            shutil.copy2(os.path.join(BUILD, name), self.path(name))
        self.exe = self.path(PROGRAM_FILES[0])
        for name, text in dict(files or {}, **({"Velmorasca.ini": ini} if ini is not None else {})).items():
            self.write_file(name, text)
        if prepare is not None:
            prepare(self.folder)
        command = [self.exe, *args]
        if WINE:
            command = ["wine"] + (command if WINE_DIRECT else [os.path.join(BUILD, "pipehost.exe"),
                                                              windows_path(self.exe), *args])
        self.proc = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                     cwd=self.folder, env=env)
        self.pending, self.eof = b"", False

    def path(self, name):
        return os.path.join(self.folder, name)

    def exists(self, name):
        return os.path.exists(self.path(name))

    def write_file(self, name, text):
        with open(self.path(name), "wb") as f:
            f.write(to_bytes(text))

    def read_file(self, name):
        with open(self.path(name), "rb") as f:
            return f.read().decode("latin-1")

    def settings(self):
        """The settings file as {(section, key): value}, names in lower case."""
        ini = configparser.RawConfigParser(delimiters=("=",), strict=False)
        ini.read_string(self.read_file("Velmorasca.ini"))
        return {(section.lower(), key): value for section in ini.sections() for key, value in ini.items(section)}

    def log(self):
        """The log as a list of (source, message); under Wine lines end in CR LF."""
        lines = self.read_file("Velmorasca.log").split("\r\n" if WINE else "\n") if self.exists("Velmorasca.log") else []
        # date, time of day, "source: message"
        return [tuple(line.split(" ", 2)[2].partition(": ")[::2]) for line in lines if line]

    def log_messages(self, source=None):
        return [m for s, m in self.log() if source is None or s == source]

    def send(self, data):
        self.proc.stdin.write(to_bytes(data))
        self.proc.stdin.flush()

    def line(self, *texts):
        self.send("".join(t + "\n" for t in texts))

    def read_until(self, marker, timeout=10):
        """Everything up to and including marker; fails after timeout."""
        marker, deadline = to_bytes(marker), time.monotonic() + timeout * SLOW
        while marker not in self.pending:
            left = deadline - time.monotonic()
            chunk = b""
            if left > 0 and not self.eof and select.select([self.proc.stdout], [], [], left)[0]:
                chunk = os.read(self.proc.stdout.fileno(), 65536)
                self.pending, self.eof = self.pending + chunk, not chunk
            if not chunk:
                ended = "; output ended, " + self.how_it_ended() if self.eof else ""
                raise AssertionError("no %r within %ss; got %r%s" % (marker, timeout * SLOW, self.pending[-400:], ended))
        end = self.pending.index(marker) + len(marker)
        got, self.pending = self.pending[:end], self.pending[end:]
        return got

    def read_move(self, timeout=30):
        """The move of the engine's next "move" line."""
        got = self.read_until(b"\nmove ", timeout) + self.read_until(b"\n", 5)
        assert MOVE.search(got), got
        return MOVE.search(got).group(1).decode()

    def sync(self):
        """What the engine wrote before its answer to "protover 2": all sent earlier is handled."""
        self.line("protover 2")
        return self.read_until(FEATURE)[:-len(FEATURE)]

    def how_it_ended(self):
        """Exit status, stderr and end of the log for a failure message (waits up to 5 s for the end)."""
        try:
            rc, err = self.proc.wait(timeout=5), self.proc.stderr.read()[-400:]
        except subprocess.TimeoutExpired:
            rc, err = "still running", b"?"
        return "exit status %s, stderr %r, log ends %r" % (rc, err, self.log()[-6:] if os.path.isfile(
            self.path("Velmorasca.log")) else "(no log file)")

    def wait(self, timeout=10):
        return self.proc.wait(timeout=timeout * SLOW)

    def finish(self, timeout=10):
        """Closes standard input; returns (exit status, remaining stdout, stderr)."""
        if not self.proc.stdin.closed:
            self.proc.stdin.close()
        rc = self.wait(timeout)
        rest, self.pending = self.pending + self.proc.stdout.read(), b""
        return rc, rest, self.proc.stderr.read()

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
        with self.proc:  # closes the pipes and waits for the end
            pass
        shutil.rmtree(self.root, ignore_errors=True)


class EngineTest(unittest.TestCase):
    def start(self, *args, **kw):
        """An Engine, ended and removed after the test."""
        engine = Engine(*args, **kw)
        self.addCleanup(engine.close)
        return engine

    def board(self, engine):
        """The last board print of the log: nine lines, rank 8 first."""
        lines = engine.log_messages("StampaPosizione")
        self.assertGreaterEqual(len(lines), 9, "no board print in the log")
        return lines[-9:]

    def quit(self, engine):
        engine.line("quit")
        self.assertEqual(engine.wait(), 0)


def run():
    unittest.main(verbosity=2)
