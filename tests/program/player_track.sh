#!/usr/bin/env bash
# A player's own track: the template, copied into the tracks folder of the data folder, is raced
# with --track NAME by the computer in both karts for a few seconds; F12's screenshot shows that
# track (the same pixels but for the karts and the lap counts), not a built-in one. Escape and Q
# end it with 0.
source "$(dirname "$0")/common.sh"
export XDG_DATA_HOME="$work/data" XDG_PICTURES_DIR="$work/pictures"
"$game" --write-track-template "$work/mine.bmp" >/dev/null || give_up "no template was written"
mkdir -p "$XDG_DATA_HOME/dirtwhirl/tracks"
cp "$work/mine.bmp" "$XDG_DATA_HOME/dirtwhirl/tracks/my first track.bmp"
start_game --window --track "my first track" --computer 1 --computer 2
sleep 0.5
press Return
sleep 0.3
press space
sleep 3
shot player-track-race
xdotool key F12
sleep 1
bmp=$(ls "$XDG_PICTURES_DIR"/dirtwhirl/*.bmp 2>/dev/null | head -1)
[ -n "$bmp" ] || give_up "F12 left no BMP in $XDG_PICTURES_DIR/dirtwhirl"
cp "$bmp" "$OUT_DIR/player-track-screenshot.bmp"
own=$(compare -metric AE "$bmp" "$work/mine.bmp" null: 2>&1 | cut -d" " -f1)
built_in=$(compare -metric AE "$bmp" "$source_dir/images/track0.bmp" null: 2>&1 | cut -d" " -f1)
echo "pixels of the screenshot unlike the player's track: $own; unlike track 0: $built_in"
[ "$own" -lt 20000 ] || fail "the screenshot does not show the player's track"
[ "$built_in" -gt 100000 ] || fail "the screenshot shows a built-in track"
grep -q "does not race\|warning" "$work/err" && fail "the game said: $(cat "$work/err")"
leave_race $pid
echo "exit code: $code"
[ "$code" = 0 ] || fail "the game ended with $code"
exit $status
