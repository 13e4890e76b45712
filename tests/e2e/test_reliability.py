"""The engine under bad conditions: huge, broken and flooding input, files
beside the program that are folders, binary or enormous, a program folder
it cannot write, a thousand games in one process, and scripted takebacks.

Memory figures come from /proc/PID/status and are printed; the bounds are
wide, so that a leak or an unbounded buffer fails while noise does not."""
import os
import random
import re
import shutil
import subprocess
import sys
import time
import unittest

from engine import BUILD, FEATURE, PROGRAM_FILES, SOURCE, EngineTest, run, tool, unless_wine

QUIET = "[Time]\nEnabled=0\n[Book]\nEnabled=0\n[Log]\nLevel=1\n[General]\nProfondita=1\n[Print]\nPosition=S\n"
MOVE = re.compile(rb"\nmove ([a-h][1-8][a-h][1-8][qrbn]?)\n")
MiB = 1024 * 1024
# Under the address sanitizer freed memory sits in quarantine, so resident
# size says nothing about growth there: the memory bounds are checked only
# in the normal build.
SANITIZED = os.environ.get("VELMORASCA_SANITIZED") == "1"


def status(engine):
    """VmRSS and VmHWM of the engine in bytes."""
    values = {}
    with open("/proc/%d/status" % engine.pid) as f:
        for line in f:
            key, _, rest = line.partition(":")
            if key in ("VmRSS", "VmHWM"):
                values[key] = int(rest.split()[0]) * 1024
    return values["VmRSS"], values["VmHWM"]


def memory_env():
    """The environment for memory measurements: in a sanitizer build freed
    memory is held back in a quarantine and would look like growth."""
    env = dict(os.environ)
    extra = "quarantine_size_mb=0:thread_local_quarantine_size_kb=0"
    env["ASAN_OPTIONS"] = (env["ASAN_OPTIONS"] + ":" + extra) if env.get("ASAN_OPTIONS") else extra
    return env


def report(what, value):
    sys.stderr.write("  [measure] %s: %s\n" % (what, value))


def legal_moves(fen):
    out = subprocess.run(tool("velmorasca-perft", "--divide", "1", fen), capture_output=True, text=True, check=True).stdout
    return {line.split(":")[0] for line in out.splitlines() if ":" in line}


class Base(EngineTest):
    def read_move(self, e, timeout=30):
        got = e.read_until(b"\nmove ", timeout) + e.read_until(b"\n", 5)
        m = MOVE.search(got)
        self.assertIsNotNone(m, got)
        return m.group(1).decode()

    def assertSoundBoard(self, rows):
        """A board print: every id 1..32 at most once, both kings there."""
        ids = [int(cell) for row in rows[:8] for cell in row.split()]
        present = [i for i in ids if i]
        self.assertEqual(len(present), len(set(present)), rows)
        self.assertIn(5, present)
        self.assertIn(20, present)


