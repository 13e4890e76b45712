"""The game over the protocol: the board print of the log (Print/Position=S),
refused moves and FEN strings that leave the game as it was, legal engine
moves, takebacks, results, signals, the book and the depth setting."""
import signal
import unittest

from engine import PRINT, QUIET, SHUTDOWN, START_FEN, WINE, EngineTest, legal_moves, run

PRINTING = "[Log]\nLevel=1\n" + PRINT
EMPTY = " 00 " * 8
AFTER_E2E4 = [" 24  23  22  21  20  19  18  17 ", " 32  31  30  29  28  27  26  25 ", EMPTY, EMPTY,
              " 00  00  00  00  13  00  00  00 ", EMPTY, " 09  10  11  12  00  14  15  16 ",
              " 01  02  03  04  05  06  07  08 ", "-" * 32]
BAD_MOVES = ["e9e4", "e3e4", "zz", "i2i4", "e2", "e1e8", "a0a1", "e2e2", "e1e1"]
BAD_FENS = [
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1",              # seven ranks
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w KQkq - 0 1",   # nine ranks
    "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",     # nine squares
    "rnbqkbnrr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",    # nine pieces
    "rnbqkbnr/ppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",      # seven squares
    "xyz",
    "8/8/8/8/8/8/8/K7 w - - 0 1",                                    # no black king
    "4k3/8/8/8/8/8/8/8 b - - 0 1",                                   # no white king
    "k6k/8/8/8/8/8/8/K7 w - - 0 1",                                  # two black kings
    "k7/8/8/8/8/8/8/K6K b - - 0 1",                                  # two white kings
    "P3k3/8/8/8/8/8/8/4K3 w - - 0 1",                                # pawn on rank 8
    "4k3/8/8/8/8/8/8/p3K3 b - - 0 1",                                # pawn on rank 1
    "4k3/8/8/8/8/8/8/4R1K1 w - - 0 1",                               # Black in check, White to move
    "4k3/4q3/8/8/8/8/8/4K3 b - - 0 1",                               # White in check, Black to move
    "4k3/8/8/8/8/P7/PPPPPPPP/4K3 w - - 0 1",                         # nine white pawns
    "rrrrkrrr/pppppppp/8/8/8/8/8/4K3 w - - 0 1",                     # 17 black pieces
    "4k3/8/8/8/8/N7/PPPPPPPP/RNBQKBNR w - - 0 1",                    # a third knight, no pawn missing
]
# Set-ups with surplus pieces and the ids of their ranks that hold pieces, from rank 8 down: a corner rook takes
# its corner id from an earlier rook, which moves to the other rook id or else to the highest free pawn id.
KINGS = " 00  00  00  00  20  00  00  00 ", " 01  00  00  00  05  00  00  00 ", " 00  00  00  00  05  00  00  00 "
SURPLUS = [
    ("4k3/8/8/8/8/8/R1R5/R3K3 w - - 0 1", [KINGS[0], " 16  00  08 " + " 00 " * 5, KINGS[1]]),
    ("4k3/8/8/8/8/8/RQQR4/R3K3 w - - 0 1", [KINGS[0], " 15  04  16  08 " + " 00 " * 4, KINGS[1]]),
    ("1rr4r/4k3/8/8/8/8/8/4K3 b - - 0 1", [" 00  24  32  00  00  00  00  17 ", KINGS[0], KINGS[2]]),
    ("R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1",  # 16 white pieces: accepted
     [" 01  00  00  00  00  00  00  08 ", " 00  00  00  04 " + " 00 " * 4, " 00  16  00  00  00  00  15  00 ",
      " 00  00  00  00  14  00  00  00 ", " 00  00  13  00  00  00  00  12 ", " 11  00  00  00  00  10  00  00 ",
      " 25  26  00  09 " + " 00 " * 4, " 20  03  02  07  00  05  06  00 "]),
]

FENS = [  # and what the engine says when it cannot move
    ("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", None),
    ("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq - 0 1", None),
    ("8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", None),
    ("4k3/1P6/8/8/8/8/6p1/4K3 b - - 0 1", None),
    ("r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1", None),  # no castling rights
    ("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3", b"\n0-1\n\ntellopponent I Resign\n"),
    ("rnbqkbnr/ppppp2p/8/5ppQ/4P3/2N5/PPPP1PPP/R1B1KBNR b KQkq - 1 3", b"\n1-0\n\ntellopponent Checkmate\n"),
    ("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", b"\n1/2-1/2\n\ntellopponent Draw\n"),
    ("4k3/1P6/8/8/8/8/6p1/4K3 w - - 0 1", None),  # a game again after the results
]


