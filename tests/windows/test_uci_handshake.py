"""The UCI copy of the Windows build under Wine (tests/windows/run.sh): velmorasca-uci.exe lies beside
the engine as a copy (Windows has no links an interface could start) and, started by its name alone,
answers the handshake and searches. The protocol itself runs under Wine in tests/e2e/test_uci.py. Run
directly without VELMORASCA_WINE, it checks the Linux build's link the same way."""
import filecmp
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "e2e"))
import engine as harness  # noqa: E402
from engine import BUILD, WINE, EngineTest, run  # noqa: E402

PROGRAM, UCI_PROGRAM = ("velmorasca.exe", "velmorasca-uci.exe") if WINE else ("velmorasca", "velmorasca-uci")
INFO = re.compile(rb"^info depth (\d+) score (cp -?\d+|mate -?\d+) time (\d+) nodes (\d+)( nps \d+)? pv (\S+)$")


class UciOnWindows(EngineTest):
    def test_the_uci_copy_answers_by_its_name_alone(self):
        uci = os.path.join(BUILD, UCI_PROGRAM)
        self.assertTrue(os.path.isfile(uci), uci)
        if WINE:
            self.assertFalse(os.path.islink(uci))
        self.assertTrue(filecmp.cmp(uci, os.path.join(BUILD, PROGRAM), shallow=False))
        saved = harness.PROGRAM_FILES  # the harness copies its first program file into the folder
        harness.PROGRAM_FILES = [UCI_PROGRAM] + saved[1:]
        try:
            e = self.start(())
        finally:
            harness.PROGRAM_FILES = saved
        e.line("uci")
        said = e.read_until(b"uciok\n")
        self.assertTrue(said.startswith(b"id name Velmorasca 1.1\nid author the Velmorasca developers\n"), said)
        self.assertEqual(said.count(b"\noption name "), 5, said)
        e.line("isready", "setoption name OwnBook value false", "position startpos", "go depth 2")
        e.read_until(b"readyok\n")
        said = e.read_until(b"\nbestmove ", 30) + e.read_until(b"\n", 5)
        lines = said.splitlines()
        infos = [INFO.match(line) for line in lines[:-1]]
        self.assertTrue(infos and all(infos), said)
        self.assertEqual([int(m.group(1)) for m in infos], [1, 2], said)
        self.assertEqual(infos[-1].group(6), lines[-1].split()[1])
        self.quit(e)


if __name__ == "__main__":
    run()
