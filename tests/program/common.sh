# Shared by the whole-program checks, sourced first: runs the calling script again inside a fresh
# X server, then gives it the game ($game), a scratch folder ($work) with a fresh configuration
# folder in it, so the checks never touch the user's own settings and always start from the
# defaults, and the helpers below.
set -u
if [ -z "${DW_IN_X:-}" ]; then
    DW_IN_X=1 exec xvfb-run -a -s "-screen 0 1024x768x24 -br" bash "$0" "$@"
fi
game="$1"
here="$(cd "$(dirname "$0")" && pwd)"
source_dir="$(cd "$here/../.." && pwd)"
GAME_TITLE="Dirtwhirl v1.0"
OUT_DIR="${DW_BINARY_DIR:-/tmp}/test-output"
mkdir -p "$OUT_DIR"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
status=0

# A failed check: noted, the script goes on and ends with 1.
fail() {
    echo "FAIL: $*"
    status=1
}

# A failed check after which going on makes no sense: the game (pid) is stopped too.
give_up() {
    echo "FAIL: $*"
    kill "${pid:-}" 2>/dev/null
    exit 1
}

# Starts the game with the given arguments, standard error into $work/err; waits for its first
# picture.
start_game() {
    "$game" "$@" 2>"$work/err" &
    pid=$!
    wait_for_window || give_up "the game window never showed a picture; it said: $(cat "$work/err")"
}

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
    return 1
}

# Ends the race and the game as a player does: Escape, then Q on the winner screen; sets code to
# the game's exit code, as wait_exit does.
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

# Screenshot of the whole screen into test-output/, for the checks and for a person to look at.
shot() { import -window root "$OUT_DIR/$1.png"; }

# Number of pixels in which two screenshots of test-output/ differ.
differing() { compare -metric AE "$OUT_DIR/$1.png" "$OUT_DIR/$2.png" null: 2>&1 | cut -d" " -f1; }
