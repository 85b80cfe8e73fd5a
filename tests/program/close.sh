#!/usr/bin/env bash
# Closing the window on the intro screen walks the program to its normal end: exit code 0.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
game="$1"
closer="$(dirname "$game")/tests/x11_close"
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
source "'"$here"'/common.sh"
"'"$game"'" &
pid=$!
wait_for_window || { kill $pid; exit 1; }
sleep 0.5
"'"$closer"'" "$GAME_TITLE" || { kill $pid; exit 1; }
wait_exit $pid 10
echo "exit code: $code"
[ "$code" = 0 ]
'
