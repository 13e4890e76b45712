"""What only the Windows build has, under Wine: velmorutil.dll loaded by
name (its five exports, a missing library or export), the text files in the
system's single-byte code page with CR LF line ends, the settings file
through the profile services (a hidden file counts as missing), and a
program folder with blanks and an accent in its name."""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "e2e"))
from engine import BUILD, FEATURE, WINE, EngineTest, run, windows_path  # noqa: E402

MATE_IN_ONE = "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1"  # Ra8 mates
QUIET = "[Time]\nEnabled=0\n[Book]\nEnabled=0\n[Log]\nLevel=1\n[General]\nProfondita=3\n"


def exports(dll):
    """The export names of a DLL, from the mingw-w64 objdump."""
    out = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", dll], capture_output=True, text=True, check=True).stdout
    table = out.split("[Ordinal/Name Pointer] Table", 1)[1]
    names = []
    for line in table.splitlines()[1:]:
        if not line.strip():
            break
        names.append(line.split("]", 1)[1].strip())
    return sorted(names)


class Companion(EngineTest):
    def test_the_dll_exports_exactly_the_five_names_undecorated(self):
        self.assertEqual(exports(os.path.join(BUILD, "velmorutil.dll")),
                         ["CopyValues", "WriteLog", "fBianco", "fCavallo", "fNero"])

    def test_a_missing_or_wrong_dll_ends_the_engine_with_a_clear_message(self):
        def without(folder):
            os.remove(os.path.join(folder, "velmorutil.dll"))

        def incomplete(folder):
            shutil.copy2(os.path.join(BUILD, "velmorutil-incomplete.dll"), os.path.join(folder, "velmorutil.dll"))

        for prepare, said in ((without, "is missing or cannot be loaded"), (incomplete, "has no function CopyValues")):
            e = self.start(["xboard"], prepare=prepare)
            e.line("protover 2")
            rc, out, err = e.finish()
            self.assertEqual(rc, 1, said)
            self.assertEqual(out, b"", said)
            text = err.decode("latin-1")
            self.assertIn(windows_path(e.path("velmorutil.dll")), text)
            self.assertIn(said, text)
            self.assertFalse(e.exists("Velmorasca.ini"))
            self.assertFalse(e.exists("Velmorasca.log"))


class TextFiles(EngineTest):
    def test_log_lines_are_windows_1252_with_cr_lf(self):
        e = self.start(ini=QUIET)
        e.line("setboard " + MATE_IN_ONE, "go")
        self.assertIn(b"move a1a8", e.read_until(b"tellopponent", 20))
        e.line("quit")
        self.assertEqual(e.wait(), 0)
        with open(e.path("Velmorasca.log"), "rb") as f:
            raw = f.read()
        self.assertIn(b"Interrotto alla profondit\xe0 ", raw)  # a grave in Windows-1252, not UTF-8
        self.assertNotIn(b"\xc3", raw)
        lines = raw.split(b"\r\n")
        self.assertEqual(lines[-1], b"")
        self.assertTrue(all(b"\n" not in line and b"\r" not in line for line in lines))

    def test_the_settings_file_gets_cr_lf_and_keeps_the_users_lines(self):
        e = self.start(ini="; mine\r\n[log]\r\nLEVEL=0\r\n")
        self.assertEqual(e.sync(), b"")
        e.line("quit")
        self.assertEqual(e.wait(), 0)
        with open(e.path("Velmorasca.ini"), "rb") as f:
            raw = f.read()
        self.assertEqual(raw.split(b"\r\n")[:3], [b"; mine", b"[log]", b"LEVEL=0"])
        self.assertNotIn(b"\n", raw.replace(b"\r\n", b""))
        self.assertEqual(e.settings(), {("log", "level"): "0", ("log", "enabled"): "0", ("book", "enabled"): "1"})

    def test_a_hidden_settings_file_counts_as_missing(self):
        def hide(folder):
            subprocess.run(["wine", "attrib", "+h", windows_path(os.path.join(folder, "Velmorasca.ini"))], check=True,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)

        e = self.start(ini="[Log]\nLevel=1\n", prepare=hide)
        self.assertEqual(e.sync(), b"")
        e.line("quit")
        self.assertEqual(e.wait(), 0)
        self.assertEqual(e.settings()[("log", "level")], "0")  # the default, written into it
        self.assertFalse(e.exists("Velmorasca.log"))


class StandardInput(EngineTest):
    """Standard input that is not a pipe: a file, or the NUL device. The
    engine runs straight under Wine, which passes a Linux file on as a
    Windows file handle."""

    def folder(self):
        e = self.start(["xboard"], ini="[Log]\nLevel=1\n[Time]\nEnabled=0\n[General]\nProfondita=2\n")
        e.finish()  # that run only made the folder and the files
        os.remove(e.path("Velmorasca.log"))
        return e

    def run_on(self, e, stdin):
        return subprocess.run(["wine", e.exe, "xboard"], stdin=stdin, capture_output=True, cwd=e.folder, timeout=60)

    def test_a_file_as_input_is_read_to_its_end(self):
        e = self.folder()
        with open(e.path("commands.txt"), "wb") as f:
            f.write(b"protover 2\r\nnew\r\nusermove e2e4\r\nprotover 2")  # the last line is unfinished
        with open(e.path("commands.txt"), "rb") as f:
            out = self.run_on(e, f)
        self.assertEqual((out.returncode, out.stdout[:len(FEATURE)]), (0, FEATURE))
        self.assertEqual(out.stdout.count(b"feature "), 1)
        self.assertIn(b"\nmove ", out.stdout)
        self.assertIn("Mossa avversario: e2e4", e.log_messages("ParseCommand"))
        self.assertEqual(e.log_messages("Esci"), ["Spengo il motore...", "Motore spento"])

    def test_the_nul_device_as_input_ends_the_engine_in_order(self):
        e = self.folder()
        out = self.run_on(e, subprocess.DEVNULL)
        self.assertEqual((out.returncode, out.stdout), (0, b""))
        self.assertEqual(e.log_messages(), ["Il motore sta partendo...", "Spengo il motore...", "Motore spento"])


class ProgramFolder(EngineTest):
    def test_a_folder_with_blanks_and_an_accent_holds_the_files(self):
        e = self.start(ini=QUIET, subfolder="Motori di prova \u00e0", files={"book.txt": "e2e4e7e5\n"})
        self.assertEqual(e.sync(), b"")
        e.line("new", "usermove e2e4")
        self.assertIn(b"\nmove ", e.read_until(b"\nmove ", 20))
        e.line("quit")
        self.assertEqual(e.wait(), 0)
        self.assertIn(("Main", "Il motore sta partendo..."), e.log())
        self.assertEqual(e.settings()[("time", "enabled")], "0")
        self.assertEqual(sorted(os.listdir(e.folder)),
                         ["Velmorasca.ini", "Velmorasca.log", "book.txt", "velmorasca.exe", "velmorutil.dll"])

    def test_without_a_command_line_and_a_desktop_the_window_says_why(self):
        e = self.start([])  # no DISPLAY: Wine can make no window
        rc, out, err = e.finish()
        self.assertEqual((rc, out), (1, b""))
        self.assertIn(b"the engine window cannot be made here", err)
        self.assertFalse(e.exists("Velmorasca.log"))


if __name__ == "__main__":
    if not WINE:
        raise SystemExit("run with VELMORASCA_WINE=1 (make test-windows)")
    run()
