"""The Windows engine window under Wine on a private Xvfb display: it opens
with the settings, computes a move, plays a typed move and answers it,
refuses a bad one, and closing it shuts the engine down. Controls are
clicked at their designed places (twips / 15) with xdotool; the window is
closed with WM_CLOSE (Wine's taskkill without /f), and VELMORASCA_WINDOW_DUMP
has the list written out as it closes."""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "e2e"))
from engine import WINE, EngineTest, run  # noqa: E402

DISPLAY = ":%d" % (90 + os.getpid() % 50)


def px(twips):
    return (twips + 7) // 15


def centre(left, top, width, height):
    return px(left) + px(width) // 2, px(top) + px(height) // 2


COMPUTE = centre(120, 1680, 1575, 375)
STOP = centre(120, 2520, 1575, 375)
TEXT1 = centre(1440, 5400, 1095, 285)
COMMAND1 = centre(2640, 5400, 1215, 375)


@unittest.skipUnless(shutil.which("Xvfb") and shutil.which("xdotool"), "needs Xvfb and xdotool")
class EngineWindow(EngineTest):
    @classmethod
    def setUpClass(cls):
        cls.xvfb = subprocess.Popen(["Xvfb", DISPLAY, "-screen", "0", "800x600x24", "-nolisten", "tcp"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1)
        # Wine's desktop process takes the display of the program that starts
        # it and serves every later window; a Wine server of the headless
        # tests would have started it without one. So these tests get a
        # server of their own, its background programs started on /dev/null.
        cls.wine_quiet(["wineserver", "-k"])
        cls.wine_quiet(["wineserver", "-p"])
        cls.wine_quiet(["wine", "cmd", "/c", "exit"])

    @classmethod
    def tearDownClass(cls):
        cls.wine_quiet(["wineserver", "-k"])
        cls.xvfb.terminate()
        cls.xvfb.wait()

    @staticmethod
    def wine_quiet(command):
        subprocess.run(command, env=dict(os.environ, DISPLAY=DISPLAY), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def env(self, dump):
        return dict(os.environ, DISPLAY=DISPLAY, VELMORASCA_WINDOW_DUMP=dump)

    def xdo(self, *args):
        return subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=DISPLAY), capture_output=True,
                              text=True).stdout.split()

    def window(self, timeout=60):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.xdo("search", "--onlyvisible", "--name", "^Velmorasca$")
            if found:
                return found[0]
            time.sleep(0.2)
        self.fail("the window did not appear; windows named so: %s" % self.xdo("search", "--name", "Velmorasca"))

    def click(self, win, at):
        self.xdo("mousemove", "--window", win, str(at[0]), str(at[1]), "click", "1")

    def type_move(self, win, text, enter=False):
        """Types text into the move box and sends it with the button (or Enter)."""
        self.click(win, TEXT1)
        self.xdo("key", "End")
        self.xdo("key", "--repeat", "12", "BackSpace")  # the edit box knows no ctrl+a
        self.xdo("type", "--delay", "50", text)
        if enter:
            self.xdo("key", "Return")
        else:
            self.click(win, COMMAND1)

    def wait_for(self, what, test, timeout=30):
        deadline = time.monotonic() + timeout
        while not test():
            if time.monotonic() > deadline:
                self.fail("no " + what)
            time.sleep(0.2)

    def close_window(self, e):
        self.wine_quiet(["wine", "taskkill", "/im", "velmorasca.exe"])  # WM_CLOSE to its window
        rc, out, err = e.finish(30)
        return rc

    def dump(self, path):
        with open(path, "rb") as f:
            return f.read().decode("cp1252").splitlines()

    def dump_file(self):
        fd, path = tempfile.mkstemp(prefix="velmor-list-")
        os.close(fd)
        self.addCleanup(os.remove, path)
        return path

    def start_window(self, dump, **kw):
        e = self.start([], env=self.env(dump), **kw)
        # pipehost's end does not end a window-mode engine, which reads no input.
        self.addCleanup(self.wine_quiet, ["wine", "taskkill", "/f", "/im", "velmorasca.exe"])
        return e

    def test_opens_with_the_settings_and_computes_a_move(self):
        dump = self.dump_file()
        e = self.start_window(dump)
        win = self.window()
        self.wait_for("the settings file", lambda: e.exists("Velmorasca.ini"))
        self.assertEqual(e.settings(), {("log", "level"): "0", ("general", "profondita"): "2", ("book", "enabled"): "1",
                                        ("log", "enabled"): "0", ("general", "cancastle"): "1"})
        self.click(win, COMPUTE)
        self.wait_for("settings from the compute button", lambda: ("time", "enabled") in e.settings())
        time.sleep(2)  # depth 2 takes milliseconds
        self.assertEqual(self.close_window(e), 0)
        lines = self.dump(dump)
        best = [l for l in lines if l.startswith("Mossa migliore: ")]
        self.assertEqual(len(best), 1, lines)
        self.assertIn("-" * 67, lines)
        s = e.settings()
        self.assertEqual((s[("time", "enabled")], s[("general", "profondita")], s[("book", "enabled")]), ("0", "2", "1"))

    def test_a_typed_move_is_played_and_answered_and_a_bad_one_refused(self):
        dump = self.dump_file()
        e = self.start_window(dump, ini="[Log]\nLevel=1\n[General]\nProfondita=abc\n[Book]\nEnabled=0\n")
        win = self.window()
        self.type_move(win, "zz", enter=True)
        self.type_move(win, "e2e4")
        self.wait_for("the engine's answer", lambda: any(m.startswith("Mossa migliore") for m in e.log_messages()))
        self.assertEqual(self.close_window(e), 0)
        lines = self.dump(dump)
        self.assertTrue(any(l.startswith("Mossa rifiutata: zz") for l in lines), lines)
        self.assertEqual(len([l for l in lines if l.startswith("Mossa migliore: ")]), 1, lines)
        log = e.log_messages()
        self.assertIn("Mossa avversario: e2e4", log)
        self.assertEqual(log[-2:], ["Spengo il motore...", "Motore spento"])

    def test_stop_and_a_typed_question_mark_end_a_deep_think(self):
        dump = self.dump_file()
        e = self.start_window(dump, ini="[Log]\nLevel=1\n[General]\nProfondita=40\n[Book]\nEnabled=0\n")
        win = self.window()
        best = lambda: [m for m in e.log_messages("Analizza") if m.startswith("Mossa migliore")]
        for stop in ("button", "question mark"):
            self.click(win, COMPUTE)
            time.sleep(1.5)
            self.assertEqual(len(best()), 0 if stop == "button" else 1, "the think ended before the stop")
            if stop == "button":
                self.click(win, STOP)
            else:
                self.type_move(win, "?")
            self.wait_for("a move after the stop by " + stop, lambda: len(best()) == (1 if stop == "button" else 2))
        self.assertEqual(self.close_window(e), 0)
        stopped = [m for m in e.log_messages("Analizza") if m.startswith("Interrotto alla profondit")]
        self.assertEqual(len(stopped), 2)
        self.assertEqual(len([l for l in self.dump(dump) if l.startswith("Mossa migliore: ")]), 2)


if __name__ == "__main__":
    if not WINE:
        raise SystemExit("run with VELMORASCA_WINE=1 (make test-windows)")
    run()
