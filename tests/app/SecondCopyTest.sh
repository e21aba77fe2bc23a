#!/bin/sh
# Starts the probe application under Xvfb, then a second copy of it: the second must end at once with
# code 0 while the first keeps running and is brought to the front.
# Usage: SecondCopyTest.sh PROBE_BINARY
. "$(dirname "$0")/../e2e/poll_until.sh"
probe=$1
work=$(mktemp -d)
first=""
xvfb=""
cleanup() {
    [ -n "$first" ] && kill "$first" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    for log in "$work"/*.log; do echo "--- $log" >&2; cat "$log" >&2; done
    exit 1
}

display=""
for n in $(seq 91 160); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || fail "no free X display number"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
export DISPLAY="$display"
unset SDL_VIDEODRIVER
export SDL_AUDIODRIVER=dummy
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"

poll_until 20 "Xvfb to serve $display" xdotool getdisplaygeometry || fail "Xvfb did not start"

"$probe" >"$work/first.log" 2>&1 &
first=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Zorbel Probe$' | head -n 1)
[ -n "$window" ] || fail "the first copy showed no window"
[ -e "$XDG_RUNTIME_DIR/ZorbelProbeMutex" ] || fail "no lock file"

timeout 30 "$probe" >"$work/second.log" 2>&1
code=$?
[ "$code" -eq 0 ] || fail "the second copy ended with code $code"
kill -0 "$first" 2>/dev/null || fail "the first copy did not survive"

poll_until 20 "the notice in the first copy's log" grep -q "Brought to the front by another copy" "$work/first.log" ||
    fail "the first copy was not notified"
count=$(xdotool search --onlyvisible --name '^Zorbel Probe$' | wc -l)
[ "$count" -eq 1 ] || fail "expected one window, found $count"
kill -0 "$first" 2>/dev/null || fail "the first copy ended after the notice"

# Asked to end, the first copy shuts down cleanly: its settings say the run ended well.
kill -TERM "$first"
ended() { ! kill -0 "$1" 2>/dev/null; }
poll_until 20 "the first copy to end" ended "$first" || fail "the first copy did not end when asked"
wait "$first"
code=$?
first=""
[ "$code" -eq 0 ] || fail "the first copy ended with code $code"
grep -q "InProgress = 4:%00%00%00%00" "$XDG_CONFIG_HOME/Bramblewick/ZorbelProbe/settings.ini" ||
    fail "the settings do not record a clean end"
echo "second copy: passed"
