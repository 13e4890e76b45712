"""Start-up: the command line, the self-seeding settings file, the log, the
book file, and files beside the program that are folders or binary."""
import os
import random
import subprocess
import unittest

from engine import FEATURE, PROGRAM_FILES, QUIET, SHUTDOWN, WINE, EngineTest, legal_moves, run



class CommandLine(EngineTest):
    def test_the_protocol_word_in_any_case_starts_and_others_end_the_program_untouched(self):
        for args in (["XBOARD"], ["/XBoard"], ["-xboard"], ["xboard", "Xboard"]):
            e = self.start(args)
            self.assertEqual(e.sync(), b"", args)
            self.assertEqual(e.finish()[0], 0)
        for args, shown in ((["xboard", "Foo"], "xboard Foo"), (["XBOARD", "", "xboard"], "XBOARD  xboard"),
                            (["--help", "xboard"], "--help xboard"), ([""], "")):
            e = self.start(args)
            rc, out, err = e.finish()
            self.assertNotEqual(rc, 0, args)
            self.assertEqual(out, b"", args)
            self.assertEqual(err.decode("latin-1").splitlines()[0], "Comando sconosciuto: " + shown)
            self.assertEqual(sorted(os.listdir(e.folder)), PROGRAM_FILES, args)  # no settings, log or book

    def test_no_command_line_without_a_display_ends_with_a_message(self):
        e = self.start([], env={k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")})
        rc, out, err = e.finish()
        self.assertNotEqual(rc, 0)
        self.assertEqual(out, b"")
        self.assertNotEqual(err.strip(), b"")
        if WINE:
            self.assertIn(b"the engine window cannot be made here", err)

    @unittest.skipIf(WINE, "a Linux terminal; Wine gives a program started from a script no console")
    def test_a_terminal_gets_a_hint_on_stderr_only(self):
        e = self.start()
        e.finish()  # that run only made the folder
        master, slave = os.openpty()
        self.addCleanup(os.close, master)
        proc = subprocess.Popen([e.exe, "xboard"], stdin=slave, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                cwd=e.folder)
        os.close(slave)
        os.write(master, b"protover 2\nquit\n")
        out, err = proc.communicate(timeout=10)
        self.assertEqual((proc.returncode, out), (0, FEATURE))
        self.assertIn(b"quit", err)
        self.assertEqual(len(err.splitlines()), 1)


class Files(EngineTest):
    def test_settings_are_seeded_and_the_users_lines_kept(self):
        e = self.start(ini="; my engine\n[Other]\nfoo = bar\n# keep me\n\n[log]\n; the level\nlevel=\nENABLED =  7  \n")
        self.assertEqual(e.sync(), b"")
        # At the start only what start-up reads is seeded; an empty value counts as missing.
        self.assertEqual(e.settings(), {("other", "foo"): "bar", ("log", "level"): "0", ("log", "enabled"): "7",
                                        ("book", "enabled"): "1"})
        # Wine's profile service writes every key line anew, without the blanks around "=".
        for kept in ("; my engine", "[Other]", "foo=bar" if WINE else "foo = bar", "# keep me", "; the level"):
            self.assertIn(kept, e.read_file("Velmorasca.ini").splitlines())
        self.assertEqual(e.read_file("book.txt"), "")  # the book is on: created empty
        e.line("new", "force", "usermove e2e4")
        self.assertEqual(e.sync(), b"")
        s = e.settings()
        self.assertEqual((s[("time", "enabled")], s[("general", "cancastle")], s[("print", "position")]), ("1", "1", "N"))
        self.assertEqual(sorted(os.listdir(e.folder)), sorted(["Velmorasca.ini", "book.txt"] + PROGRAM_FILES))

    def test_level_one_logs_the_ordinary_lines_in_order_and_a_book_that_is_off_makes_no_file(self):
        e = self.start(ini="[Log]\nLevel=1\n[Book]\nEnabled=0\n")
        e.line("new", "force", "time 30000", "usermove e2e4", "time 29000.5", "usermove e7e5")
        self.quit(e)
        self.assertEqual(e.log(), [("Main", "Il motore sta partendo..."), ("ParseCommand", "Tempo rimasto= 30000"),
                                   ("ParseCommand", "Mossa avversario: e2e4"), ("ParseCommand", "Tempo rimasto= 29000"),
                                   ("ParseCommand", "Mossa avversario: e7e5")] + [("Esci", m) for m in SHUTDOWN])
        self.assertFalse(e.exists("book.txt"))

    def test_files_beside_the_program_that_are_folders(self):
        # Root writes even into read-only folders, so folders stand for files that cannot be written.
        for folders, ini in ((["Velmorasca.ini", "Velmorasca.log", "book.txt"], None),
                             (["Velmorasca.log", "book.txt"], QUIET.replace("[Book]\nEnabled=0", "[Book]\nEnabled=1"))):
            e = self.start(ini=ini, prepare=lambda folder: [os.mkdir(os.path.join(folder, n)) for n in folders])
            self.assertEqual(e.sync(), b"")
            e.line("new", "usermove e2e4")
            e.read_move()  # without settings: the clock on, depth 4, the book on but unreadable
            self.quit(e)
            self.assertTrue(all(os.path.isdir(e.path(n)) for n in folders), folders)

    def test_a_binary_settings_file(self):
        e = self.start(ini=bytes(random.Random(8).randrange(256) for _ in range(64 * 1024)))
        e.line("new", "usermove e2e4")
        self.assertIn(e.read_move(), legal_moves("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1"))
        self.quit(e)


if __name__ == "__main__":
    run()
