#!/usr/bin/env bash
# Closing the window on the intro screen, and the window destroyed from outside during the race
# (as the X server or a window manager may do), both walk the program to its normal end: exit
# code 0.
source "$(dirname "$0")/common.sh"
start_game
sleep 0.5
window=$(xdotool search --name "$GAME_TITLE" | head -1)
"$(dirname "$game")/tests/x11_close" "$window" || give_up "x11_close could not ask window $window"
wait_exit $pid 10
echo "closed on the intro: exit code $code"
[ "$code" = 0 ] || fail "closing on the intro"

start_game
sleep 0.3
press Return; press space; sleep 0.5
xdotool search --name "$GAME_TITLE" windowclose
wait_exit $pid 10
echo "destroyed in the race: exit code $code"
[ "$code" = 0 ] && ! grep -q "X Error" "$work/err" || fail "destroyed in the race: $(cat "$work/err")"
exit $status
