"""Input that arrives while the engine thinks: "?" stops the search, other
lines wait until the move is sent, and a closed pipe makes the engine move
and shut down. The depth limit is far out of reach, so only a stop ends the
think."""
import re
import time

from engine import FEATURE, EngineTest, run

ENDLESS = "[General]\nProfondita=30\n[Time]\nEnabled=0\n[Book]\nEnabled=0\n[Log]\nLevel=1\n"
MOVE = re.compile(rb"^\nmove [a-h][1-8][a-h][1-8][qrbn]?\n$")


class InputDuringThink(EngineTest):
    def test_question_mark_stops_a_running_search(self):
        e = self.start(ini=ENDLESS)
        e.line("new", "go")
        time.sleep(0.5)
        e.line("?")
        self.assertRegex(e.read_until(b"\n", timeout=10) + e.read_until(b"\n", timeout=5), MOVE)
        self.assertIn("Mossa migliore: ", " ".join(e.log_messages("Analizza")))

    def test_question_mark_sent_with_go_stops_it_too(self):
        e = self.start(ini=ENDLESS)
        e.line("new", "go", "?")
        self.assertRegex(e.read_until(b"\n", timeout=10) + e.read_until(b"\n", timeout=5), MOVE)

    def test_lines_read_during_the_think_are_handled_after_the_move(self):
        e = self.start(ini=ENDLESS)
        e.line("new", "go")
        time.sleep(0.3)
        e.line("protover 2", "force")
        time.sleep(0.3)
        e.line("?")
        out = e.read_until(FEATURE, timeout=10)
        self.assertRegex(out[:-len(FEATURE)], MOVE)
        e.line("usermove e7e5")  # force mode came after the think: no answer now
        self.assertEqual(e.sync(), b"")

    def test_closed_input_during_a_think_moves_then_shuts_down(self):
        e = self.start(ini=ENDLESS)
        e.line("new", "go")
        time.sleep(0.5)
        rc, out, _ = e.finish(timeout=10)
        self.assertEqual(rc, 0)
        self.assertRegex(out, MOVE)
        self.assertEqual(e.log_messages("Esci"), ["Spengo il motore...", "Motore spento"])


if __name__ == "__main__":
    run()
