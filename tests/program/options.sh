#!/usr/bin/env bash
# The command line: a bad option or value exits 2 with the usage line before any window opens
# (no display is there to open one: reaching the window would exit 1); --window --track 1 opens
# a 640 x 480 window whose title screen shows the desert track.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
source_dir="$(cd "$here/../.." && pwd)"
game="$1"
status=0
fail() {
    echo "FAIL: $*"
    status=1
}

for bad in "--bogus" "--track 7"; do
    said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$game" $bad 2>&1 >/dev/null)
    code=$?
    [ "$code" = 2 ] && [[ "$said" == *$'\n'"usage: dirtwhirl "* ]] ||
        fail "$bad: exit $code, said: $said"
done

xvfb-run -a -s "-screen 0 1024x768x24 -br" bash -c '
source "'"$here"'/common.sh"
"'"$game"'" --window --track 1 2>/dev/null &
pid=$!
wait_for_window || { kill $pid; exit 1; }
sleep 0.3
press Return
sleep 0.5
window=$(xdotool search --name "$GAME_TITLE" | head -1)
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window "$window" "$OUT_DIR/options-title-track1.png"
press space; leave_race $pid
[ "$code" = 0 ] || { echo "exit $code"; exit 1; }
[ "${WIDTH}x$HEIGHT" = 640x480 ] || { echo "the window is ${WIDTH}x$HEIGHT"; exit 1; }
# Only the title texts differ from the desert picture; the other tracks differ nearly everywhere.
for track in 0 1 2; do
    differing=$(compare -metric AE "$OUT_DIR/options-title-track1.png" \
        "'"$source_dir"'/images/track$track.bmp" null: 2>&1)
    echo "track $track: $differing pixels differ"
    if [ $track = 1 ]; then [ "$differing" -lt 10000 ] || exit 1
    else [ "$differing" -gt 100000 ] || exit 1; fi
done
' || fail "--window --track 1"
exit $status
