"""Installing: the tree `cmake --install` lays out under a DESTDIR, the installed engine run by an
unprivileged user (its files in that user's XDG folders), a portable copy beside it, the informative
switches, the manual page, and the Debian package. As root the engine runs as nobody."""
import configparser
import contextlib
import gzip
import os
import pwd
import select
import shutil
import stat
import subprocess
import tempfile
import time
import unittest

from engine import BUILD, FEATURE, SOURCE, WINE

SANITIZED = os.environ.get("VELMORASCA_SANITIZED") == "1"
VERSION = "1.1"
AS_ROOT = os.geteuid() == 0

# Every file and link under the prefix, and what a link points at.
PROGRAMS = ["games/velmorasca", "games/velmorasca-perft", "games/velmorasca-bench"]
LINKS = {"games/velmorasca-uci": "velmorasca", "share/man/man6/velmorasca-uci.6": "velmorasca.6",
         "share/man/man6/velmorasca-perft.6": "velmorasca.6", "share/man/man6/velmorasca-bench.6": "velmorasca.6"}
ICONS = ["share/icons/hicolor/%s/apps/velmorasca.png" % size for size in ("48x48", "64x64", "128x128", "256x256")]
DATA = ["share/man/man6/velmorasca.6", "share/games/plugins/xboard/velmorasca.eng",
        "share/games/plugins/uci/velmorasca.eng", "share/games/plugins/logos/velmorasca.png",
        "share/games/velmorasca/book.txt", "share/applications/velmorasca.desktop",
        "share/icons/hicolor/scalable/apps/velmorasca.svg"] + ICONS


def tree(root):
    """Every file and link under root, relative to it."""
    found = set()
    for folder, _, names in os.walk(root):
        found.update(os.path.relpath(os.path.join(folder, n), root) for n in names)
    return found


def read(path, mode="r"):
    with open(path, mode) as f:
        return f.read()


def settings(path):
    ini = configparser.RawConfigParser(delimiters=("=",), strict=False)
    ini.read_string(read(path, "rb").decode("latin-1"))
    return {(s.lower(), k): v for s in ini.sections() for k, v in ini.items(s)}


MANIFEST = os.path.join(BUILD, "install_manifest.txt")


@contextlib.contextmanager
def manifest_kept():
    """The build's install manifest (make uninstall's record of a real installation) as it was before."""
    kept = read(MANIFEST, "rb") if os.path.exists(MANIFEST) else None
    try:
        yield
    finally:
        if kept is None:
            if os.path.exists(MANIFEST):
                os.remove(MANIFEST)
        else:
            with open(MANIFEST, "wb") as f:
                f.write(kept)


def install(destdir, prefix="/usr"):
    """cmake --install into destdir; returns the manifest it wrote."""
    subprocess.run(["cmake", "--install", BUILD, "--prefix", prefix], env=dict(os.environ, DESTDIR=destdir),
                   check=True, capture_output=True)
    return read(MANIFEST)


