# Sourced by the scripts that drive real programs and servers: they wait with it for what they expect,
# never for a fixed time that a loaded machine may overrun.
#
# poll_until SECONDS AWAITED COMMAND [ARGUMENT...]: runs the command every tenth of a second until it
# succeeds or SECONDS have passed; then says what was awaited and what the command printed the last
# time, and returns 1.
poll_until() {
    poll_limit=$1
    poll_awaited=$2
    shift 2
    poll_deadline=$(($(date +%s) + poll_limit))
    until poll_seen=$("$@" 2>&1); do
        if [ "$(date +%s)" -ge "$poll_deadline" ]; then
            echo "waited $poll_limit s for $poll_awaited; last seen: ${poll_seen:-nothing}" >&2
            return 1
        fi
        sleep 0.1
    done
}
