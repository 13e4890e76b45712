"""The default opening book data/book.txt: its lines are CR LF-ended coordinate moves, every move of
every line is legal for the engine from the start position, and an engine with the book beside it
plays from it, as White and as Black, for as long as the book has an answer."""
import os
import random
import re

from engine import SOURCE, EngineTest, run

BOOK_PATH = os.path.join(SOURCE, "data", "book.txt")
LINE = re.compile(rb"(?:[a-h][1-8][a-h][1-8])+")
NO_BOOK = "[Time]\nEnabled=0\n[Book]\nEnabled=0\n[Log]\nLevel=1\n[General]\nProfondita=2\n"
WITH_BOOK = NO_BOOK.replace("[Book]\nEnabled=0", "[Book]\nEnabled=1")


def read_book():
    with open(BOOK_PATH, "rb") as f:
        return f.read()


def book_lines():
    """The book's lines as lists of moves."""
    return [[line[i:i + 4] for i in range(0, len(line), 4)] for line in read_book().decode("ascii").split("\r\n")[:-1]]


def continuations(lines, history):
    """The next move of every line that goes on past history, one entry per line (a vote)."""
    n = len(history)
    return [line[n] for line in lines if len(line) > n and line[:n] == history]


class DefaultBook(EngineTest):
    def test_lines_are_crlf_ended_coordinate_moves_several_moves_deep(self):
        data = read_book()
        self.assertTrue(data.endswith(b"\r\n"), "the last line has no CR LF")
        lines = data.split(b"\r\n")[:-1]
        self.assertGreaterEqual(len(lines), 150)
        for number, line in enumerate(lines, 1):
            self.assertTrue(LINE.fullmatch(line), "line %d is not 4-character moves alone: %r" % (number, line))
            self.assertGreaterEqual(len(line) // 4, 8, "line %d is shallow" % number)
        # Both sides get a choice at the first moves: several first moves, several answers to the main ones.
        lines = book_lines()
        self.assertGreaterEqual(len(set(continuations(lines, []))), 4)
        for first in ("e2e4", "d2d4", "c2c4", "g1f3"):
            self.assertGreaterEqual(len(set(continuations(lines, [first]))), 3, first)

    def test_every_move_of_every_line_is_legal_for_the_engine(self):
        e = self.start(ini=NO_BOOK)
        for number, line in enumerate(book_lines(), 1):
            e.line("new", "force", *("usermove " + move for move in line))
            said = e.sync()
            self.assertNotIn(b"Illegal move", said, "line %d: %s" % (number, "".join(line)))
        self.assertEqual([m for m in e.log_messages("ParseCommand") if m.startswith("Mossa rifiutata")], [])
        self.quit(e)

    def test_the_engine_plays_from_the_book_beside_it_as_white_and_as_black(self):
        lines, pick = book_lines(), random.Random(2024)
        # As White: its first move opens some line; then it answers from the book for as long as a line
        # goes on past the game, without a search (a search logs its "Minimax" lines).
        e = self.start(ini=WITH_BOOK, files={"book.txt": read_book()})
        e.line("new", "go")
        history = [e.read_move()]
        self.assertIn(history[0], continuations(lines, []))
        while True:
            going_on = [line for line in lines if len(line) > len(history) + 1 and line[:len(history)] == history]
            if not going_on:
                break
            reply = pick.choice(going_on)[len(history)]
            e.line("usermove " + reply)
            history.append(reply)
            move = e.read_move()
            self.assertIn(move, continuations(lines, history), " ".join(history))
            history.append(move)
        self.assertGreaterEqual(len(history), 8)
        self.assertFalse([m for m in e.log_messages("Analizza") if "Minimax" in m], " ".join(history))
        self.quit(e)
        # As Black, after 1.d4 and 1.c4.
        for first in ("d2d4", "c2c4"):
            b = self.start(ini=WITH_BOOK, files={"book.txt": read_book()})
            b.line("new", "usermove " + first)
            self.assertIn(b.read_move(), continuations(lines, [first]))
            self.assertFalse([m for m in b.log_messages("Analizza") if "Minimax" in m])
            self.quit(b)


if __name__ == "__main__":
    run()
