"""Runs the built engine in a fresh temporary folder over real pipes.

The program keeps its settings, log and book beside itself, so every Engine
gets its own copy of the binary in its own folder.

With VELMORASCA_WINE=1 the same tests run the Windows build (default folder
build-win) under Wine: velmorasca.exe and velmorutil.dll are copied into the
folder, and the engine is started through pipehost.exe, which gives it real
Windows anonymous pipes as WinBoard does (Wine hands a program started from
Linux its Linux pipes, on which PeekNamedPipe is not supported). With
VELMORASCA_WINE_DIRECT=1 as well, the engine gets those Linux pipes instead
and reads them through its read-ahead thread, as when a Linux interface
runs it under Wine. WINEPREFIX and WINEDEBUG come from the environment
(tests/windows/run.sh sets them).
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
WINE = os.environ.get("VELMORASCA_WINE") == "1"
BUILD = os.environ.get("VELMORASCA_BUILD") or os.path.join(SOURCE, "build-win" if WINE else "build")
BINARY = os.path.join(BUILD, "velmorasca.exe" if WINE else "velmorasca")
# The files of the program itself in its folder.
PROGRAM_FILES = ["velmorasca.exe", "velmorutil.dll"] if WINE else ["velmorasca"]
PIPEHOST = os.path.join(BUILD, "pipehost.exe")
WINE_DIRECT = WINE and os.environ.get("VELMORASCA_WINE_DIRECT") == "1"

FEATURE = b'\nfeature setboard=1 colors=0 usermove=1 myname="Velmorasca 1.1" done=1\n'
START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"


def windows_path(path):
    """The path as a Windows program under Wine sees it (drive Z: is /)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def unless_wine(reason):
    """Skips a test that rests on a fact of Linux the Windows build lacks."""
    return unittest.skipIf(WINE, "not under Wine: " + reason)


def to_bytes(data):
    return data.encode("latin-1") if isinstance(data, str) else data


def command(exe, args=()):
    """The command line that runs the program exe with args."""
    if WINE_DIRECT:
        return ["wine", exe, *args]
    if WINE:
        return ["wine", PIPEHOST, windows_path(exe), *args]
    return [exe, *args]


def tool(name, *args):
    """The command line that runs the built tool name (velmorasca-perft...)."""
    if WINE:
        return ["wine", os.path.join(BUILD, name + ".exe"), *args]
    return [os.path.join(BUILD, name), *args]


def wine_process(exe, timeout=10):
    """The Linux process id of the Wine process that runs exe (pipehost's
    child): Wine shows the Windows command line in /proc/PID/cmdline."""
    want = windows_path(exe).lower().encode()
    deadline = time.monotonic() + timeout
    while True:
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    first = f.read().split(b"\0")[0]
            except OSError:
                continue
            if first.lower() == want:
                return int(pid)
        if time.monotonic() > deadline:
            raise AssertionError("no Wine process runs %s" % exe)
        time.sleep(0.05)


class Engine:
    """One engine process. ini and files (name -> text) are written into the
    folder before the start, then prepare(folder) is called when given; args
    is the command line after the program; subfolder (a name) puts the
    program one folder deeper, to try names with blanks and accents."""

    def __init__(self, args=("xboard",), ini=None, files=None, env=None, prepare=None, subfolder=None):
        self.root = tempfile.mkdtemp(prefix="velmor-e2e-")
        self.folder = self.root
        if subfolder is not None:
            self.folder = os.path.join(self.root, subfolder)
            os.mkdir(self.folder)
        self.exe = os.path.join(self.folder, os.path.basename(BINARY))
        for name in PROGRAM_FILES:
            shutil.copy2(os.path.join(BUILD, name), os.path.join(self.folder, name))
        if ini is not None:
            self.write_file("Velmorasca.ini", ini)
        for name, text in (files or {}).items():
            self.write_file(name, text)
        if prepare is not None:
            prepare(self.folder)
        self.proc = subprocess.Popen(command(self.exe, args), stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, cwd=self.folder, env=env)
        self.pending = b""
        self.eof = False

    @property
    def pid(self):
        """The process id of the engine itself (under Wine not pipehost's)."""
        if not WINE:
            return self.proc.pid
        if WINE_DIRECT:
            return self.proc.pid  # wine's loader becomes the program itself
        if getattr(self, "_pid", None) is None:
            self._pid = wine_process(self.exe)
        return self._pid

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
            if WINE and raw.endswith("\r"):
                raw = raw[:-1]  # a Windows text file: lines end in CR LF
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
                ended = "; output ended, " + self.how_it_ended() if self.eof else ""
                raise AssertionError("no %r within %ss; got %r%s" % (marker, timeout, self.pending[-400:], ended))
        end = self.pending.index(marker) + len(marker)
        got, self.pending = self.pending[:end], self.pending[end:]
        return got

    def how_it_ended(self):
        """The exit status, standard error and end of the log, for a failure
        message that must be read far away (waits up to 5 s for the end)."""
        try:
            rc = self.proc.wait(timeout=5)
            err = self.proc.stderr.read()[-400:]
        except subprocess.TimeoutExpired:
            rc, err = "still running", b"?"
        try:
            tail = self.log()[-6:]
        except OSError as failure:
            tail = failure
        return "exit status %s, stderr %r, log ends %r" % (rc, err, tail)

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
        shutil.rmtree(self.root, ignore_errors=True)


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
    for needed in [BINARY] + ([PIPEHOST, os.path.join(BUILD, "velmorutil.dll")] if WINE else []):
        if not os.path.exists(needed):
            raise SystemExit("missing: %s" % needed)
    unittest.main(verbosity=2)
