#!/usr/bin/env bash
# Quick taps (press and release within a few milliseconds, as `xdotool key` sends them) of Enter
# and then space reach the race in 10 of 10 starts: Escape held then ends the race and Q the game.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
game="$1"
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
source "'"$here"'/common.sh"
for start in $(seq 1 10); do
    "'"$game"'" &
    pid=$!
    wait_for_window || { kill $pid; exit 1; }
    xdotool key Return
    sleep 0.3
    xdotool key space
    sleep 0.3
    leave_race $pid
    [ "$code" = 0 ] || { echo "start $start: the taps did not reach the race (exit: $code)"; exit 1; }
done
echo "10 of 10 starts reached the race"
'
