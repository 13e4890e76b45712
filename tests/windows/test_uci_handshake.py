"""The UCI mode of the Windows build under Wine (tests/windows/run.sh), through the pipe host: the handshake
bytes, "isready", a search to depth 2, options that never reach Velmorasca.ini, and the same from
velmorasca-uci.exe, the copy that starts in UCI mode by its name alone. Run directly without
VELMORASCA_WINE, it checks the Linux build the same way (velmorasca-uci being the link there)."""
import filecmp
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "e2e"))
import engine as harness  # noqa: E402
from engine import BUILD, SHUTDOWN, WINE, EngineTest, run  # noqa: E402

PROGRAM, UCI_PROGRAM = ("velmorasca.exe", "velmorasca-uci.exe") if WINE else ("velmorasca", "velmorasca-uci")
SETTINGS = "[Log]\nLevel=1\n[Book]\nEnabled=0\n[Time]\nEnabled=0\n[General]\nProfondita=3\n"


def handshake(depth=4, book="true", use_time="true", can_castle=1, log_level=0):
    return ("id name Velmorasca 1.1\nid author the Velmorasca developers\n"
            "option name Depth type spin default %d min 1 max 98\n"
            "option name OwnBook type check default %s\n"
            "option name UseTime type check default %s\n"
            "option name CanCastle type spin default %d min 0 max 3\n"
            "option name LogLevel type spin default %d min 0 max 4\n"
            "uciok\n" % (depth, book, use_time, can_castle, log_level)).encode()


START_MOVES = {f + "2" + f + r for f in "abcdefgh" for r in "34"} | {"b1a3", "b1c3", "g1f3", "g1h3"}
INFO = re.compile(rb"^info depth (\d+) score (cp -?\d+|mate -?\d+) time (\d+) nodes (\d+)( nps \d+)? pv (\S+)$")


class UciOnWindows(EngineTest):
    def start_as(self, program, *args, **kw):
        """The engine copied into its folder as program (the harness copies its first program file)."""
        saved = harness.PROGRAM_FILES
        harness.PROGRAM_FILES = [program] + saved[1:]
        try:
            return self.start(args, **kw)
        finally:
            harness.PROGRAM_FILES = saved

    def test_the_uci_program_is_built_beside_the_engine(self):
        uci = os.path.join(BUILD, UCI_PROGRAM)
        self.assertTrue(os.path.isfile(uci), uci)
        if WINE:  # a copy: Windows has no symbolic links an interface could start
            self.assertFalse(os.path.islink(uci))
        self.assertTrue(filecmp.cmp(uci, os.path.join(BUILD, PROGRAM), shallow=False))

    def test_handshake_isready_and_a_search_by_switch_and_by_name(self):
        for program, args in ((PROGRAM, ("uci",)), (PROGRAM, ("-UCI",)), (UCI_PROGRAM, ())):
            with self.subTest(program=program, args=args):
                e = self.start_as(program, *args)
                e.line("uci")
                self.assertEqual(e.read_until(b"uciok\n"), handshake())
                e.line("isready")
                self.assertEqual(e.read_until(b"readyok\n"), b"readyok\n")
                e.line("setoption name OwnBook value false", "ucinewgame", "position startpos", "go depth 2")
                said = e.read_until(b"\nbestmove ", 30) + e.read_until(b"\n", 5)
                lines = said.splitlines()
                infos = [INFO.match(line) for line in lines[:-1]]
                self.assertTrue(infos and all(infos), said)
                self.assertEqual([int(m.group(1)) for m in infos], [1, 2], said)
                move = lines[-1].split()[1].decode()
                self.assertIn(move, START_MOVES)
                self.assertEqual(infos[-1].group(6).decode(), move)
                self.quit(e)

    def test_option_defaults_come_from_the_settings_file_which_options_never_change(self):
        e = self.start_as(PROGRAM, "uci", ini=SETTINGS)
        e.line("uci")
        self.assertEqual(e.read_until(b"uciok\n"), handshake(depth=3, book="false", use_time="false", log_level=1))
        e.line("setoption name Depth value 2", "setoption name UseTime value true",
               "setoption name LogLevel value 2", "position startpos", "go depth 1")
        self.assertIn(b"\ninfo depth 1 ", b"\n" + e.read_until(b"\nbestmove ", 30))
        self.quit(e)
        settings = e.settings()
        self.assertEqual((settings[("general", "profondita")], settings[("time", "enabled")],
                          settings[("log", "level")]), ("3", "0", "1"))
        self.assertEqual(e.log_messages("Esci"), SHUTDOWN)


if __name__ == "__main__":
    run()
