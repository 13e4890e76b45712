"""What only the Windows build has, under Wine: velmorutil.dll loaded by
name (its five exports; a missing library or export), the text files in the
system's single-byte code page with CR LF line ends, in a program folder
with blanks and an accent in its name, and standard input that is no pipe."""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "e2e"))
from engine import BUILD, FEATURE, SHUTDOWN, WINE, EngineTest, run, windows_path  # noqa: E402


class Windows(EngineTest):
    def test_the_dll_exports_exactly_the_five_names_undecorated(self):
        out = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", os.path.join(BUILD, "velmorutil.dll")],
                             capture_output=True, text=True, check=True).stdout
        table = out.split("[Ordinal/Name Pointer] Table", 1)[1].split("\n\n", 1)[0].splitlines()[1:]
        self.assertEqual(sorted(line.split("]", 1)[1].strip() for line in table),
                         ["CopyValues", "WriteLog", "fBianco", "fCavallo", "fNero"])

    def test_a_missing_or_wrong_dll_ends_the_engine_with_a_clear_message(self):
        for dll, said in ((None, "is missing or cannot be loaded"), ("velmorutil-incomplete.dll", "has no function CopyValues")):
            def prepare(folder):
                os.remove(os.path.join(folder, "velmorutil.dll"))
                if dll:
                    shutil.copy2(os.path.join(BUILD, dll), os.path.join(folder, "velmorutil.dll"))
            e = self.start(prepare=prepare)
            e.line("protover 2")
            rc, out, err = e.finish()
            self.assertEqual((rc, out), (1, b""), said)
            self.assertIn(windows_path(e.path("velmorutil.dll")), err.decode("latin-1"))
            self.assertIn(said, err.decode("latin-1"))
            self.assertFalse(e.exists("Velmorasca.ini") or e.exists("Velmorasca.log"), said)

    def test_text_files_in_windows_1252_with_cr_lf_in_a_folder_with_blanks_and_an_accent(self):
        ini = "; mine\r\n[log]\r\nLEVEL=1\r\n[Time]\r\nEnabled=0\r\n[General]\r\nProfondita=3\r\n"
        e = self.start(ini=ini, subfolder="Motori di prova \u00e0", files={"book.txt": "e2e4e7e5\n"})
        e.line("new", "usermove e2e4")
        self.assertEqual(e.read_move(), "e7e5")  # from the book beside the program
        e.line("setboard 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", "go")  # Ra8 mates
        self.assertIn(b"move a1a8", e.read_until(b"tellopponent", 20))
        self.quit(e)
        log = e.read_file("Velmorasca.log").encode("latin-1")
        self.assertIn(b"Interrotto alla profondit\xe0 ", log)  # a grave in Windows-1252, not UTF-8
        self.assertNotIn(b"\xc3", log)
        self.assertEqual(log.split(b"\r\n")[-1], b"")
        settings = e.read_file("Velmorasca.ini").encode("latin-1")
        self.assertEqual(settings.split(b"\r\n")[:3], [b"; mine", b"[log]", b"LEVEL=1"])
        for raw in (log, settings):  # the lines the engine added end in CR LF too
            self.assertNotIn(b"\n", raw.replace(b"\r\n", b""))
        self.assertEqual(sorted(os.listdir(e.folder)),
                         ["Velmorasca.ini", "Velmorasca.log", "book.txt", "velmorasca.exe", "velmorutil.dll"])

    def test_a_file_or_the_nul_device_as_standard_input(self):
        # Straight under Wine, which passes them on as a Windows file handle and the NUL device.
        e = self.start(ini="[Log]\nLevel=1\n[Time]\nEnabled=0\n[General]\nProfondita=2\n")
        e.finish()  # that run only made the folder and the files

        def run_on(stdin):
            os.remove(e.path("Velmorasca.log"))
            out = subprocess.run(["wine", e.exe, "xboard"], stdin=stdin, capture_output=True, cwd=e.folder, timeout=60)
            self.assertEqual((out.returncode, e.log_messages("Esci")), (0, SHUTDOWN))
            return out.stdout
        e.write_file("commands.txt", "protover 2\r\nnew\r\nusermove e2e4\r\nprotover 2")  # the last line is unfinished
        with open(e.path("commands.txt"), "rb") as commands:
            answer = run_on(commands)
        self.assertEqual((answer[:len(FEATURE)], answer.count(b"feature ")), (FEATURE, 1))
        self.assertNotIn(b"\nmove ", answer)  # the end of the file, reached during the think, ends the engine at once
        self.assertIn("Mossa avversario: e2e4", e.log_messages("ParseCommand"))
        self.assertEqual(run_on(subprocess.DEVNULL), b"")
        self.assertEqual(e.log_messages(), ["Il motore sta partendo..."] + SHUTDOWN)


if __name__ == "__main__":
    if not WINE:
        raise SystemExit("run with VELMORASCA_WINE=1 (make test-windows)")
    run()
