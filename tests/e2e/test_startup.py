"""Start-up: the command line, the self-seeding settings file, the log and
the book file beside the program."""
import os
import subprocess

from engine import FEATURE, PROGRAM_FILES, WINE, EngineTest, run, unless_wine


class CommandLine(EngineTest):
    def test_unknown_words_end_the_program_untouched(self):
        for args, shown in ((["xboard", "Foo"], "xboard Foo"),
                            (["XBOARD", "", "xboard"], "XBOARD  xboard"),
                            (["--help"], "--help"),
                            ([""], "")):
            e = self.start(args)
            rc, out, err = e.finish()
            self.assertNotEqual(rc, 0, args)
            self.assertEqual(out, b"", args)
            self.assertEqual(err.decode("latin-1").splitlines()[0], "Comando sconosciuto: " + shown)
            self.assertFalse(e.exists("Velmorasca.ini"), args)
            self.assertFalse(e.exists("Velmorasca.log"), args)
            self.assertFalse(e.exists("book.txt"), args)

    def test_no_command_line_without_a_display_ends_with_a_message(self):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        e = self.start([], env=env)
        rc, out, err = e.finish()
        self.assertNotEqual(rc, 0)
        self.assertEqual(out, b"")
        self.assertNotEqual(err.strip(), b"")

    @unless_wine("a Linux terminal; Windows has consoles, which Wine does not give a program started from a script")
    def test_a_terminal_gets_a_hint_on_stderr_only(self):
        e = self.start(["xboard"])  # only for its folder
        e.close_input()
        e.wait()
        master, slave = os.openpty()
        self.addCleanup(os.close, master)
        proc = subprocess.Popen([e.exe, "xboard"], stdin=slave, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                cwd=e.folder)
        os.close(slave)
        os.write(master, b"protover 2\nquit\n")
        out, err = proc.communicate(timeout=10)
        self.assertEqual(proc.returncode, 0)
        self.assertEqual(out, FEATURE)
        self.assertIn(b"quit", err)
        self.assertEqual(len(err.splitlines()), 1)


class Settings(EngineTest):
    def test_missing_keys_are_seeded_at_start_and_on_new(self):
        e = self.start()
        self.assertEqual(e.sync(), b"")
        self.assertEqual(e.settings(), {("log", "enabled"): "0", ("log", "level"): "0", ("book", "enabled"): "1"})
        e.line("new")
        self.assertEqual(e.sync(), b"")
        s = e.settings()
        self.assertEqual(s[("time", "enabled")], "1")
        self.assertEqual(s[("general", "cancastle")], "1")
        self.assertFalse(e.exists("Velmorasca.log"))  # level 0 logs nothing

    def test_empty_keys_are_rewritten_and_set_values_kept(self):
        e = self.start(ini="[log]\nlevel=\nENABLED =  7  \n[Book]\nEnabled=0\n")
        self.assertEqual(e.sync(), b"")
        s = e.settings()
        self.assertEqual(s[("log", "level")], "0")
        self.assertEqual(s[("log", "enabled")], "7")
        self.assertEqual(s[("book", "enabled")], "0")

    def test_non_numeric_level_means_no_log(self):
        e = self.start(ini="[Log]\nLevel=verbose\n")
        e.line("new", "force", "usermove e2e4", "time 100")
        self.assertEqual(e.sync(), b"")
        self.assertEqual(e.finish()[0], 0)
        self.assertFalse(e.exists("Velmorasca.log"))
        self.assertEqual(e.settings()[("log", "level")], "verbose")

    def test_writing_keeps_comments_and_other_sections(self):
        original = "; my engine\n[Other]\nfoo = bar\n# keep me\n\n[Log]\n; the level\nLevel=0\n"
        e = self.start(ini=original)
        self.assertEqual(e.sync(), b"")
        text = e.read_file("Velmorasca.ini")
        # Wine's profile service writes every key line anew, without the
        # blanks around "=" (keys, values, comments and order are kept).
        for kept in ("; my engine", "[Other]", "foo=bar" if WINE else "foo = bar", "# keep me", "; the level",
                     "Level=0"):
            self.assertIn(kept, text.splitlines())
        self.assertEqual(e.settings()[("other", "foo")], "bar")
        self.assertEqual(e.settings()[("log", "enabled")], "0")
        self.assertEqual(sorted(os.listdir(e.folder)), sorted(["Velmorasca.ini", "book.txt"] + PROGRAM_FILES))

    def test_a_folder_in_place_of_the_settings_file_gives_the_defaults(self):
        e = self.start(prepare=lambda folder: os.mkdir(os.path.join(folder, "Velmorasca.ini")))
        e.line("new", "force", "usermove e2e4", "setboard 4k3/8/8/8/8/8/8/4K3 w - - 0 1")
        self.assertEqual(e.sync(), b"")
        self.assertTrue(os.path.isdir(e.path("Velmorasca.ini")))
        self.assertEqual(e.finish()[0], 0)


class Log(EngineTest):
    def test_level_one_records_the_ordinary_lines_in_order(self):
        e = self.start(ini="[Log]\nLevel=1\n")
        e.line("new", "force", "time 30000", "usermove e2e4", "time 29000.5", "usermove e7e5")
        e.line("quit")
        self.assertEqual(e.wait(), 0)
        self.assertEqual(e.log(), [
            ("Main", "Il motore sta partendo..."),
            ("ParseCommand", "Tempo rimasto= 30000"),
            ("ParseCommand", "Mossa avversario: e2e4"),
            ("ParseCommand", "Tempo rimasto= 29000"),
            ("ParseCommand", "Mossa avversario: e7e5"),
            ("Esci", "Spengo il motore..."),
            ("Esci", "Motore spento"),
        ])


class Book(EngineTest):
    def test_book_file_is_created_empty_when_enabled(self):
        e = self.start()
        self.assertEqual(e.sync(), b"")
        self.assertEqual(e.read_file("book.txt"), "")

    def test_book_file_is_left_alone_when_disabled(self):
        e = self.start(ini="[Book]\nEnabled=0\n")
        self.assertEqual(e.sync(), b"")
        self.assertFalse(e.exists("book.txt"))

    def test_an_existing_book_is_not_changed(self):
        e = self.start(files={"book.txt": "e2e4e7e5\r\ne2e4c7c5\r\n"})
        self.assertEqual(e.sync(), b"")
        self.assertEqual(e.read_file("book.txt"), "e2e4e7e5\r\ne2e4c7c5\r\n")


if __name__ == "__main__":
    run()
