"""The board print of the log (Print/Position=S) after moves and set-ups,
and FEN strings that are refused and leave the old position."""
from engine import START_FEN, EngineTest, run

PRINTING = "[Log]\nLevel=1\n[Print]\nPosition=S\n"
HYPHENS = "-" * 32
REFUSED = b"\ntellusererror Illegal position\n"

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
]


class BoardPrint(EngineTest):
    def test_after_new_and_a_move(self):
        e = self.start(ini=PRINTING)
        e.line("new", "force", "usermove e2e4")
        self.assertEqual(e.sync(), b"")
        board = self.board(e)
        self.assertEqual(board[0], " 24  23  22  21  20  19  18  17 ")
        self.assertEqual(board[4], " 00  00  00  00  13  00  00  00 ")
        for rank in (3, 5, 6):
            self.assertEqual(board[8 - rank], " 00 " * 8)
        self.assertEqual(board[6][16:20], " 00 ")  # e2 is empty
        self.assertEqual(board[8], HYPHENS)
        self.assertTrue(all(len(line) == 32 for line in board))
        self.assertEqual(len(e.log_messages("StampaPosizione")), 9)  # "new" itself prints nothing

    def test_after_setboard_with_the_start_position(self):
        e = self.start(ini=PRINTING)
        e.line("setboard " + START_FEN)
        self.assertEqual(e.sync(), b"")
        board = self.board(e)
        self.assertEqual(board[0], " 24  18  19  21  20  22  23  17 ")
        for rank in (3, 4, 5, 6):
            self.assertEqual(board[8 - rank], " 00 " * 8)
        self.assertEqual(board[8], HYPHENS)

    def test_no_print_unless_asked(self):
        e = self.start(ini="[Log]\nLevel=1\n")
        e.line("new", "force", "usermove e2e4", "setboard " + START_FEN)
        self.assertEqual(e.sync(), b"")
        self.assertEqual(e.log_messages("StampaPosizione"), [])
        self.assertEqual(e.settings()[("print", "position")], "N")


class RefusedPositions(EngineTest):
    def test_refused_fens_leave_the_old_position(self):
        e = self.start(ini=PRINTING)
        e.line("setboard " + START_FEN)
        self.assertEqual(e.sync(), b"")
        before = self.board(e)
        for fen in BAD_FENS:
            e.line("setboard " + fen)
            self.assertEqual(e.read_until(REFUSED), REFUSED, fen)
        self.assertEqual(e.sync(), b"")
        self.assertEqual(len(e.log_messages("StampaPosizione")), 9)
        refusals = [m for m in e.log_messages("ParseCommand") if m.startswith("Posizione rifiutata: ")]
        self.assertEqual(len(refusals), len(BAD_FENS))
        self.assertTrue(all(len(m) > len("Posizione rifiutata: ") for m in refusals))

        # Still the FEN position, White to move: e2e4 moves the FEN's e-pawn.
        e.line("usermove e2e4")
        self.assertEqual(e.sync(), b"")
        after = self.board(e)
        self.assertEqual(after[0], before[0])
        self.assertEqual(after[6][16:20], " 00 ")
        self.assertEqual(after[4][16:20], before[6][16:20])

    def test_a_refused_fen_keeps_force_mode_and_history(self):
        e = self.start(ini=PRINTING)
        e.line("new", "force", "usermove e2e4", "setboard " + BAD_FENS[0], "usermove e7e5")
        self.assertEqual(e.read_until(REFUSED), REFUSED)
        self.assertEqual(e.sync(), b"")  # no think: still force mode
        board = self.board(e)
        self.assertEqual(board[4], " 00  00  00  00  13  00  00  00 ")
        self.assertNotEqual(board[3][16:20], " 00 ")


if __name__ == "__main__":
    run()
