"""UCI lines in an order a client should not send but may: a "go" while a search runs, then "stop",
which ends the running search; the waiting "go" then runs."""

from engine import EngineTest, run

QUIET = "[Book]\nEnabled=0\n[Log]\nLevel=1\n"


class ClientOrder(EngineTest):
    def test_stop_ends_an_infinite_search_even_with_a_go_waiting(self):
        e = self.start(("uci",), ini=QUIET)
        e.line("position startpos", "go infinite")
        e.read_until(b"info depth 4 ", 20)  # searching
        e.line("position startpos moves e2e4", "go depth 1", "stop")
        first = e.read_until(b"\nbestmove ", 10) + e.read_until(b"\n", 5)
        self.assertNotIn(b"info depth 1 ", first.split(b"info depth 4 ")[-1])  # the infinite search's move
        e.line("stop")
        e.read_until(b"\nbestmove ", 10)  # and the one of "go depth 1"
        self.quit(e)


if __name__ == "__main__":
    run()
