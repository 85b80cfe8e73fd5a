#!/usr/bin/env bash
# One person against the computer: C on the intro, space on the title. A second into the race,
# with no key pressed, kart 2 has left its start place and kart 1 has not; then player 1's Right
# arrow takes kart 1 away too. Escape and Q end it with 0. Screenshots are left in test-output/.
source "$(dirname "$0")/common.sh"
# Pixels of a place (game x, y, width, height; the screen shows the game 1.6 times as large) in
# which a screenshot differs from the title screen, which shows the bare track.
place_differs() {
    local crop
    crop=$(awk -v x=$2 -v y=$3 -v w=$4 -v h=$5 "BEGIN { printf \"%dx%d+%d+%d\", w * 1.6, h * 1.6, x * 1.6, y * 1.6 }")
    convert "$OUT_DIR/computer-title.png" -crop "$crop" +repage "$work/a.png"
    convert "$OUT_DIR/$1.png" -crop "$crop" +repage "$work/b.png"
    compare -metric AE -fuzz 10% "$work/a.png" "$work/b.png" null: 2>&1 | cut -d" " -f1
}
start_game
sleep 0.5
press c
sleep 0.3
shot computer-title
press space
sleep 1
shot computer-race-start
kart1=$(place_differs computer-race-start 245 100 36 35)
kart2=$(place_differs computer-race-start 245 38 36 28)
echo "a second in: kart 1 start place $kart1 pixels changed, kart 2 start place $kart2"
[ "$kart1" -gt 300 ] || give_up "kart 1 is not on its start place"
[ "$kart2" -lt 50 ] || give_up "kart 2 did not move without its keys"
xdotool keydown Right
sleep 1.5
shot computer-race
xdotool keyup Right
kart1=$(place_differs computer-race 245 100 36 35)
echo "after the Right arrow: kart 1 start place $kart1 pixels changed"
[ "$kart1" -lt 50 ] || give_up "player 1's Right arrow did not move kart 1"
leave_race $pid
echo "exit code: $code"
[ "$code" = 0 ]
