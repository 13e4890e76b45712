#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, address + undefined-behaviour
# sanitizers) in build-fuzz/ and runs each for SECONDS seconds (default 60,
# or $FUZZ_SECONDS), starting from the seed corpus in tests/fuzz/corpus/ and
# keeping what it learns in build-fuzz/corpus/ for the next run. An input
# that breaks a target is kept in build-fuzz/artifacts/ and the script fails.
#
#   tests/fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${FUZZ_BUILD:-$ROOT/build-fuzz}
SECONDS_EACH=${1:-${FUZZ_SECONDS:-60}}
shift || true
TARGETS=("$@")
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=(protocol fen movetext book settings)

# clang and its fuzzer runtime (Debian: clang, libclang-rt-*-dev).
need=()
command -v clang++ >/dev/null || need+=(clang)
if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' |
    clang++ -x c++ -fsanitize=fuzzer -o /dev/null - 2>/dev/null; then
    need+=(libclang-rt-dev)
fi
if [ ${#need[@]} -gt 0 ]; then
    if [ "$(id -u)" = 0 ]; then
        echo "fuzz: installing ${need[*]}"
        apt-get install -y "${need[@]}" >/dev/null || { apt-get update >/dev/null && apt-get install -y "${need[@]}" >/dev/null; }
    else
        echo "fuzz: needs ${need[*]} (apt-get install -y ${need[*]})" >&2
        exit 1
    fi
fi

if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT/tests/fuzz" -B "$BUILD" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
ninja -C "$BUILD" >/dev/null

mkdir -p "$BUILD/artifacts"
# The engine keeps its settings, log and book beside the program: each
# target runs from a copy in a scratch folder, in memory when /dev/shm is
# there, so the files it writes on every input cost no disk.
SCRATCH=$(mktemp -d "$( [ -d /dev/shm ] && [ -w /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/velmor-fuzz.XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT
failed=0
total_runs=0
for t in "${TARGETS[@]}"; do
    corpus="$BUILD/corpus/$t"
    mkdir -p "$corpus"
    cp -n "$ROOT/tests/fuzz/corpus/$t/"* "$corpus/" 2>/dev/null || true
    log="$BUILD/$t.log"
    set +e
    mkdir -p "$SCRATCH/$t"
    cp "$BUILD/$t/fuzz_$t" "$SCRATCH/$t/"
    "$SCRATCH/$t/fuzz_$t" -max_total_time="$SECONDS_EACH" -max_len=8192 -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$BUILD/artifacts/$t-" "$corpus" >"$log" 2>&1
    rc=$?
    set -e
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
    runs=${runs:-0}
    total_runs=$((total_runs + runs))
    if [ $rc -eq 0 ]; then
        echo "fuzz $t: $runs executions in ${SECONDS_EACH}s, corpus $(ls "$corpus" | wc -l) inputs"
    else
        failed=$((failed + 1))
        echo "fuzz $t: FAILED after $runs executions (exit $rc); log $log" >&2
        grep -E 'fuzz property broken|position invariant|ERROR:|runtime error|SUMMARY' "$log" | head -5 >&2 || true
        ls "$BUILD/artifacts/$t-"* 2>/dev/null | tail -1 | sed 's/^/  input kept: /' >&2 || true
    fi
done
echo "fuzz: ${#TARGETS[@]} targets, $total_runs executions, $failed failed"
[ $failed -eq 0 ]
