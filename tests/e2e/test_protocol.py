"""The protocol over real pipes: the feature line, commands without a reply,
lines cut across reads, huge, binary and flooding input, the end of input,
"quit", and input during a think: "?", the commands that abandon it, and
those that end the engine."""
import os
import signal
import time

from engine import FEATURE, PRINT, QUIET, SHUTDOWN, SLOW, WINE, EngineTest, run

MiB = 1 << 20
# Under the address sanitizer freed memory sits in quarantine: no memory bound there.
SANITIZED = os.environ.get("VELMORASCA_SANITIZED") == "1"
ENDLESS = QUIET.replace("Profondita=3", "Profondita=30")  # out of reach: only a stop ends the think
MOVE = rb"^\nmove [a-h][1-8][a-h][1-8][qrbn]?\n$"
# A think of about ten seconds and more, with the board printed after every move played.
DEEP = QUIET.replace("Profondita=3", "Profondita=8") + PRINT
PROMPT = 5  # seconds: far less than the think; a later reply waited for it
FEN = "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"
# A think is started, lines come during it; then the interface's game, replayed on an engine of its own.
ABANDONED = [
    (["new", "usermove e2e4"], ["force"], ["new", "force", "usermove e2e4"]),
    (["new", "usermove e2e4"], ["undo", "force", "usermove d2d4"], ["new", "force", "usermove d2d4"]),
    (["new", "force", "usermove e2e4", "usermove e7e5", "go"], ["remove", "force", "usermove d2d4"],
     ["new", "force", "usermove d2d4"]),
    (["new", "usermove e2e4"], ["setboard " + FEN], ["setboard " + FEN]),
    (["new", "usermove e2e4"], ["result 0-1 {White resigns}"], ["new", "force", "usermove e2e4"]),
    (["new", "usermove e2e4"], ["new", "usermove d2d4", "force"], ["new", "force", "usermove d2d4"]),  # two thinks
    (["new", "go", "force"], ["usermove e2e4"], ["new", "force", "usermove e2e4"]),  # read together with "go"
    (["new", "usermove e2e4"], ["?", "force"], ["new", "force", "usermove e2e4"]),  # wins over an earlier "?"
]


def peak_memory(e):
    with open("/proc/%d/status" % e.proc.pid) as f:
        return next(int(line.split()[1]) * 1024 for line in f if line.startswith("VmHWM:"))


