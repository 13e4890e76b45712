"""The rules of chess over the protocol: a think before any position, moves
judged before they are played, en passant when the search cannot see it,
results checked against the opponent's real replies, and the score of the
move played when a held-back stop takes effect."""
import os

from engine import PRINT, QUIET, SOURCE, START_FEN, EngineTest, legal_moves, run

PRINTING = QUIET + PRINT
RIGHTS = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"


def reference_moves(fen):
    """The legal moves of a position as the independent generator listed them (tests/data/legal.txt)."""
    with open(os.path.join(SOURCE, "tests", "data", "legal.txt")) as f:
        for line in f:
            if line.startswith(fen + " ; "):
                return line.split(" ; ")[1].split()
    raise AssertionError("no reference moves for " + fen)


class Rules(EngineTest):
    def test_a_think_or_a_move_before_any_position_starts_from_the_start_position(self):
        e = self.start(ini=None)
        e.line("xboard", "protover 2")
        e.sync()
        self.assertEqual(set(e.settings()), {("log", "enabled"), ("log", "level"), ("book", "enabled")})
        e.line("go")
        self.assertIn(e.read_move(), legal_moves(START_FEN))
        self.assertEqual(e.settings()[("general", "cancastle")], "1")
        f = self.start(ini=PRINTING)
        f.line("setboard no position", "usermove e2e4")  # refused: the start position stays
        self.assertEqual(f.sync(), b"\ntellusererror Illegal position\n")
        self.assertEqual(self.board(f)[4], " 00  00  00  00  13  00  00  00 ")
        self.assertEqual(f.settings()[("general", "cancastle")], "1")

    def test_moves_that_are_not_legal_are_refused_and_change_nothing(self):
        e = self.start(ini=PRINTING.replace("[General]", "[General]\nCanCastle=1"))
        refused = {
            "new": ["e2e5", "e7e5", "e2e4q", "e1e2", "g1g3", "f1c4", "e1g1", "d1d3"],
            "setboard 4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1": ["e2d3", "e1e2", "e1d2x"],
            "setboard r3k2r/8/8/8/8/5b2/8/R3K2R w KQkq - 0 1": ["e1c1", "e1e2"],
            "setboard " + RIGHTS.replace("KQkq", "kq"): ["e1g1", "e1c1"],
            "setboard 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1": ["h8g8", "h8h7", "g6g5"],
        }
        for setup, moves in refused.items():
            e.line("force", setup, *("usermove " + m for m in moves))
            self.assertEqual(e.sync(), b"".join(b"\nIllegal move: %s\n" % m.encode() for m in moves), setup)
        # Mated after the refused moves: the engine, Black, names the right winner.
        e.line("go")
        self.assertEqual(e.read_until(b"Checkmate\n"), b"\n1-0\n\ntellopponent Checkmate\n")
        self.assertEqual(len([m for m in e.log_messages("ParseCommand") if m.startswith("Mossa rifiutata")]), 18)
        # The opponent castles queen side although the engine's own castling is limited to the king side.
        e.line("force", "setboard " + RIGHTS, "usermove e1c1")
        self.assertEqual(e.sync(), b"")
        self.assertEqual(self.board(e)[7], " 00  00  05  01  00  00  00  08 ")

    def test_every_legal_move_of_the_218_move_position_is_accepted(self):
        fen = "R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1"
        moves = reference_moves(fen)
        self.assertEqual(len(moves), 218)
        e = self.start(ini=QUIET)
        e.line("setboard " + fen, *("usermove %s\nundo" % m for m in moves))
        self.assertEqual(e.sync(), b"")
        played = [m for m in e.log_messages("ParseCommand") if m.startswith("Mossa avversario: ")]
        self.assertEqual(played, ["Mossa avversario: " + m[:4] for m in moves])

    def test_en_passant_when_it_is_the_only_legal_move(self):
        # Stalemate or check but for the capture, for either colour: the engine takes en passant.
        cases = [("7k/5Q2/8/8/4p3/4P3/3P4/K7 w - - 0 1", "d2d4", "e4d3"),
                 ("8/8/3ppp2/3pkp2/4pp2/2P5/3P4/K7 w - - 0 1", "d2d4", "e4d3"),
                 ("k7/3p4/4p3/4P3/8/8/5q2/7K b - - 0 1", "d7d5", "e5d6"),
                 ("k7/3p4/2p5/4PP2/3PKP2/3PPP2/8/8 b - - 0 1", "d7d5", "e5d6")]
        e = self.start(ini=PRINTING.replace("Level=1", "Level=2"))
        for fen, double_step, capture in cases:
            e.line("force", "setboard " + fen, "usermove " + double_step, "go")
            self.assertEqual(e.read_move(), capture, fen)
            self.assertEqual(e.sync(), b"", fen)  # no result line
            self.assertEqual(e.log_messages("Analizza")[-1], "Mossa migliore: " + capture)
        # The board after the last capture: the pawn taken, the capturing pawn on d6.
        self.assertEqual(self.board(e)[2:4], [" 00  00  26  09  00  00  00  00 ", " 00  00  00  00  00  10  00  00 "])
        # The FEN's en-passant field opens the capture too; without it the engine is stalemated.
        fen = "7k/5Q2/8/8/3Pp3/4P3/8/K7 b - d3 0 1"
        e.line("setboard " + fen, "go")
        self.assertEqual(e.read_move(), "e4d3")
        e.line("setboard " + fen.replace(" d3 ", " - "), "go")
        self.assertEqual(e.read_until(b"Draw\n"), b"\n1/2-1/2\n\ntellopponent Draw\n")
        # Taken back right after the double step, the capture is legal again; one more undo and it is not.
        fen, double_step, capture = cases[0]
        e.line("force", "setboard " + fen, "usermove " + double_step, "usermove " + capture, "undo",
               "usermove " + capture, "undo", "undo", "usermove a1b1", "usermove " + capture)
        self.assertEqual(e.sync(), b"\nIllegal move: %s\n" % capture.encode())

    def test_a_double_step_that_checks_is_no_mate_when_en_passant_answers_it(self):
        e = self.start(ini=QUIET)
        e.line("setboard 8/8/3ppp2/3pkp2/4pp2/2P5/3P4/K7 w - - 0 1", "go")
        self.assertEqual(e.read_move(), "d2d4")  # the search sees a mate
        self.assertEqual(e.sync(), b"")           # the rules see exd3: no result
        e.line("usermove e4d3", "go")
        self.assertIn(e.read_move(), legal_moves("8/8/3ppp2/3pkp2/5p2/2Pp4/8/K7 w - - 0 1"))

    def test_a_legal_en_passant_beside_other_moves_leaves_the_search_as_it_was(self):
        fen = "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3"
        said = []
        for field in ("f6", "-"):
            e = self.start(ini=QUIET.replace("Level=1", "Level=2"))
            e.line("setboard " + fen.replace(" f6 ", " %s " % field), "go")
            said.append((e.read_move(), [m.split(" ", 1)[1] if "Minimax" in m else m for m in e.log_messages("Analizza")]))
        self.assertEqual(said[0], said[1])

    def test_the_move_played_under_a_held_back_stop_keeps_its_score(self):
        e = self.start(ini="[Log]\nLevel=2\n[Time]\nEnabled=1\n[Book]\nEnabled=0\n[General]\nProfondita=3\n")
        e.line("setboard 1Bbn3q/1p1pk3/2p5/2P1P3/6p1/8/3NK1P1/4RB2 b - - 0 1", "time 60000", "time 20000", "go")
        self.assertEqual(e.read_move(), "h8e5")
        said = e.log_messages("Analizza")
        self.assertIn("h8e5 Valore: -617", said)
        self.assertTrue(any(m.endswith(" Minimax = -617 h8e5") for m in said), said)


if __name__ == "__main__":
    run()
