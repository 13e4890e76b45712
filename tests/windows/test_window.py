"""The Win32 engine window under Wine on the X display run.sh gives it, its controls clicked at their
designed places (twips / 15) and its board at the centres of the squares with xdotool; it is closed
with WM_CLOSE (Wine's taskkill without /f), and writes its list to VELMORASCA_WINDOW_DUMP as it
closes. With VELMORASCA_SCREENSHOT set, the board test saves the window after the engine's answer
there as a PNG (docs/window-windows.png)."""
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "e2e"))
from engine import SHUTDOWN, WINE, EngineTest, run  # noqa: E402


def centre(left, top, width, height):
    return str((left + width // 2 + 7) // 15), str((top + height // 2 + 7) // 15)


DEPTH, COMPUTE, STOP = centre(3000, 720, 855, 285), centre(120, 1680, 1575, 375), centre(120, 2520, 1575, 375)
TEXT1, COMMAND1 = centre(1440, 5400, 1095, 285), centre(2640, 5400, 1215, 375)


# The board's squares: 46 pixels from the top-left corner (273, 8), White at the bottom.
BOARD_LEFT, BOARD_TOP, SQUARE = 273, 8, 46


def square(name):
    """Centre of a square ("e2") in client coordinates."""
    file, rank = ord(name[0]) - ord("a"), int(name[1])
    return str(BOARD_LEFT + SQUARE * file + SQUARE // 2), str(BOARD_TOP + SQUARE * (8 - rank) + SQUARE // 2)


def corner(name):
    """A point near the top-right corner of a square: no piece, letter or digit covers it."""
    file, rank = ord(name[0]) - ord("a"), int(name[1])
    return BOARD_LEFT + SQUARE * file + SQUARE - 4, BOARD_TOP + SQUARE * (8 - rank) + 3


def dark(name):
    return (ord(name[0]) - ord("a") + int(name[1])) % 2 == 1  # a1 is dark


def quietly(*command):
    subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def xdo(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.split()


@unittest.skipUnless(os.environ.get("DISPLAY") and shutil.which("xdotool"), "needs an X display and xdotool")
class EngineWindow(EngineTest):
    def wait_for(self, what, test, timeout=60):
        deadline = time.monotonic() + timeout
        while not test():
            self.assertLess(time.monotonic(), deadline, "no " + what)
            time.sleep(0.2)
        return test()

    def click(self, at):
        xdo("mousemove", "--window", self.win, *at, "click", "1")

    def type_into(self, box, text, then=None):
        self.click(box)
        xdo("key", "End")
        xdo("key", "--repeat", "12", "BackSpace")  # the edit box knows no ctrl+a
        xdo("type", "--delay", "50", text)
        if then == "Return":
            xdo("key", "Return")
        elif then:
            self.click(then)

    def window_shot(self, name):
        """The window's client area as a PPM, read into (width, height, pixel(x, y))."""
        subprocess.run(["import", "-window", self.win, "-depth", "8", self.engine.path(name)], check=True, capture_output=True)
        with open(self.engine.path(name), "rb") as f:
            data = f.read()
        header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)  # one blank before the pixels
        self.assertTrue(header, data[:20])
        width, height, pixels = int(header[1]), int(header[2]), data[header.end():]
        return width, height, lambda x, y: tuple(pixels[3 * (y * width + x):3 * (y * width + x) + 3])

    def test_board_clicks_play_moves_only_when_legal_and_idle(self):
        e = self.engine = self.start([], ini="[Log]\nLevel=1\n[Book]\nEnabled=0\n[General]\nProfondita=40\n",
                                     env=dict(os.environ, VELMORASCA_WINDOW_DUMP="list.txt"))
        self.addCleanup(quietly, "wine", "taskkill", "/f", "/im", "velmorasca.exe")
        self.win = self.wait_for("window", lambda: xdo("search", "--onlyvisible", "--name", "^Velmorasca$"))[0]
        self.assertIn("654x389", " ".join(xdo("getwindowgeometry", self.win)))  # the client area
        played = lambda: [m for m in e.log_messages("ParseCommand") if m.startswith("Mossa avversario")]  # noqa: E731
        best = lambda: [m[len("Mossa migliore: "):] for m in e.log_messages("Analizza")  # noqa: E731
                        if m.startswith("Mossa migliore: ")]
        self.wait_for("the settings file", lambda: e.exists("Velmorasca.ini") and len(e.settings()) >= 5)
        # Nothing is played by: an opponent's piece then an empty square, an empty square then a
        # square, a pawn to a square it cannot reach. The clicks are handled in order, so the legal
        # pair after them shows they were handled.
        for name in ("e7", "e5", "e4", "e5", "e2", "e5", "e2", "e4"):
            self.click(square(name))
        self.wait_for("the clicked move", lambda: played())
        self.assertEqual(played(), ["Mossa avversario: e2e4"])
        # During the think the board takes no move; the stop makes the engine answer.
        time.sleep(1.5)
        for name in ("d7", "d5"):
            self.click(square(name))
        time.sleep(0.5)
        self.assertEqual(best(), [], "the think ended before the stop")
        self.click(STOP)
        self.wait_for("the engine's answer", lambda: best())
        self.assertEqual(played(), ["Mossa avversario: e2e4"])
        answer = best()[0]
        # The board shows the engine's move as the last one: its squares marked, e2 and e4 no
        # longer (compared with unmarked squares of the same shade). Wine paints a little later.
        def wrongly_shown():
            width, height, pixel = self.window_shot("board.ppm")
            self.assertEqual((width, height), (654, 389))
            plain = {shade: pixel(*corner(next(f + r for f in "abcdefgh" for r in "3456" if dark(f + r) == shade
                                                and f + r not in (answer[:2], answer[2:4], "e4"))))
                     for shade in (False, True)}
            self.assertNotEqual(plain[False], plain[True])
            return [name for name in ("e2", "e4", answer[:2], answer[2:4])
                    if (pixel(*corner(name)) == plain[dark(name)]) != (name in ("e2", "e4"))]
        self.wait_for("the answer marked", lambda: not wrongly_shown(), timeout=20)
        if os.environ.get("VELMORASCA_SCREENSHOT"):
            subprocess.run(["convert", e.path("board.ppm"), os.environ["VELMORASCA_SCREENSHOT"]], check=True)
        quietly("wine", "taskkill", "/im", "velmorasca.exe")
        self.assertEqual(e.finish(30)[0], 0)
        with open(e.path("list.txt"), "rb") as f:
            shown = f.read().decode("cp1252").splitlines()
        self.assertIn("Mossa migliore: " + answer + ", punteggio: ", "\n".join(shown))

    def test_settings_a_computed_move_typed_moves_and_stops(self):
        e = self.start([], ini="[Log]\nLevel=1\n", env=dict(os.environ, VELMORASCA_WINDOW_DUMP="list.txt"))
        # pipehost's end does not end a window-mode engine, which reads no input.
        self.addCleanup(quietly, "wine", "taskkill", "/f", "/im", "velmorasca.exe")
        self.win = self.wait_for("window", lambda: xdo("search", "--onlyvisible", "--name", "^Velmorasca$"))[0]
        best = lambda: [m for m in e.log_messages("Analizza") if m.startswith("Mossa migliore")]  # noqa: E731
        self.wait_for("the settings file", lambda: len(e.settings()) == 5)
        self.assertEqual(e.settings(), {("log", "level"): "1", ("general", "profondita"): "2", ("book", "enabled"): "1",
                                        ("log", "enabled"): "0", ("general", "cancastle"): "1"})
        self.type_into(DEPTH, "40")
        self.type_into(TEXT1, "zz", "Return")
        # White's move by the compute button, stopped by the stop button; then e7e5 (legal after any
        # first move) typed and sent, its answer stopped by a typed "?".
        for think, stop, n in ((lambda: self.click(COMPUTE), lambda: self.click(STOP), 1),
                               (lambda: self.type_into(TEXT1, "e7e5", COMMAND1),
                                lambda: self.type_into(TEXT1, "?", COMMAND1), 2)):
            think()
            time.sleep(1.5)
            self.assertEqual(len(best()), n - 1, "the think ended before the stop")
            stop()
            self.wait_for("a move after the stop", lambda: len(best()) == n)
        quietly("wine", "taskkill", "/im", "velmorasca.exe")  # WM_CLOSE to its window, as a user closes it
        self.assertEqual(e.finish(30)[0], 0)
        with open(e.path("list.txt"), "rb") as f:
            shown = f.read().decode("cp1252").splitlines()
        self.assertEqual(len([line for line in shown if line.startswith("Mossa migliore: ")]), 2, shown)
        self.assertIn("-" * 67, shown)
        self.assertTrue(any(line.startswith("Mossa rifiutata: zz") for line in shown), shown)
        self.assertEqual(len([m for m in e.log_messages("Analizza") if m.startswith("Interrotto alla profondit")]), 2)
        self.assertIn("Mossa avversario: e7e5", e.log_messages())
        self.assertEqual(e.log_messages()[-2:], SHUTDOWN)
        s = e.settings()  # the boxes, kept by the compute button
        self.assertEqual((s[("time", "enabled")], s[("general", "profondita")], s[("book", "enabled")]), ("0", "40", "1"))


if __name__ == "__main__":
    if not WINE:
        raise SystemExit("run with VELMORASCA_WINE=1 (make test-windows)")
    run()
