#!/usr/bin/env bash
# The real OrvR in a real X window against orv-sim: start, measure, copy the chart through
# the pop-up menu, toggle the look, close through the window manager, start again in German.
# Usage: scripts/e2e.sh BIN_DIR SHOT_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build/bin}" && pwd)
shots=${2:-$root/build/e2e-shots}
mkdir -p "$shots"
shots=$(cd "$shots" && pwd)
"$root/scripts/deps.sh" test

fail() {
    echo "e2e: FAILED: $*" >&2
    [ -f "$work/sim.log" ] && tail -n 20 "$work/sim.log" >&2
    [ -f "$work/orvr.log" ] && tail -n 20 "$work/orvr.log" >&2
    exit 1
}

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A display of our own, with a window manager so the window has a frame and a close button.
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
# The test suite runs the window tests offscreen; this check needs the real window.
export QT_QPA_PLATFORM=xcb
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not start on $display"
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 1

# The port lies in the ephemeral range: a test's client connection that just closed on it
# holds it in TIME_WAIT for up to a minute, so the simulator is started until it listens.
sim_up=0
for _ in $(seq 90); do
    "$bin/orv-sim" --listen 127.0.0.1:49198 --busy-ms 1500 --points 2000 --store "$work" \
        >"$work/sim.log" 2>&1 &
    sim=$!
    sleep 0.5
    if kill -0 "$sim" 2>/dev/null; then
        sim_up=1
        break
    fi
    wait "$sim" 2>/dev/null || true
    sleep 0.5
done
[ $sim_up = 1 ] || fail "orv-sim did not start (port 49198 taken?)"
pids+=($sim)

# A scratch copy of the program's directory: no settings file, the shipped language file.
app=$work/app
mkdir -p "$app"
cp "$bin/OrvR" "$bin/DE_orvr.txt" "$app/"

wait_window() {  # title regex, seconds
    local end=$((SECONDS + $2))
    while [ $SECONDS -lt $end ]; do
        w=$(xdotool search --name "$1" 2>/dev/null | head -n 1 || true)
        [ -n "$w" ] && { echo "$w"; return 0; }
        sleep 0.2
    done
    return 1
}

wait_log() {  # request, seconds
    local end=$((SECONDS + $2))
    while [ $SECONDS -lt $end ]; do
        grep -qF "$1" "$work/sim.log" && return 0
        sleep 0.2
    done
    return 1
}

# Client geometry and frame of a window: sets cx cy cw ch and the outer size ow oh.
geometry() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    cx=$X cy=$Y cw=$WIDTH ch=$HEIGHT
    read -r fl fr ft fb < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
    ow=$((cw + ${fl:-0} + ${fr:-0})) oh=$((ch + ${ft:-0} + ${fb:-0}))
}

# Where a control sits, from the window's layout: the main grid 3 units in, the status bar
# 22 units at the bottom, the left column 19.29 % wide.
layout() {
    gw=$((cw - 6)) gh=$((ch - 22 - 6))
    col0=$(echo "$gw * 0.1929" | bc -l)
    row2top=$(echo "$gh * (0.2150 + 0.1634)" | bc -l)
    row2h=$(echo "$gh * 0.2934" | bc -l)
    row4top=$(echo "$gh * (0.2150 + 0.1634 + 0.2934 + 0.1482)" | bc -l)
    row4h=$(echo "$gh * 0.18" | bc -l)
    # Start: column 0 of the start grid, its lower row (25 % / 75 %), 5 units below the line.
    startx=$(printf '%.0f' "$(echo "3 + $col0 * 0.25" | bc -l)")
    starty=$(printf '%.0f' "$(echo "3 + $row2top + 5 + ($row2h - 5) * 0.625" | bc -l)")
    # Set IP / Connect: the lowest row (35.45 %) of the network grid, both columns.
    setipx=$(printf '%.0f' "$(echo "3 + $col0 * 0.5" | bc -l)")
    setipy=$(printf '%.0f' "$(echo "3 + $row4top + $row4h * (0.35 + 0.2955 + 0.3545 / 2)" | bc -l)")
    chartw=$(printf '%.0f' "$(echo "$gw * (0.6171 + 0.10)" | bc -l)")
    charth=$(printf '%.0f' "$(echo "$gh * (0.2150 + 0.1634 + 0.2934 + 0.1482)" | bc -l)")
}

