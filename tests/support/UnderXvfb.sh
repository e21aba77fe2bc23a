#!/bin/sh
# Runs a command with DISPLAY set to a fresh Xvfb server, and ends the server afterwards.
# Usage: UnderXvfb.sh COMMAND [ARGUMENTS...]
. "$(dirname "$0")/../e2e/poll_until.sh"
display=""
for n in $(seq 161 230); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "no free X display number" >&2; exit 1; }
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait 2>/dev/null' EXIT
export DISPLAY="$display"
poll_until 20 "Xvfb to serve $display" xdotool getdisplaygeometry || exit 1
"$@"
