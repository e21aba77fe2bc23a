#!/bin/sh
# Measures the running game from outside: CPU time of the whole process (all threads) over 20 s in
# three scenes, the time from exec to the first presented picture, and peak resident memory. Every
# program given is measured in turn, in each scene, so that builds compare side by side in one run.
# Run it against a private X server:
#   tests/e2e/with_xvfb.sh tools/perf/measure-game.sh BEFORE/tesserine AFTER/tesserine
# Environment: SECONDS_PER_SCENE (20), STARTS (10), and anything SDL reads (SDL_RENDER_DRIVER).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
seconds=${SECONDS_PER_SCENE:-20}
starts=${STARTS:-10}
work=$(mktemp -d "${TMPDIR:-/tmp}/zorbel-measure.XXXXXX")
game_pid=""
cleanup() {
    [ -z "$game_pid" ] || { kill "$game_pid" 2>/dev/null; wait "$game_pid" 2>/dev/null || true; }
    rm -rf "$work"
}
trap cleanup EXIT

cc -O2 -shared -fPIC $(pkg-config --cflags sdl2) "$here/FrameProbe.c" -o "$work/probe.so" -ldl
ticks=$(getconf CLK_TCK)

# Starts a program with a fresh user's settings; sets game_pid and window.
start() {
    rm -rf "$work/home" "$work/probe"
    mkdir -p "$work/home/config" "$work/home/runtime"
    chmod 700 "$work/home/runtime"
    XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/data" XDG_RUNTIME_DIR="$work/home/runtime" \
        LD_PRELOAD="$work/probe.so" ZORBEL_PROBE_FILE="$work/probe" \
        python3 -c 'import os, sys, time
with open(sys.argv[1], "w") as f: f.write(str(time.time_ns()))
os.execv(sys.argv[2], sys.argv[2:])' "$work/exec-time" "$1" 2>/dev/null &
    game_pid=$!
    window=""
    for _ in $(seq 1 200); do
        window=$(xdotool search --onlyvisible --pid "$game_pid" 2>/dev/null | head -n 1 || true)
        [ -n "$window" ] && grep -q first-frame "$work/probe" 2>/dev/null && break
        sleep 0.05
    done
    [ -n "$window" ] || { echo "no window from $1" >&2; exit 1; }
}

stop() {
    kill "$game_pid" 2>/dev/null || true
    wait "$game_pid" 2>/dev/null || true
    game_pid=""
}

cpu_ticks() {
    # utime and stime of the whole process: fields 14 and 15 after the command name.
    sed 's/.*) //' "/proc/$game_pid/stat" | awk '{print $12 + $13}'
}

# Percent of one core used over the scene's seconds.
cpu_over_scene() {
    before=$(cpu_ticks)
    sleep "$seconds"
    after=$(cpu_ticks)
    echo "$before $after $ticks $seconds" | awk '{printf "%.1f", 100 * ($2 - $1) / $3 / $4}'
}

click() {
    xdotool mousemove --window "$window" "$1" "$2" click 1
}

# A stream of clicks on every cell of the 4 x 4 puzzle in turn: whichever tile is next to the gap
# slides, so one tile or another is nearly always moving.
keep_sliding() {
    end=$(( $(date +%s) + seconds + 1 ))
    while [ "$(date +%s)" -lt "$end" ]; do
        for cell in 0 1 2 3 7 11 15 14 13 12 8 4 5 6 10 9; do
            click $(( cell % 4 * 200 + 100 )) $(( cell / 4 * 150 + 75 ))
            sleep 0.15
        done
    done
}

printf '| program | menu at rest | game, frames pulsing | tiles sliding | peak RSS | heap at rest |\n'
printf '|---|---:|---:|---:|---:|---:|\n'
for program in "$@"; do
    start "$program"
    sleep 3
    menu=$(cpu_over_scene)
    kill -USR1 "$game_pid"
    sleep 0.2
    heap=$(awk '/^heap/ {print int($2 / 1048576 + 0.5)}' "$work/probe" | tail -n 1)
    click 188 393
    sleep 2
    xdotool mousemove --window "$window" 799 599
    pulsing=$(cpu_over_scene)
    keep_sliding &
    clicker=$!
    sliding=$(cpu_over_scene)
    wait "$clicker" || true
    rss=$(awk '/VmHWM/ {print int($2 / 1024 + 0.5)}' "/proc/$game_pid/status")
    stop
    printf '| %s | %s %% | %s %% | %s %% | %s MB | %s MB |\n' "$program" "$menu" "$pulsing" "$sliding" "$rss" "$heap"
done

median() {
    tr ' ' '\n' | grep . | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'
}

# Milliseconds from exec to the probe's first moment of the given kind.
since_exec() {
    moment=$(awk -v kind="$1" '$1 == kind {print $2; exit}' "$work/probe")
    echo $(( (moment - $(cat "$work/exec-time")) / 1000000 ))
}

printf '\n| program | exec to first picture, median of %s | all starts (ms) | video set up | window | renderer |\n' "$starts"
printf '|---|---:|---|---:|---:|---:|\n'
for program in "$@"; do
    first="" video="" made="" renderer=""
    for _ in $(seq 1 "$starts"); do
        start "$program"
        first="$first $(since_exec first-frame)"
        video="$video $(since_exec video)"
        made="$made $(since_exec window)"
        renderer="$renderer $(since_exec renderer)"
        stop
    done
    printf '| %s | %s ms |%s | %s ms | %s ms | %s ms |\n' "$program" "$(echo $first | median)" "$first" \
        "$(echo $video | median)" "$(echo $made | median)" "$(echo $renderer | median)"
done