class Protocol(EngineTest):
    def test_feature_line_and_commands_without_a_reply(self):
        e = self.start()
        e.line("xboard", "protover 2")
        self.assertEqual(e.read_until(FEATURE), FEATURE)
        e.line("accepted setboard", "accepted usermove", "hard", "random", "level 40 5 0", "otim 12000", "time 30000",
               "result 1-0 {White mates}", "easy", "post", "nopost", "force ", "Force", "FORCE", " force", "quit ",
               "Quit", "", "undo", "remove", "?", "usermove", "setboard", "time", "computer", "name Someone",
               "ping 7x", "protover 99 whatever")
        self.assertEqual(e.read_until(FEATURE), FEATURE)
        self.assertIsNone(e.proc.poll(), "a near miss of quit ended the engine")
        self.assertEqual(e.finish()[:2], (0, b""))

    def test_lines_cut_across_reads_and_cr_line_ends(self):
        e = self.start()
        for piece in ("prot", "over 2\nprotover 2\r", "\nprotover 2\r\n"):
            e.send(piece)
            time.sleep(0.3)  # the engine reads each piece on its own
        self.assertEqual(e.read_until(FEATURE * 3), FEATURE * 3)
        self.assertEqual(e.sync(), b"")

    def test_huge_binary_and_flooding_input(self):
        e = self.start(ini=QUIET)
        e.line("new", "force")
        e.sync()
        before = 0 if WINE else peak_memory(e)
        long_line = (4 if WINE else 32) * MiB
        for _ in range(long_line // MiB):
            e.send(b"x" * MiB)
        e.send(b"usermove e2e4\n")  # the tail of the long line: dropped with it
        # NUL bytes and bytes that are no text in any line; a fifth character that is no promotion letter.
        e.send(b"new\x00\nusermove \x00\xff\xfe\x80\n\xff\xfe\xfd\x00\x01\n\x00\x00\x00\nusermove d2d4\nusermove e7e5\x00\n")
        # A flood in one write: the knights out and back 2,500 times, other commands between.
        flood = []
        for i in range(2500):
            flood += ["usermove g1f3", "usermove g8f6", "usermove f3g1", "usermove f6g8"]
            flood += ["time %d" % (30000 - i), "otim 100", "garbage %d" % i, "", "level 40 5 0"] if i % 10 == 0 else []
        e.line(*flood)
        self.assertEqual(e.sync(), b"\nIllegal move: \x00\xff\xfe\x80\n")
        if not WINE and not SANITIZED:
            self.assertLess(peak_memory(e) - before, 16 * MiB, "the long line or the flood was kept in memory")
        said = e.log_messages("ParseCommand")
        self.assertEqual([m for m in said if m.startswith("Riga troppo lunga")],
                         ["Riga troppo lunga ignorata: %d byte" % (long_line + len("usermove e2e4"))])
        played = [m for m in said if m.startswith("Mossa avversario: ")]
        # The tail of the long line was not played, nothing of the flood was lost.
        self.assertEqual((played[:2], len(played)), (["Mossa avversario: d2d4", "Mossa avversario: e7e5"], 10002))

    def test_end_of_input_with_an_unfinished_line_shuts_down_cleanly(self):
        e = self.start(ini="[Log]\nLevel=1\n")
        self.assertEqual(e.sync(), b"")
        e.send("protover 2")  # no line end: dropped
        self.assertEqual(e.finish(), (0, b"", b""))
        self.assertEqual(e.log_messages(), ["Il motore sta partendo..."] + SHUTDOWN)

    def test_quit_ends_at_once_and_later_lines_are_not_read(self):
        e = self.start(ini="[Log]\nLevel=1\n")
        e.line("quit", "protover 2")
        self.assertEqual(e.wait(), 0)
        self.assertEqual(e.finish()[1], b"")
        self.assertEqual(e.log_messages("Esci"), SHUTDOWN)

    def test_question_mark_during_a_think(self):
        # "?" stops the think and the engine moves; other lines wait for the move.
        e = self.start(ini=ENDLESS)
        e.line("new", "go")
        time.sleep(0.3)
        e.line("protover 2", "time 5000")
        time.sleep(0.3)
        e.line("?")
        self.assertRegex(e.read_until(FEATURE)[:-len(FEATURE)], MOVE)
        self.assertIn("Mossa migliore: ", " ".join(e.log_messages("Analizza")))
        e.line("new", "go", "?")  # a "?" read together with "go" stops that think too
        self.assertRegex(e.read_until(b"\n") + e.read_until(b"\n"), MOVE)

    def test_commands_that_change_the_game_abandon_a_think(self):
        e = self.start(ini=DEEP)
        boards = []
        for start, during, _ in ABANDONED:
            e.line(*start)
            time.sleep(0.3)
            sent = time.monotonic()
            e.line(*during)
            self.assertEqual(e.sync(), b"", (start, during))  # no move, no result
            self.assertLess(time.monotonic() - sent, PROMPT * SLOW, (start, during))
            boards.append(self.board(e))
        said = e.log_messages("Analizza")
        self.assertEqual([m for m in said if m.startswith("Pensiero abbandonato: ")],
                         ["Pensiero abbandonato: " + c for c in
                          ("force", "undo", "remove", "setboard", "result", "new", "force", "force", "force")])
        self.assertFalse([m for m in said if m.startswith("Mossa migliore") or m.startswith("Interrotto")])
        # The engine's board is the interface's.
        interface = self.start(ini=QUIET + PRINT)
        for (_, _, game), board in zip(ABANDONED, boards):
            interface.line(*game)
            interface.sync()
            self.assertEqual(self.board(interface), board, game)

    def test_quit_the_end_of_input_and_sigterm_end_a_think_at_once(self):
        ends = [lambda e: e.line("protover 2", "quit"), lambda e: e.proc.stdin.close()]
        if not WINE:  # Windows has no signals
            ends.append(lambda e: e.proc.send_signal(signal.SIGTERM))
        for end in ends:
            e = self.start(ini=ENDLESS)
            e.line("new", "usermove e2e4")
            deadline = time.monotonic() + 20  # the move is logged once the engine has started and thinks
            while "Mossa avversario: e2e4" not in e.log_messages("ParseCommand") and time.monotonic() < deadline:
                time.sleep(0.05)
            time.sleep(0.1)
            end(e)
            self.assertEqual(e.wait(PROMPT), 0)
            self.assertEqual(e.proc.stdout.read(), b"")  # no move, and "protover 2" before "quit" was not handled
            self.assertEqual(e.log_messages("Esci"), SHUTDOWN)
            self.assertNotIn("Mossa migliore: ", " ".join(e.log_messages("Analizza")))

    def test_a_book_move_is_abandoned_too(self):
        e = self.start(ini=QUIET.replace("[Book]\nEnabled=0", "[Book]\nEnabled=1"), files={"book.txt": "e2e4e7e5\n"})
        e.line("new", "go", "force")
        self.assertEqual(e.sync(), b"")
        self.assertEqual(e.log_messages("Analizza"), ["Pensiero abbandonato: force"])
        e.line("go")
        self.assertEqual(e.read_move(), "e2e4")


if __name__ == "__main__":
    run()
