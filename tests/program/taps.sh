#!/usr/bin/env bash
# Quick taps (press and release within a few milliseconds, as `xdotool key` sends them) of Enter
# and then space reach the race in 10 of 10 starts: Escape held then ends the race and Q the game.
source "$(dirname "$0")/common.sh"
for start in $(seq 1 10); do
    start_game
    xdotool key Return
    sleep 0.3
    xdotool key space
    sleep 0.3
    leave_race $pid
    [ "$code" = 0 ] || give_up "start $start: the taps did not reach the race (exit: $code); it said: $(cat "$work/err")"
done
echo "10 of 10 starts reached the race"
