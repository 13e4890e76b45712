#!/usr/bin/env bash
# Builds the fuzz targets in build-fuzz/ (or $FUZZ_BUILD) and runs each for SECONDS
# seconds (default 60, or $FUZZ_SECONDS) from the seeds in tests/fuzz/corpus/,
# keeping what it learns in build-fuzz/corpus/. An input that breaks a target is
# kept in build-fuzz/artifacts/ and the script fails.
#   tests/fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${FUZZ_BUILD:-$ROOT/build-fuzz}
SECONDS_EACH=${1:-${FUZZ_SECONDS:-60}}
TARGETS=("${@:2}")
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=(protocol fen movetext book settings)

# clang and its fuzzer runtime (Debian: clang, libclang-rt-*-dev), installed when root.
need=()
command -v clang++ >/dev/null || need+=(clang)
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' |
    clang++ -x c++ -fsanitize=fuzzer -o /dev/null - 2>/dev/null || need+=(libclang-rt-dev)
if [ ${#need[@]} -gt 0 ]; then
    [ "$(id -u)" = 0 ] || { echo "fuzz: needs ${need[*]} (apt-get install -y ${need[*]})" >&2; exit 1; }
    echo "fuzz: installing ${need[*]}"
    apt-get install -y "${need[@]}" >/dev/null || { apt-get update >/dev/null && apt-get install -y "${need[@]}" >/dev/null; }
fi
[ -f "$BUILD/build.ninja" ] ||
    cmake -S "$ROOT/tests/fuzz" -B "$BUILD" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
ninja -C "$BUILD" >/dev/null

# Each target runs from a copy in a scratch folder (in memory when /dev/shm is
# there), as the engine writes its files beside the program on every input.
SCRATCH=$(mktemp -d "$( [ -w /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/velmor-fuzz.XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT
failed=0 total=0
for t in "${TARGETS[@]}"; do
    corpus="$BUILD/corpus/$t" log="$BUILD/$t.log" rc=0
    mkdir -p "$corpus" "$SCRATCH/$t" "$BUILD/artifacts"
    cp -n "$ROOT/tests/fuzz/corpus/$t/"* "$corpus/" 2>/dev/null || true
    cp "$BUILD/$t/fuzz_$t" "$SCRATCH/$t/"
    "$SCRATCH/$t/fuzz_$t" -max_total_time="$SECONDS_EACH" -max_len=8192 -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$BUILD/artifacts/$t-" "$corpus" >"$log" 2>&1 || rc=$?
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1 || true)
    total=$((total + ${runs:-0}))
    [ $rc -ne 0 ] || { echo "fuzz $t: ${runs:-0} executions in ${SECONDS_EACH}s, corpus $(ls "$corpus" | wc -l) inputs"; continue; }
    failed=$((failed + 1))
    echo "fuzz $t: FAILED after ${runs:-0} executions (exit $rc); log $log" >&2
    grep -E 'fuzz property broken|position invariant|ERROR:|runtime error|SUMMARY' "$log" | head -5 >&2 || true
    ls "$BUILD/artifacts/$t-"* 2>/dev/null | tail -1 | sed 's/^/  input kept: /' >&2 || true
done
echo "fuzz: ${#TARGETS[@]} targets, $total executions, $failed failed"
[ $failed -eq 0 ]