class Game(EngineTest):
    def test_board_prints_and_refused_moves_and_fens_that_leave_the_game_as_it_was(self):
        e = self.start(ini=PRINTING)
        e.line("new", "force", *("usermove " + m for m in BAD_MOVES), "usermove e2e4")
        self.assertEqual(e.sync(), b"".join(b"\nIllegal move: %s\n" % m.encode() for m in BAD_MOVES))
        self.assertEqual(e.log_messages("StampaPosizione"), AFTER_E2E4)  # "new" and refused moves print nothing
        e.line(*("setboard " + fen for fen in BAD_FENS), "usermove e7e5")
        # Still force mode after the refused FENs: no think follows e7e5.
        self.assertEqual(e.sync(), b"\ntellusererror Illegal position\n" * len(BAD_FENS))
        said = e.log_messages("ParseCommand")
        self.assertEqual([m for m in said if m.startswith("Mossa avversario: ")],
                         ["Mossa avversario: e2e4", "Mossa avversario: e7e5"])
        refused = [m for m in said if m.startswith("Posizione rifiutata: ")]
        self.assertEqual(len(refused), len(BAD_FENS))
        self.assertTrue(all(len(m) > len("Posizione rifiutata: ") for m in refused))  # each says why
        self.assertEqual(len(e.log_messages("StampaPosizione")), 18)  # refused FENs print nothing
        self.assertEqual(self.board(e)[3:5], [" 00  00  00  00  28  00  00  00 ", AFTER_E2E4[4]])
        e.line("setboard " + START_FEN)
        self.assertEqual(e.sync(), b"")
        self.assertEqual(self.board(e)[:6], [" 24  18  19  21  20  22  23  17 ", " 25  26  27  28  29  30  31  32 "]
                         + [EMPTY] * 4)

    def test_surplus_pieces_keep_the_ids_of_the_walk(self):
        e = self.start(ini=PRINTING)
        for fen, ranks in SURPLUS:
            e.line("setboard " + fen)
            self.assertEqual(e.sync(), b"", fen)
            self.assertEqual([line for line in self.board(e)[:8] if line != EMPTY], ranks, fen)
        # The displaced rook on a2 moves as a rook.
        moves = legal_moves(SURPLUS[0][0])
        self.assertTrue({"a2a8", "a2b2"} <= moves and "a2b3" not in moves, moves)

    def test_moves_from_set_up_positions_are_legal_and_results_when_the_engine_cannot_move(self):
        e = self.start(ini=QUIET)
        for fen, result in FENS:
            e.line("force", "setboard " + fen, "go")
            if result:
                self.assertEqual(e.read_until(b"tellopponent", 20) + e.read_until(b"\n", 5), result)
                self.assertEqual(e.sync(), b"")
            else:
                self.assertIn(e.read_move(), legal_moves(fen) - ({"e1g1", "e1c1"} if " w - " in fen else set()), fen)

    def test_remove_and_undo_restore_the_game_and_the_same_think_follows(self):
        ini = QUIET.replace("Level=1", "Level=2") + PRINT
        e = self.start(ini=ini)
        e.line("new", "usermove e2e4")
        e.read_move()
        e.line("usermove d2d4")
        e.read_move()
        e.line("remove", "remove", "remove", "force", "usermove e2e4")  # the third remove has nothing to take back
        self.assertEqual(e.sync(), b"")
        self.assertEqual(self.board(e), AFTER_E2E4)
        e.line("undo", "go")
        fresh = self.start(ini=ini)
        fresh.line("new", "go")
        self.assertEqual(e.read_move(), fresh.read_move())
        values = lambda engine: [m for m in engine.log_messages("Analizza") if "Valore" in m]
        self.assertEqual(values(e)[-len(values(fresh)):], values(fresh))

    @unittest.skipIf(WINE, "Windows has no signals; they would reach Wine's pipehost process, not the engine")
    def test_sigint_and_result_lines_change_nothing_and_sigterm_shuts_down_in_order(self):
        e = self.start(ini=QUIET)
        e.line("new")
        e.sync()  # started and past its set-up
        for _ in range(3):
            e.proc.send_signal(signal.SIGINT)
        e.line("usermove e2e4")
        e.read_move()
        e.proc.send_signal(signal.SIGINT)
        e.line("result 1-0 {White resigns}", "new", "usermove d2d4")
        e.read_move()
        e.proc.terminate()  # as xboard does right after "quit"
        self.assertEqual(e.wait(), 0)
        self.assertEqual(e.log_messages("Esci"), SHUTDOWN)

    def test_book_moves_and_illegal_book_lines(self):
        # A megabyte line, a line that is no move, 100,000 more, and after a lone CR the only line for d2d4.
        book = "e2e4" * (1 << 18) + "\r\nzzzz\n" + "\r\n".join(["e2e4e7e5", "e2e4c7c5"] * 50000) + "\re2e4e7e5d2d4h7h5"
        ini = "[Time]\nEnabled=0\n[General]\nProfondita=2\n"
        e = self.start(ini=ini, files={"book.txt": book})
        e.line("new", "go")
        self.assertEqual(e.read_move(), "e2e4")
        e.line("new", "usermove e2e4")
        self.assertIn(e.read_move(), {"e7e5", "c7c5"})
        e.line("new", "force", "usermove e2e4", "usermove e7e5", "usermove d2d4", "go")
        self.assertEqual(e.read_move(), "h7h5")
        self.assertEqual(e.read_file("book.txt"), book)  # an existing book is left as it is
        # A set-up position: the book answers as at the start, but e2e4 is no move here.
        fen = "4k3/8/8/8/8/8/8/R3K3 w - - 0 1"
        f = self.start(ini=ini, files={"book.txt": "e2e4e7e5\n"})
        f.line("setboard " + fen, "go")
        self.assertIn(f.read_move(), legal_moves(fen))

    def test_the_depth_setting_is_clamped_and_logged(self):
        for value, used in [("0", "1"), ("-5", "1"), ("abc", "4"), ("200", "98")]:
            e = self.start(ini="[Log]\nLevel=1\n[Book]\nEnabled=0\n[Time]\nEnabled=1\n[General]\nProfondita=%s\n" % value)
            e.line("new", "time 300", "usermove e2e4")
            e.read_move()
            self.assertIn("uso " + used, " ".join(e.log_messages("Analizza")), value)


if __name__ == "__main__":
    run()
