#!/usr/bin/env bash
# Closing the window on the intro screen, and the window destroyed from outside during the race
# (as the X server or a window manager may do), both walk the program to its normal end: exit
# code 0.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
game="$1"
closer="$(dirname "$game")/tests/x11_close"
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
source "'"$here"'/common.sh"
status=0
"'"$game"'" &
pid=$!
wait_for_window || { kill $pid; exit 1; }
sleep 0.5
"'"$closer"'" "$GAME_TITLE" || { kill $pid; exit 1; }
wait_exit $pid 10
echo "closed on the intro: exit code $code"
[ "$code" = 0 ] || status=1

"'"$game"'" 2>"$OUT_DIR/destroyed.err" &
pid=$!
wait_for_window || { kill $pid; exit 1; }
sleep 0.3
press Return; press space; sleep 0.5
xdotool search --name "$GAME_TITLE" windowclose
wait_exit $pid 10
echo "destroyed in the race: exit code $code"
[ "$code" = 0 ] && ! grep -q "X Error" "$OUT_DIR/destroyed.err" || status=1
exit $status
'