@unittest.skipIf(WINE, "the Linux installation")
class Installed(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Everything lives in one folder every user can reach; the user's home is theirs.
        cls.root = tempfile.mkdtemp(prefix="velmor-install-")
        os.chmod(cls.root, 0o755)
        cls.destdir = os.path.join(cls.root, "stage")
        cls.prefix = cls.destdir + "/usr"
        with manifest_kept():
            cls.manifest = install(cls.destdir)
        cls.user = pwd.getpwnam("nobody") if AS_ROOT else pwd.getpwuid(os.getuid())

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def home(self):
        """A fresh folder owned by the user the engine runs as, removed after the test."""
        home = tempfile.mkdtemp(prefix="home-", dir=self.root)
        os.chmod(home, 0o755)
        if AS_ROOT:
            os.chown(home, self.user.pw_uid, self.user.pw_gid)
        self.addCleanup(shutil.rmtree, home, True)
        return home

    def run_as_user(self, program, args, stdin, home, until=None, **xdg):
        """Runs program as the unprivileged user with only HOME, PATH and the given XDG variables; with
        until, the input stays open until that text has come out, and "quit" follows."""
        env = {"HOME": home, "PATH": "/usr/bin:/bin"}
        env.update(xdg)
        if SANITIZED:
            env.update({k: v for k, v in os.environ.items() if k.endswith("SAN_OPTIONS")})
        command = [program, *args]
        if AS_ROOT:
            command = ["setpriv", "--reuid=%d" % self.user.pw_uid, "--regid=%d" % self.user.pw_gid,
                       "--clear-groups", *command]
        if until is None:
            return subprocess.run(command, input=stdin.encode(), capture_output=True, env=env, cwd=home, timeout=60)
        with subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              env=env, cwd=home) as proc:
            proc.stdin.write(stdin.encode())
            proc.stdin.flush()
            out, deadline = b"", time.monotonic() + 60
            while until not in out and time.monotonic() < deadline:
                if select.select([proc.stdout], [], [], 1)[0]:
                    chunk = os.read(proc.stdout.fileno(), 65536)
                    if not chunk:
                        break
                    out += chunk
            out += proc.communicate(b"quit\n", timeout=60)[0]
            return subprocess.CompletedProcess(command, proc.returncode, out, b"")

    def test_the_tree_holds_every_file_and_nothing_else(self):
        self.assertEqual(tree(self.prefix), set(PROGRAMS) | set(LINKS) | set(DATA))
        self.assertEqual(set(self.manifest.split()), {"/usr/" + name for name in tree(self.prefix)})
        for name in PROGRAMS:
            self.assertTrue(os.stat(os.path.join(self.prefix, name)).st_mode & stat.S_IXOTH, name)
        for name, target in LINKS.items():
            self.assertEqual(os.readlink(os.path.join(self.prefix, name)), target, name)
        plugins = os.path.join(self.prefix, "share/games/plugins")
        self.assertEqual(read(plugins + "/xboard/velmorasca.eng"), "plugin spec 0.0\nvelmorasca xboard\nchess\n")
        self.assertEqual(read(plugins + "/uci/velmorasca.eng"), "plugin spec 0.0\nvelmorasca uci\nchess\n")
        self.assertEqual(read(os.path.join(self.prefix, "share/games/velmorasca/book.txt"), "rb"),
                         read(os.path.join(SOURCE, "data/book.txt"), "rb"))
        desktop = read(os.path.join(self.prefix, "share/applications/velmorasca.desktop")).splitlines()
        for line in ("Exec=velmorasca", "Icon=velmorasca", "Categories=Game;BoardGame;", "Type=Application"):
            self.assertIn(line, desktop)
        for name in ["share/games/plugins/logos/velmorasca.png"] + ICONS:
            self.assertEqual(read(os.path.join(self.prefix, name), "rb")[:8], b"\x89PNG\r\n\x1a\n", name)

    def test_version_help_and_the_manual_page(self):
        engine = os.path.join(self.prefix, "games/velmorasca")
        done = subprocess.run([engine, "--version"], capture_output=True, timeout=30)
        self.assertEqual((done.returncode, done.stdout, done.stderr), (0, b"Velmorasca %s\n" % VERSION.encode(), b""))
        home = self.home()
        done = self.run_as_user(engine, ["--HELP"], "", home)
        self.assertEqual(done.returncode, 0)
        text = done.stdout.decode()
        for key in ("Log/Enabled = 0", "Log/Level = 0", "Book/Enabled = 1", "Time/Enabled = 1",
                    "General/Profondita = 4", "General/CanCastle = 1", "Print/Position = N",
                    "velmorasca xboard", "velmorasca uci", "velmorasca-uci", "This copy is installed:",
                    "settings  %s/.config/velmorasca/Velmorasca.ini" % home):
            self.assertIn(key, text)
        self.assertEqual(os.listdir(home), [], "--help creates nothing")
        for args in (["--version", "xboard"], ["xboard", "--help"]):
            done = subprocess.run([engine, *args], capture_output=True, timeout=30)
            self.assertEqual(done.returncode, 1, args)
            self.assertEqual(done.stderr.decode().splitlines()[0], "Comando sconosciuto: " + " ".join(args))
        page = os.path.join(self.prefix, "share/man/man6/velmorasca.6")
        rendered = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", page], capture_output=True,
                                  env=dict(os.environ, MANROFFSEQ="", MANWIDTH="80"), timeout=60)
        self.assertEqual(rendered.returncode, 0, rendered.stderr)
        self.assertEqual(rendered.stderr, b"")
        for heading in (b"MODES", b"XBOARD COMMANDS", b"UCI COMMANDS", b"FILES", b"SETTINGS", b"BOOK FORMAT",
                        b"TOOLS", b"Velmorasca " + VERSION.encode()):
            self.assertIn(heading, rendered.stdout)

    def test_an_installed_engine_keeps_its_files_in_the_users_folders(self):
        engine = os.path.join(self.prefix, "games/velmorasca")
        home = self.home()
        done = self.run_as_user(engine, ["xboard"], "protover 2\nquit\n", home)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn(FEATURE, done.stdout)
        ini = os.path.join(home, ".config/velmorasca/Velmorasca.ini")
        book = os.path.join(home, ".local/share/velmorasca/book.txt")
        self.assertEqual(settings(ini), {("log", "enabled"): "0", ("log", "level"): "0", ("book", "enabled"): "1"})
        self.assertEqual(read(book, "rb"), read(os.path.join(self.prefix, "share/games/velmorasca/book.txt"), "rb"))
        self.assertEqual(tree(self.prefix), set(PROGRAMS) | set(LINKS) | set(DATA), "nothing beside the program")
        # With a log level the log appears in the state folder; an edited book is kept.
        text = read(ini).replace("Level=0", "Level=1")
        with open(ini, "w") as f:
            f.write(text)
        with open(book, "w") as f:
            f.write("d2d4\n")
        done = self.run_as_user(engine, ["xboard"], "protover 2\nnew\ngo\n", home, until=b"\nmove ")
        self.assertIn(b"\nmove d2d4\n", done.stdout)
        log = read(os.path.join(home, ".local/state/velmorasca/Velmorasca.log"))
        self.assertIn("Main: Il motore sta partendo...", log)
        self.assertIn("Esci: Motore spento", log)
        self.assertEqual(sorted(os.listdir(home)), [".config", ".local"])
        # The UCI mode through the link, with the same files; a UCI run leaves the settings as they were.
        before = read(ini)
        done = self.run_as_user(os.path.join(self.prefix, "games/velmorasca-uci"), [], "uci\nisready\n", home,
                                until=b"readyok\n")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertTrue(done.stdout.startswith(b"id name Velmorasca %s\n" % VERSION.encode()), done.stdout)
        self.assertIn(b"uciok\nreadyok\n", done.stdout)
        self.assertEqual(read(ini), before)
        self.assertEqual(read(os.path.join(home, ".local/state/velmorasca/Velmorasca.log")).count("Il motore sta partendo"), 2)

    def test_the_xdg_variables_choose_the_folders_and_relative_ones_are_ignored(self):
        engine = os.path.join(self.prefix, "games/velmorasca")
        home = self.home()
        done = self.run_as_user(engine, ["xboard"], "protover 2\nquit\n", home, XDG_CONFIG_HOME=home + "/c",
                                XDG_STATE_HOME="relative/state", XDG_DATA_HOME=home + "/d")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertTrue(os.path.isfile(home + "/c/velmorasca/Velmorasca.ini"))
        self.assertTrue(os.path.isfile(home + "/d/velmorasca/book.txt"))
        self.assertTrue(os.path.isdir(home + "/.local/state/velmorasca"))
        self.assertFalse(os.path.exists(os.path.join(home, "relative")))

    def test_a_copy_elsewhere_is_portable_and_writes_beside_itself(self):
        home = self.home()
        folder = os.path.join(home, "portable")
        os.mkdir(folder)
        shutil.copy2(os.path.join(self.prefix, "games/velmorasca"), folder)
        if AS_ROOT:
            os.chown(folder, self.user.pw_uid, self.user.pw_gid)
        done = self.run_as_user(os.path.join(folder, "velmorasca"), ["xboard"], "protover 2\nquit\n", home)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn(FEATURE, done.stdout)
        self.assertEqual(sorted(os.listdir(folder)), ["Velmorasca.ini", "book.txt", "velmorasca"])
        self.assertEqual(os.listdir(home), ["portable"])


