"""Runs the built engine in a fresh temporary folder over real pipes.

The program keeps its settings, log and book beside itself, so every Engine
gets its own copy of the binary in its own folder.
"""
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

SOURCE = os.environ.get("VELMORASCA_SOURCE") or os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("VELMORASCA_BUILD") or os.path.join(SOURCE, "build")
BINARY = os.path.join(BUILD, "velmorasca")

FEATURE = b'\nfeature setboard=1 colors=0 usermove=1 myname="Velmorasca 1.1" done=1\n'
START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"


def to_bytes(data):
    return data.encode("latin-1") if isinstance(data, str) else data


class Engine:
    """One engine process. ini and files (name -> text) are written into the
    folder before the start, then prepare(folder) is called when given; args
    is the command line after the program."""

    def __init__(self, args=("xboard",), ini=None, files=None, env=None, prepare=None):
        self.folder = tempfile.mkdtemp(prefix="velmor-e2e-")
        self.exe = os.path.join(self.folder, "velmorasca")
        shutil.copy2(BINARY, self.exe)
        if ini is not None:
            self.write_file("Velmorasca.ini", ini)
        for name, text in (files or {}).items():
            self.write_file(name, text)
        if prepare is not None:
            prepare(self.folder)
        self.proc = subprocess.Popen([self.exe, *args], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, cwd=self.folder, env=env)
        self.pending = b""
        self.eof = False

    # Files beside the program.
    def path(self, name):
        return os.path.join(self.folder, name)

    def write_file(self, name, text):
        with open(self.path(name), "wb") as f:
            f.write(to_bytes(text))

    def read_file(self, name):
        with open(self.path(name), "rb") as f:
            return f.read().decode("latin-1")

    def exists(self, name):
        return os.path.exists(self.path(name))

    def settings(self):
        """The settings file as {(section, key): value}, names in lower case."""
        values, section = {}, None
        for raw in self.read_file("Velmorasca.ini").splitlines():
            line = raw.strip()
            if line.startswith("["):
                section = line[1:line.find("]")].strip().lower() if "]" in line else line[1:].strip().lower()
            elif "=" in line and section is not None and not line.startswith((";", "#")):
                key, value = line.split("=", 1)
                values.setdefault((section, key.strip().lower()), value.strip())
        return values

    def log(self):
        """The log as a list of (source, message)."""
        if not self.exists("Velmorasca.log"):
            return []
        entries = []
        for raw in self.read_file("Velmorasca.log").split("\n"):
            if not raw:
                continue
            parts = raw.split(" ", 2)  # date, time of day, "source: message"
            source, _, message = parts[2].partition(": ")
            entries.append((source, message))
        return entries

    def log_messages(self, source=None):
        return [m for s, m in self.log() if source is None or s == source]

    # The pipes.
    def send(self, data):
        self.proc.stdin.write(to_bytes(data))
        self.proc.stdin.flush()

    def line(self, *texts):
        self.send("".join(t + "\n" for t in texts))

    def _fill(self, deadline):
        fd = self.proc.stdout.fileno()
        left = deadline - time.monotonic()
        if left <= 0 or self.eof:
            return False
        ready, _, _ = select.select([fd], [], [], left)
        if not ready:
            return False
        chunk = os.read(fd, 65536)
        if not chunk:
            self.eof = True
            return False
        self.pending += chunk
        return True

    def read_until(self, marker, timeout=10):
        """Everything up to and including marker; fails after timeout."""
        marker = to_bytes(marker)
        deadline = time.monotonic() + timeout
        while marker not in self.pending:
            if not self._fill(deadline):
                raise AssertionError("no %r within %ss; got %r" % (marker, timeout, self.pending[-400:]))
        end = self.pending.index(marker) + len(marker)
        got, self.pending = self.pending[:end], self.pending[end:]
        return got

    def read_for(self, seconds):
        """Whatever arrives within the given time."""
        deadline = time.monotonic() + seconds
        while self._fill(deadline):
            pass
        got, self.pending = self.pending, b""
        return got

    def sync(self):
        """Round trip through "protover 2": returns what the engine wrote
        before the feature line, so everything sent earlier is handled."""
        self.line("protover 2")
        return self.read_until(FEATURE)[:-len(FEATURE)]

    def close_input(self):
        self.proc.stdin.close()

    def wait(self, timeout=10):
        return self.proc.wait(timeout=timeout)

    def finish(self, timeout=10):
        """Closes standard input and returns (exit status, remaining stdout, stderr)."""
        if not self.proc.stdin.closed:
            self.close_input()
        rc = self.wait(timeout)
        rest = self.pending + self.proc.stdout.read()
        self.pending = b""
        return rc, rest, self.proc.stderr.read()

    def interrupt(self):
        self.proc.send_signal(signal.SIGINT)

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        for f in (self.proc.stdin, self.proc.stdout, self.proc.stderr):
            try:
                f.close()
            except OSError:
                pass
        shutil.rmtree(self.folder, ignore_errors=True)


class EngineTest(unittest.TestCase):
    """Starts engines that are cleaned up after each test."""

    def start(self, *args, **kw):
        engine = Engine(*args, **kw)
        self.addCleanup(engine.close)
        return engine

    def board(self, engine):
        """The last board print of the log: nine lines, rank 8 first."""
        lines = engine.log_messages("StampaPosizione")
        self.assertGreaterEqual(len(lines), 9, "no board print in the log")
        return lines[-9:]


def run():
    if not os.path.exists(BINARY):
        raise SystemExit("engine binary missing: %s" % BINARY)
    unittest.main(verbosity=2)
