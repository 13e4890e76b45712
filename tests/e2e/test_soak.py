"""The short version of the soak (tools/soak.py --quick): a game against
stockfish through polyglot and two games from a FEN position with castling
rights against hoichess, under real xboard, plus a scripted takeback
session; no crash, illegal move, time forfeit or unfinished game, and the
engine's peak memory is reported. (The games against fairymax and hoichess
from the start position are played by test_xboard_games.)"""
import os
import subprocess
import sys
import tempfile
import unittest

from engine import BUILD, SOURCE, run

SOAK = os.path.join(SOURCE, "tools", "soak.py")


def have(name):
    return any(os.access(os.path.join(d, name), os.X_OK) for d in os.environ.get("PATH", "").split(os.pathsep) + ["/usr/games"])


@unittest.skipUnless(have("xboard") and have("Xvfb") and have("hoichess"), "xboard, Xvfb or hoichess not installed")
class ShortSoak(unittest.TestCase):
    def test_short_soak_is_clean(self):
        out_dir = tempfile.mkdtemp(prefix="velmor-soak-")
        out = subprocess.run([sys.executable, SOAK, "--quick", "--tc", "0:20", "--opponents", "stockfish,fen",
                              "--engine", os.path.join(BUILD, "velmorasca"), "--out", out_dir],
                             capture_output=True, text=True, timeout=900)
        sys.stderr.write(out.stdout)
        self.assertEqual(out.returncode, 0, out.stdout + out.stderr[-3000:])
        with open(os.path.join(out_dir, "summary.txt")) as f:
            summary = f.read()
        self.assertIn("crashes 0", summary)
        self.assertIn("peak memory", summary)


if __name__ == "__main__":
    run()
