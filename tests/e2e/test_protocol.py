"""The protocol spine over real pipes: feature negotiation, silent commands,
line framing across reads, end of input, SIGINT, rejected move texts."""
import time

from engine import FEATURE, EngineTest, run, unless_wine


class FeatureAndSilence(EngineTest):
    def test_protover_answers_with_exactly_the_feature_line(self):
        e = self.start()
        e.line("xboard", "protover 2")
        self.assertEqual(e.read_until(FEATURE), FEATURE)
        e.line("protover 99 whatever")
        self.assertEqual(e.read_until(FEATURE), FEATURE)
        rc, rest, _ = e.finish()
        self.assertEqual((rc, rest), (0, b""))

    def test_commands_without_reply_write_nothing(self):
        e = self.start()
        e.line("xboard", "accepted setboard", "accepted usermove", "hard", "random", "level 40 5 0",
               "otim 12000", "time 30000", "result 1-0 {White mates}", "easy", "post", "nopost",
               "force ", "Force", "FORCE", " force", "quit ", "Quit", "", "undo", "remove", "?",
               "usermove", "setboard", "time", "computer", "name Someone", "ping 7x")
        self.assertEqual(e.sync(), b"")
        self.assertIsNone(e.proc.poll(), "a near miss of quit ended the engine")

    def test_command_lines_in_capitals_are_accepted(self):
        for args in (["XBOARD"], ["/XBoard"], ["-xboard"], ["xboard", "Xboard"]):
            e = self.start(args)
            self.assertEqual(e.sync(), b"", args)
            self.assertEqual(e.finish()[0], 0)


class LineFraming(EngineTest):
    def test_a_line_split_across_two_writes_is_handled(self):
        e = self.start()
        e.send("prot")
        time.sleep(0.3)  # the engine reads the first half on its own
        e.send("over 2\n")
        self.assertEqual(e.read_until(FEATURE), FEATURE)
        e.send("protover 2\r")
        time.sleep(0.3)
        e.send("\nprotover 2\r\n")
        self.assertEqual(e.read_until(FEATURE + FEATURE), FEATURE + FEATURE)
        self.assertEqual(e.read_for(0.3), b"")

    def test_an_unfinished_last_line_is_dropped_at_end_of_input(self):
        e = self.start(ini="[Log]\nLevel=1\n")
        e.send("protover 2")
        rc, rest, _ = e.finish()
        self.assertEqual((rc, rest), (0, b""))
        self.assertEqual(e.log_messages("Esci"), ["Spengo il motore...", "Motore spento"])

    def test_a_megabyte_line_is_dropped_and_the_next_lines_work(self):
        e = self.start(ini="[Log]\nLevel=1\n")
        e.send(b"x" * (1 << 20))
        e.send("\nprotover 2\n")
        self.assertEqual(e.read_until(FEATURE), FEATURE)
        e.send(b"setboard " + b"8/" * 400000 + b"\nprotover 2\n")
        self.assertEqual(e.read_until(FEATURE), FEATURE)
        dropped = [m for m in e.log_messages("ParseCommand") if m.startswith("Riga troppo lunga ignorata")]
        self.assertEqual(len(dropped), 2)
        self.assertIn(str(1 << 20), dropped[0])


class Ending(EngineTest):
    def test_end_of_input_shuts_down_cleanly(self):
        e = self.start(ini="[Log]\nLevel=1\n")
        self.assertEqual(e.sync(), b"")
        rc, rest, err = e.finish()
        self.assertEqual((rc, rest, err), (0, b"", b""))
        self.assertEqual(e.log_messages(), ["Il motore sta partendo...", "Spengo il motore...", "Motore spento"])

    def test_quit_ends_at_once_and_later_lines_are_not_read(self):
        e = self.start(ini="[Log]\nLevel=1\n")
        e.line("quit", "protover 2")
        self.assertEqual(e.wait(), 0)
        rc, rest, _ = e.finish()
        self.assertEqual(rest, b"")
        self.assertEqual(e.log_messages("Esci"), ["Spengo il motore...", "Motore spento"])

    @unless_wine("Windows has no signals; SIGINT would reach Wine's pipehost process, not the engine")
    def test_sigint_is_ignored(self):
        e = self.start()
        self.assertEqual(e.sync(), b"")
        for _ in range(3):
            e.interrupt()
        time.sleep(0.2)
        self.assertIsNone(e.proc.poll())
        self.assertEqual(e.sync(), b"")
        self.assertEqual(e.finish()[0], 0)


class MoveTexts(EngineTest):
    def test_unplayable_moves_are_refused_and_change_nothing(self):
        e = self.start(ini="[Log]\nLevel=1\n")
        e.line("new", "force")
        for move in ("e9e4", "e3e4", "zz", "i2i4", "e2", "e1e8", "a0a1", "e2e2", "e1e1"):
            e.line("usermove " + move)
            reply = b"\nIllegal move: " + move.encode() + b"\n"
            self.assertEqual(e.read_until(reply), reply)
        self.assertEqual(e.sync(), b"")
        e.line("usermove e2e4")
        self.assertEqual(e.sync(), b"")
        moves = [m for m in e.log_messages("ParseCommand") if m.startswith("Mossa avversario: ")]
        self.assertEqual(moves, ["Mossa avversario: e2e4"])


if __name__ == "__main__":
    run()