click_at() {  # window x y [button]
    xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"
}

menu_item() {  # window, item number in the pop-up menu of Set IP / Connect
    click_at "$1" "$setipx" "$setipy" 3
    sleep 0.5
    for _ in $(seq "$2"); do xdotool key Down; sleep 0.1; done
    xdotool key Return
    sleep 0.5
}

shot() {
    import -window root "$shots/$1"
    echo "e2e: screenshot $shots/$1"
}

echo "e2e: start OrvR without settings"
(cd / && LANG=C.UTF-8 LC_ALL=C.UTF-8 "$app/OrvR" >"$work/orvr.log" 2>&1) &
orvr=$!
pids+=($orvr)
w=$(wait_window '^Rivezorud' 20) || fail "no window titled Rivezorud"
sleep 1.5
geometry "$w"
echo "e2e: window $w client ${cw}x${ch}, outer ${ow}x${oh}"
[ "$ow" -eq 650 ] && [ "$oh" -eq 350 ] || fail "outer size ${ow}x${oh}, expected 650x350"
layout

echo "e2e: Start"
click_at "$w" "$startx" "$starty"
wait_log "MEASURE;" 10 || fail "Start sent no MEASURE"
wait_log "CHARTDETAILS?;" 20 || fail "no readout after the measurement"
wait_window '^Rivezorud <Ok>$' 10 >/dev/null || fail "status did not return to Ok"
sleep 1
shot e2e-1-measured.png

echo "e2e: Copy from the pop-up menu"
printf '' | xclip -selection clipboard 2>/dev/null || true
menu_item "$w" 2
targets=$(xclip -selection clipboard -o -t TARGETS 2>/dev/null || true)
echo "$targets" | grep -q 'image/png' || fail "clipboard holds no PNG (targets: $targets)"
xclip -selection clipboard -o -t image/png >"$work/clip.png"
size=$(identify -format '%w %h' "$work/clip.png")
read -r pw ph <<<"$size"
echo "e2e: clipboard picture ${pw}x${ph}, chart cell about ${chartw}x${charth}"
[ $((pw - chartw)) -le 3 ] && [ $((chartw - pw)) -le 3 ] && [ $((ph - charth)) -le 3 ] &&
    [ $((charth - ph)) -le 3 ] || fail "clipboard picture ${pw}x${ph} is not the chart's size"
xdotool key Return  # message 205
sleep 0.5

echo "e2e: toggle the look"
menu_item "$w" 1
sleep 0.5
shot e2e-2-light.png

echo "e2e: close through the window manager"
xdotool windowactivate --sync "$w" key --clearmodifiers alt+F4
for _ in $(seq 50); do kill -0 "$orvr" 2>/dev/null || break; sleep 0.2; done
kill -0 "$orvr" 2>/dev/null && fail "OrvR did not end after the window was closed"
ini=$app/OrvR.ini
[ -f "$ini" ] || fail "no OrvR.ini after closing"
for key in IP left top width height Style; do
    grep -q "^$key=" "$ini" || fail "OrvR.ini lacks $key"
done
grep -q $'^Style=1\r$' "$ini" || fail "OrvR.ini does not hold Style=1: $(cat "$ini")"

echo "e2e: start in German"
(cd / && LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8 "$app/OrvR" >"$work/orvr-de.log" 2>&1) &
orvr=$!
pids+=($orvr)
w=$(wait_window '^Rivezorud' 20) || fail "no German window"
sleep 2
shot e2e-3-german.png
xdotool windowactivate --sync "$w" key --clearmodifiers alt+F4
for _ in $(seq 50); do kill -0 "$orvr" 2>/dev/null || break; sleep 0.2; done
kill -0 "$orvr" 2>/dev/null && fail "German OrvR did not end"

echo "e2e: every step passed"
