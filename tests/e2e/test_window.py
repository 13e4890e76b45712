"""The real program's window on an Xvfb display of the test's own: "Calcola migliore" clicked with
xdotool, a move played by clicking two squares of the board, the window closed as a window manager
closes it; the message box of an unknown command-line word; no window in protocol mode. The window
writes its list to VELMORASCA_WINDOW_DUMP as it closes. With VELMORASCA_SCREENSHOT set, the window
after the engine's answer to a clicked move is saved there (docs/window.png is made so)."""
import ctypes
import os
import shutil
import subprocess
import time
import unittest

from engine import EngineTest, run

CALCOLA = (8 + 105 // 2, 112 + 25 // 2)  # centre of "Calcola migliore", in window pixels


def square_centre(square):
    """The centre of a board square in window pixels; the board is seen from White's side."""
    f, r = ord(square[0]) - ord("a") + 1, int(square[1])
    return 273 + 46 * (f - 1) + 23, 8 + 46 * (8 - r) + 23


def setUpModule():
    if not (shutil.which("Xvfb") and shutil.which("xdotool")):
        raise unittest.SkipTest("needs Xvfb and xdotool")
    # Xvfb picks a free display and names it here once it accepts clients; -noreset keeps it from
    # resetting (and refusing clients for a moment) each time its last client leaves.
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-noreset", "-displayfd", str(write), "-screen", "0", "800x600x24",
                               "-nolisten", "tcp"],
                              pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    unittest.addModuleCleanup(lambda: (server.terminate(), server.wait(timeout=10)))
    with os.fdopen(read) as f:
        os.environ["DISPLAY"] = ":" + f.readline().strip()  # for every program the tests start
    if os.environ["DISPLAY"] == ":":
        raise unittest.SkipTest("Xvfb did not start")


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, timeout=10).stdout.split()


def windows():
    """The windows named Velmorasca: the engine's, or its message box."""
    return xdotool("search", "--name", "^Velmorasca$")


def wait_for(condition, what, engine):
    """condition()'s first true answer; fails after a minute, or at once when the engine has ended."""
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline and engine.proc.poll() is None:
        got = condition()
        if got:
            return got
        time.sleep(0.1)
    raise AssertionError("no %s on %s: %s" % (what, os.environ["DISPLAY"], engine.how_it_ended()))


def send_close(window):
    """WM_DELETE_WINDOW, which a window manager sends when the user closes a window."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    d = ctypes.c_void_p(x11.XOpenDisplay(None))
    assert d.value, "cannot open the display"
    atom = lambda name: x11.XInternAtom(d, name, 0)  # noqa: E731
    # An XClientMessageEvent as longs (LP64): type, serial, send_event, display, window, message_type,
    # format, data; an XEvent is 24 longs.
    event = (ctypes.c_long * 24)(33, 0, 0, 0, int(window), atom(b"WM_PROTOCOLS"), 32, atom(b"WM_DELETE_WINDOW"))
    x11.XSendEvent(d, ctypes.c_ulong(int(window)), 0, ctypes.c_long(0), event)
    x11.XCloseDisplay(d)  # sends it


class EngineWindow(EngineTest):
    def test_calcola_migliore_shows_the_best_move_and_closing_ends_the_program(self):
        e = self.start([], ini="[Log]\nLevel=1\n[Book]\nEnabled=0\n",
                       env=dict(os.environ, VELMORASCA_WINDOW_DUMP="list.txt"))
        window = wait_for(windows, "engine window", e)[0]
        xdotool("mousemove", "--window", window, *map(str, CALCOLA), "click", "1")
        move = wait_for(lambda: [m[16:] for m in e.log_messages("Analizza") if m.startswith("Mossa migliore: ")],
                        "computed move", e)[0]
        self.assertRegex(move, r"^[a-h][1-8][a-h][1-8]$")
        send_close(window)
        self.assertEqual(e.wait(timeout=20), 0)
        self.assertRegex(e.read_file("list.txt"), r"\n-{67}\nMossa migliore: %s, punteggio: -?\d+\n-{67}\n" % move)
        self.assertEqual(e.log()[-2:], [("Esci", "Spengo il motore..."), ("Esci", "Motore spento")])
        self.assertEqual(len(e.log_messages("Esci")), 2)
        rc, out, err = e.finish()
        self.assertRegex(out, rb"\nmove %s\n" % move.encode())  # also on standard output, where nobody reads it
        self.assertEqual(windows(), [])

    def test_two_clicks_on_the_board_play_a_move_and_the_engine_answers(self):
        e = self.start([], ini="[Log]\nLevel=1\n[Book]\nEnabled=0\n",
                       env=dict(os.environ, VELMORASCA_WINDOW_DUMP="list.txt"))
        window = wait_for(windows, "engine window", e)[0]
        # A black piece first, then a white pawn onto a square it cannot reach: nothing is played.
        for square in ("e7", "e5", "d2", "d5", "e2", "e4"):
            xdotool("mousemove", "--window", window, *map(str, square_centre(square)), "click", "1")
        answer = wait_for(lambda: [m[16:] for m in e.log_messages("Analizza") if m.startswith("Mossa migliore: ")],
                          "engine's answer", e)[0]
        self.assertRegex(answer, r"^[a-h][78][a-h][56]$")
        self.assertEqual(e.log_messages("ParseCommand"), ["Mossa avversario: e2e4"])
        if os.environ.get("VELMORASCA_SCREENSHOT"):
            time.sleep(0.5)
            subprocess.run(["import", "-window", window, os.environ["VELMORASCA_SCREENSHOT"]], check=True)
        send_close(window)
        self.assertEqual(e.wait(timeout=20), 0)
        self.assertNotIn("Mossa rifiutata", e.read_file("list.txt"))
        self.assertRegex(e.read_file("list.txt"), r"\nMossa migliore: %s, punteggio: -?\d+\n" % answer)
        rc, out, err = e.finish()
        self.assertRegex(out, rb"\nmove %s\n" % answer.encode())

    def test_an_unknown_word_shows_a_message_box_then_ends(self):
        e = self.start(["--nonsense"])
        box = wait_for(windows, "message box", e)[0]
        time.sleep(0.3)
        self.assertIsNone(e.proc.poll(), "the program waits for the box to be closed")
        xdotool("key", "--window", box, "Return")
        rc, out, err = e.finish()
        self.assertNotEqual(rc, 0)
        self.assertEqual(err.decode("latin-1").splitlines()[0], "Comando sconosciuto: --nonsense")

    def test_protocol_mode_shows_no_window(self):
        for display in (os.environ["DISPLAY"], ":4242"):  # a display that is there, and one that is not
            e = self.start(["xboard"], env=dict(os.environ, DISPLAY=display))
            e.line("new", "go")
            self.assertRegex(e.read_until(b"\n", timeout=20) + e.read_until(b"\n", timeout=20),
                             rb"^\nmove [a-h][1-8][a-h][1-8]\n$")
            self.assertEqual(windows(), [])
            e.line("quit")
            self.assertEqual(e.finish(), (0, b"", b""))


if __name__ == "__main__":
    run()
