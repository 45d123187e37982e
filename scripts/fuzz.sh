#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a while, one after the other.
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
#   SECONDS_PER_TARGET  default 60
#   TARGET              e.g. fuzz_line; default every fuzz/fuzz_*.cpp
# Environment: ORVR_FUZZ_BUILD (default build-fuzz/), ORVR_FUZZ_ARGS (more libFuzzer flags).
# First every saved regression input is replayed, then each target fuzzes from its seeds
# into build-fuzz/corpus/<target>; a finding goes to build-fuzz/findings/<target>/.
# Prints libFuzzer's final figures per target and exits non-zero on any finding.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build=${ORVR_FUZZ_BUILD:-$root/build-fuzz}

if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for src in "$root"/fuzz/fuzz_*.cpp; do
        targets+=("$(basename "$src" .cpp)")
    done
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVR_FUZZ=ON -DORVR_TESTS=OFF -DORVR_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen

failed=()
for t in "${targets[@]}"; do
    bin="$build/bin/$t"
    work="$build/corpus/$t"
    findings="$build/findings/$t"
    log="$build/logs/$t.log"
    mkdir -p "$work" "$findings" "$(dirname "$log")"
    echo "== $t"

    regressions=("$root/fuzz/regressions/$t"/*)
    if [ -e "${regressions[0]}" ]; then
        if ! "$bin" "${regressions[@]}" >"$log.regressions" 2>&1; then
            echo "   a saved regression input still fails (see $log.regressions):"
            grep -E 'invariant broken|ERROR:|runtime error|Running: ' "$log.regressions" | sed 's/^/   /'
            failed+=("$t")
            continue
        fi
    fi

    seeds=()
    [ -d "$root/fuzz/corpus/$t" ] && seeds+=("$root/fuzz/corpus/$t")
    status=0
    # shellcheck disable=SC2086
    "$bin" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/" \
        ${ORVR_FUZZ_ARGS:-} "$work" "${seeds[@]}" >"$log" 2>&1 || status=$?
    grep -E '^#[0-9]+[[:space:]]+DONE|^stat::number_of_executed_units|^stat::peak_rss_mb' "$log" |
        sed 's/^/   /' || true
    if [ "$status" -ne 0 ]; then
        echo "   FINDING (exit $status), log: $log"
        grep -E 'invariant broken|ERROR:|runtime error|SUMMARY|Test unit written' "$log" |
            sed 's/^/   /' || true
        failed+=("$t")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "findings in: ${failed[*]}"
    exit 1
fi
echo "no findings"
