"""The engine window of the real program on an Xvfb display that the test
starts itself: "Calcola migliore" clicked with xdotool, the window closed
as a window manager closes it; the message box of an unknown command-line
word; no window at all in protocol mode.

What the window's list showed is read from the file named by
VELMORASCA_WINDOW_DUMP, which the window writes when it is closed. With
VELMORASCA_SCREENSHOT set, a screenshot of the window after its move is
saved there (docs/window.png is made this way)."""
import ctypes
import ctypes.util
import os
import re
import shutil
import subprocess
import time
import unittest

from engine import EngineTest, run

CALCOLA = (8 + 105 // 2, 112 + 25 // 2)  # centre of "Calcola migliore", in window pixels


def missing_tools():
    return [t for t in ("Xvfb", "xdotool") if shutil.which(t) is None]


class Xvfb:
    """An X server on a display number it chooses itself."""

    def __init__(self):
        read, write = os.pipe()
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "640x480x24", "-nolisten", "tcp"],
                                     pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        with os.fdopen(read, "rb") as f:
            while not number.endswith(b"\n"):
                c = f.read(1)
                if not c:
                    break
                number += c
        if not number.strip():
            self.proc.kill()
            raise unittest.SkipTest("Xvfb did not start")
        self.display = ":" + number.decode().strip()

    def env(self, **extra):
        env = dict(os.environ, DISPLAY=self.display)
        env.update(extra)
        return env

    def stop(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)


SERVER = None


def setUpModule():
    global SERVER
    if missing_tools():
        raise unittest.SkipTest("not installed: " + ", ".join(missing_tools()))
    SERVER = Xvfb()


def tearDownModule():
    if SERVER:
        SERVER.stop()


def xdotool(*args, timeout=10):
    return subprocess.run(["xdotool", *args], env=SERVER.env(), capture_output=True, timeout=timeout)


def windows_named(title):
    out = xdotool("search", "--name", "^%s$" % title).stdout.split()
    return [int(w) for w in out]


def wait_for(condition, timeout, what, engine=None):
    """condition()'s first true answer; fails after timeout, or at once
    when the engine given has ended, with its exit status and stderr."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        got = condition()
        if got:
            return got
        if engine is not None and engine.proc.poll() is not None:
            raise AssertionError("%s: the engine ended first on %s, %s" % (what, SERVER.display, engine.how_it_ended()))
        time.sleep(0.1)
    raise AssertionError("%s: not within %ss on %s, windows there: %r" % (what, timeout, SERVER.display, window_names()))


def window_names():
    """The names of every window on the display, for a failure's message."""
    out = xdotool("search", "--name", ".").stdout.split()
    names = []
    for w in out[:40]:
        names.append(xdotool("getwindowname", w.decode()).stdout.decode("latin-1").strip())
    return names


def send_close(window):
    """What a window manager sends when the user closes a window."""
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class Event(ctypes.Union):
        _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    d = x11.XOpenDisplay(SERVER.display.encode())
    assert d, "cannot open " + SERVER.display
    ev = Event()
    ev.xclient.type = 33  # ClientMessage
    ev.xclient.window = window
    ev.xclient.message_type = x11.XInternAtom(d, b"WM_PROTOCOLS", 0)
    ev.xclient.format = 32
    ev.xclient.data[0] = x11.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent(d, window, 0, 0, ctypes.byref(ev))
    x11.XFlush(d)
    x11.XCloseDisplay(d)


class EngineWindow(EngineTest):
    def test_calcola_migliore_shows_the_best_move_and_closing_ends_the_program(self):
        dump = None
        e = self.start([], ini="[Log]\nLevel=1\n[Book]\nEnabled=0\n",
                       env=SERVER.env(VELMORASCA_WINDOW_DUMP="list.txt"))
        dump = e.path("list.txt")
        window = wait_for(lambda: windows_named("Velmorasca"), 60, "the engine window", e)[0]
        xdotool("mousemove", "--window", str(window), str(CALCOLA[0]), str(CALCOLA[1]), "click", "1")
        best = wait_for(lambda: [m for m in e.log_messages("Analizza") if m.startswith("Mossa migliore: ")],
                        60, "a computed move", e)[0]
        move = best[len("Mossa migliore: "):]
        self.assertRegex(move, r"^[a-h][1-8][a-h][1-8]$")
        shot = os.environ.get("VELMORASCA_SCREENSHOT")
        if shot:
            time.sleep(0.5)
            subprocess.run(["import", "-window", str(window), shot], env=SERVER.env(), check=True, timeout=30)
        send_close(window)
        self.assertEqual(e.wait(timeout=20), 0)
        with open(dump, encoding="utf-8") as f:
            shown = f.read().splitlines()
        self.assertIn("Mossa migliore: %s, punteggio: " % move, "\n".join(shown))
        report = shown.index(next(l for l in shown if l.startswith("Mossa migliore: ")))
        self.assertEqual(shown[report - 1], "-" * 67)
        self.assertEqual(shown[report + 1], "-" * 67)
        self.assertEqual([s for s, m in e.log()][-2:], ["Esci", "Esci"])
        self.assertEqual(e.log_messages("Esci"), ["Spengo il motore...", "Motore spento"])
        # The move also went to standard output, where nobody reads it.
        rc, out, err = e.finish()
        self.assertIn(b"\nmove %s\n" % move.encode(), out)
        self.assertEqual(windows_named("Velmorasca"), [])

    def test_an_unknown_word_shows_a_message_box_then_ends(self):
        e = self.start(["--nonsense"], env=SERVER.env())
        box = wait_for(lambda: windows_named("Velmorasca"), 60, "the message box", e)[0]
        time.sleep(0.3)
        self.assertIsNone(e.proc.poll(), "the program waits for the box to be closed")
        xdotool("key", "--window", str(box), "Return")
        rc, out, err = e.finish(timeout=10)
        self.assertNotEqual(rc, 0)
        self.assertEqual(err.decode("latin-1").splitlines()[0], "Comando sconosciuto: --nonsense")
        self.assertFalse(e.exists("Velmorasca.ini"))
        self.assertFalse(e.exists("Velmorasca.log"))

    def test_protocol_mode_shows_no_window(self):
        for display in (SERVER.display, ":4242"):  # a display that is there, and one that is not
            e = self.start(["xboard"], env=dict(os.environ, DISPLAY=display))
            e.sync()
            e.line("new", "go")
            self.assertRegex(e.read_until(b"\n", timeout=20) + e.read_until(b"\n", timeout=20),
                             rb"^\nmove [a-h][1-8][a-h][1-8]\n$")
            self.assertEqual(windows_named("Velmorasca"), [])
            e.line("quit")
            rc, out, err = e.finish()
            self.assertEqual(rc, 0)
            self.assertEqual(err, b"")


if __name__ == "__main__":
    run()
