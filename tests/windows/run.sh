#!/bin/sh
# The Windows build's tests under Wine: the end-to-end protocol scripts of
# tests/e2e (pointed at velmorasca.exe through VELMORASCA_WINE=1), the
# Windows-only checks, the perft data through velmorasca-perft.exe, a game
# under XBoard on Linux and the Win32 window.
#
#   tests/windows/run.sh [BUILD_DIR]     (default build-win; make test-windows)
#
# Wine runs headless (no DISPLAY: a message box returns at once) in a
# private prefix under the build folder, created on the first run.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$source/build-win}" && pwd)

export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer prompts
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
fi
# One Wine server for all the runs (each start is then quick), ended on
# exit. Wine's own background programs (services, device drivers) start
# with the first program and keep the standard handles they were given, so
# they are started here on /dev/null: otherwise they would hold a test's
# pipes open and the test would never see the engine's end of output.
wineserver -p </dev/null >/dev/null 2>&1 || true  # fails when one runs already
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c exit </dev/null >/dev/null 2>&1 || true

export VELMORASCA_WINE=1 VELMORASCA_BUILD="$build" VELMORASCA_SOURCE="$source"
failed=""
start=$(date +%s)
for t in test_protocol test_startup test_board test_game test_think_input test_reliability; do
  echo "== $t"
  python3 "$source/tests/e2e/$t.py" || failed="$failed $t"
done
# The same engine on the Linux pipes Wine hands it when started straight
# from a Linux interface: its input is then read by the read-ahead thread.
for t in test_protocol test_think_input; do
  echo "== $t (Linux pipes)"
  VELMORASCA_WINE_DIRECT=1 python3 "$source/tests/e2e/$t.py" || failed="$failed $t(direct)"
done
echo "== test_windows"
python3 "$here/test_windows.py" || failed="$failed test_windows"
echo "== perft"
python3 "$here/perft.py" "$build" "$source/tests/data/perft.epd" || failed="$failed perft"
echo "== test_xboard_wine"
PATH="$PATH:/usr/games" python3 "$here/test_xboard_wine.py" || failed="$failed test_xboard_wine"
# Last: the window on a private Xvfb display, with a Wine server of its own.
echo "== test_window"
python3 "$here/test_window.py" || failed="$failed test_window"
echo "Windows tests took $(( $(date +%s) - start )) s"
if [ -n "$failed" ]; then
  echo "FAILED:$failed"
  exit 1
fi
echo "All Windows tests passed."
