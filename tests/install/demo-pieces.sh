#!/usr/bin/env bash
# The pieces of scripts/demo: the simulator on a pseudo-terminal and Ostrevik
# connected to it, with a measurement file named on the command line. Both run
# for a few seconds and end cleanly when closed (SIGTERM closes the main window
# as its close box does; the settings are saved).
set -euo pipefail
bin=$1
work=$(mktemp -d)
sim=""
app=""
cleanup() {
    [ -n "$app" ] && kill -9 "$app" 2>/dev/null || true
    [ -n "$sim" ] && kill -9 "$sim" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/ports" "$work/prog" "$work/runtime"
chmod 700 "$work/runtime"
cp "$bin/ostrevik" "$bin/Ostrevik.chm" "$work/prog/"

"$bin/qtx-sim" --fast --takeups 0 --port-dir "$work/ports" --log "$work/sim.trace" \
    >"$work/sim.out" 2>&1 &
sim=$!
for _ in $(seq 50); do [ -e "$work/ports/COM1" ] && break; sleep 0.1; done
[ -e "$work/ports/COM1" ] || { echo "simulator did not start"; cat "$work/sim.out"; exit 1; }

# A measurement file with one record, to be opened from the command line.
printf '\x01\x00\x00\x00' >"$work/session.pvo"
head -c 112 /dev/zero >>"$work/session.pvo"
printf '\x50\x10\x20\x03' >>"$work/session.pvo"

QT_QPA_PLATFORM=offscreen OSTREVIK_PORT_DIR="$work/ports" XDG_RUNTIME_DIR="$work/runtime" \
    "$work/prog/ostrevik" "$work/session.pvo" >"$work/app.out" 2>&1 &
app=$!
sleep 3
kill -0 "$app" || { echo "ostrevik ended early"; cat "$work/app.out"; exit 1; }

# A second start is refused with its message (caption "Meldung") and ends with
# exit code 0 once the message is confirmed; the first copy runs on.
display=:$((70 + RANDOM % 20))
Xvfb "$display" -screen 0 800x600x24 >/dev/null 2>&1 &
xvfb=$!
# On a loaded machine the X server may take a while to accept clients.
for _ in $(seq 100); do
    DISPLAY=$display xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.1
done
DISPLAY=$display QT_QPA_PLATFORM=xcb OSTREVIK_PORT_DIR="$work/ports" XDG_RUNTIME_DIR="$work/runtime" \
    "$work/prog/ostrevik" >"$work/second.out" 2>&1 &
second=$!
box=$(DISPLAY=$display timeout 30 xdotool search --sync --name '^Meldung$' 2>/dev/null | head -1 || true)
if [ -z "$box" ]; then
    echo "no message for the second start"
    cat "$work/second.out"
    kill -9 "$second" "$xvfb" 2>/dev/null || true
    exit 1
fi
DISPLAY=$display xdotool windowfocus --sync "$box" key Return
wait "$second" && status=0 || status=$?
kill "$xvfb" 2>/dev/null || true
[ "$status" = 0 ] || { echo "the second start exited with $status"; exit 1; }
[ ! -e "$work/prog/Ostrevik.cfg" ] || { echo "the second start wrote settings"; exit 1; }
kill -0 "$app" || { echo "the first copy ended"; exit 1; }
kill -TERM "$app"
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app" 2>/dev/null; then
    echo "ostrevik did not close on SIGTERM"
    exit 1
fi
wait "$app" && status=0 || status=$?
app=""
[ "$status" = 0 ] || { echo "ostrevik exited with $status"; cat "$work/app.out"; exit 1; }

# It found the simulated device, opened the file and remembered it.
grep -q "session.pvo" "$work/prog/Ostrevik.cfg" || { echo "file not in the settings"; exit 1; }
[ "$(head -c 4 "$work/prog/Ostrevik.cfg" | od -An -tx1 | tr -d ' ')" = "08040000" ]
grep -qi "6d" "$work/sim.trace" || { echo "no Measure reached the simulator"; exit 1; }

kill -TERM "$sim"
wait "$sim" && status=0 || status=$?
sim=""
[ "$status" = 0 ] || { echo "qtx-sim exited with $status"; cat "$work/sim.out"; exit 1; }
echo "demo pieces start and stop cleanly"
