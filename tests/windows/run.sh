#!/bin/sh
# tests/windows/run.sh [BUILD_DIR] (default build-win; make test-windows): the Windows build under Wine,
# headless (a message box returns at once) in a prefix under the build folder: the e2e scripts, the
# Windows-only checks, the UCI handshake, the perft data through velmorasca-perft.exe and the Win32 window.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$source/build-win}" && pwd)

export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko prompts
unset DISPLAY WAYLAND_DISPLAY
[ -f "$WINEPREFIX/system.reg" ] || { echo "Creating the Wine prefix $WINEPREFIX"; wineboot -i >/dev/null 2>&1 || true; }
# One Wine server for all the runs, ended on exit. Wine's background programs keep the standard handles
# of the first program: started here on /dev/null, they hold no test's pipes open.
wineserver -p </dev/null >/dev/null 2>&1 || true  # fails when one runs already
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c exit </dev/null >/dev/null 2>&1 || true

export VELMORASCA_WINE=1 VELMORASCA_BUILD="$build" VELMORASCA_SOURCE="$source"
# tools/perft_check.py runs the perft tool by its path: this one runs it under Wine.
printf '#!/bin/sh\nexec wine "%s/velmorasca-perft.exe" "$@"\n' "$build" >"$build/perft-wine.sh"
chmod +x "$build/perft-wine.sh"
failed=""
start=$(date +%s)
# VELMORASCA_WINE_TESTS="uci_handshake perft" runs only the checks named there.
only=" ${VELMORASCA_WINE_TESTS:-} "
check() {
  name=$1; shift
  case "$only" in "  " | *" $name "*) ;; *) return 0 ;; esac
  echo "== $name"; "$@" || failed="$failed $name"
}
for t in test_protocol test_startup test_game test_rules test_uci; do
  check "$t" python3 "$source/tests/e2e/$t.py"
done
# Again on the Linux pipes Wine hands a program started from Linux, read by the read-ahead thread.
check "test_protocol(direct)" env VELMORASCA_WINE_DIRECT=1 python3 "$source/tests/e2e/test_protocol.py"
check test_windows python3 "$here/test_windows.py"
# The UCI copy, velmorasca-uci.exe, started by its name alone.
check uci_handshake python3 "$here/test_uci_handshake.py"
check "uci_handshake(direct)" env VELMORASCA_WINE_DIRECT=1 python3 "$here/test_uci_handshake.py"
check perft python3 "$source/tools/perft_check.py" --perft "$build/perft-wine.sh" "$source/tests/data/perft.epd"
# Last: the window, on a private Xvfb display with a Wine server of its own (Wine's desktop
# process takes the display of the program that starts it and serves every later window).
wineserver -k 2>/dev/null || true
check test_window xvfb-run -a -s "-screen 0 800x600x24 -noreset" sh -c 'wineserver -p </dev/null >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1; exec python3 "$0"' "$here/test_window.py"
echo "Windows tests took $(( $(date +%s) - start )) s"
[ -z "$failed" ] || { echo "FAILED:$failed"; exit 1; }
echo "All Windows tests passed."
