# Shared by the whole-program checks, sourced inside a fresh X server.
set -u
GAME_TITLE="Dirtwhirl v1.0"
OUT_DIR="${DW_BINARY_DIR:-/tmp}/test-output"
mkdir -p "$OUT_DIR"

# Presses and releases a key the way a person does: held long enough for a polling loop to see it.
press() {
    xdotool keydown "$1"
    sleep "${2:-0.25}"
    xdotool keyup "$1"
    sleep 0.3
}

wait_for_window() {
    for _ in $(seq 1 100); do
        xdotool search --name "$GAME_TITLE" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "the game window never appeared" >&2
    return 1
}

# Waits up to $2 seconds for pid $1 (a child of this shell) to end; sets code to its exit code,
# or to "running" (after killing it) when it did not end in time.
wait_exit() {
    for _ in $(seq 1 $(( $2 * 10 ))); do
        if ! kill -0 "$1" 2>/dev/null; then
            wait "$1"
            code=$?
            return
        fi
        sleep 0.1
    done
    kill "$1"
    code=running
}
