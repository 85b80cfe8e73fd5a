#!/usr/bin/env bash
# Before any window: a bad option or value exits 2 with the usage line, with no display there to
# open one (reaching the window would exit 1); with no display at all, or a named display that
# does not answer, the program says so in one line naming what it tried and exits 1, without a
# crash. Then --window --track 1 opens a 640 x 480 window whose title screen shows the desert, and
# Escape stops a replay being played.
source "$(dirname "$0")/common.sh"
no_display() { env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$@"; }
for bad in "--bogus" "--track 7"; do
    said=$(no_display "$game" $bad 2>&1 >/dev/null)
    code=$?
    [ "$code" = 2 ] && [[ "$said" == *$'\n'"usage: dirtwhirl "* ]] || fail "$bad: exit $code, said: $said"
done
for display in "" ":9876"; do
    said=$(no_display ${display:+DISPLAY=$display} "$game" 2>&1 >/dev/null)
    code=$?
    echo "display \"$display\": exit $code, said: $said"
    [ "$code" = 1 ] && [ "$(echo "$said" | wc -l)" = 1 ] && [[ "$said" == *"DISPLAY=\"$display\""* ||
        -z "$display" ]] || fail "no display \"$display\""
done

start_game --window --track 1
sleep 0.3
press Return
sleep 0.5
window=$(xdotool search --name "$GAME_TITLE" | head -1)
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window "$window" "$OUT_DIR/options-title-track1.png"
press space; leave_race $pid
[ "$code" = 0 ] || fail "--window --track 1: exit $code"
[ "${WIDTH}x$HEIGHT" = 640x480 ] || fail "the window is ${WIDTH}x$HEIGHT"
# Only the title texts differ from the desert picture; the other tracks differ nearly everywhere.
for track in 0 1 2; do
    differing=$(compare -metric AE "$OUT_DIR/options-title-track1.png" \
        "$source_dir/images/track$track.bmp" null: 2>&1)
    echo "track $track: $differing pixels differ"
    if [ $track = 1 ]; then [ "$differing" -lt 10000 ] || fail "the title does not show track 1"
    else [ "$differing" -gt 100000 ] || fail "the title looks like track $track"; fi
done

# Escape while a replay plays stops it at once: "stopped at frame N of M", exit 0, no winner screen.
start_game --window --play "$source_dir/tests/replays/track0_won.dwr"
sleep 1
press Escape
wait_exit $pid 10
said=$(grep "stopped at frame" "$work/err")
echo "--play, Escape: exit $code, said: $said"
[ "$code" = 0 ] && [ -n "$said" ] || fail "--play, Escape: exit $code, said: $(cat "$work/err")"
exit $status
