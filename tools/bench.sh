#!/bin/bash
# Speed benchmark of Velmorasca against the plain perft yardstick, measured
# in one run on this machine.
#
#   tools/bench.sh [--runs N] [--pgo] [--build DIR] [--cpu K] [--baseline COMMIT]
#
# Builds a release (link-time optimised, -march=native) in DIR (default
# build-bench), compiles ../shared/bench/refperft.cpp with g++ -O2
# -march=native into DIR when it exists, then runs each measurement N times
# (default 5), interleaved, and prints the median of each and the ratios:
#   1. refperft perft 6 wall time / velmorasca-perft 6 wall time  (goal >= 1.0)
#   2. bench positions per second / refperft makes per second    (goal >= 0.5)
#   3. depth-4 think from the start, book off: "go" to "move", ms (goal <= 50)
#   4. start-up to the feature line with a 10,000-line book, ms   (goal <= 20)
#   5. "force" sent half a second into a depth-8 think (which would last
#      seconds): from "force" and "protover 2" to the feature line, ms
# and then the UCI mode's latencies (tools/ucilatency.py): "stop" and
# "isready" half a second into "go infinite" to "bestmove" and "readyok",
# and how late "bestmove" comes after "go movetime 500"; measured, not judged.
# Every measurement runs on one processor (K, default the first this
# process may use): on a shared machine one core can be slowed by a
# neighbour's load while the other is not, and a yardstick timed on one and
# the engine on the other gives a ratio of the two cores, not of the two
# programs.
# With --pgo the release is built twice: instrumented, trained on the bench,
# then optimised with that profile.
# With --baseline COMMIT, COMMIT is checked out in a temporary git worktree
# and built there the same way (without --pgo's profile); each run then also
# times COMMIT's bench and perft 6 next to this build's, the two builds
# taking turns to go first, and the medians (of 10 runs unless --runs says
# otherwise) of both builds' rates and their ratios are printed at the end.
# The worktree is removed when the script ends.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
RUNS=5
PGO=0
BUILD="$ROOT/build-bench"
CPU=""
BASELINE=""
RUNS_GIVEN=0
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) RUNS="$2"; RUNS_GIVEN=1; shift 2 ;;
    --pgo) PGO=1; shift ;;
    --build) BUILD="$2"; shift 2 ;;
    --cpu) CPU="$2"; shift 2 ;;
    --baseline) BASELINE="$2"; shift 2 ;;
    *) echo "usage: tools/bench.sh [--runs N] [--pgo] [--build DIR] [--cpu K] [--baseline COMMIT]" >&2; exit 2 ;;
  esac
done
[ -z "$BASELINE" ] || [ "$RUNS_GIVEN" = 1 ] || RUNS=10

# configure PGO [SOURCE BUILD]: the release of SOURCE (default this tree) in BUILD.
configure() {
  local source="${2:-$ROOT}" build="${3:-$BUILD}"
  cmake -S "$source" -B "$build" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release -DSANITIZE=OFF \
    -DVELMOR_NATIVE=ON -DVELMOR_LTO=ON -DWITH_WINDOW=OFF "-DVELMOR_PGO=$1" >/dev/null
  ninja -C "$build" -j "$(nproc)" velmorasca velmorasca-perft velmorasca-bench >/dev/null
}

# The baseline: COMMIT checked out in a temporary worktree, built inside it.
BASE_TREE=""
BASE_BUILD=""
if [ -n "$BASELINE" ]; then
  commit="$(git -C "$ROOT" rev-parse --verify "$BASELINE^{commit}")" ||
    { echo "tools/bench.sh: $BASELINE is not a commit" >&2; exit 2; }
  BASE_TREE="$(mktemp -d "${TMPDIR:-/tmp}/velmor-baseline.XXXXXX")"
  trap 'git -C "$ROOT" worktree remove --force "$BASE_TREE" 2>/dev/null || rm -rf "$BASE_TREE"; git -C "$ROOT" worktree prune' EXIT
  if ! out="$(git -C "$ROOT" worktree add --detach "$BASE_TREE" "$commit" 2>&1)"; then
    echo "$out" >&2; exit 1
  fi
  BASE_BUILD="$BASE_TREE/build-bench"
  echo "baseline: $(git -C "$ROOT" log -1 --format='%h %s' "$commit")" >&2
  configure "" "$BASE_TREE" "$BASE_BUILD"