class Input(Base):
    def test_huge_lines_nul_and_invalid_bytes_are_survived(self):
        e = self.start(ini=QUIET, env=memory_env())
        e.line("new", "force")
        e.sync()
        _, before = status(e)
        # Four megabytes without a line feed, in pieces, then its end.
        chunk = b"x" * MiB
        for _ in range(4):
            e.send(chunk)
        e.send(b"usermove e2e4\n")  # the tail of the long line: dropped with it
        # NUL bytes and bytes that are no text in any line, then real commands.
        e.send(b"new\x00\nusermove \x00\xff\xfe\x80\n\xff\xfe\xfd\x00\x01\n\x00\x00\x00\nusermove d2d4\n")
        e.send(b"usermove e7e5\x00\n")  # a fifth character that is no promotion letter
        self.assertEqual(e.sync(), b"\nIllegal move: \x00\xff\xfe\x80\n")
        _, after = status(e)
        report("VmHWM before and after 4 MiB without a line feed", "%d KiB -> %d KiB" % (before // 1024, after // 1024))
        if not SANITIZED:
            self.assertLess(after - before, 16 * MiB, "the long line was kept in memory")
        # The long line was dropped whole (its tail too) and logged; d2d4 and e7e5 were played.
        self.assertTrue(any(m.startswith("Riga troppo lunga ignorata") for m in e.log_messages("ParseCommand")))
        self.assertEqual(e.log_messages("ParseCommand").count("Mossa avversario: e2e4"), 0)
        rows = self.board(e)
        self.assertSoundBoard(rows)
        self.assertEqual(rows[4].split()[3], "12")  # d4: the white d-pawn
        self.assertEqual(rows[3].split()[4], "28")  # e5: the black e-pawn
        e.line("quit")
        self.assertEqual(e.wait(), 0)

    def test_a_burst_of_many_thousand_lines_loses_nothing_and_stays_small(self):
        e = self.start(ini=QUIET.replace("Position=S", "Position=N").replace("Level=1", "Level=0"), env=memory_env())
        e.line("new", "force")
        e.sync()
        _, before = status(e)
        # 40,000 knight moves there and back in force mode, junk between.
        tour = ["usermove g1f3", "usermove g8f6", "usermove f3g1", "usermove f6g8"]
        lines = []
        for i in range(10000):
            lines += tour
            if i % 10 == 0:
                lines += ["time %d" % (30000 - i), "otim 100", "garbage %d" % i, "", "level 40 5 0"]
        e.send("".join(line + "\n" for line in lines))
        self.assertEqual(e.sync(), b"")
        _, after = status(e)
        report("VmHWM over a burst of %d lines (40,000 moves)" % len(lines), "%d KiB -> %d KiB" % (before // 1024, after // 1024))
        if not SANITIZED:
            self.assertLess(after - before, 64 * MiB, "memory grew with the burst")
        # Nothing was lost: the knights are home, so White's first move is as in a new game,
        # and every move can still be taken back one by one.
        e.line("undo", "undo", "undo", "undo", "go")
        self.assertIn(self.read_move(e), legal_moves("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"))
        e.line("quit")
        self.assertEqual(e.wait(), 0)


class Files(Base):
    def plays(self, e):
        e.line("new", "usermove e2e4")
        return self.read_move(e)

    def test_settings_file_that_is_binary_or_huge(self):
        rng = random.Random(8)
        binary = bytes(rng.randrange(256) for _ in range(64 * 1024))
        with self.subTest("binary"):
            e = self.start(ini=binary)
            self.assertIn(self.plays(e), legal_moves("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1"))
            e.line("quit")
            self.assertEqual(e.wait(), 0)
        with self.subTest("100,000 lines"):
            lines = ["[Section%d]\nkey%d=value %d" % (i, i, i) if i % 7 else "; comment %d" % i for i in range(50000)]
            ini = "\n".join(lines) + "\n" + QUIET
            t0 = time.monotonic()
            e = self.start(ini=ini)
            e.sync()
            report("start-up with a settings file of %d lines" % ini.count("\n"), "%.3f s" % (time.monotonic() - t0))
            self.plays(e)
            self.assertEqual(e.settings()[("general", "profondita")], "1")
            e.line("quit")
            self.assertEqual(e.wait(), 0)

    def test_book_of_100000_lines_and_with_a_megabyte_line(self):
        rng = random.Random(5)
        openings = ["e2e4e7e5g1f3b8c6", "e2e4c7c5g1f3d7d6", "d2d4d7d5c2c4e7e6", "d2d4g8f6c2c4g7g6", "g1f3d7d5"]
        big = "\r\n".join(rng.choice(openings) for _ in range(100000)) + "\r\n"
        megabyte = "e2e4" * (MiB // 4) + "\nd2d4d7d5\n"
        for name, book, replies in [("100,000 lines", big, {"d7d5", "g8f6"}), ("a megabyte line", megabyte, {"d7d5"})]:
            with self.subTest(name):
                ini = QUIET.replace("[Book]\nEnabled=0", "[Book]\nEnabled=1")
                t0 = time.monotonic()
                e = self.start(ini=ini, files={"book.txt": book})
                e.sync()
                report("start-up with a book of " + name, "%.3f s" % (time.monotonic() - t0))
                t0 = time.monotonic()
                e.line("new", "usermove d2d4")
                self.assertIn(self.read_move(e), replies)
                report("book answer with a book of " + name, "%.3f s" % (time.monotonic() - t0))
                e.line("quit")
                self.assertEqual(e.wait(), 0)

    def test_start_up_with_a_10000_line_book(self):
        rng = random.Random(3)
        moves = ["e2e4", "d2d4", "c2c4", "g1f3", "e7e5", "c7c5", "d7d5", "g8f6"]
        book = "".join("".join(rng.choice(moves) for _ in range(8)) + "\r\n" for _ in range(10000))
        ini = QUIET.replace("[Book]\nEnabled=0", "[Book]\nEnabled=1")
        times = []
        for _ in range(3):
            t0 = time.monotonic()
            e = self.start(ini=ini, files={"book.txt": book})
            e.sync()
            times.append(time.monotonic() - t0)
            e.line("quit")
            e.wait()
        report("start-up with a 10,000-line book (best of 3)", "%.3f s" % min(times))
        self.assertLess(min(times), 5.0)  # about a hundredth of that on an idle machine


class ProgramFolder(Base):
    def test_files_beside_the_program_that_are_folders(self):
        # Root may write into any folder, so a read-only folder is also shown
        # by putting folders where the settings file and the log would be.
        def prepare(folder):
            os.mkdir(os.path.join(folder, "Velmorasca.ini"))
            os.mkdir(os.path.join(folder, "Velmorasca.log"))
            os.mkdir(os.path.join(folder, "book.txt"))
        e = self.start(prepare=prepare)
        self.assertEqual(e.sync(), b"")
        e.line("new", "usermove e2e4")
        self.read_move(e)  # the defaults: clock on, depth 4, book on but unreadable
        e.line("quit")
        self.assertEqual(e.wait(), 0)
        self.assertTrue(os.path.isdir(e.path("Velmorasca.ini")) and os.path.isdir(e.path("Velmorasca.log")))

    @unittest.skipIf(os.geteuid() == 0, "root writes into read-only folders; the folder variant above covers it")
    def test_read_only_program_folder(self):
        def prepare(folder):
            os.chmod(folder, 0o555)
        e = self.start(prepare=prepare)
        self.addCleanup(os.chmod, e.folder, 0o755)
        e.line("new", "usermove e2e4")
        self.read_move(e)
        e.line("quit")
        self.assertEqual(e.wait(), 0)
        self.assertEqual(sorted(os.listdir(e.folder)), PROGRAM_FILES)

    def test_read_only_settings_file_with_a_log_level(self):
        def prepare(folder):
            os.mkdir(os.path.join(folder, "Velmorasca.log"))
        e = self.start(ini=QUIET, prepare=prepare)
        e.line("new", "usermove e2e4")
        self.read_move(e)
        e.line("quit")
        self.assertEqual(e.wait(), 0)


class ManyGames(Base):
    def test_memory_does_not_grow_over_1000_games(self):
        e = self.start(ini=QUIET.replace("Position=S", "Position=N").replace("Level=1", "Level=0"), env=memory_env())
        samples = {}
        for game in range(1, 1001):
            e.line("new", "usermove e2e4")
            self.read_move(e)
            e.line("usermove d2d4")
            self.read_move(e)
            if game in (100, 1000):
                e.sync()
                samples[game] = status(e)
        report("VmRSS after 100 and 1000 games", "%d KiB -> %d KiB" % (samples[100][0] // 1024, samples[1000][0] // 1024))
        report("VmHWM after 100 and 1000 games", "%d KiB -> %d KiB" % (samples[100][1] // 1024, samples[1000][1] // 1024))
        if not SANITIZED:
            self.assertLess(samples[1000][1] - samples[100][1], 4 * MiB, "memory grows from game to game")
        e.line("quit")
        self.assertEqual(e.wait(), 0)


class Takebacks(Base):
    @unless_wine("tools/takeback.py drives the Linux build; the board and takeback rules are the same sources")
    def test_scripted_takebacks_keep_the_positions(self):
        script = os.path.join(SOURCE, "tools", "takeback.py")
        env = dict(os.environ, VELMORASCA_BUILD=BUILD)
        out = subprocess.run([sys.executable, script, "--steps", "300", "--seed", "8"], capture_output=True, text=True,
                             env=env, timeout=600)
        self.assertEqual(out.returncode, 0, out.stdout[-2000:] + out.stderr[-2000:])
        self.assertIn("0 faults", out.stdout)


if __name__ == "__main__":
    run()
