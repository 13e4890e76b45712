"""Whole turns over the protocol: the engine's moves are legal in the
position, takebacks restore the game, results are announced, the book and
the depth setting behave."""
import re
import subprocess

from engine import EngineTest, run, tool, unless_wine

QUIET = "[Time]\nEnabled=0\n[Book]\nEnabled=0\n[Log]\nLevel=2\n[General]\nProfondita=3\n"
MOVE = re.compile(rb"\nmove ([a-h][1-8][a-h][1-8][qrbn]?)\n")


def legal_moves(fen):
    """The legal moves of a position, as the perft tool lists them."""
    out = subprocess.run(tool("velmorasca-perft", "--divide", "1", fen), capture_output=True, text=True, check=True).stdout
    return {line.split(":")[0] for line in out.splitlines() if ":" in line}


class Turns(EngineTest):
    def read_move(self, e, timeout=30):
        got = e.read_until(b"\nmove ", timeout) + e.read_until(b"\n", 5)
        m = MOVE.search(got)
        self.assertIsNotNone(m, got)
        return m.group(1).decode()

    def test_moves_from_set_up_positions_are_legal(self):
        fens = [
            "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
            "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq - 0 1",
            "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
            "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
            "4k3/1P6/8/8/8/8/6p1/4K3 b - - 0 1",
            "r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1",
        ]
        for fen in fens:
            with self.subTest(fen=fen):
                e = self.start(ini=QUIET)
                e.line("new", "setboard " + fen, "go")
                move = self.read_move(e)
                self.assertIn(move, legal_moves(fen))
                if " - " in fen and fen.startswith("r3k2r/8"):
                    self.assertNotIn(move, {"e1g1", "e1c1"})  # no castling rights in the FEN
                e.line("quit")

    def test_a_short_game_in_which_every_engine_move_is_legal(self):
        e = self.start(ini=QUIET)
        e.line("new")
        # The engine plays Black; White's moves come from the perft tool's
        # list for the position replayed in a second, forced engine.
        history = []
        for white in ["e2e4", "g1f3", "f1c4", "d2d3", "b1c3"]:
            e.line("usermove " + white)
            reply = self.read_move(e)
            history += [white, reply]
        self.assertEqual(len(history), 10)
        # Every engine reply was a legal move: replaying the game in force
        # mode and asking for a move again must not be refused by the replay.
        f = self.start(ini=QUIET)
        f.line("new", "force", *("usermove " + m for m in history))
        self.assertEqual(f.sync(), b"")

    def test_undo_restores_the_start_and_the_same_think_follows(self):
        e = self.start(ini=QUIET)
        e.line("new", "usermove e2e4")
        self.read_move(e)
        e.line("force", "undo", "undo", "go")
        first_after_undo = self.read_move(e)
        after = [m for m in e.log_messages("Analizza") if "Valore" in m]

        fresh = self.start(ini=QUIET)
        fresh.line("new", "go")
        fresh_move = self.read_move(fresh)
        fresh_lines = [m for m in fresh.log_messages("Analizza") if "Valore" in m]
        self.assertEqual(first_after_undo, fresh_move)
        self.assertEqual(after[-len(fresh_lines):], fresh_lines)

    def test_remove_takes_back_a_move_of_each_side(self):
        e = self.start(ini=QUIET + "[Print]\nPosition=S\n")
        e.line("new", "usermove e2e4")
        self.read_move(e)
        board_after_first = self.board(e)
        e.line("usermove d2d4")
        self.read_move(e)
        e.line("remove", "remove", "remove", "protover 2")  # the third has nothing to take back
        e.read_until(b"done=1\n")
        e.line("force", "usermove e2e4")
        e.sync()
        # The start position again, with e2e4 played: rank 4 holds 13 on e4.
        self.assertEqual(self.board(e)[4], " 00  00  00  00  13  00  00  00 ")
        self.assertNotEqual(board_after_first, [])

    def test_results_when_the_engine_cannot_move(self):
        cases = [
            ("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3", b"\n0-1\n\ntellopponent I Resign\n"),
            ("rnbqkbnr/ppppp2p/8/5ppQ/4P3/2N5/PPPP1PPP/R1B1KBNR b KQkq - 1 3", b"\n1-0\n\ntellopponent Checkmate\n"),
            ("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", b"\n1/2-1/2\n\ntellopponent Draw\n"),
        ]
        for fen, expected in cases:
            with self.subTest(fen=fen):
                e = self.start(ini=QUIET)
                e.line("setboard " + fen, "go")
                self.assertEqual(e.read_until(b"tellopponent", 20) + e.read_until(b"\n", 5), expected)
                self.assertEqual(e.sync(), b"")

    @unless_wine("Windows has no signals; SIGINT would reach Wine's pipehost process, not the engine")
    def test_signals_and_result_lines_do_not_disturb_the_game(self):
        e = self.start(ini=QUIET)
        e.line("new")
        e.sync()  # started and past its set-up
        e.interrupt()
        e.line("usermove e2e4")
        self.read_move(e)
        e.interrupt()
        e.line("result 1-0 {White resigns}", "new", "usermove d2d4")
        self.read_move(e)
        self.assertIsNone(e.proc.poll())

    @unless_wine("Windows has no SIGTERM; WinBoard ends its engine with \"quit\" or by closing the pipe")
    def test_sigterm_shuts_down_in_order(self):
        # xboard may end its engine with SIGTERM right after "quit".
        e = self.start(ini=QUIET.replace("Level=2", "Level=1"))
        e.line("new")
        e.sync()
        e.proc.terminate()
        self.assertEqual(e.wait(10), 0)
        self.assertEqual(e.log_messages("Esci"), ["Spengo il motore...", "Motore spento"])

    def test_book_moves_and_illegal_book_lines(self):
        book = "e2e4e7e5\r\ne2e4c7c5\nzzzz\n"
        e = self.start(ini="[Time]\nEnabled=0\n[General]\nProfondita=2\n", files={"book.txt": book})
        e.line("new", "go")
        self.assertEqual(self.read_move(e), "e2e4")
        e.line("new", "usermove e2e4")
        self.assertIn(self.read_move(e), {"e7e5", "c7c5"})
        # A set-up position: the book answers as at the start, but e2e4 is no
        # move here, so the engine searches and plays a legal move.
        fen = "4k3/8/8/8/8/8/8/R3K3 w - - 0 1"
        f = self.start(ini="[Time]\nEnabled=0\n[General]\nProfondita=2\n", files={"book.txt": book})
        f.line("setboard " + fen, "go")
        self.assertIn(self.read_move(f), legal_moves(fen))

    def test_depth_setting_is_clamped_and_logged(self):
        for value, used in [("0", "1"), ("-5", "1"), ("abc", "4"), ("200", "98")]:
            with self.subTest(value=value):
                ini = "[Log]\nLevel=1\n[Book]\nEnabled=0\n[Time]\nEnabled=1\n[General]\nProfondita=%s\n" % value
                e = self.start(ini=ini)
                e.line("new", "time 300", "usermove e2e4")
                self.read_move(e, timeout=30)
                logged = " ".join(e.log_messages("Analizza"))
                self.assertIn("uso " + used, logged)


if __name__ == "__main__":
    run()
