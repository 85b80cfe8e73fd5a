# Sourced first by every whole-program check: runs it again inside a fresh X server with the game
# in $game and a scratch folder $work holding a fresh configuration folder (the defaults, never
# the user's own settings).
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

# A failed check: fail goes on (the script ends with 1), give_up stops the game and the script.
fail() { echo "FAIL: $*"; status=1; }
give_up() { echo "FAIL: $*"; kill "${pid:-}" 2>/dev/null; exit 1; }

# Starts the game with the given arguments (standard error into $work/err) and waits for its
# first picture. Xvfb now and then refuses a connection on a loaded machine: that is told apart
# from the game's own failure and the start tried once more.
start_game() {
    for attempt in 1 2; do
        "$game" "$@" 2>"$work/err" &
        pid=$!
        wait_for_window && return 0
        grep -q "no display is available" "$work/err" && [ $attempt = 1 ] || break
        xdotool getdisplaygeometry >/dev/null 2>&1 || break # the X server itself is gone
        echo "the X server refused the game ($(tail -1 "$work/err")); starting it once more"
        wait $pid 2>/dev/null
    done
    give_up "the game window never showed a picture; it said: $(cat "$work/err")"
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

# Ends the race and the game as a player does (Escape, then Q); the exit code into code.
leave_race() {
    press Escape
    sleep 1
    press q
    wait_exit "$1" 10
}

# Waits up to $2 seconds for pid $1 to end; code is its exit code, or "running" (it is killed).
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

# A screenshot into test-output/ (for the checks and for a person), and the pixels two differ in.
shot() { import -window root "$OUT_DIR/$1.png"; }
differing() { compare -metric AE "$OUT_DIR/$1.png" "$OUT_DIR/$2.png" null: 2>&1 | cut -d" " -f1; }
