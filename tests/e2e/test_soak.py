"""tools/soak.py --quick under real xboard: a game against fairymax, two from a FEN with castling rights
against hoichess, the scripted takebacks. Any crash, illegal move, refused claim, loss on time, unfinished
game, missing opponent or takeback fault fails it. Slow: the sanitizer run leaves it out."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from engine import BUILD, SOURCE, run

PATH = os.environ.get("PATH", "") + os.pathsep + "/usr/games"


@unittest.skipUnless(shutil.which("xboard", path=PATH) and shutil.which("Xvfb", path=PATH), "no xboard or Xvfb")
class Soak(unittest.TestCase):
    def test_games_under_xboard_and_takebacks_are_clean(self):
        out_dir = tempfile.mkdtemp(prefix="velmor-soak-")
        out = subprocess.run([sys.executable, os.path.join(SOURCE, "tools", "soak.py"), "--quick", "--tc", "0:20",
                              "--opponents", "fairymax,fen", "--engine", os.path.join(BUILD, "velmorasca"),
                              "--out", out_dir], capture_output=True, text=True, timeout=900)
        sys.stderr.write(out.stdout)
        self.assertEqual(out.returncode, 0, out.stdout + out.stderr[-3000:] + "\nfiles in " + out_dir)
        shutil.rmtree(out_dir, True)


if __name__ == "__main__":
    run()
