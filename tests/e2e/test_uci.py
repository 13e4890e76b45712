"""The UCI mode over real pipes: how it is started, the handshake, the options
(which never reach the settings file), positions and moves, "go" with its
limits, "stop" and "isready" during a think, the book, positions without a
move, bad input, and the same search as the xboard mode on the bench
positions."""
import os
import re
import subprocess
import time

from engine import BUILD, PROGRAM_FILES, SHUTDOWN, SLOW, WINE, EngineTest, run

QUIET = "[Time]\nEnabled=0\n[Book]\nEnabled=0\n[Log]\nLevel=1\n[General]\nProfondita=3\n"
HANDSHAKE = (b"id name Velmorasca 1.1\nid author the Velmorasca developers\n"
             b"option name Depth type spin default %d min 1 max 98\n"
             b"option name OwnBook type check default %s\n"
             b"option name UseTime type check default %s\n"
             b"option name CanCastle type spin default %d min 0 max 3\n"
             b"option name LogLevel type spin default %d min 0 max 4\n"
             b"uciok\n")
BESTMOVE = re.compile(rb"bestmove (\S+)\n")
INFO = re.compile(rb"info depth (\d+) score (cp -?\d+|mate -?\d+) time (\d+) nodes (\d+)(?: nps \d+)? pv (\S+)\n")
# A think that only a stop ends in any reasonable time.
DEEP = "go depth 30"


