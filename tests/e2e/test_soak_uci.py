"""Two games (one each colour) under real xboard against fairymax with the engine as a UCI engine: xboard's
-fUCI starts it as "./velmorasca uci" behind polyglot (tools/match.py --uci). Any crash, illegal move, loss on
time or unfinished game fails it, and so does any complaint of the engine about what polyglot sent it.
Slow: the sanitizer run leaves it out."""
import os
import re
import shutil
import sys
import unittest

from engine import BUILD, SOURCE, run

sys.path.insert(0, os.path.join(SOURCE, "tools"))
import match  # noqa: E402  (the tooling's xboard match driver)


@unittest.skipIf(match.missing_tools("fairymax", uci=True), "xboard, Xvfb, fairymax or polyglot missing")
class UciGame(unittest.TestCase):
    def test_games_through_polyglot_are_clean(self):
        res = match.play_match(engine=os.path.join(BUILD, "velmorasca"), opponent="fairymax", games=2, tc="0:20",
                               uci=True, log=lambda s: sys.stderr.write(s + "\n"))
        sys.stderr.write(res.summary() + "\n")
        where = "\nfiles in " + res.workdir
        self.assertTrue(res.clean, "; ".join(res.problems()) + where)
        self.assertEqual(res.engine_starts, 1, where)  # one engine for both games, as xboard keeps it
        # What the engine said to polyglot: its name and, in games of several moves, only moves.
        said = re.findall(r"Engine->Adapter: (.*)", match.read_text(res.adapter_log))
        self.assertIn("id name Velmorasca 1.1", said, where)
        self.assertIn("uciok", said, where)
        self.assertGreaterEqual(sum(line.startswith("bestmove ") for line in said), 10, where)
        self.assertEqual([line for line in said if line.startswith("info string")], [], where)
        self.assertNotIn("bestmove 0000", said, where)  # xboard ends the game before asking at mate
        self.assertTrue(all(g.moves >= 5 for g in res.games), [(g.moves, g.reason) for g in res.games])
        shutil.rmtree(res.workdir, ignore_errors=True)


if __name__ == "__main__":
    run()
