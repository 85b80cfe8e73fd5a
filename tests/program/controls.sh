#!/usr/bin/env bash
# The settings file, a rebound key, pause and screenshots in the real program: the default file is
# written when there is none and left byte for byte as it is afterwards; with a file given by
# --config that binds player 1's right to L, holding L moves kart 1 and the right arrow does not; P freezes the screen while a
# steering key is held and P again lets it go on; F12 leaves a BMP that ImageMagick reads as
# 640 x 480.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
game="$1"
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
source "'"$here"'/common.sh"
XDG_PICTURES_DIR="$(mktemp -d)"
export XDG_PICTURES_DIR
trap "rm -rf \"\$XDG_CONFIG_HOME\" \"\$XDG_PICTURES_DIR\"" EXIT
settings="$XDG_CONFIG_HOME/dirtwhirl/settings.ini"
shot() { import -window root "$OUT_DIR/controls-$1.png"; }
differs() { [ "$(compare -metric AE "$OUT_DIR/controls-$1.png" "$OUT_DIR/controls-$2.png" null: 2>&1)" != 0 ]; }
fail() { echo "$1"; kill $pid 2>/dev/null; exit 1; }

# No settings file: the defaults are written; a run with it leaves it as it is.
"'"$game"'" &
pid=$!
wait_for_window || fail "no window"
[ -f "$settings" ] || fail "no settings file was written"
cp "$settings" "$OUT_DIR/controls-settings.ini"
press Return; press space; leave_race $pid
[ "$code" = 0 ] || fail "the first run ended with $code"

cmp -s "$settings" "$OUT_DIR/controls-settings.ini" || fail "the first run changed the settings file"
bound="$XDG_CONFIG_HOME/bound.ini"
sed "s/^right = Right/right = L/" "$settings" > "$bound"
cp "$bound" "$OUT_DIR/controls-settings-bound.ini"
"'"$game"'" --config "$bound" &
pid=$!
wait_for_window || fail "no window"
press Return; press space
sleep 0.3
shot start
xdotool keydown Right; sleep 0.6; xdotool keyup Right; sleep 0.3
shot after-right
differs start after-right && fail "the right arrow still moves kart 1 after binding right to L"
xdotool keydown l; sleep 0.6; xdotool keyup l; sleep 0.3
shot after-l
differs after-right after-l || fail "holding L did not move kart 1"

xdotool key p
xdotool keydown Left keydown d
sleep 0.5
shot paused-1
sleep 1
shot paused-2
differs paused-1 paused-2 && fail "the screen changed while paused"
differs after-l paused-1 || fail "the paused screen shows nothing different"
xdotool key p
sleep 0.6
shot resumed
xdotool keyup Left keyup d
differs paused-2 resumed || fail "P again did not resume the race"

xdotool key F12
sleep 0.5
bmp=$(ls "$XDG_PICTURES_DIR"/dirtwhirl/*.bmp 2>/dev/null | head -1)
[ -n "$bmp" ] || fail "F12 left no BMP in $XDG_PICTURES_DIR/dirtwhirl"
size=$(identify -format "%w x %h" "$bmp")
[ "$size" = "640 x 480" ] || fail "the screenshot is $size"
cp "$bmp" "$OUT_DIR/controls-screenshot.bmp"

leave_race $pid
[ "$code" = 0 ] || fail "the second run ended with $code"
cmp -s "$bound" "$OUT_DIR/controls-settings-bound.ini" || fail "the settings file was changed"
echo "settings, binding, pause and screenshot all as expected"
'
