#!/usr/bin/env bash
# The real program under a real X server, one person against the computer: C on the intro, space
# on the title. A second into the race, with no key pressed, kart 2 has left its start place and
# kart 1 has not; then player 1's Right arrow takes kart 1 away too. Escape and Q end it with 0.
# Screenshots are left in the build folder's test-output/.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
game="$1"
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
source "'"$here"'/common.sh"
# Pixels of a place (game x, y, width, height; the screen shows the game 1.6 times as large) in
# which a screenshot differs from the title screen, which shows the bare track.
place_differs() {
    local crop
    crop=$(awk -v x=$2 -v y=$3 -v w=$4 -v h=$5 "BEGIN { printf \"%dx%d+%d+%d\", w * 1.6, h * 1.6, x * 1.6, y * 1.6 }")
    convert "$OUT_DIR/computer-title.png" -crop "$crop" +repage "$OUT_DIR/computer-a.png"
    convert "$1" -crop "$crop" +repage "$OUT_DIR/computer-b.png"
    compare -metric AE -fuzz 10% "$OUT_DIR/computer-a.png" "$OUT_DIR/computer-b.png" null: 2>&1 | cut -d" " -f1
}
fail() { echo "$1"; kill $pid; exit 1; }
"'"$game"'" &
pid=$!
wait_for_window || { kill $pid; exit 1; }
sleep 0.5
press c
sleep 0.3
import -window root "$OUT_DIR/computer-title.png"
press space
sleep 1
start="$OUT_DIR/computer-race-start.png"
import -window root "$start"
kart1=$(place_differs "$start" 245 100 36 35)
kart2=$(place_differs "$start" 245 38 36 28)
echo "a second in: kart 1 start place $kart1 pixels changed, kart 2 start place $kart2"
[ "$kart1" -gt 300 ] || fail "kart 1 is not on its start place"
[ "$kart2" -lt 50 ] || fail "kart 2 did not move without its keys"
xdotool keydown Right
sleep 1.5
race="$OUT_DIR/computer-race.png"
import -window root "$race"
xdotool keyup Right
kart1=$(place_differs "$race" 245 100 36 35)
echo "after the Right arrow: kart 1 start place $kart1 pixels changed"
[ "$kart1" -lt 50 ] || fail "player 1'"'"'s Right arrow did not move kart 1"
rm -f "$OUT_DIR/computer-a.png" "$OUT_DIR/computer-b.png"
leave_race $pid
echo "exit code: $code"
[ "$code" = 0 ]
'
