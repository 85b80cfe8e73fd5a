# Shared by the whole-program checks, sourced inside a fresh X server.
set -u
GAME_TITLE="Dirtwhirl v1.0"
OUT_DIR="${DW_BINARY_DIR:-/tmp}/test-output"
mkdir -p "$OUT_DIR"
# The game writes its settings file into the user's configuration folder: a fresh one per check,
# so the checks never touch the user's own and always start from the defaults.
XDG_CONFIG_HOME="$(mktemp -d)"
export XDG_CONFIG_HOME
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT

# Presses and releases a key the way a person does: held long enough for a polling loop to see it.
press() {
    xdotool keydown "$1"
    sleep "${2:-0.4}"
    xdotool keyup "$1"
    sleep 0.3
}

# Waits for the game's window and then for its first picture (the screen no longer black), so
# that keys are pressed once set-up is over and the intro polls them.
wait_for_window() {
    for _ in $(seq 1 100); do
        if xdotool search --name "$GAME_TITLE" >/dev/null 2>&1; then
            for _ in $(seq 1 100); do
                mean=$(import -window root -format '%[fx:mean]' info: 2>/dev/null)
                awk -v m="${mean:-0}" 'BEGIN { exit !(m > 0.02) }' && return 0
                sleep 0.1
            done
            break
        fi
        sleep 0.1
    done
    echo "the game window never showed a picture" >&2
    return 1
}

# Ends the race and the game as a player does: Escape, then Q on the winner screen; sets code to
# the game's exit code, as wait_exit does for pid $1.
leave_race() {
    press Escape
    sleep 1
    press q
    wait_exit "$1" 10
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