fi
if [ "$PGO" = 1 ]; then
  rm -rf "$BUILD/pgo-data"
  configure GENERATE
  "$BUILD/velmorasca-bench" >/dev/null
  "$BUILD/velmorasca-perft" 5 >/dev/null 2>&1
  configure USE
else
  configure ""
fi

REF_SRC="$ROOT/../shared/bench/refperft.cpp"
REF=""
if [ -f "$REF_SRC" ]; then
  REF="$BUILD/refperft"
  g++ -O2 -march=native -o "$REF" "$REF_SRC"
else
  echo "note: $REF_SRC not found; the yardstick ratios are left out" >&2
fi

python3 - "$BUILD" "$RUNS" "$REF" "$CPU" "$BASE_BUILD" "$BASELINE" <<'EOF'
import os, re, shutil, statistics, subprocess, sys, tempfile, time

build, runs, ref, cpu, base_build, base_name = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4], sys.argv[5], sys.argv[6]
# The programs started below inherit this process's processor.
allowed = sorted(os.sched_getaffinity(0))
cpu = int(cpu) if cpu else allowed[0]
if cpu not in allowed:
    sys.exit("tools/bench.sh: processor %d is not one this process may use (%s)" % (cpu, allowed))
os.sched_setaffinity(0, {cpu})
engine = os.path.join(build, "velmorasca")

def timed(cmd):
    t0 = time.perf_counter()
    out = subprocess.run(cmd, capture_output=True, text=True, check=True)
    return time.perf_counter() - t0, out.stdout

def engine_folder(book_lines, book_on, depth=4):
    # The engine reads its settings and book beside the program.
    d = tempfile.mkdtemp(prefix="velmor-bench-")
    shutil.copy(engine, d)
    with open(os.path.join(d, "Velmorasca.ini"), "w") as f:
        f.write("[Log]\nEnabled=0\nLevel=0\n[Book]\nEnabled=%s\n[General]\nProfondita=%d\n" % ("1" if book_on else "0", depth))
    with open(os.path.join(d, "book.txt"), "w") as f:
        moves = ["e2e4e7e5g1f3b8c6", "d2d4d7d5c2c4e7e6", "c2c4g8f6b1c3e7e5", "g1f3d7d5g2g3c7c5"]
        for i in range(book_lines):
            f.write(moves[i % 4] + "\n")
    return d

def read_until(p, word, limit=10.0):
    buf = b""
    t_end = time.perf_counter() + limit
    fd = p.stdout.fileno()
    while word not in buf:
        if time.perf_counter() > t_end:
            raise RuntimeError("no %r from the engine" % word)
        chunk = os.read(fd, 4096)
        if not chunk:
            raise RuntimeError("engine closed its output")
        buf += chunk
    return time.perf_counter()

