"""Every count of the perft data through velmorasca-perft.exe under Wine.

    python3 perft.py BUILD_DIR PERFT_EPD

Each line of the data is a FEN followed by ";D<depth> <count>" fields; the
tool is run once per field (WINEPREFIX and WINEDEBUG from the environment).
"""
import subprocess
import sys
import time


def cases(path):
    with open(path) as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            fen, *fields = [part.strip() for part in line.split(";")]
            for field in fields:
                depth, count = field[1:].split()
                yield fen, int(depth), int(count)


def main():
    build, data = sys.argv[1], sys.argv[2]
    tool = build + "/velmorasca-perft.exe"
    start = time.monotonic()
    passed = failed = 0
    for fen, depth, want in cases(data):
        out = subprocess.run(["wine", tool, str(depth), fen], capture_output=True, text=True, timeout=600)
        lines = out.stdout.split()
        got = int(lines[-1]) if out.returncode == 0 and lines and lines[-1].isdigit() else None
        if got == want:
            passed += 1
        else:
            failed += 1
            print("FAIL depth %d %s: want %d, got %s (exit %d) %s" % (depth, fen, want, got, out.returncode,
                                                                  out.stderr.strip()))
    print("perft under Wine: %d counts right, %d wrong, %.0f s" % (passed, failed, time.monotonic() - start))
    return 1 if failed or passed == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
