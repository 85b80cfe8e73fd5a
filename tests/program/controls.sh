#!/usr/bin/env bash
# The settings file, a rebound key, pause and screenshots in the real program: the default file is
# written when there is none and left byte for byte as it is afterwards; with a file given by
# --config that binds player 1's right to L, holding L moves kart 1 and the right arrow does not;
# P freezes the screen while a steering key is held and P again lets it go on; F12 leaves a BMP
# that ImageMagick reads as 640 x 480.
source "$(dirname "$0")/common.sh"
export XDG_PICTURES_DIR="$work/pictures"
settings="$XDG_CONFIG_HOME/dirtwhirl/settings.ini"

# No settings file: the defaults are written; a run with it leaves it as it is.
start_game
[ -f "$settings" ] || give_up "no settings file was written"
cp "$settings" "$work/written.ini"
press Return; press space; leave_race $pid
[ "$code" = 0 ] || give_up "the first run ended with $code"
cmp -s "$settings" "$work/written.ini" || give_up "the first run changed the settings file"

bound="$work/bound.ini"
sed "s/^right = Right/right = L/" "$settings" >"$bound"
cp "$bound" "$work/bound-before.ini"
start_game --config "$bound"
press Return; press space
sleep 0.3
shot controls-start
xdotool keydown Right; sleep 0.6; xdotool keyup Right; sleep 0.3
shot controls-after-right
[ "$(differing controls-start controls-after-right)" = 0 ] ||
    give_up "the right arrow still moves kart 1 after binding right to L"
xdotool keydown l; sleep 0.6; xdotool keyup l; sleep 0.3
shot controls-after-l
[ "$(differing controls-after-right controls-after-l)" != 0 ] || give_up "holding L did not move kart 1"

xdotool key p
xdotool keydown Left keydown d
sleep 0.5
shot controls-paused-1
sleep 1
shot controls-paused-2
[ "$(differing controls-paused-1 controls-paused-2)" = 0 ] || give_up "the screen changed while paused"
[ "$(differing controls-after-l controls-paused-1)" != 0 ] || give_up "the paused screen shows nothing different"
xdotool key p
sleep 0.6
shot controls-resumed
xdotool keyup Left keyup d
[ "$(differing controls-paused-2 controls-resumed)" != 0 ] || give_up "P again did not resume the race"

xdotool key F12
sleep 0.5
bmp=$(ls "$XDG_PICTURES_DIR"/dirtwhirl/*.bmp 2>/dev/null | head -1)
[ -n "$bmp" ] || give_up "F12 left no BMP in $XDG_PICTURES_DIR/dirtwhirl"
size=$(identify -format "%w x %h" "$bmp")
[ "$size" = "640 x 480" ] || give_up "the screenshot is $size"
cp "$bmp" "$OUT_DIR/controls-screenshot.bmp"

leave_race $pid
[ "$code" = 0 ] || give_up "the second run ended with $code"
cmp -s "$bound" "$work/bound-before.ini" || give_up "the settings file was changed"
echo "settings, binding, pause and screenshot all as expected"