def startup_ms(folder):
    t0 = time.perf_counter()
    p = subprocess.Popen([os.path.join(folder, "velmorasca"), "xboard"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    p.stdin.write(b"xboard\nprotover 2\n"); p.stdin.flush()
    t1 = read_until(p, b"feature")
    p.stdin.write(b"quit\n"); p.stdin.flush(); p.wait(10)
    return (t1 - t0) * 1000

def started(folder, setup):
    """The engine in protocol mode, past its answer to the set-up lines (which end with protover)."""
    p = subprocess.Popen([os.path.join(folder, "velmorasca"), "xboard"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    p.stdin.write(setup); p.stdin.flush()
    read_until(p, b"feature")
    return p

def timed_reply(p, lines, word):
    """Milliseconds from writing lines to the engine's word; then the engine quits."""
    t0 = time.perf_counter()
    p.stdin.write(lines); p.stdin.flush()
    t1 = read_until(p, word)
    p.stdin.write(b"quit\n"); p.stdin.flush(); p.wait(10)
    return (t1 - t0) * 1000

def think_ms(folder):
    p = started(folder, b"xboard\nprotover 2\nnew\nforce\n")
    time.sleep(0.2)
    return timed_reply(p, b"go\n", b"move ")

def abandon_ms(folder):
    # The think is given up for "force": no move, and the reply comes at once.
    p = started(folder, b"xboard\nprotover 2\nnew\n")
    p.stdin.write(b"go\n"); p.stdin.flush()
    time.sleep(0.5)
    return timed_reply(p, b"force\nprotover 2\n", b"feature")

def perft6(b):
    t, out = timed([os.path.join(b, "velmorasca-perft"), "6"])
    return t, out.strip().splitlines()[-1]  # the total alone

def bench(b):
    t, out = timed([os.path.join(b, "velmorasca-bench")])
    m = re.search(r"Positions analysed: (\d+), (\d+) per second", out)
    return t, m.group(1), float(m.group(2))

results = {k: [] for k in ("ref", "ref_makes", "perft", "bench", "bench_rate", "think", "startup", "abandon",
                           "base_perft", "base_bench_rate")}
book_folder = engine_folder(10000, True)
think_folder = engine_folder(0, False)
deep_folder = engine_folder(0, False, 8)
for r in range(runs):
    if ref:
        t, out = timed([ref, "perft", "6"])
        results["ref"].append(t)
        results["ref_makes"].append(float(re.search(r"makes/s\s+([\d.]+)M", out).group(1)) * 1e6)
    # With a baseline the two builds take turns to go first, run by run.
    base_first = base_build and r % 2 == 0
    if base_first:
        t, base_perft_count = perft6(base_build)
        results["base_perft"].append(t)
    t, perft_count = perft6(build)
    results["perft"].append(t)
    if base_build and not base_first:
        t, base_perft_count = perft6(base_build)
        results["base_perft"].append(t)
    if base_first:
        _, base_signature, rate = bench(base_build)
        results["base_bench_rate"].append(rate)
    t, signature, rate = bench(build)
    results["bench"].append(t)
    results["bench_rate"].append(rate)
    if base_build and not base_first:
        _, base_signature, rate = bench(base_build)
        results["base_bench_rate"].append(rate)
    results["think"].append(think_ms(think_folder))
    results["startup"].append(startup_ms(book_folder))
    results["abandon"].append(abandon_ms(deep_folder))
shutil.rmtree(book_folder); shutil.rmtree(think_folder); shutil.rmtree(deep_folder)

med = {k: statistics.median(v) for k, v in results.items() if v}
print("median of %d runs, all on processor %d" % (runs, cpu))
if ref:
    print("refperft perft 6             %8.3f s   %6.2fM makes/s" % (med["ref"], med["ref_makes"] / 1e6))
print("velmorasca-perft 6           %8.3f s   (%s leaves)" % (med["perft"], perft_count))
print("velmorasca-bench             %8.3f s   %6.2fM positions/s  (signature %s)" % (med["bench"], med["bench_rate"] / 1e6, signature))
print("depth-4 think, go to move    %8.1f ms" % med["think"])
print("start-up to feature, 10k book %7.1f ms" % med["startup"])
print("force in a think to reply    %8.1f ms" % med["abandon"])
if ref:
    print("ratio 1  refperft time / velmorasca-perft time     %.2f  (goal >= 1.00)" % (med["ref"] / med["perft"]))
    print("ratio 2  bench positions/s / refperft makes/s      %.2f  (goal >= 0.50)" % (med["bench_rate"] / med["ref_makes"]))
print("think    %.1f ms (goal <= 50), start-up %.1f ms (goal <= 20)" % (med["think"], med["startup"]))
if base_build:
    # Rates: perft 6 leaves per second, bench positions per second; ratio this / baseline.
    leaves = int(perft_count)
    print("against baseline %s, alternating runs, median of %d each:" % (base_name, runs))
    print("  perft 6 leaves/s    baseline %6.2fM (%.3f s, %s leaves)   this %6.2fM (%.3f s, %s leaves)   ratio %.3f" % (
        int(base_perft_count) / med["base_perft"] / 1e6, med["base_perft"], base_perft_count,
        leaves / med["perft"] / 1e6, med["perft"], perft_count, med["base_perft"] / med["perft"]))
    print("  bench positions/s   baseline %6.2fM (signature %s)   this %6.2fM (signature %s)   ratio %.3f" % (
        med["base_bench_rate"] / 1e6, base_signature, med["bench_rate"] / 1e6, signature,
        med["bench_rate"] / med["base_bench_rate"]))
EOF

# The UCI mode's latencies, on the same processor.
[ -n "$CPU" ] || CPU="$(python3 -c 'import os; print(min(os.sched_getaffinity(0)))')"
python3 "$ROOT/tools/ucilatency.py" --engine "$BUILD/velmorasca" --runs "$RUNS" --cpu "$CPU"
