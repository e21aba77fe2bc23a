#!/bin/sh
# Runs a command against a private X server: starts Xvfb on a free display (Xvfb picks it and reports
# it), runs the command with DISPLAY set and SDL on its X11 driver, and always stops both again.
# Usage: with_xvfb.sh COMMAND [ARGUMENT...]
set -u
. "$(dirname "$0")/poll_until.sh"
workdir=$(mktemp -d "${TMPDIR:-/tmp}/zorbel-xvfb.XXXXXX") || exit 2
xvfb_pid=""
command_pid=""
cleanup() {
    for pid in $command_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 3' INT TERM

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$workdir/display" \
    >"$workdir/xvfb.log" 2>&1 &
xvfb_pid=$!
# Xvfb writes the display number once it serves; it may also end at once (for example without memory).
xvfb_answered() {
    [ -s "$workdir/display" ] || ! kill -0 "$xvfb_pid" 2>/dev/null
}
if ! poll_until 20 "Xvfb to report its display" xvfb_answered || [ ! -s "$workdir/display" ]; then
    echo "Xvfb did not start:" >&2
    cat "$workdir/xvfb.log" >&2
    exit 2
fi

DISPLAY=":$(head -n 1 "$workdir/display")"
export DISPLAY
export SDL_VIDEODRIVER=x11
# The X11 video of SDL brings in the system's D-Bus library, whose process-wide allocations are never
# freed and cannot be told apart by their stacks; leaks of our own code are checked by the in-process
# tests, which run the same code on SDL's headless driver.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
export ASAN_OPTIONS

# In the background, so that a signal to this script (a test time-out) is handled at once.
"$@" &
command_pid=$!
wait "$command_pid"
status=$?
command_pid=""
exit "$status"
