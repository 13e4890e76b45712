"""A whole game under real XBoard on Linux (on a private Xvfb display)
against fairymax, the Windows engine run by Wine: the engine's input is
then a Linux pipe, read through the pipe layer's read-ahead thread. Any
illegal move, refused result claim, crash, loss on time or unfinished game
fails the test (tools/match.py judges the game)."""
import os
import shutil
import sys
import unittest

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.environ.get("VELMORASCA_SOURCE") or os.path.dirname(os.path.dirname(HERE))
BUILD = os.environ.get("VELMORASCA_BUILD") or os.path.join(SOURCE, "build-win")
sys.path.insert(0, os.path.join(SOURCE, "tools"))
import match  # noqa: E402  (tools/match.py)

WRAPPER = os.path.join(HERE, "velmorasca-wine.sh")
write_engine_folder = match.write_engine_folder


def write_windows_engine_folder(folder, engine, depth, book):
    """The match's engine folder, with the Windows programs beside the wrapper."""
    write_engine_folder(folder, engine, depth, book)
    for name in ("velmorasca.exe", "velmorutil.dll"):
        shutil.copy2(os.path.join(BUILD, name), os.path.join(folder, name))


NOT_INSTALLED = [t for t in ("xboard", "Xvfb", "fairymax", "wine") if not match.which(t)]


@unittest.skipIf(NOT_INSTALLED, "not installed: " + ", ".join(NOT_INSTALLED))
class XboardUnderWine(unittest.TestCase):
    def test_a_game_against_fairymax(self):
        match.write_engine_folder = write_windows_engine_folder
        self.addCleanup(setattr, match, "write_engine_folder", write_engine_folder)
        res = match.play_match(engine=WRAPPER, opponent="fairymax", games=1, tc="0:30", timeout=300,
                               log=lambda s: print(s, file=sys.stderr))
        print(res.summary(), file=sys.stderr)
        detail = "\n".join([res.summary()] + ["problem: " + p for p in res.problems()] + ["files in " + res.workdir])
        self.assertTrue(res.clean, detail)
        self.assertEqual(len(res.games), 1, detail)
        shutil.rmtree(res.workdir, True)  # kept when the game went wrong


if __name__ == "__main__":
    unittest.main(verbosity=2)