class Uci(EngineTest):
    def engine(self, ini=QUIET, args=("uci",), **kw):
        return self.start(args, ini=ini, **kw)

    def ready(self, e, timeout=10):
        """What the engine wrote before its "readyok": everything sent earlier is handled."""
        e.line("isready")
        return e.read_until(b"readyok\n", timeout)[:-len(b"readyok\n")]

    def think(self, e, *lines, timeout=60):
        """The engine's output up to its bestmove, and the move."""
        e.line(*lines)
        out = e.read_until(b"bestmove ", timeout) + e.read_until(b"\n", 5)
        return out, BESTMOVE.search(out).group(1).decode()

    def infos(self, out):
        return INFO.findall(out)

    # ---------------------------------------------------------------- start

    def test_the_handshake_bytes_and_option_defaults_from_the_file_unwritten(self):
        e = self.engine(ini=None)
        e.line("uci")
        self.assertEqual(e.read_until(b"uciok\n"), HANDSHAKE % (4, b"true", b"true", 1, 0))
        self.assertEqual(self.ready(e), b"")
        # The file holds what start-up seeds, nothing for the options it lacked.
        self.assertEqual(set(e.settings()), {("log", "enabled"), ("log", "level"), ("book", "enabled")})
        ini = "[General]\nProfondita=7\nCanCastle=2\n[Book]\nEnabled=0\n[Time]\nEnabled=0\n[Log]\nLevel=3\n"
        e = self.engine(ini=ini, args=("-UCI",))
        e.line("uci", "uci")
        self.assertEqual(e.read_until(b"uciok\n"), HANDSHAKE % (7, b"false", b"false", 2, 3))
        self.assertEqual(e.read_until(b"uciok\n"), HANDSHAKE % (7, b"false", b"false", 2, 3))
        self.quit(e)
        self.assertEqual(e.log_messages("Esci"), SHUTDOWN)

    def test_the_command_line_and_the_uci_name(self):
        for args in (["uci"], ["/UCI"], ["-Uci"]):
            e = self.start(args, ini=QUIET)
            self.assertEqual(self.ready(e), b"", args)
            self.assertEqual(e.finish()[:2], (0, b""))
        for args, shown in ((["xboard", "uci"], "xboard uci"), (["uci", "uci"], "uci uci"), (["uci", ""], "uci "),
                            (["ucinewgame"], "ucinewgame")):
            e = self.start(args)
            rc, out, err = e.finish()
            self.assertNotEqual(rc, 0, args)
            self.assertEqual(out, b"", args)
            self.assertEqual(err.decode("latin-1").splitlines()[0], "Comando sconosciuto: " + shown)
            self.assertEqual(sorted(os.listdir(e.folder)), PROGRAM_FILES, args)
        if WINE:
            return
        # A link named ...-uci (any case, any extension) in another folder: UCI mode with no argument;
        # the settings lie beside the program it leads to. With an argument, the argument decides.
        e = self.engine()
        e.finish()
        links = os.path.join(e.root, "links")
        os.makedirs(links)
        for name, args, uci in (("velmorasca-uci", [], True), ("Engine-UCI.exe", [], True),
                                ("velmorasca-uci", ["xboard"], False), ("uci", [], False)):
            link = os.path.join(links, name)
            if not os.path.islink(link):
                os.symlink(e.exe, link)
            p = subprocess.Popen([link] + args, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                 cwd=links, env={k: v for k, v in os.environ.items() if k != "DISPLAY"})
            out, err = p.communicate(b"isready\nprotover 2\nquit\n", timeout=20 * SLOW)
            if uci:
                self.assertEqual((p.returncode, out), (0, b"readyok\ninfo string unknown command: protover\n"), name)
            elif args:
                self.assertEqual(p.returncode, 0, name)
                self.assertIn(b"\nfeature ", out, name)
            else:
                self.assertNotEqual(p.returncode, 0, name)  # the window, and no display for it
        self.assertEqual(sorted(os.listdir(links)), ["Engine-UCI.exe", "uci", "velmorasca-uci"])

    # -------------------------------------------------------------- options

    def test_options_stand_for_their_settings_and_never_reach_the_file(self):
        e = self.engine(ini=QUIET + "[Print]\nPosition=N\n")
        self.ready(e)
        before = e.read_file("Velmorasca.ini")
        e.line("setoption name Depth value 2", "setoption name usetime value FALSE", "setoption name CanCastle value 0",
               "setoption name LogLevel value 0", "setoption name LogLevel value 2")
        for bad in ("setoption name Depth value 99", "setoption name Depth value 0", "setoption name Depth value two",
                    "setoption name Depth", "setoption name OwnBook value yes", "setoption name Hash value 16",
                    "setoption name", "setoption Depth value 3"):
            e.line(bad)
            self.assertRegex(self.ready(e), rb"^info string [^\n]+\n$", bad)
        out, move = self.think(e, "position startpos moves e2e4", "go")
        self.assertEqual([d for d, *_ in self.infos(out)], [b"1", b"2"])  # the option's depth, not the file's 3
        self.assertEqual(e.read_file("Velmorasca.ini"), before)
        self.assertIn("Opzione impostata: Depth=2", e.log_messages("ParseUciCommand"))
        self.assertIn("Analizza", e.log_messages("Analizza"))  # level 2 lines: the option's log level

    # ------------------------------------------------------------- position

    def test_positions_moves_and_refusals_leave_the_position_as_it_was(self):
        e = self.engine()
        base = "position startpos moves e2e4 e7e5 g1f3"
        out1, move1 = self.think(e, base, "go depth 3")
        # A refused FEN, an illegal move, a move after the last one cut off, malformed commands:
        # each says why and changes nothing.
        for bad in ("position fen 8/8/8/8/8/8/8/8 w - - 0 1", "position fen", base + " b8c6 e1e3",
                    base + " e7e5", base + " b8c6 xyz", base + " 0000", "position", "position startpos e2e4",
                    "position somewhere", base.replace("e7e5", "E7E5x")):
            e.line(bad)
            said = self.ready(e)
            self.assertRegex(said, rb"^info string (refused position|illegal move|position:)[^\n]*\n$", bad)
        out2, move2 = self.think(e, "go depth 3")
        self.assertEqual((move2, self.infos(out2)[-1][3]), (move1, self.infos(out1)[-1][3]))
        # The opponent's moves are logged once, as they come; the engine's own moves are not logged as
        # the opponent's; a move list that no longer extends the last starts again.
        self.think(e, base + " " + move1 + " b1c3", "go depth 2")
        self.think(e, "position startpos moves d2d4", "go depth 2")
        said = e.log_messages("ParseUciCommand")
        opp = [m[len("Mossa avversario: "):] for m in said if m.startswith("Mossa avversario: ")]
        self.assertEqual(opp, ["e2e4", "e7e5", "g1f3", move1, "b1c3", "d2d4"])
        self.assertIn("Mossa rifiutata: e1e3 (the piece cannot move so)", said)

    # ------------------------------------------------------------------- go

    def test_stop_and_isready_during_a_deep_think(self):
        e = self.engine()
        e.line("position startpos moves e2e4", DEEP)
        time.sleep(1)
        t0 = time.monotonic()
        self.assertNotIn(b"bestmove", self.ready(e, timeout=10))  # answered at once, the think goes on
        self.assertLess(time.monotonic() - t0, 5 * SLOW)
        e.line("position startpos", "uci")  # wait for the think: handled after it
        time.sleep(0.5)
        self.assertNotIn(b"bestmove", e.pending)
        out, move = self.think(e, "stop", timeout=10)
        self.assertEqual(out.count(b"bestmove"), 1)
        self.assertEqual(move.encode(), self.infos(out)[-1][4])
        self.assertEqual(e.read_until(b"uciok\n").count(b"id name"), 1)
        out, move = self.think(e, "go depth 1")  # the queued "position startpos" was handled
        self.assertIn(move, ("b1a3", "b1c3", "g1f3", "g1h3") + tuple(f + "2" + f + r for f in "abcdefgh" for r in "34"))
        # "go infinite" answers only after "stop", even once its search is over; "quit" ends at once.
        e.line("position fen 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1", "go infinite")
        e.read_until(b"score mate 1 ")
        time.sleep(1)
        self.assertNotIn(b"bestmove", self.ready(e))
        out, move = self.think(e, "stop")
        self.assertEqual(move, "a1a8")
        e.line(DEEP)
        time.sleep(0.5)
        e.line("quit")
        self.assertEqual(e.wait(10), 0)

    def test_movetime_and_the_clock(self):
        e = self.engine(ini=QUIET.replace("Profondita=3", "Profondita=30").replace("Enabled=0\n[Book]", "Enabled=1\n[Book]"))
        for go in ("go movetime 500", "go wtime 3000 btime 3000", "go wtime 100000 btime 100000 movestogo 40",
                   "go btime 1000 wtime 1000 binc 100 winc 100"):
            t0 = time.monotonic()
            out, move = self.think(e, "position startpos", go, timeout=30)
            self.assertLess(time.monotonic() - t0, 20 * SLOW, go)  # far beyond any budget here: no hang
            self.assertTrue(self.infos(out), go)
        # With the clock off ("depth"), the settings' depth of 30 is not used either.
        out, _ = self.think(e, "go depth 2 wtime 1")
        self.assertEqual(self.infos(out)[-1][0], b"2")
        self.assertEqual(e.read_file("Velmorasca.ini").count("Profondita=30"), 1)

    # ------------------------------------------------------ book, game ends

    def test_the_book_and_a_new_game_turning_it_on_again(self):
        e = self.engine(ini=QUIET.replace("[Book]\nEnabled=0", "[Book]\nEnabled=1"), files={"book.txt": "e2e4e7e5\r\n"})
        out, move = self.think(e, "position startpos", "go depth 2")
        self.assertEqual((out, move), (b"info string book move\nbestmove e2e4\n", "e2e4"))
        out, move = self.think(e, "position startpos moves d2d4", "go depth 2")  # no book line: off for the game
        self.assertNotIn(b"book", out)
        out, move = self.think(e, "position startpos", "go depth 2")
        self.assertNotIn(b"book", out)
        out, move = self.think(e, "ucinewgame", "position startpos", "go depth 2")
        self.assertEqual(move, "e2e4")
        self.assertIn(b"book move", out)
        out, move = self.think(e, "setoption name OwnBook value false", "ucinewgame", "position startpos", "go depth 2")
        self.assertNotIn(b"book", out)

    def test_mate_stalemate_and_en_passant_at_the_root(self):
        e = self.engine()
        cases = [
            ("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", "go depth 3", "0000", None),  # mated
            ("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "go depth 3", "0000", None),  # stalemate
            ("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "go infinite", "0000", None),
            ("6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1", "go depth 4", "a1a8", b"mate 1"),
            ("6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1", "go depth 1", "a1a8", b"mate 1"),
            ("7k/8/8/P7/8/2r5/1r6/7K w - - 0 1", "go depth 2", None, b"mate -1"),
            # Only the en-passant capture is legal: it takes the pawn that gave check.
            ("r6k/8/1n1p4/1Pp1n3/1K6/7r/8/8 w - c6 0 2", "go depth 3", "b5c6", None),
        ]
        for fen, go, want, score in cases:
            e.line("position fen " + fen, go)
            if go == "go infinite":
                time.sleep(0.5)
                e.line("stop")
            out, move = self.think(e)
            if want:
                self.assertEqual(move, want, fen)
            if score:
                self.assertEqual(self.infos(out)[-1][1], score, fen)
        self.assertNotIn(b"1-0", e.pending)

    # ------------------------------------------------------------ bad input

    def test_bad_input_is_answered_or_ignored_and_changes_nothing(self):
        e = self.engine()
        out1, move1 = self.think(e, "position startpos moves e2e4", "go depth 3")
        e.send(b"x" * (200 * 1024) + b"\n")
        e.send(b"\x00\xff\nposition \xff\xfe\n\tgo   depth \x01\n\n\r\nfoo\nstop\nponderhit\ndebug on\nregister later\n")
        e.send(b"go depth 2 nodes 5 searchmoves e2e4 ponder\n")
        said = e.read_until(b"bestmove ") + e.read_until(b"bestmove ") + e.read_until(b"\n")
        self.assertIn(b"info string line too long, ignored (204800 bytes)\n", said)
        self.assertIn(b"info string go: ignored nodes 5\ninfo string go: ignored searchmoves e2e4\n"
                      b"info string go: ignored ponder\n", said)
        for answer in (b"unknown command: foo", b"unknown command: ??", b"position: expected startpos or fen",
                       b"go: depth needs a whole number"):
            self.assertIn(b"info string " + answer + b"\n", said)
        out2, move2 = self.think(e, "go depth 3")
        self.assertEqual((move2, self.infos(out2)[-1][3]), (move1, self.infos(out1)[-1][3]))
        self.assertEqual(self.ready(e), b"")
        self.quit(e)

    # ------------------------------------------- the same search as xboard

    @staticmethod
    def bench(depth):
        """velmorasca-bench's move and positions analysed for each of its positions."""
        tool = [os.path.join(BUILD, "velmorasca-bench"), str(depth)]
        lines = subprocess.run(tool, capture_output=True, text=True, check=True).stdout.splitlines()
        found = [re.search(r"(\S+) +score +-?\d+ +positions (\d+)$", line) for line in lines]
        return [(m.group(1), int(m.group(2))) for m in found if m]

    def test_the_bench_positions_give_the_xboard_think_move_and_count(self):
        if WINE:
            self.skipTest("the bench tool is a Linux program here")
        from_bench = self.bench(4)
        with open(os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
                               "tools", "benchpositions.h")) as f:
            fens = re.findall(r'\{"[^"]+", "([^"]+)"\}', f.read())
        self.assertEqual(len(fens), len(from_bench))
        e = self.engine(ini="[Log]\nLevel=0\n")
        e.line("setoption name OwnBook value false")
        for fen, (move, positions) in zip(fens, from_bench):
            out, played = self.think(e, "position fen " + fen, "go depth 4")
            self.assertEqual((played, int(self.infos(out)[-1][3])), (move, positions), fen)


if __name__ == "__main__":
    run()