@unittest.skipIf(WINE, "the Linux installation")
class Uninstall(unittest.TestCase):
    def test_make_uninstall_removes_every_file_it_recorded(self):
        root = tempfile.mkdtemp(prefix="velmor-uninstall-")
        self.addCleanup(shutil.rmtree, root, True)
        with manifest_kept():
            install(root, "/usr/local")
            done = subprocess.run(["make", "-s", "-C", SOURCE, "uninstall", "BUILD=" + BUILD, "DESTDIR=" + root],
                                  capture_output=True, text=True, timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(tree(root), set())
        self.assertFalse(os.path.exists(root + "/usr/local/share/games/velmorasca"))


@unittest.skipIf(WINE or SANITIZED, "the package is made from the normal build")
@unittest.skipUnless(shutil.which("dpkg-deb") and shutil.which("lintian"), "needs dpkg-deb and lintian")
class Package(unittest.TestCase):
    def test_the_package_holds_the_tree_under_usr_and_lintian_finds_no_error(self):
        out = tempfile.mkdtemp(prefix="velmor-deb-")
        self.addCleanup(shutil.rmtree, out, True)
        before = read(MANIFEST) if os.path.exists(MANIFEST) else None
        made = subprocess.run([os.path.join(SOURCE, "tools/makedeb.sh"), BUILD, VERSION, out], capture_output=True,
                              text=True, timeout=600)
        self.assertEqual(made.returncode, 0, made.stderr)
        self.assertEqual(read(MANIFEST) if os.path.exists(MANIFEST) else None, before, "make uninstall's record kept")
        arch = subprocess.run(["dpkg", "--print-architecture"], capture_output=True, text=True).stdout.strip()
        deb = os.path.join(out, "velmorasca_%s-1_%s.deb" % (VERSION, arch))
        self.assertEqual(made.stdout.strip(), deb)

        listing = subprocess.run(["dpkg-deb", "-c", deb], capture_output=True, text=True, check=True).stdout
        entries = {line.split()[5].lstrip("."): line for line in listing.splitlines()}
        expected = {"/usr/" + name for name in PROGRAMS + DATA if not name.startswith("share/man/")}
        expected |= {"/usr/games/velmorasca-uci", "/usr/share/man/man6/velmorasca.6.gz",
                     "/usr/share/doc/velmorasca/copyright", "/usr/share/doc/velmorasca/changelog.Debian.gz",
                     "/usr/share/lintian/overrides/velmorasca"}
        expected |= {"/usr/share/man/man6/%s.6.gz" % n for n in ("velmorasca-uci", "velmorasca-perft", "velmorasca-bench")}
        files = {path for path, line in entries.items() if not line.startswith("d")}
        self.assertEqual(files, expected)
        self.assertTrue(entries["/usr/games/velmorasca"].startswith("-rwxr-xr-x root/root"))
        self.assertIn("-> velmorasca", entries["/usr/games/velmorasca-uci"])

        info = subprocess.run(["dpkg-deb", "-f", deb], capture_output=True, text=True, check=True).stdout
        fields = dict(line.split(": ", 1) for line in info.splitlines() if ": " in line and not line.startswith(" "))
        self.assertEqual(fields["Version"], VERSION + "-1")
        self.assertEqual(fields["Section"], "games")
        self.assertEqual(fields["Recommends"], "xdg-utils, fonts-dejavu-core")
        self.assertIn("libc6", fields["Depends"])
        self.assertTrue(fields["Maintainer"].startswith("the Velmorasca developers <"))
        with tempfile.TemporaryDirectory() as unpacked:
            subprocess.run(["dpkg-deb", "-x", deb, unpacked], check=True)
            programs = os.path.join(unpacked, "usr/games")
            sections = subprocess.run(["readelf", "-S", programs + "/velmorasca"], capture_output=True).stdout
            self.assertNotIn(b".debug_info", sections)  # stripped
            self.assertNotIn(b".comment", sections)
            done = subprocess.run([programs + "/velmorasca-uci", "--version"], capture_output=True, timeout=30)
            self.assertEqual(done.stdout, b"Velmorasca %s\n" % VERSION.encode())
            changelog = gzip.open(unpacked + "/usr/share/doc/velmorasca/changelog.Debian.gz").read().decode()
            self.assertTrue(changelog.startswith("velmorasca (%s-1) " % VERSION))

        lint = subprocess.run(["lintian", deb], capture_output=True, text=True, timeout=600)
        errors = [line for line in lint.stdout.splitlines() if line.startswith("E:")]
        self.assertEqual(errors, [], lint.stdout)


if __name__ == "__main__":
    unittest.main(verbosity=2)
