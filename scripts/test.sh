#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite headless: the unit and
# whole-window tests, the same tests under the address and undefined-behaviour
# sanitizers, and the end-to-end check of the real program under Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" test

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

if git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
    echo "== formatting"
    (cd "$root" && git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror)
fi

echo "== build and test"
"$root/scripts/build.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure -j"$jobs")

if [ "${ORVR_SKIP_SANITIZE:-0}" != 1 ]; then
    echo "== sanitizer build and test (address, undefined)"
    "$root/scripts/build.sh" "$root/build-asan" -DORVR_SANITIZE=ON -DORVR_BENCH=OFF
    (cd "$root/build-asan" &&
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
        LSAN_OPTIONS=suppressions="$root/scripts/lsan.supp" \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --output-on-failure -j"$jobs")
fi

if [ -x "$root/scripts/e2e.sh" ] && [ "${ORVR_SKIP_E2E:-0}" != 1 ]; then
    echo "== end-to-end under Xvfb"
    "$root/scripts/e2e.sh" "$root/build/bin" "$root/build/e2e-shots"
fi
