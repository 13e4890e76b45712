"""The Win32 engine window under Wine on the X display run.sh gives it, its controls clicked at their
designed places (twips / 15) with xdotool; it is closed with WM_CLOSE (Wine's taskkill without /f),
and writes its list to VELMORASCA_WINDOW_DUMP as it closes."""
import os
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
