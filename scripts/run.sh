#!/usr/bin/env bash
# Builds OrvR and the instrument simulator, starts orv-sim on 127.0.0.1:49198 and opens
# the window against it. The simulator stops when the window closes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" build
"$root/scripts/build.sh" "$root/build"
bin="$root/build/bin"

# The program reads curve values in the user's number format; the simulator writes them
# in the same one.
decimal=$(locale decimal_point 2>/dev/null || echo .)
[ "$decimal" = "," ] || decimal=.
"$bin/orv-sim" --listen 127.0.0.1:49198 --decimal "$decimal" "$@" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
echo "orv-sim runs on 127.0.0.1:49198 (pid $sim); its request log follows."
sleep 0.3
kill -0 $sim 2>/dev/null || { echo "orv-sim could not listen on 127.0.0.1:49198." >&2; exit 1; }
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: OrvR needs a desktop session (or run it under xvfb-run)." >&2
    wait $sim
else
    "$bin/OrvR"
fi
