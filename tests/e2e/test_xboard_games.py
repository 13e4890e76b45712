"""Whole games under real xboard (on a private Xvfb display) against real engines.

Two games against fairymax, the engine White in one and Black in the other,
and one game from a FEN position against hoichess (fairymax takes positions
without "setboard" and drops their castling rights).  Any illegal move, any
result claim xboard refuses, a crashed or vanished engine, a game lost on
time or not finished fails the test.  The games and xboard's debug file stay
in the scratch folder named in the failure message.

Slow: the sanitizer run leaves this test out (ctest -E xboard_games).
"""
import os
import shutil
import sys
import unittest

SOURCE = os.environ.get("VELMORASCA_SOURCE") or os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("VELMORASCA_BUILD") or os.path.join(SOURCE, "build")
ENGINE = os.path.join(BUILD, "velmorasca")

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(SOURCE, "tools"))
import match  # noqa: E402  (tools/match.py)

# Two knights' defence, both sides still free to castle; White to move.
FEN = "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"


def report(res):
    lines = [res.summary()]
    lines += [f"problem: {p}" for p in res.problems()]
    lines += [f"game {i}: {g.white} - {g.black} {g.result} after {g.moves} moves: {g.reason}"
              for i, g in enumerate(res.games, 1)]
    lines.append(f"files in {res.workdir}")
    return "\n".join(lines)


# Without xboard or Xvfb there is nothing to play under; a missing opponent is a failure.
NO_DISPLAY = [t for t in ("xboard", "Xvfb") if not match.which(t)]


@unittest.skipIf(NO_DISPLAY, "not installed: " + ", ".join(NO_DISPLAY))
class XboardGames(unittest.TestCase):

    def setUp(self):
        self.assertTrue(os.access(ENGINE, os.X_OK), f"no engine binary at {ENGINE}")

    def play(self, **kw):
        res = match.play_match(engine=ENGINE, log=lambda s: print(s, file=sys.stderr), **kw)
        print(res.summary(), file=sys.stderr)
        self.assertTrue(res.clean, report(res))
        self.assertEqual(len(res.games), kw["games"], report(res))
        self.addCleanup(shutil.rmtree, res.workdir, True)  # kept when the game went wrong
        return res

    def test_two_games_against_fairymax(self):
        res = self.play(opponent="fairymax", games=2, tc="0:30", timeout=480)
        self.assertEqual([g.engine_white for g in res.games], [True, False], report(res))

    def test_game_from_fen_against_hoichess(self):
        missing = match.missing_tools("hoichess")
        if missing:
            self.fail("not installed: " + ", ".join(missing))
        res = self.play(opponent="hoichess", games=1, tc="0:30", fen=FEN, engine_black=True, timeout=300)
        game = res.games[0]
        self.assertEqual(game.fen.split()[:4], FEN.split()[:4], report(res))
        self.assertFalse(game.engine_white, report(res))


if __name__ == "__main__":
    unittest.main()
