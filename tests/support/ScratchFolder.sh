# Sourced by shell tests: makes the scratch folder work, removed when the test ends, and fail, which
# prints its message and every *.log in work and ends the test.
work=$(mktemp -d "${TMPDIR:-/tmp}/zorbel-test.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    for log in "$work"/*.log; do [ -f "$log" ] && { echo "--- $log" >&2; cat "$log" >&2; }; done
    exit 1
}
